// The real main window, loaded from the program's form data in this process with the program's handlers:
// start-up, the two layouts and operations, the check-box locks, the partition probe end to end (through the
// stand-ins of the partition tool and findstr built beside this program), the image details and the
// start-up checks. Screenshots of both layouts go to the build folder's screenshots/.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "app/command_calls.h"
#include "app/image_info.h"
#include "app/unit_access.h"
#include "forms/window_layer.h"
#include "forms/units.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace mw = main_window;

namespace {
std::vector<std::string> g_messages;

// A crash is reported on the test's output before the program ends.
LONG WINAPI reportCrash(EXCEPTION_POINTERS* e) {
    std::fprintf(stderr, "crash: exception 0x%08lx at %p\n", e->ExceptionRecord->ExceptionCode,
                 e->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    return EXCEPTION_CONTINUE_SEARCH;
}

std::string str(const Text& t) { return t.c_str(); }
std::string here() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string dir = exe;
    return dir.substr(0, dir.rfind('\\') + 1);
}

void pump() {
    for (int i = 0; i < 10; ++i) {
        cmd::processEvents();
        Sleep(20);
    }
}

// The window's client area as the display shows it at this moment: nothing is redrawn first, so whatever a
// layout change left on the screen is captured too.
struct Capture {
    int width = 0, height = 0, stride = 0;
    std::vector<uint8_t> bits;  // 24-bit rows, bottom row first
    COLORREF pixel(int x, int y) const {
        const uint8_t* p = &bits[static_cast<size_t>((height - 1 - y) * stride + x * 3)];
        return RGB(p[2], p[1], p[0]);
    }
};

// The client area, or the whole window with its frame and title bar (drawn by Wine where the test runs in a
// virtual desktop, as tools/sandbox-tests.sh has it; without one the display shows only the client area).
Capture capture(bool wholeWindow) {
    HWND w = static_cast<HWND>(find_window(mw::kWindow)->hwnd);
    pump();
    RECT r;
    if (wholeWindow) {
        GetWindowRect(w, &r);
    } else {
        GetClientRect(w, &r);
        POINT origin = {0, 0};
        ClientToScreen(w, &origin);
        OffsetRect(&r, origin.x, origin.y);
    }
    Capture c;
    c.width = r.right - r.left;
    c.height = r.bottom - r.top;
    c.stride = (c.width * 3 + 3) & ~3;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.width;
    bi.bmiHeader.biHeight = c.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, c.width, c.height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    if (bits && c.width > 0 && c.height > 0) {
        const uint8_t* b = static_cast<const uint8_t*>(bits);
        c.bits.assign(b, b + static_cast<size_t>(c.stride * c.height));
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return c;
}

// The capture as a 24-bit BMP file in the build folder's screenshots/. False when it could not be written.
bool saveScreenshot(const Capture& c, const char* name) {
    if (c.bits.empty()) return false;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = c.width;
    ih.biHeight = c.height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(c.bits.size());
    std::string path = here() + "..\\screenshots\\" + name + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool written = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&ih, sizeof ih, 1, f) == 1 &&
                   std::fwrite(c.bits.data(), 1, c.bits.size(), f) == c.bits.size();
    return std::fclose(f) == 0 && written;
}
Capture captureClient() { return capture(false); }
bool saveScreenshot(const char* name) { return saveScreenshot(capture(true), name); }

void useDiskpart(const char* partitionRows, const char* language = "") {
    SetEnvironmentVariableA("QG_DISKPART_PARTITIONS", partitionRows);
    SetEnvironmentVariableA("QG_DISKPART_LANGUAGE", language);
}

void chooseOperation(bool restore) {
    unit::setChecked(mw::还原单选框, restore);
    unit::setChecked(mw::备份单选框, !restore);
    refreshOperationMode();
}

// A file of that size without writing its bytes (the file system keeps it sparse).
void makeFileOfSize(const std::string& path, int64_t size) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    LONG high = static_cast<LONG>(size >> 32);
    SetFilePointer(f, static_cast<LONG>(size & 0xFFFFFFFF), &high, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(f));
    CloseHandle(f);
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetUnhandledExceptionFilter(reportCrash);
        report_fatal_errors_on_output();
        wait_for_desktop();
        run_internal(6, &programHeader());
        record_message_boxes(&g_messages);
        // The program's folder (where the skin library goes) and the current folder (where the probe script
        // writes its partition requests) are a writable folder of the test's own.
        std::string folder = scratch_dir("main_window_program");
        set_program_path((folder + "Quenvarghost.exe").c_str());
        SetCurrentDirectoryA(folder.c_str());
        // The stand-ins beside this program come first on the path of the probe's processes.
        char path[8192] = "";
        GetEnvironmentVariableA("PATH", path, sizeof path);
        SetEnvironmentVariableA("PATH", (here() + ";" + path).c_str());
        useDiskpart("2");  // one primary and one extended partition: one partition counted, like C: alone
        load_startup_window(mw::kWindow, mw::self);
        pump();
    }
};

