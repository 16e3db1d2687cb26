// The one-key run end to end: the built program, started as a process of its own in a prefix of this test
// (one_key.sh), driven through its windows as a user drives it (tests/support/program_under_test.h) on the
// machine of tests/support/one_key_fixture.h. The files on C: are checked byte for byte. The program is the
// build's own, which carries stand-ins, as shipped where a test needs no seam, and as QuenvarghostSeams.exe
// (the same sources with the test seams) where it does; Quenvarghost-products.exe is the same program built
// over outside products of the tests (with the seams).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "payloads/constants.h"
#include "tests/support/one_key_fixture.h"
#include "tests/support/processes.h"
#include "tests/support/test_support.h"

namespace {
// --- Runs up to the restart prompt

TEST_F(OneKey, RestoreRunPreparesTheBootSetAndQuitRemindsThatItStaysInPlace) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
    expectMenuAsItWas();
    EXPECT_FALSE(exists(kBak));

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_FALSE(IsWindowVisible(program.main()));
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    expectBackupOfOriginal(kFiveLines);
    EXPECT_FALSE(exists(kGrldrSaved));

    const auto before = filesOnC();
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
    EXPECT_EQ(filesOnC(), before);
    EXPECT_FALSE(exists(kRestartLog));
}

// A build with stand-ins never restarts: its prompt says so in one more line, and both its restart button and
// Y bring the main window back, where the undo is at hand.
TEST_F(OneKey, BackUpRunInABuildWithStandInsNeverRestarts) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.chooseBackUp());
    EXPECT_EQ(program.imagePath(), kImage);
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\b.gho"), "E:\\Ghost\\b.gho");

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_FALSE(IsWindowVisible(program.main()));
    expectBootSet(kRewrittenFiveLines, kBackupBatch);
    expectBackupOfOriginal(kFiveLines);
    const auto before = filesOnC();

    for (bool byKey : {false, true}) {
        SCOPED_TRACE(byKey ? "key Y" : "restart button");
        HWND note = child(prompt, kStandInNote);
        EXPECT_TRUE(note && IsWindowVisible(note)) << program.describe();
        byKey ? key(prompt, 'Y') : click(child(prompt, "确定(&Y)"));
        EXPECT_TRUE(program.waitGone(prompt));
        EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(program.main()) != 0; })) << program.describe();
        EXPECT_TRUE(IsWindowVisible(program.button("撒销(&U)")));
        EXPECT_FALSE(exists(kRestartLog));
        EXPECT_EQ(filesOnC(), before);
        if (!byKey) {
            ASSERT_NE(prompt = program.runToPrompt(), nullptr);
        }
    }
    click(program.button("退出(&X)"));
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_FALSE(exists(kRestartLog));
}

// Built over outside products (the tests' own small files), the program asks for the restart as it always has.
TEST_F(OneKey, ABuildWithOutsideProductsRestarts) {
    HWND prompt = startAndRunToPrompt(kProductsProgram);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    EXPECT_EQ(read_file(kGrldr), "grldr of the tests: no outside product, no stand-in\r\n");
    EXPECT_EQ(child(prompt, kStandInNote), nullptr);
    key(prompt, 'Y');
    EXPECT_TRUE(program.ended());
    EXPECT_EQ(read_file(kRestartLog), "restart\r\n");
}

// The manual Ghost batch; a run with no operation chosen leaves the batch file alone; Esc on the restart prompt
// brings the main window back, and a later quit still ends the program.
TEST_F(OneKey, ManualGhostBatchAndARunWithoutOperation) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("手动Ghost(&M)"));
    ASSERT_TRUE(waitUntil([&] { return !IsWindowEnabled(program.button("还原系统(&R)")); }));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, "ghost.exe");
    EXPECT_EQ(read_file(kBat).size(), 9u);
    EXPECT_NE(child(prompt, "程序处理完成，是否马上重启进入手动Ghost？"), nullptr) << program.describe();
    program.escapeFromPrompt(prompt);

    // Neither option box nor radio box checked: no user gesture unchecks a radio box, so the test clears it.
    click(program.button("手动Ghost(&M)"));
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(program.button("还原系统(&R)")) != 0; }));
    SendMessageA(program.button("还原系统(&R)"), BM_SETCHECK, BST_UNCHECKED, 0);
    write_bytes(kBat, "an earlier batch");
    for (const char* p : {kGrldr, kExe, kImg}) removeFile(p);
    prompt = program.runToPrompt(true);
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, "an earlier batch");
    // Quit from the second prompt ends the program, as it does without an earlier Esc.
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
    EXPECT_FALSE(exists(kRestartLog));
}

// D:\Ghost is no place for a back-up; E:\Ghost is, and a placeholder (its own path) marks the target until
// Ghost writes it, but never over an image that is already there.
TEST_F(OneKey, SaveModeTargets) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.chooseBackUp());
    const struct {
        const char* target;
        const char* there;  // null: nothing
        bool runs;          // 确定 enabled
        const char* after;  // null: nothing
    } targets[] = {
        {"D:\\Ghost\\x.gho", nullptr, false, nullptr},
        {"E:\\Ghost\\a.gho", nullptr, true, "E:\\Ghost\\a.gho"},
        {"E:\\Ghost\\old.gho", "AN EARLIER BACK-UP IMAGE", true, "AN EARLIER BACK-UP IMAGE"},
    };
    for (const auto& t : targets) {
        SCOPED_TRACE(t.target);
        if (t.there) write_bytes(t.target, t.there);
        ASSERT_NO_FATAL_FAILURE(program.selectImage(t.target));
        EXPECT_EQ(IsWindowEnabled(program.button("确定(&Y)")) != 0, t.runs);
        EXPECT_EQ(exists(t.target), t.after != nullptr);
        if (t.after) {
            EXPECT_EQ(read_file(t.target), t.after);
        }
    }
}

