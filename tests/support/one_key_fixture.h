// The machine of the end-to-end tests and the fixture of their cases: the batch lines and messages the cases
// expect, the machine each case starts on, the steps and checks the cases share.
// tests/e2e/one_key.sh makes the machine: D:, E:, F: are folders of the test, C: a small file system, and the
// programs with the stand-ins lie in C:\qg.
//
// Where Wine differs from Windows:
// - Wine has no partition tool and only a stub findstr: their stand-ins in C:\qg come first on the path.
// - A forced restart under Wine ends every process of the prefix, the test included: QG_TEST_RESTART_LOG makes
//   the program note the restart request in a file instead.
// - Wine places its folder drives on the first disk in letter order, but not C: on the small file system of
//   one_key.sh: QG_TEST_DRIVE_PLACES gives every run the answers of the folder drives, and the machine at hand.
// - As an ordinary user Wine drops hidden and system when read-only comes with them: the fixture sets
//   read-only last.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "payloads/constants.h"
#include "tests/support/boot_set.h"
#include "tests/support/program_under_test.h"
#include "tests/support/test_support.h"

constexpr char kRestartLog[] = "C:\\qg\\restart.log";
constexpr char kImage[] = "E:\\Ghost\\G_WinXP.gho";  // the image every case has: "IMAGE OF THE SYSTEM"
constexpr char kFiller[] = "C:\\filler.bin";
// What the system says of the folder drives C: to F: (Wine's own answer where it gives one).
constexpr char kFolderDrives[] = "C=0:1;D=0:2;E=0:3;F=0:4";

// The batch files of a restore from kImage and of a back-up to E:\Ghost\b.gho: C: is the first partition, E:
// the third (the stand-in partition tool reports as many as the list shows).
inline const std::string kRestoreBatch =
    "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb\r\nrestart";
inline const std::string kBackupBatch =
    "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\b.gho -sure -fro -rb -z1\r\nrestart";
// The restart prompt's line in a build with stand-ins.
inline const std::string kStandInNote = "注意：此版本没有真正的启动程序和Ghost，重启不会备份或还原。";
// The messages of a run that failed half-way for want of room for the floppy image, and of an undo after a run.
inline const std::string kPutBack =
    "\r\n已经撤销这次的改动：C:\\boot.ini 已从 C:\\boot.bak 恢复，写入的文件已删除，计算机和这次操作之前一样。";
inline const std::string kFloppyImageNotWritten =
    "启动文件没有全部写好，不能重启进行操作：\r\nC:\\Qelo.img 没有写入或内容不对\r\n" + kPutBack;
inline const std::string kUndone =
    "撤销完成。\r\nC:\\boot.ini 已从 C:\\boot.bak 恢复为原来的启动菜单。\r\n"
    "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img";
// The end of a refusal for a drive that Ghost cannot be pointed at by its number, and its start for a drive
// without a number on the first disk.
inline const std::string kWrongPlace =
    "。\r\n本工具只能对第一块硬盘上、分区号相符的分区操作；请勾选“手动Ghost(M)”，在 Ghost 里亲自选择分区。";
inline std::string noPlace(const std::string& letter) {
    return letter + ": 盘：系统给不出它在第一块硬盘上的分区号（没有这个盘，或者它是光驱、网络驱动器、SUBST 映射的盘或内存盘）";
}

// Everything the run writes on C:, as content and attributes by path (absent files are left out).
inline std::map<std::string, std::string> filesOnC() {
    std::map<std::string, std::string> files;
    for (const char* p : {kIni, kBak, kGrldr, kGrldrSaved, kBat, kExe, kImg, kBatSaved, kExeSaved})
        if (exists(p)) files[p] = read_file(p) + "|attributes " + std::to_string(attributes(p));
    return files;
}
// The boot set in place: the menu (its attributes cleared), the batch file and the carried files.
inline void expectBootSet(const std::string& menu, const std::string& batch) {
    EXPECT_EQ(read_file(kIni), menu);
    EXPECT_EQ(attributes(kIni), 0u);
    EXPECT_EQ(read_file(kBat), batch);
    EXPECT_EQ(read_file(kGrldr), payload(bin::boot_loader()));
    EXPECT_EQ(read_file(kExe), payload(bin::dos_ghost()));
    EXPECT_EQ(read_file(kImg), payload(bin::floppy_image()));
}
// C:\boot.bak holds the menu as it was, read-only, hidden and system.
inline void expectBackupOfOriginal(const std::string& original) {
    EXPECT_EQ(read_file(kBak), original);
    EXPECT_EQ(attributes(kBak), kHidSysRo);
}
// C:\boot.ini holds the menu, read-only, hidden and system, as before any run.
inline void expectMenuAsItWas(const std::string& menu = kFiveLines) {
    EXPECT_EQ(read_file(kIni), menu);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
}
inline void expectAbsent(const std::vector<const char*>& paths) {
    for (const char* p : paths) EXPECT_FALSE(exists(p)) << p;
}