// The state right after start-up: simple layout, restore operation, first partition chosen.
TEST_F(MainWindowTest, StartUp) {
    EXPECT_EQ(str(unit::windowTitle()), txt::main_title_startup());
    EXPECT_EQ(str(unit::buttonCaption(mw::高级)), "高级(&A)");
    EXPECT_EQ(unit::getInt(mw::self, prop::kWidth), 374);
    EXPECT_EQ(unit::getInt(mw::self, prop::kHeight), 294);
    EXPECT_EQ(unit::getInt(mw::分组框1, prop::kHeight), 200);
    EXPECT_EQ(unit::getInt(mw::确定, prop::kTop), 218);
    EXPECT_FALSE(unit::visible(mw::标签6));

    EXPECT_TRUE(unit::checked(mw::还原单选框));
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), "");
    EXPECT_EQ(str(unit::labelCaption(mw::标签2)), "还原分区");
    EXPECT_EQ(str(unit::buttonCaption(mw::打开1)), "打开(&F)");
    EXPECT_TRUE(unit::disabled(mw::确定));
    EXPECT_TRUE(unit::disabled(mw::G选择框));
    EXPECT_TRUE(unit::disabled(mw::搜索按钮));

    // The test prefix has C: and no D:, so the list holds C: alone, highlighted and stored.
    Value partitions = unit::listBox(mw::列表框1);
    EXPECT_EQ(str(listedPartitionCount), "1");
    EXPECT_EQ(cmd::listCurrentIndex(partitions), 0);
    EXPECT_EQ(str(cmd::textLeft(cmd::listItemText(partitions, 0).get(), 15)), "  C:           ");
    EXPECT_EQ(str(selectedDriveLetter), "C");
    EXPECT_EQ(str(driveText), "C");

    // The probe counted one partition (the extended one is subtracted); the system places C: first: no marker.
    EXPECT_EQ(str(diskPartitionCount), "1");
    EXPECT_EQ(str(unit::labelCaption(mw::标签10)), "1");
    EXPECT_EQ(unit::getInt(mw::标签10, prop::kLabelTextColour), 0);
    EXPECT_TRUE(g_messages.empty());
    EXPECT_EQ(live_unit(mw::kWindow, mw::状态条1)->parts.at(1).text, txt::hint_no_backup());
    EXPECT_FALSE(unit::visible(mw::销毁按钮));
    EXPECT_TRUE(saveScreenshot("main-simple-startup"));
}