// The menu's lines from the fourth on stay as they were, however many.
TEST_F(OneKey, BootMenusOfSevenOrMoreLinesKeepEveryLineFromLineFourOn) {
    const std::string lines4to8 =
        "[operating systems]\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect\r\n"
        "multi(0)disk(0)rdisk(0)partition(2)\\WINNT=\"Windows 2000\" /fastdetect\r\n"
        "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n"
        "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Safe\" /safeboot:minimal\r\n";
    const std::string eightLines = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n" + lines4to8;
    writeMenu(eightLines);
    HWND prompt = startAndRunToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kHeader + lines4to8 + kEntry, kRestoreBatch);
    expectBackupOfOriginal(eightLines);
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
}

// A read-only, hidden, system C:\boot.bak holding an older menu: the image selection leaves it as it is, and
// the run replaces it with the menu as it is before it writes anything else.
TEST_F(OneKey, AnOlderCopyOfTheMenuIsReplacedByTheRun) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    write_bytes(kBak, "[boot loader]\r\ntimeout=30\r\n");
    setAttributes(kBak, kHidSysRo);
    const auto before = filesOnC();
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(filesOnC(), before);
    ASSERT_NE(program.runToPrompt(), nullptr);
    expectBackupOfOriginal(kFiveLines);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
}

// The window is on screen while the partition tool has not answered yet; a run asked for meanwhile waits for
// the answer (its batch needs the partition numbers), and closing the window meanwhile ends the program cleanly.
TEST_F(OneKey, TheWindowComesBeforeThePartitionProbeAnswers) {
    const char kDiskReady[] = "C:\\qg\\disk-ready";
    const std::string kReading = "正在读取磁盘分区信息，请稍候……";
    removeFile(kDiskReady);
    ScopedVariable wait("QG_DISKPART_WAIT_FOR", kDiskReady);

    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_EQ(program.statusText(1), kReading);
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    // The probe's script stays while the probe runs it (on Windows the command interpreter reads it line by line).
    EXPECT_TRUE(exists("C:\\fqs.bat"));
    click(program.button("确定(&Y)"));
    Sleep(1000);  // the run waits: nothing may come of the click yet
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_FALSE(exists(kBat));
    write_bytes(kDiskReady, "");
    HWND prompt = program.waitFor(&Program::restartPrompt);
    ASSERT_NE(prompt, nullptr) << "the waiting run did not run; status: " << program.statusText(1) << "; "
                               << program.describe();
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(program.statusText(1), "尚未用本软件备份系统，请及时备份镜像！");
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
    program.stop();

    removeFile(kDiskReady);
    ASSERT_NO_FATAL_FAILURE(program.start());
    EXPECT_EQ(program.statusText(1), kReading);
    PostMessageA(program.main(), WM_CLOSE, 0, 0);  // the boot set of the run above is still in place
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_EQ(program.exitCode(), 0u) << "not a clean end";
    // The probe of the closed window goes on to its end once the partition tool answers; the next test's probe
    // must not meet it (both write their partition tool's script into the same folder).
    write_bytes(kDiskReady, "");
    EXPECT_TRUE(waitUntil([] { return !probeRuns(); }, 30000));
}

// --- Partition numbers as the system gives them, and what DOS or Ghost would misread

// Two primary partitions and no extended one (the partition tool lists two rows, the system places C: and D:
// first and second): a restore of C: from D: names 1:2 and 1:1. The program's standard input stays open
// without a key ever coming, and the probe answers all the same (its script ends waiting for a key). On this
// machine without E: the preset back-up target there is refused; a cancelled save dialog changes nothing.
TEST_F(OneKey, TwoPrimaryPartitionsAndADriveTheSystemDoesNotHave) {
    useMachine("C=0:1;D=0:2", "2");
    write_bytes("D:\\Ghost\\sys.gho", "AN IMAGE ON D:");
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE keys = nullptr, keyboard = nullptr;
    ASSERT_TRUE(CreatePipe(&keys, &keyboard, &inheritable, 0));
    SetHandleInformation(keyboard, HANDLE_FLAG_INHERIT, 0);
    struct Close {
        HANDLE h;
        ~Close() { CloseHandle(h); }
    } closeKeys{keys}, closeKeyboard{keyboard};
    program.input = keys;
    HWND prompt = startAndRunToPrompt(kProgram, "D:\\Ghost\\sys.gho");
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pload,src=1:2\\Ghost\\sys.gho:1,dst=1:1  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);

    ASSERT_NO_FATAL_FAILURE(program.chooseBackUp());
    ASSERT_EQ(program.imagePath(), kImage);
    click(program.button("保存(&S)"));
    ASSERT_NO_FATAL_FAILURE(cancelFileDialog());
    EXPECT_EQ(program.imagePath(), kImage);
    EXPECT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(expectRefusal(noPlace("E") + kWrongPlace));
    EXPECT_EQ(read_file(kImage), "IMAGE OF THE SYSTEM");
    key(program.main(), 'X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    removeFile("D:\\Ghost\\sys.gho");
}