// C: as one_key.sh makes it where it can: a small file system of its own, which a test can fill.
inline bool driveCIsSmall() {
    ULARGE_INTEGER total{};
    return GetDiskFreeSpaceExA("C:\\", nullptr, &total, nullptr) && total.QuadPart <= (256u << 20);
}
// Leaves 1 MiB on C:: room for the menu and its copy, the boot loader, the batch and the imaging program, not
// the floppy image.
inline void fillDriveC() {
    ULARGE_INTEGER available{};
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
    ASSERT_GT(available.QuadPart, (4u << 20));
    write_bytes(kFiller, std::string(static_cast<size_t>(available.QuadPart - (1u << 20)), '\0'));
    ASSERT_TRUE(GetDiskFreeSpaceExA("C:\\", &available, nullptr, nullptr));
    ASSERT_LT(available.QuadPart, (2u << 20));
}

// An environment variable of the test and the programs it starts, set for one case.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) { SetEnvironmentVariableA(name, value); }
    ~ScopedVariable() { SetEnvironmentVariableA(name_, nullptr); }

private:
    const char* name_;
};

// Every case starts on the machine of one_key.sh with the five-line menu (read-only, hidden, system) and
// nothing of the tool on C:.
class OneKey : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char path[8192] = "";
        GetEnvironmentVariableA("PATH", path, sizeof path);
        SetEnvironmentVariableA("PATH", (std::string(kProgramFolder) + ";" + path).c_str());
        // One primary, one extended and three logical partitions: four counted, as many as C: to F:.
        useMachine(kFolderDrives, "5");
        SetEnvironmentVariableA("QG_TEST_RESTART_LOG", kRestartLog);
        CreateDirectoryA("D:\\Ghost", nullptr);
        CreateDirectoryA("E:\\Ghost", nullptr);
        CreateDirectoryA("E:\\tools", nullptr);
        write_bytes(kImage, "IMAGE OF THE SYSTEM");
        write_bytes("E:\\tools\\ghost.exe", "MZ custom ghost");
    }
    static void clearC() {
        for (const char* p : {kIni, kBak, kGrldr, kGrldrSaved, kBat, kExe, kImg, kRestartLog, kFiller, kBatSaved,
                              kExeSaved, "D:\\Ghost\\x.gho", "E:\\Ghost\\a.gho", "E:\\Ghost\\b.gho", "E:\\Ghost\\old.gho"})
            removeFile(p);
    }
    void SetUp() override {
        clearC();
        writeMenu(kFiveLines);
    }
    void TearDown() override {
        program.stop();
        clearC();
        useMachine(kFolderDrives, "5");
    }
    // For a case of several rows: the program ended and C: as SetUp leaves it.
    void startOverOnAFreshMachine() {
        program.stop();
        OneKey::SetUp();
    }
    static void writeMenu(const std::string& content) {
        removeFile(kIni);  // the menu of SetUp is read-only
        write_bytes(kIni, content);
        ASSERT_EQ(read_file(kIni), content);
        setAttributes(kIni, kHidSysRo);
        ASSERT_EQ(attributes(kIni), kHidSysRo);
    }
    // The machine the next program start sees: the system's placing of the drives, the partition tool's rows.
    static void useMachine(const char* drivePlaces, const char* partitionRows) {
        SetEnvironmentVariableA("QG_TEST_DRIVE_PLACES", drivePlaces);
        SetEnvironmentVariableA("QG_DISKPART_PARTITIONS", partitionRows);
    }

    // The program started and the image chosen through 打开.
    void startWithImage(const char* programName = kProgram, const std::string& image = kImage) {
        ASSERT_NO_FATAL_FAILURE(program.start(programName));
        ASSERT_NO_FATAL_FAILURE(program.selectImage(image));
    }
    // The lead-in of many cases: the program started, the image chosen, and 确定 (or Y) up to the restart prompt.
    // Null (with the failure reported) where a step failed.
    HWND startAndRunToPrompt(const char* programName = kProgram, const std::string& image = kImage,
                             bool byKey = false) {
        startWithImage(programName, image);
        return HasFatalFailure() ? nullptr : program.runToPrompt(byKey);
    }

    static std::string refusalMessage(const std::string& reason) {
        return "不能进行这次操作：\r\n" + reason + "\r\n\r\n没有做任何改动：C:\\boot.ini 和 C 盘上的文件都保持原样。";
    }
    // Y on the window as it stands is refused with that reason; nothing on C: changes, no restart is offered,
    // the main window stays.
    void expectRefusal(const std::string& reason) {
        SCOPED_TRACE(reason);
        // Y acts only where a click on 确定 could, and no message of an earlier step may stand for the run's.
        ASSERT_TRUE(IsWindowEnabled(program.button("确定(&Y)"))) << program.describe();
        ASSERT_EQ(program.messageBox(), nullptr) << program.describe();
        const auto before = filesOnC();
        EXPECT_EQ(program.runToMessage(), refusalMessage(reason));
        Sleep(300);  // time for a prompt that must not come
        EXPECT_EQ(program.restartPrompt(), nullptr);
        EXPECT_TRUE(IsWindowVisible(program.main()));
        EXPECT_EQ(filesOnC(), before);
    }
    // A restore's image chosen through 打开 that a run would refuse: the run's message says why at once, nothing
    // on C: has changed by then, and 确定 stays grey.
    void expectRefusedSelection(const std::string& path, const std::string& reason) {
        SCOPED_TRACE(reason);
        // The checks need the partition numbers: the status bar says when the partition tool has answered.
        ASSERT_TRUE(waitUntil([&] { return program.statusText(1) != "正在读取磁盘分区信息，请稍候……"; }));
        const auto before = filesOnC();
        click(program.button("打开(&F)"));
        ASSERT_NO_FATAL_FAILURE(program.answerFileDialog(path));
        HWND box = program.waitFor(&Program::messageBox);
        ASSERT_NE(box, nullptr) << program.describe();
        EXPECT_EQ(textOf(Program::messageText(box)), refusalMessage(reason));
        EXPECT_EQ(filesOnC(), before);
        click(dialogItem(box, IDOK));
        ASSERT_TRUE(program.waitGone(box));
        EXPECT_EQ(program.imagePath(), path);
        EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    }
    // A file dialog closed with its cancel button; then the program has handled the click.
    void cancelFileDialog() {
        HWND dialog = program.waitFor(&Program::fileDialog);
        ASSERT_NE(dialog, nullptr) << program.describe();
        click(dialogItem(dialog, IDCANCEL));
        ASSERT_TRUE(program.waitGone(dialog));
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutA(program.main(), WM_NULL, 0, 0, SMTO_NORMAL, 20000, &answer));
    }
    // A click on an entry of the list of found images (the list on the window itself).
    void pickFoundImage(int index) {
        HWND list = child(program.main(), [&](HWND h) {
            return lstrcmpiA(classOf(h).c_str(), "ListBox") == 0 && GetParent(h) == program.main();
        });
        ASSERT_NE(list, nullptr) << "no list of found images";
        ASSERT_LT(index, static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)));
        clickListEntry(list, index);
    }

    Program program;
};

// Drives C: to L: on a disk of ten partitions (one_key.sh maps G: to L: for these cases only, in a second start
// of the prefix), with an image on H:.
class OneKeyTenDrives : public OneKey {
protected:
    static void SetUpTestSuite() {
        OneKey::SetUpTestSuite();
        CreateDirectoryA("H:\\Ghost", nullptr);
        write_bytes("H:\\Ghost\\x.gho", "AN IMAGE ON H:");
    }
    void SetUp() override {
        OneKey::SetUp();
        // One primary, one extended and nine logical partitions: ten counted.
        useMachine("C=0:1;D=0:2;E=0:3;F=0:4;G=0:5;H=0:6;I=0:7;J=0:8;K=0:9;L=0:10", "11");
    }
};