TEST_F(MainWindowTest, LayoutSwitches) {
    chooseOperation(true);
    toggleLayoutMode();
    EXPECT_EQ(str(unit::windowTitle()), txt::main_title_advanced());
    EXPECT_EQ(str(unit::buttonCaption(mw::高级)), "简洁(&A)");
    EXPECT_EQ(unit::getInt(mw::self, prop::kWidth), 600);
    EXPECT_EQ(unit::getInt(mw::self, prop::kHeight), 370);
    EXPECT_EQ(unit::getInt(mw::分组框1, prop::kHeight), 280);
    for (uint32_t b : {mw::高级, mw::确定, mw::销毁按钮, mw::退出}) EXPECT_EQ(unit::getInt(b, prop::kTop), 296);
    EXPECT_TRUE(unit::visible(mw::标签6));
    // The buttons moved down from inside what is now 高级选项: nothing of them may stay drawn where they were
    // (the group box's inside, like the window's corner, shows the window's background).
    Capture advanced = captureClient();
    EXPECT_TRUE(saveScreenshot("main-advanced"));
    ASSERT_FALSE(advanced.bits.empty());
    COLORREF background = advanced.pixel(5, 5);
    for (POINT p : {POINT{60, 232}, POINT{230, 232}, POINT{300, 222}, POINT{340, 220}})
        EXPECT_EQ(advanced.pixel(p.x, p.y), background) << "at " << p.x << "," << p.y;

    toggleLayoutMode();
    EXPECT_EQ(str(unit::windowTitle()), "Drelvok Qelo版            2008年9月");
    EXPECT_EQ(str(unit::buttonCaption(mw::高级)), "高级(&A)");
    EXPECT_EQ(unit::getInt(mw::self, prop::kWidth), 374);
    EXPECT_EQ(unit::getInt(mw::确定, prop::kTop), 218);
    EXPECT_FALSE(unit::visible(mw::标签6));
    EXPECT_TRUE(saveScreenshot("main-simple"));
}

TEST_F(MainWindowTest, Operations) {
    chooseOperation(false);
    EXPECT_EQ(str(unit::labelCaption(mw::标签2)), "备份分区");
    EXPECT_EQ(str(unit::buttonCaption(mw::打开1)), "保存(&S)");
    EXPECT_EQ(str(unit::labelCaption(mw::标签9)), "到");
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_TRUE(unit::visible(mw::压缩组合框));
    EXPECT_TRUE(unit::visible(mw::标签7));
    EXPECT_FALSE(unit::visible(mw::CRC选择框));
    EXPECT_TRUE(unit::disabled(mw::搜索按钮));

    // A layout switch in the back-up operation puts the default image back.
    unit::setEditContent(mw::编辑框1, "F:\\mine.gho");
    unit::setDisabled(mw::确定, false);
    toggleLayoutMode();
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_TRUE(unit::disabled(mw::确定));
    toggleLayoutMode();

    chooseOperation(true);
    EXPECT_EQ(str(unit::labelCaption(mw::标签9)), "从");
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), "");
    EXPECT_FALSE(unit::visible(mw::压缩组合框));
    EXPECT_TRUE(unit::visible(mw::CRC选择框));
    EXPECT_FALSE(unit::disabled(mw::搜索按钮));
}

// The highlight that an operation switch moves to the first entry is also the partition Ghost works on.
TEST_F(MainWindowTest, OperationSwitchStoresTheHighlightedPartition) {
    Value partitions = unit::listBox(mw::列表框1);
    int32_t extra = cmd::listAddItem(partitions, "  D:           1           2           3\r\n");
    cmd::listSetCurrent(partitions, extra);
    storeSelectedPartition();
    ASSERT_EQ(str(selectedDriveLetter), "D");
    for (bool restore : {false, true}) {
        cmd::listSetCurrent(partitions, extra);
        storeSelectedPartition();
        chooseOperation(restore);
        EXPECT_EQ(cmd::listCurrentIndex(partitions), 0);
        EXPECT_EQ(str(selectedDriveLetter), "C") << (restore ? "restore" : "back-up");
    }
    call_command(list_clear, 1, partitions);
    fillPartitionList();
}