// A hidden first partition, as the system places the drives and the partition tool counts them (C: is the
// disk's second partition): both batch lines number every partition one higher. On the way, the keys B, G and M
// act as clicks on their boxes (M and G do nothing where their box cannot be clicked), and a back-up over an
// existing image asks first.
TEST_F(OneKey, HiddenFirstPartitionAndTheKeysOfTheBoxes) {
    useMachine("C=0:2;D=0:3;E=0:4", "5");
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main(), manual = program.button("手动Ghost(&M)"), ghost32 = program.button("Ghost32(&G)");
    key(main, 'M');  // 手动选择框 lies outside the simple layout
    key(main, 'G');  // G选择框 is disabled
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(SendMessageA(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(ghost32, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pload,src=1:4\\Ghost\\G_WinXP.gho:1,dst=1:2  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);

    // B in restore mode is the click on 备份单选框: the other box unchecked, the back-up captions and target.
    key(main, 'B');
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; }));
    EXPECT_EQ(SendMessageA(program.button("还原系统(&R)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageA(program.button("备份系统(&B)"), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(program.imagePath(), kImage);
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));  // the target chosen again: 确定 is grey until then
    const auto before = filesOnC();
    const std::string question = "“E:\\Ghost\\G_WinXP.gho”已经有一个镜像（镜像大小：0MB，创建日期：";
    std::string asked = program.runToMessage(IDNO);
    EXPECT_EQ(asked.substr(0, question.size()), question) << asked;
    EXPECT_NE(asked.find("）。\r\n备份会覆盖它，要继续吗？"), std::string::npos) << asked;
    EXPECT_EQ(filesOnC(), before);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(read_file(kImage), "IMAGE OF THE SYSTEM");

    program.runToMessage(IDYES);
    prompt = program.waitFor(&Program::restartPrompt);
    ASSERT_NE(prompt, nullptr) << program.describe();
    expectBootSet(kRewrittenFiveLines,
                  "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\Ghost\\G_WinXP.gho -sure -fro -rb -z1\r\nrestart");
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
}

// Every drive has the number the system gives it, H: and two digits included.
TEST_F(OneKeyTenDrives, TenPartitionsAreNumberedAsTheSystemPlacesThem) {
    HWND prompt = startAndRunToPrompt(kProgram, kImage, true);
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(read_file(kBat), kRestoreBatch);
    program.escapeFromPrompt(prompt);

    ASSERT_NO_FATAL_FAILURE(program.selectImage("H:\\Ghost\\x.gho"));
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('L'));
    ASSERT_NE(prompt = program.runToPrompt(true), nullptr);
    EXPECT_EQ(read_file(kBat), "Ghost.exe -nousb -clone,mode=pload,src=1:6\\Ghost\\x.gho:1,dst=1:10  -sure -rb\r\nrestart");
    program.escapeFromPrompt(prompt);
    key(program.main(), 'X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
}

// --- Runs the tool refuses: a message that says why, and nothing on C: changed

// Image paths that the DOS command interpreter or Ghost's arguments would read otherwise, a batch line longer
// than DOS hands a program, a path without its drive, and a partition table that orders the drives otherwise
// than the system numbers them (E: is the third partition to the system, the fourth on the disk): each is
// refused, naming what is wrong.
TEST_F(OneKey, PathsAndLayoutsThatGhostWouldMisreadAreRefused) {
    ScopedVariable diskOrder("QG_TEST_DISK_ORDER", "1,2,4,3");
    const std::string comma = "E:\\Ghost\\a,b.gho", percent = "E:\\100%\\x.gho";
    const std::string longPath = "D:\\Ghost\\" + std::string(70, 'x') + ".gho", shortPath = "D:\\Ghost\\d.gho";
    CreateDirectoryA("E:\\100%", nullptr);
    for (const std::string& p : {comma, percent, longPath, shortPath}) write_bytes(p, "AN IMAGE");
    const std::string misread = "，DOS 或 Ghost 会把它读错。请使用不含 , % | < > \" 这些字符的路径。";
    const std::string line = "Ghost.exe -nousb -clone,mode=pload,src=1:2" + longPath.substr(2) + ":1,dst=1:1  -sure -rb";
    const struct {
        std::string path, reason;
    } refused[] = {
        {comma, "镜像路径“" + comma + "”含有字符“,”" + misread},
        {percent, "镜像路径“" + percent + "”含有字符“%”" + misread},
        {longPath, "Ghost 的命令行参数有 " + std::to_string(line.size() - 9) +
                       " 个字节，超过了 DOS 传给程序的 126 个字节，多出的部分会被截掉。请使用更短的镜像路径。"},
        {kImage, "E: 盘是系统编号的 1:3，但按分区表里的先后顺序它是第 4 个分区：分区布局不寻常" + kWrongPlace},
    };
    ASSERT_NO_FATAL_FAILURE(program.start());
    for (const auto& r : refused) ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(r.path, r.reason));
    // The box of the path is the program's own: after an image the run accepts, the test writes a path without
    // its drive into it.
    ASSERT_NO_FATAL_FAILURE(program.selectImage(shortPath));
    ASSERT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
    SendMessageA(program.imageBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Ghost\\G_WinXP.gho"));
    ASSERT_NO_FATAL_FAILURE(expectRefusal(
        "镜像路径“Ghost\\G_WinXP.gho”不是以盘符、冒号和反斜杠开头的完整路径（例如 E:\\Ghost\\sys.gho）。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
    for (const std::string& p : {comma, percent, longPath, shortPath}) removeFile(p.c_str());
    RemoveDirectoryA("E:\\100%");
}

// A CD drive at D: between partitions: a run with an image on it is refused and names the drive.
TEST_F(OneKey, AnImageOnACdIsRefused) {
    useMachine("C=0:1;D=cd;E=0:2", "3");
    CreateDirectoryA("D:\\Ghost", nullptr);
    write_bytes("D:\\Ghost\\x.gho", "AN IMAGE ON A CD");
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection("D:\\Ghost\\x.gho", noPlace("D") + kWrongPlace));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
}

// Runs that cannot do what was chosen: a restore onto the image's own partition, a back-up of the partition
// that is to hold the image, a path with a blank, an image gone since it was chosen, the placeholder of a
// back-up that never ran. A back-up target's placeholder goes when the program ends without a run for it.
TEST_F(OneKey, RunsThatCannotWorkAreRefused) {
    CreateDirectoryA("E:\\My Images", nullptr);
    write_bytes("E:\\My Images\\x.gho", "IMAGE");
    write_bytes("E:\\Ghost\\gone.gho", "IMAGE");
    write_bytes("E:\\Ghost\\p.gho", "E:\\Ghost\\p.gho");
    ASSERT_NO_FATAL_FAILURE(startWithImage());
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('E'));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像就在要还原的分区 1:3 上，还原会把镜像自己覆盖掉。请先把镜像放到另一个分区。"));
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('C'));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(
        "E:\\My Images\\x.gho", "镜像路径“E:\\My Images\\x.gho”含有空格，Ghost 会把它读成两个参数。请使用不含空格的路径。"));
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\gone.gho"));
    removeFile("E:\\Ghost\\gone.gho");
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像文件“E:\\Ghost\\gone.gho”不存在。"));
    ASSERT_NO_FATAL_FAILURE(expectRefusedSelection(
        "E:\\Ghost\\p.gho", "镜像文件“E:\\Ghost\\p.gho”只是一次未完成的备份留下的占位文件，不是镜像。"));

    ASSERT_NO_FATAL_FAILURE(program.chooseBackUp());
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\b.gho"), "E:\\Ghost\\b.gho");
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('E'));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("镜像要存放在被备份的分区 1:3 上。请把镜像存到另一个分区。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
    EXPECT_FALSE(exists("E:\\Ghost\\b.gho"));
    EXPECT_EQ(read_file("E:\\Ghost\\p.gho"), "E:\\Ghost\\p.gho");  // not this process's placeholder
    for (const char* p : {"E:\\My Images\\x.gho", "E:\\Ghost\\p.gho"}) removeFile(p);
    RemoveDirectoryA("E:\\My Images");
}