// The command lines of a run read the window's state: the chosen partition, 标签10, 编辑框1, 压缩组合框 and
// CRC选择框. A compression level that the combo box leaves unset keeps the value of the run before.
TEST_F(MainWindowTest, CommandLinesFromTheWindow) {
    systemPartitionNumber = imagePartitionNumber = compressionLevel = 0;
    const std::string restart = "\r\nrestart";
    HWND combo = live_unit(mw::kWindow, mw::压缩组合框)->hwnd;
    chooseOperation(false);  // the default image E:\Ghost\G_WinXP.gho, partition C: chosen
    ASSERT_EQ(str(selectedDriveLetter), "C");
    ASSERT_EQ(unit::comboCurrent(mw::压缩组合框), 0);  // "快速压缩" as the form data has it
    unit::setChecked(mw::CRC选择框, false);
    use_listed_drive_places("C=0:1;E=0:3");  // the system's numbers (this prefix has no E:)
    buildGhostCommands();
    EXPECT_EQ(str(backupCommand),
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1" + restart);
    EXPECT_EQ(str(restoreCommand),
              "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb" + restart);

    unit::setChecked(mw::CRC选择框, true);
    use_listed_drive_places("C=0:2;E=0:4");
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    buildGhostCommands();
    EXPECT_EQ(str(backupCommand),
              "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\Ghost\\G_WinXP.gho -sure -fro -rb -z3" + restart);
    EXPECT_EQ(str(restoreCommand),
              "Ghost.exe -nousb -clone,mode=pload,src=1:4\\Ghost\\G_WinXP.gho:1,dst=1:2 -crcignore -sure -rb" + restart);

    // No compression chosen: the run before's level; an image on H:, which the system does not place: no number.
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ASSERT_EQ(unit::comboCurrent(mw::压缩组合框), -1);
    unit::setEditContent(mw::编辑框1, "H:\\a.gho");
    buildGhostCommands();
    EXPECT_EQ(str(backupCommand), "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:0\\a.gho -sure -fro -rb -z3" + restart);

    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    unit::setChecked(mw::CRC选择框, false);
    query_drive_place = system_drive_place;
    chooseOperation(true);
}

TEST_F(MainWindowTest, CheckBoxLocks) {
    unit::setChecked(mw::手动选择框, true);
    applyManualGhostLock();
    EXPECT_TRUE(unit::disabled(mw::还原单选框));
    EXPECT_TRUE(unit::disabled(mw::备份单选框));
    EXPECT_FALSE(unit::disabled(mw::G选择框));
    unit::setChecked(mw::G选择框, true);
    unit::setChecked(mw::手动选择框, false);
    applyManualGhostLock();
    EXPECT_FALSE(unit::disabled(mw::还原单选框));
    EXPECT_FALSE(unit::disabled(mw::备份单选框));
    EXPECT_TRUE(unit::disabled(mw::G选择框));
    EXPECT_TRUE(unit::checked(mw::G选择框));
    unit::setChecked(mw::G选择框, false);

    unit::setEditContent(mw::编辑框2, "D:\\ghost.exe");
    unit::setChecked(mw::自定义选择框, true);
    applyCustomGhostLock();
    EXPECT_FALSE(unit::disabled(mw::编辑框2));
    EXPECT_FALSE(unit::disabled(mw::打开2));
    EXPECT_EQ(unit::getInt(mw::编辑框2, prop::kEditBackground), 0xFFFFFF);
    EXPECT_EQ(str(unit::editContent(mw::编辑框2)), "D:\\ghost.exe");
    unit::setChecked(mw::自定义选择框, false);
    applyCustomGhostLock();
    EXPECT_TRUE(unit::disabled(mw::编辑框2));
    EXPECT_TRUE(unit::disabled(mw::打开2));
    EXPECT_EQ(unit::getInt(mw::编辑框2, prop::kEditBackground), 0xECECEC);
    EXPECT_EQ(str(unit::editContent(mw::编辑框2)), "");
    unit::setChecked(mw::自定义选择框, true);
    applyCustomGhostLock();
    EXPECT_EQ(str(unit::editContent(mw::编辑框2)), "");
}

// The probe end to end: C:\fqs.bat, the command interpreter, the stand-ins and the pipe.
TEST_F(MainWindowTest, PartitionProbeAndOffset) {
    const struct {
        const char* rows;
        const char* language;
        const char* count;
        const char* marker;  // null: the failure message, marker unchanged
        int32_t colour;
    } cases[] = {
        // One partition more than lettered drives: the count moves no number, and the system places C: first.
        {"3", "", "2", "1", 0},
        // A partition tool in another language answers nothing usable.
        {"2", "en", "", nullptr, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.rows) + c.language);
        useDiskpart(c.rows, c.language);
        unit::setLabelCaption(mw::标签10, "");
        g_messages.clear();
        runPartitionProbe();
        EXPECT_EQ(str(diskPartitionCount), c.count);
        decidePartitionOffset();
        if (c.marker) {
            EXPECT_EQ(str(unit::labelCaption(mw::标签10)), c.marker);
            EXPECT_EQ(unit::getInt(mw::标签10, prop::kLabelTextColour), c.colour);
            EXPECT_TRUE(g_messages.empty());
        } else {
            EXPECT_EQ(str(unit::labelCaption(mw::标签10)), "");
            ASSERT_EQ(g_messages.size(), 1u);
            EXPECT_EQ(g_messages[0], "获取磁盘分区信息失败，请重启程序");
        }
    }
    // The script is written from the carried payload.
    EXPECT_EQ(read_file("C:\\fqs.bat").substr(0, 9), "@echo off");

    // No script and no process: an empty answer and the message.
    DeleteFileA("C:\\fqs.bat");
    ASSERT_TRUE(CreateDirectoryA("C:\\fqs.bat", nullptr));
    g_messages.clear();
    runPartitionProbe();
    RemoveDirectoryA("C:\\fqs.bat");
    EXPECT_EQ(str(diskPartitionCount), "");
    decidePartitionOffset();
    EXPECT_EQ(g_messages.size(), 1u);
    useDiskpart("2");
}

TEST_F(MainWindowTest, ImageDetails) {
    std::string dir = scratch_dir("image_details");
    makeFileOfSize(dir + "small.gho", 650000000);
    makeFileOfSize(dir + "big.gho", 3221225472LL);
    Value found = unit::listBox(mw::列表框2);
    call_command(list_clear, 1, found);
    for (const char* name : {"small.gho", "big.gho", "gone.gho"}) cmd::listAddItem(found, (dir + name).c_str());

    // In the back-up operation a pick shows its details and leaves the back-up target alone.
    chooseOperation(false);
    cmd::listSetCurrent(found, 0);
    showImageDetails();
    EXPECT_EQ(str(unit::labelCaption(mw::位置标签)), "镜像名称：small.gho");
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), "E:\\Ghost\\G_WinXP.gho");
    EXPECT_EQ(str(unit::labelCaption(mw::大小标签)), "镜像大小：634MB");
    EXPECT_EQ(str(unit::labelCaption(mw::日期标签)).find("创建日期：2"), 0u);
    chooseOperation(true);
    showImageDetails();
    EXPECT_EQ(str(unit::editContent(mw::编辑框1)), dir + "small.gho");

    cmd::listSetCurrent(found, 1);
    showImageDetails();
    EXPECT_EQ(str(unit::labelCaption(mw::大小标签)), "镜像大小：3145MB");

    // An image that vanished since the search: no figures at all.
    cmd::listSetCurrent(found, 2);
    showImageDetails();
    EXPECT_EQ(str(unit::labelCaption(mw::位置标签)), "镜像名称：gone.gho");
    EXPECT_EQ(str(unit::labelCaption(mw::大小标签)), "镜像大小：");
    EXPECT_EQ(str(unit::labelCaption(mw::日期标签)), "创建日期：");
    DeleteFileA((dir + "small.gho").c_str());
    DeleteFileA((dir + "big.gho").c_str());
    chooseOperation(true);
}