// A partition tool that never answers: past the probe's time limit (shortened for the test) the probe's
// programs are ended and the message says that the partition information could not be read; the window stays
// usable, and a run is refused.
TEST_F(OneKey, APartitionToolThatNeverAnswers) {
    ScopedVariable wait("QG_DISKPART_WAIT_FOR", "C:\\qg\\never");
    ScopedVariable limit("QG_TEST_PROBE_LIMIT_MS", "3000");
    program.messageAtStartup = true;
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND box = program.waitFor(&Program::messageBox);
    ASSERT_NE(box, nullptr) << program.describe();
    EXPECT_EQ(textOf(Program::messageText(box)), "获取磁盘分区信息失败，请重启程序");
    click(dialogItem(box, IDOK));
    ASSERT_TRUE(program.waitGone(box));
    EXPECT_TRUE(waitUntil([] { return !probeRuns(); })) << "the probe's programs still run";
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    ASSERT_NO_FATAL_FAILURE(expectRefusal("没有读到磁盘分区信息，不能确定 Ghost 的分区号。请重启程序后再试。"));
    key(program.main(), 'X');
    EXPECT_TRUE(program.ended());
}

// Without C:\boot.ini (a system that starts another way) the run is refused and writes nothing.
TEST_F(OneKey, NoBootMenuIsRefusedAndNothingIsWritten) {
    removeFile(kIni);
    ASSERT_NO_FATAL_FAILURE(startWithImage(kShippedProgram));
    key(program.main(), 'Y');
    EXPECT_EQ(program.answerMessage(),
              refusalMessage("没有 C:\\boot.ini：这个系统不是通过 C:\\boot.ini 启动的（本工具只用于 Windows 2000/XP）。"));
    EXPECT_EQ(filesOnC(), (std::map<std::string, std::string>{}));
    program.quit();
}

// --- What the tool changes on C: comes back, and only that: nothing before a run, the menu as the user left
// it, other tools' files, a menu never missing.

// Choosing an image, cancelling the file dialog and quitting leave C: as it was: the menu byte for byte and
// attribute for attribute, and no copy of it.
TEST_F(OneKey, NothingOnCChangesBeforeARun) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    const auto before = filesOnC();
    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    click(program.button("打开(&F)"));
    HWND dialog = program.waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr) << program.describe();
    click(dialogItem(dialog, IDCANCEL));
    ASSERT_TRUE(program.waitGone(dialog));
    program.quit();
    EXPECT_EQ(filesOnC(), before);
    EXPECT_FALSE(exists(kBak));
}

// The undo after a run: the menu as the run copied it, with its attributes (a second selection after the run
// changes nothing), our files gone, another tool's boot loader back in place, and a message that says so.
TEST_F(OneKey, UndoPutsEverythingBack) {
    const std::string foreign = "A BOOT LOADER OF ANOTHER TOOL";
    write_bytes(kGrldr, foreign);
    HWND prompt = startAndRunToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(read_file(kGrldrSaved), foreign);
    program.escapeFromPrompt(prompt);

    ASSERT_NO_FATAL_FAILURE(program.selectImage(kImage));
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    expectBackupOfOriginal(kFiveLines);

    EXPECT_EQ(program.undo(), kUndone + "\r\n已放回别的程序原有的文件：C:\\grldr");
    expectMenuAsItWas();
    EXPECT_EQ(read_file(kGrldr), foreign);
    expectAbsent({kBak, kGrldrSaved, kBat, kExe, kImg});
    HWND undoButton = program.button("撒销(&U)");
    EXPECT_TRUE(IsWindowVisible(undoButton));
    EXPECT_FALSE(IsWindowEnabled(undoButton));
    program.quit();
}

// The undo after an edit of the menu that the tool did not make (its entry taken out by hand and a line
// added): the edit stays, the tool's files go, and the message says the menu was left as it was.
TEST_F(OneKey, TheUndoKeepsAMenuEditedSinceTheRun) {
    HWND prompt = startAndRunToPrompt();
    ASSERT_NE(prompt, nullptr);
    program.escapeFromPrompt(prompt);
    const std::string edited = kFiveLines + "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n";
    writeMenu(edited);

    EXPECT_EQ(program.undo(),
              "撤销完成。\r\nC:\\boot.ini 里没有本工具的启动项，保持原样，没有改动。\r\n"
              "已删除本工具的文件：C:\\grldr、C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img");
    expectMenuAsItWas(edited);
    expectAbsent({kGrldr, kBat, kExe, kImg});
    program.quit();
}

// The undo without C:\boot.bak keeps the boot loader that the menu still starts, and says so.
TEST_F(OneKey, UndoWithoutTheCopySaysTheMenuCouldNotBePutBack) {
    HWND prompt = startAndRunToPrompt();
    ASSERT_NE(prompt, nullptr);
    program.escapeFromPrompt(prompt);
    removeFile(kBak);

    EXPECT_EQ(program.undo(),
              "撤销没有全部完成。\r\n已删除本工具的文件：C:\\ghost.bat、C:\\ghost.exe、C:\\Qelo.img\r\n"
              "没有找到 C:\\boot.bak，启动菜单无法恢复：C:\\boot.ini 里仍有本工具的启动项“C:\\grldr=Drelvok”"
              "（default=C:\\grldr），所以 C:\\grldr 保留在原处。\r\n"
              "请编辑 C:\\boot.ini，删除这一行，并把 default= 改回原来的系统。");
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    EXPECT_EQ(read_file(kGrldr), payload(bin::boot_loader()));
    expectAbsent({kBat, kExe, kImg});
}