// Every label of the three windows holds its texts within its height, measured as the label draws them (with
// its own font, lines broken where the text breaks them): the windows' sizes were made for a font of 12-pixel
// lines, and a taller one cuts text off (the two lines of the search summary ran under the label below).
TEST_F(MainWindowTest, LabelTextsFitTheirHeight) {
    std::string image = scratch_dir("label_texts") + "Office2003.gho";
    makeFileOfSize(image, 649216000);
    Text summary = concat({txt::summary_before_count(), "5", txt::summary_after_count()});
    Text name = concat({txt::image_name_prefix(), "Office2003.gho"});
    Text size = imageSizeCaption(true, 649216000);
    Text date = imageDateCaption(true, image.c_str());
    // The texts that the program puts into labels, besides the captions of the form data.
    namespace rp = restart_prompt;
    const struct {
        uint32_t window, unit;
        std::string text;
    } setByProgram[] = {
        {mw::kWindow, mw::文件标签, str(summary)}, {mw::kWindow, mw::位置标签, str(name)},
        {mw::kWindow, mw::大小标签, str(size)},    {mw::kWindow, mw::日期标签, str(date)},
        {mw::kWindow, mw::标签2, "备份分区"},      {mw::kWindow, mw::标签9, "到"},
        {mw::kWindow, mw::标签10, "2"},            {rp::kWindow, rp::标签1, txt::restart_question_backup()},
        {rp::kWindow, rp::标签1, txt::restart_question_manual()}};
    for (uint32_t prompt : {restart_prompt::kWindow, undo_prompt::kWindow}) load_form_window(prompt, nullptr, false);
    int measured = 0;
    for (uint32_t window : {mw::kWindow, restart_prompt::kWindow, undo_prompt::kWindow}) {
        for (const UnitRecord& r : find_window(window)->units) {
            if (r.type != kUnitLabel || !r.object) continue;
            const Unit& u = *r.object;
            std::vector<std::string> texts = {u.texts.count(8) ? u.texts.at(8) : ""};
            for (const auto& set : setByProgram)
                if (set.window == window && set.unit == u.unit_id) texts.push_back(set.text);
            HDC dc = GetDC(u.hwnd);
            HGDIOBJ old = SelectObject(dc, u.hfont ? u.hfont : GetStockObject(DEFAULT_GUI_FONT));
            for (const std::string& text : texts) {
                if (text.empty()) continue;
                RECT extent = {0, 0, r.width, 0};
                DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_NOPREFIX);
                EXPECT_LE(extent.bottom, r.height) << r.name << ": \"" << text << "\"";
                ++measured;
            }
            SelectObject(dc, old);
            ReleaseDC(u.hwnd, dc);
        }
    }
    EXPECT_GE(measured, 22);  // the labels were reached: 25 texts today
    for (uint32_t prompt : {restart_prompt::kWindow, undo_prompt::kWindow})
        DestroyWindow(static_cast<HWND>(find_window(prompt)->hwnd));
    pump();
    DeleteFileA(image.c_str());
}