// A run whose menu rewrite fails, and that finds another program's batch file it cannot keep aside, says so,
// puts back what it wrote and offers no restart. Another program holds C:\boot.ini and C:\ghost.bat open
// (reading only): the rewrite cannot replace the menu, nor can the batch file be moved aside, so the run does
// not write over it.
TEST_F(OneKey, AFailedRunSaysWhatFailedAndPutsBackWhatItWrote) {
    const std::string another = "A BATCH FILE OF ANOTHER TOOL";
    write_bytes(kBat, another);
    ASSERT_NO_FATAL_FAILURE(startWithImage());
    HANDLE menu = CreateFileA(kIni, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE batch = CreateFileA(kBat, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(),
              "启动文件没有全部写好，不能重启进行操作：\r\n"
              "C:\\boot.ini 没有改写成新的启动项\r\n"
              "C:\\ghost.bat 是别的程序的文件，没能另存为 C:\\ghostbat.bak，所以没有写入\r\n" + kPutBack);
    CloseHandle(menu);
    CloseHandle(batch);
    expectMenuAsItWas();
    EXPECT_EQ(read_file(kBat), another);
    expectAbsent({kBak, kGrldr, kExe, kImg, kBatSaved});
    program.quit();
    EXPECT_FALSE(exists(kRestartLog));
}

// A run on C: too full for the floppy image fails half-way: a message, no restart, and the machine as it was:
// the menu byte for byte with its attributes, none of the boot set's files, another tool's files back in
// place. Also while another program holds C:\boot.bak open (reading only): the copy cannot be moved over the
// menu, so its bytes are written back into C:\boot.ini instead; the held copy stays as it was.
TEST_F(OneKey, ARunOnAFullDriveCPutsTheMachineBack) {
    if (!driveCIsSmall()) GTEST_SKIP() << "C: is not the small file system of one_key.sh";
    const std::string foreign = "A BOOT LOADER OF ANOTHER TOOL";
    const struct {
        const char* what;
        bool foreignLoader;  // another tool's C:\grldr
        bool heldCopy;       // a copy of the menu as it is, held open
        bool byKey;          // Y rather than a click on 确定
        std::vector<const char*> absent;
    } cases[] = {
        {"another tool's boot loader", true, false, true, {kBak, kGrldrSaved, kBat, kExe, kImg}},
        {"the copy held open", false, true, false, {kGrldr, kBat, kExe, kImg}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(startOverOnAFreshMachine());
        if (c.foreignLoader) write_bytes(kGrldr, foreign);
        if (c.heldCopy) {
            write_bytes(kBak, kFiveLines);
            setAttributes(kBak, kHidSysRo);
        }
        ASSERT_NO_FATAL_FAILURE(startWithImage());
        ASSERT_NO_FATAL_FAILURE(fillDriveC());
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.heldCopy) {
            held = CreateFileA(kBak, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(held, INVALID_HANDLE_VALUE);
        }
        c.byKey ? key(program.main(), 'Y') : click(program.button("确定(&Y)"));
        const std::string said = program.answerMessage();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        removeFile(kFiller);
        EXPECT_EQ(said, kFloppyImageNotWritten);
        expectMenuAsItWas();
        if (c.foreignLoader) {
            EXPECT_EQ(read_file(kGrldr), foreign);
        }
        if (c.heldCopy) expectBackupOfOriginal(kFiveLines);
        expectAbsent(c.absent);
        program.quit();
    }
}

// Another tool's imaging program and batch file on C:: a failed run (C: too full for the floppy image) leaves
// them as they were; a run keeps them aside, and the undo puts them back.
TEST_F(OneKey, AnotherToolsFilesComeBackAfterAFailedRunAndAfterTheUndo) {
    if (!driveCIsSmall()) GTEST_SKIP() << "C: is not the small file system of one_key.sh";
    const std::string ghost = "MZ THE IMAGING PROGRAM OF ANOTHER TOOL", batch = "ghost.exe -clone of another tool";
    write_bytes(kExe, ghost);
    write_bytes(kBat, batch);
    ASSERT_NO_FATAL_FAILURE(startWithImage());
    ASSERT_NO_FATAL_FAILURE(fillDriveC());
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(), kFloppyImageNotWritten);
    removeFile(kFiller);
    EXPECT_EQ(read_file(kExe), ghost);
    EXPECT_EQ(read_file(kBat), batch);
    expectAbsent({kBak, kGrldr, kImg, kBatSaved, kExeSaved});

    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kRestoreBatch);
    EXPECT_EQ(read_file(kExeSaved), ghost);
    EXPECT_EQ(read_file(kBatSaved), batch);
    program.escapeFromPrompt(prompt);
    EXPECT_EQ(program.undo(), kUndone + "\r\n已放回别的程序原有的文件：C:\\ghost.bat、C:\\ghost.exe");
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(read_file(kExe), ghost);
    EXPECT_EQ(read_file(kBat), batch);
    expectAbsent({kBak, kGrldr, kImg, kBatSaved, kExeSaved});

    // Another tool's boot loader that cannot go aside (a C:\grldr.bak is there already) is never written over:
    // the run fails and puts everything back.
    write_bytes(kGrldr, "A BOOT LOADER OF ANOTHER TOOL");
    write_bytes(kGrldrSaved, "AN OLDER SAVED BOOT LOADER");
    click(program.button("确定(&Y)"));
    EXPECT_EQ(program.answerMessage(), "启动文件没有全部写好，不能重启进行操作：\r\nC:\\grldr 是别的程序的文件，没能另存为 "
                                       "C:\\grldr.bak，所以没有写入\r\n" + kPutBack);
    EXPECT_EQ(read_file(kGrldr), "A BOOT LOADER OF ANOTHER TOOL");
    EXPECT_EQ(read_file(kGrldrSaved), "AN OLDER SAVED BOOT LOADER");
    EXPECT_EQ(read_file(kIni), kFiveLines);
    program.quit();
}

// --- Keys: where a click could, in the window where their press began, after each prompt