// The key map keeps the keys it acts on from the focused control (a letter reaching the image list would
// choose another image by its first letter); other keys go on to the control.
TEST_F(MainWindowTest, KeyMapKeepsItsKeysFromTheControl) {
    HandlerFn keyDown = find_handler(mw::kWindow, mw::self, -9);
    ASSERT_NE(keyDown, nullptr);
    // G acts as a click on G选择框, which is disabled here: nothing changes, and the key is kept all the same.
    const bool wasChecked = unit::checked(mw::G选择框);
    ASSERT_TRUE(unit::disabled(mw::G选择框));
    int32_t args[2] = {'G', 0};
    int32_t result = 1;
    ASSERT_TRUE(keyDown(args, 2, &result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(unit::checked(mw::G选择框), wasChecked);
    for (int32_t key : {int32_t{'Q'}, int32_t{'N'}, int32_t{0x0D}, int32_t{VK_DOWN}}) {
        args[0] = key;
        result = 0;
        ASSERT_TRUE(keyDown(args, 2, &result));
        EXPECT_NE(result, 0) << key;
    }
    EXPECT_EQ(unit::checked(mw::G选择框), wasChecked);
}

TEST_F(MainWindowTest, StartUpChecks) {
    std::string dir = scratch_dir("start_up_checks");
    updateUndoButton(dir.c_str());
    EXPECT_FALSE(unit::visible(mw::销毁按钮));
    for (const char* name : {"Qelo.img", "QELO.IMG", "qelo.img"}) {
        write_bytes(dir + name, "x");
        updateUndoButton(dir.c_str());
        EXPECT_TRUE(unit::visible(mw::销毁按钮)) << name;
        DeleteFileA((dir + name).c_str());
    }

    const std::string& hint = live_unit(mw::kWindow, mw::状态条1)->parts.at(1).text;
    updateBackupHint(dir.c_str());
    EXPECT_EQ(hint, txt::hint_no_backup());
    // The placeholder of a back-up that never ran is no back-up.
    write_bytes(dir + "G_WinXP.gho", dir + "g_winxp.GHO");
    updateBackupHint(dir.c_str());
    EXPECT_EQ(hint, txt::hint_no_backup());
    write_bytes(dir + "G_WinXP.gho", "x");
    updateBackupHint(dir.c_str());
    EXPECT_EQ(hint, txt::hint_backup_present());
}
}  // namespace

// The partition list of a prefix whose drives tests/app_drives_test.sh mapped: QG_EXPECT_PARTITIONS names the
// listed letters ("CDE"), QG_EXPECT_DRIVE_TEXT the last drive reached, QG_EXPECT_LAST_FIGURES (when set) the
// used, free and total figures of the last listed drive as shown ("0 200000 200000"). Skipped in an ordinary
// run.
TEST_F(MainWindowTest, DrivesOfThisPrefix) {
    char letters[32] = "", last[8] = "";
    if (!GetEnvironmentVariableA("QG_EXPECT_PARTITIONS", letters, sizeof letters)) GTEST_SKIP();
    GetEnvironmentVariableA("QG_EXPECT_DRIVE_TEXT", last, sizeof last);
    char figures[64] = "";
    GetEnvironmentVariableA("QG_EXPECT_LAST_FIGURES", figures, sizeof figures);
    fillPartitionList();
    Value partitions = unit::listBox(mw::列表框1);
    ASSERT_EQ(cmd::listItemCount(partitions), static_cast<int32_t>(strlen(letters)));
    EXPECT_EQ(str(listedPartitionCount), std::to_string(strlen(letters)));
    EXPECT_EQ(str(driveText), last);
    const std::string gap(11, ' ');
    for (int32_t i = 0; letters[i]; ++i) {
        std::string letter(1, letters[i]);
        std::string entry = str(cmd::listItemText(partitions, i));
        SCOPED_TRACE(entry);
        // "  X:" + 11 blanks + used + 11 blanks + free + 11 blanks + total + CR LF, the figures in MB.
        ASSERT_EQ(entry.substr(0, 4 + 11), "  " + letter + ":" + gap);
        ASSERT_EQ(entry.substr(entry.size() - 2), "\r\n");
        size_t freeAt = entry.find(gap, 15) + 11, totalAt = entry.find(gap, freeAt) + 11;
        int64_t used = std::stoll(entry.substr(15, freeAt - 11 - 15));
        int64_t free = std::stoll(entry.substr(freeAt, totalAt - 11 - freeAt));
        int64_t total = std::stoll(entry.substr(totalAt, entry.size() - 2 - totalAt));
        ULARGE_INTEGER avail, all, freeBytes;
        ASSERT_TRUE(GetDiskFreeSpaceExA((letter + ":\\").c_str(), &avail, &all, &freeBytes));
        EXPECT_GT(free, 0);
        if (figures[0] && !letters[i + 1]) {
            // Figures of seven digits or more show their first six.
            EXPECT_EQ(entry.substr(15, freeAt - 11 - 15) + " " + entry.substr(freeAt, totalAt - 11 - freeAt) + " " +
                          entry.substr(totalAt, entry.size() - 2 - totalAt),
                      figures);
            continue;
        }
        EXPECT_NEAR(static_cast<double>(free), static_cast<double>(avail.QuadPart >> 20), 2.0);
        EXPECT_NEAR(static_cast<double>(total), static_cast<double>(all.QuadPart >> 20), 1.0);
        EXPECT_NEAR(static_cast<double>(used), static_cast<double>(total - free), 2.0);
    }
}