// F and S do what their button does; P, U and Y do nothing while 打开2 is disabled, 撒销 hidden and 确定 grey
// (even with a path that a run would take). Letters typed into the custom Ghost box are its text: none of them
// acts as a key (M would tick manual Ghost, X quit), and nothing on C: changes.
TEST_F(OneKey, KeysActOnlyWhereAClickCould) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main();
    for (char k : {'F', 'S'}) {
        SCOPED_TRACE(std::string("key ") + k);
        key(main, k);
        ASSERT_NO_FATAL_FAILURE(program.answerFileDialog(kImage));
        EXPECT_TRUE(waitUntil([&] { return program.imagePath() == kImage; })) << program.imagePath();
        EXPECT_TRUE(IsWindowEnabled(program.button("确定(&Y)")));
        click(program.button("还原系统(&R)"));  // empties the path and disables 确定 again
        ASSERT_TRUE(waitUntil([&] { return program.imagePath().empty(); }));
    }

    ASSERT_FALSE(IsWindowEnabled(program.button("打开(&P)")));
    ASSERT_FALSE(IsWindowVisible(program.button("撒销(&U)")));
    ASSERT_FALSE(IsWindowEnabled(program.button("确定(&Y)")));
    // The box of the image path is the program's own, so the test fills it.
    SendMessageA(program.imageBox(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kImage));
    const auto before = filesOnC();
    ASSERT_TRUE(program.keyboardIn(main)) << program.describe();
    for (WORD k : {'P', 'U', 'Y'}) type(k);
    EXPECT_TRUE(program.inputTaken()) << program.describe();
    EXPECT_EQ(program.fileDialog(), nullptr);
    EXPECT_EQ(program.undoPrompt(), nullptr);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(filesOnC(), before);

    click(program.button("高级(&A)"));
    HWND custom = program.button("自定义Ghost版本(&V)");
    click(custom);
    HWND box = FindWindowExA(GetParent(custom), nullptr, "Edit", nullptr);
    ASSERT_TRUE(waitUntil([&] { return IsWindowEnabled(box) != 0; }));
    PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));  // a click into the box
    PostMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(waitUntil([&] { return program.focus() == box; })) << program.describe();
    ASSERT_TRUE(program.keyboardIn(main)) << program.describe();
    for (WORD k : {'M', 'Y', 'X'}) type(k);
    EXPECT_TRUE(waitUntil([&] { return program.customGhostPath() == "myx"; })) << program.customGhostPath();
    EXPECT_FALSE(program.ended(0));
    EXPECT_EQ(SendMessageA(program.button("手动Ghost(&M)"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(program.restartPrompt(), nullptr);
    EXPECT_EQ(filesOnC(), before);
    program.quit();
}

// Typed keys reach the main window as soon as a prompt is gone: after Esc on the restart prompt, after either
// button of the undo prompt (U opens the undo prompt only when the main window has the keyboard), and after the
// message of a refused run.
TEST_F(OneKey, TypedKeysReachTheMainWindowAfterEachPrompt) {
    HWND prompt = startAndRunToPrompt();
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(program.keyboardIn(prompt)) << program.describe();
    type(VK_ESCAPE);
    ASSERT_TRUE(program.waitGone(prompt)) << "Esc did not reach the restart prompt";
    // A user types once the main window is back: it must then be the one with the keyboard.
    ASSERT_TRUE(program.keyboardIn(program.main())) << "the main window did not come back active";
    for (const char* answer : {"取消(&N)", "确定(&Y)"}) {
        SCOPED_TRACE(answer);
        type('U');
        HWND undo = program.waitFor(&Program::undoPrompt);
        ASSERT_NE(undo, nullptr) << "U did not reach the main window; " << program.describe();
        click(child(undo, answer));
        if (answer == std::string("确定(&Y)")) {
            EXPECT_NE(program.answerMessage(), "");  // what the undo did
        }
        ASSERT_TRUE(program.waitGone(undo));
        ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    }
    EXPECT_EQ(read_file(kIni), kFiveLines);  // undone: no reminder on the way out
    // And after the message of a refused run, closed with its button: X typed at once is the main window's.
    ASSERT_NO_FATAL_FAILURE(program.choosePartition('E'));
    type('Y');
    EXPECT_EQ(program.answerMessage(),
              refusalMessage("镜像就在要还原的分区 1:3 上，还原会把镜像自己覆盖掉。请先把镜像放到另一个分区。"));
    type('X');
    EXPECT_TRUE(program.ended()) << "X did not reach the main window; " << program.describe();
}

// A key acts only in the window where its press began: Y or Alt+Y held down in the main window runs the
// one-key run once and leaves the restart prompt open (no restart asked for); Esc held down in the file dialog
// closes the dialog, not the main window as well.
TEST_F(OneKey, HeldKeysActOnlyWhereTheirPressBegan) {
    ASSERT_NO_FATAL_FAILURE(startWithImage());
    for (bool withAlt : {false, true}) {
        SCOPED_TRACE(withAlt ? "Alt+Y" : "Y");
        ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
        holdForASecond('Y', withAlt);
        HWND prompt = program.waitFor(&Program::restartPrompt);
        ASSERT_NE(prompt, nullptr) << program.describe();
        EXPECT_TRUE(program.inputTaken()) << program.describe();
        EXPECT_TRUE(IsWindowVisible(prompt));
        EXPECT_FALSE(exists(kRestartLog));
        type(VK_ESCAPE);
        ASSERT_TRUE(program.waitGone(prompt));
    }
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    type('F');
    HWND dialog = program.waitFor(&Program::fileDialog);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(program.keyboardIn(dialog)) << program.describe();
    holdForASecond(VK_ESCAPE);
    ASSERT_TRUE(program.waitGone(dialog));
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    EXPECT_TRUE(program.inputTaken()) << program.describe();
    // Typed, not posted: a posted key would overtake the rest of the Esc press still waiting in the input.
    type('X');
    ASSERT_NO_FATAL_FAILURE(program.quitThroughReminder());
    EXPECT_FALSE(exists(kRestartLog));
}

// From the start, Tab visits the units a user can see and use, the radio boxes as one stop; Alt and an
// underlined letter click that control (Alt+B the back-up box alone, Alt+R restore again).
TEST_F(OneKey, TabStopsAndUnderlinedLetters) {
    ASSERT_NO_FATAL_FAILURE(program.start(kShippedProgram));
    auto name = [](HWND h) { return classOf(h) == "Button" ? textOf(h) : classOf(h); };
    std::vector<std::string> visited;
    for (int i = 0; i < 10; ++i) {
        HWND before = program.focus();
        type(VK_TAB);
        ASSERT_TRUE(waitUntil([&] { return program.focus() != before; }, 20000))
            << "Tab moved the focus nowhere after " << visited.size() << " stops";
        visited.push_back(name(program.focus()));
    }
    const std::vector<std::string> stops = {"退出(&X)", "ListBox", "打开(&F)", "还原系统(&R)", "高级(&A)"};
    std::vector<std::string> twice = stops;
    twice.insert(twice.end(), stops.begin(), stops.end());
    EXPECT_EQ(visited, twice);

    HWND restore = program.button("还原系统(&R)"), backup = program.button("备份系统(&B)");
    typeWithAlt('B');
    ASSERT_TRUE(waitUntil([&] { return program.button("保存(&S)") != nullptr; })) << "Alt+B chose no back-up";
    EXPECT_EQ(SendMessageA(backup, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    typeWithAlt('R');
    ASSERT_TRUE(waitUntil([&] { return program.button("打开(&F)") != nullptr; })) << "Alt+R chose no restore";
    EXPECT_EQ(SendMessageA(restore, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(backup, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    typeWithAlt('X');
    EXPECT_TRUE(program.ended());
}

// --- The window does what it shows: a found image picked, the restart prompt's question, one copy at a time

// In a restore, a pick in the list of found images is an image selection as through 打开: the path, 确定
// enabled, and Y runs with the picked image. The image picked lies in a folder with a Chinese name, made on the
// disk with its UTF-8 name as one_key.sh does: the search finds it under its GBK name, and the batch file names
// it with those bytes.
TEST_F(OneKey, AFoundImagePickedIsTheImageOfTheRun) {
    const std::string image = "E:\\备份\\sys.gho";
    ASSERT_EQ(read_file(image), "IMAGE IN A FOLDER WITH A CHINESE NAME") << "the folder's name did not come through";
    ASSERT_NO_FATAL_FAILURE(program.start());
    click(program.button("高级(&A)"));
    HWND search = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (search = program.button("搜索(&S)")) && IsWindowEnabled(search); }));
    click(search);
    ASSERT_TRUE(waitUntil([&] {
        return child(program.main(), [](HWND h) { return textOf(h).rfind("本地磁盘共有", 0) == 0; });
    })) << program.describe();
    const auto found = program.foundImages();
    const auto at = std::find(found.begin(), found.end(), image);
    ASSERT_NE(at, found.end()) << "not among the found images: " << ::testing::PrintToString(found);
    ASSERT_NO_FATAL_FAILURE(pickFoundImage(static_cast<int>(at - found.begin())));
    EXPECT_TRUE(waitUntil([&] { return program.imagePath() == image; })) << program.imagePath();
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(program.button("确定(&Y)")) != 0; }));

    HWND prompt = program.runToPrompt(true);
    ASSERT_NE(prompt, nullptr);
    std::string batch = kRestoreBatch;
    batch.replace(batch.find("\\Ghost\\G_WinXP.gho"), std::strlen("\\Ghost\\G_WinXP.gho"), "\\备份\\sys.gho");
    expectBootSet(kRewrittenFiveLines, batch);
    expectBackupOfOriginal(kFiveLines);
    ASSERT_NO_FATAL_FAILURE(program.quitFromPrompt(prompt));
}

// After a back-up run the restart prompt asks about a back-up. Esc brings the main window back with 撒销 at
// hand, and the undo prompt takes a plain Y.
TEST_F(OneKey, TheRestartPromptNamesTheBackUpAndTheUndoStaysAtHand) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    ASSERT_NO_FATAL_FAILURE(program.chooseBackUp());
    ASSERT_NO_FATAL_FAILURE(program.selectImage("E:\\Ghost\\b.gho"));
    HWND prompt = program.runToPrompt();
    ASSERT_NE(prompt, nullptr);
    expectBootSet(kRewrittenFiveLines, kBackupBatch);
    EXPECT_NE(child(prompt, "程序处理完成，是否马上重启计算机进行备份？"), nullptr) << program.describe();
    program.escapeFromPrompt(prompt);

    HWND undoButton = program.button("撒销(&U)");
    EXPECT_TRUE(IsWindowVisible(undoButton) && IsWindowEnabled(undoButton));
    ASSERT_TRUE(program.keyboardIn(program.main())) << program.describe();
    type('U');
    HWND undo = program.waitFor(&Program::undoPrompt);
    ASSERT_NE(undo, nullptr) << program.describe();
    ASSERT_TRUE(program.keyboardIn(undo)) << program.describe();
    type('Y');
    EXPECT_EQ(program.answerMessage(), kUndone);
    ASSERT_TRUE(program.waitGone(undo));
    EXPECT_TRUE(waitUntil([] { return read_file(kIni) == kFiveLines; }));
    expectAbsent({kBak, kGrldr, kBat, kExe, kImg});
}

// One copy at a time: a second start brings the running copy's window to the front (restored from the task bar)
// and ends without a window of its own.
TEST_F(OneKey, ASecondStartBringsTheRunningCopyToTheFront) {
    ASSERT_NO_FATAL_FAILURE(program.start());
    HWND main = program.main();
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return IsIconic(main) != 0; }));
    EXPECT_EQ(runToEnd(kProgram), 0u);
    EXPECT_TRUE(waitUntil([&] { return !IsIconic(main) && GetForegroundWindow() == main; })) << program.describe();
    int mainWindows = 0;
    eachTopWindow(0, [&](HWND h) {
        mainWindows += IsWindowVisible(h) && textOf(h) == kStartupTitle;
        return false;
    });
    EXPECT_EQ(mainWindows, 1);
    program.quit();
}

// A library left damaged by a write cut short is written again at the next start, and the window is skinned.
TEST_F(OneKey, ADamagedSkinLibraryIsWrittenAgain) {
    const std::string library = std::string(kProgramFolder) + "\\SkinH_EL.dll";
    removeFile(library.c_str());
    write_bytes(library, payload(bin::skin_library()).substr(0, 20000));
    ASSERT_NO_FATAL_FAILURE(program.start(kShippedProgram));
    EXPECT_TRUE(read_file(library) == payload(bin::skin_library()));
    // Skin 10 paints the window's own background in its window colour.
    POINT inside{3, 3};
    ClientToScreen(program.main(), &inside);
    COLORREF seen = 0;
    EXPECT_TRUE(waitUntil([&] {
        HDC screen = GetDC(nullptr);
        seen = GetPixel(screen, inside.x, inside.y);
        ReleaseDC(nullptr, screen);
        return seen == 0xF4E3D4;
    }, 20000)) << std::hex << seen;
    program.quit();
}
}  // namespace
