// What the application writes for Ghost and shows the user, byte for byte: the two batch texts, the probe's
// partition count, the partition list entries and the image details.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "app/ghost_command.h"
#include "app/image_info.h"
#include "payloads/constants.h"
#include "tests/support/test_support.h"

namespace {
std::string str(const Text& t) { return t.c_str(); }

void startFirstRun() {
    systemPartitionNumber = imagePartitionNumber = compressionLevel = imagePathLength = 0;
    crcOption.reset();
    restoreCommand.reset();
    backupCommand.reset();
}

const char kImage[] = "E:\\Ghost\\G_WinXP.gho";
const std::string kRestart = "\r\nrestart";
// The system's answers for the folder drives of a Wine prefix: C: to G: the partitions 1 to 5 of the first disk.
const char kFiveDrives[] = "C=0:1;D=0:2;E=0:3;F=0:4;G=0:5";

struct CommandCase {
    const char* what;
    GhostChoices choices;
    std::string backup;   // first line
    std::string restore;  // first line
    const char* places = kFiveDrives;
};

class GhostCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_constant_pool(constant_area(), kConstantAreaSize);
        startFirstRun();
        use_listed_drive_places(kFiveDrives);
    }
    void TearDown() override {
        query_drive_place = system_drive_place;
        query_first_disk_place = system_first_disk_place;
        set_constant_pool(nullptr, 0);
    }
};

// Every case is the first run of a process: numbers that a rule leaves unchanged are 0.
TEST_F(GhostCommandTest, FirstRunCommandLines) {
    const CommandCase cases[] = {
        {"first partition C:", {"C", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
        {"CRC ignored", {"C", kImage, 0, true},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb"},
        {"hidden first partition", {"C", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:4\\Ghost\\G_WinXP.gho:1,dst=1:2  -sure -rb", "C=0:2;D=0:3;E=0:4"},
        {"two primaries: D: is the second", {"C", "D:\\Ghost\\sys.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:2\\Ghost\\sys.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:2\\Ghost\\sys.gho:1,dst=1:1  -sure -rb", "C=0:1;D=0:2"},
        {"G: and H:, high compression", {"G", "H:\\i.gho", 1, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:5,dst=1:12\\i.gho -sure -fro -rb -z2",
         "Ghost.exe -nousb -clone,mode=pload,src=1:12\\i.gho:1,dst=1:5  -sure -rb", "C=0:1;G=0:5;H=0:12"},
        {"image on a drive the system does not place", {"C", "H:\\Ghost\\a.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:0\\Ghost\\a.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:0\\Ghost\\a.gho:1,dst=1:1  -sure -rb"},
        {"lower-case image letter", {"C", "e:\\Ghost\\a.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\a.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\a.gho:1,dst=1:1  -sure -rb"},
        {"chosen partition on another disk", {"D", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:0  -sure -rb", "C=0:1;D=1:1;E=0:3"},
        {"no partition chosen", {"", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:0  -sure -rb"},
        {"empty image path", {"C", "", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:0 -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:0:1,dst=1:1  -sure -rb"},
        {"a name without its drive is not read as drive G:", {"C", "G_WinXP.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:0WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:0WinXP.gho:1,dst=1:1  -sure -rb"},
        {"combo without a current item", {"C", kImage, -1, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z0",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
        {"combo index past the three items", {"C", kImage, 3, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z0",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.what);
        startFirstRun();
        use_listed_drive_places(c.places);
        composeGhostCommands(c.choices);
        EXPECT_EQ(str(backupCommand), c.backup + kRestart);
        EXPECT_EQ(str(restoreCommand), c.restore + kRestart);
        EXPECT_EQ(imagePathLength, static_cast<int32_t>(std::string(c.choices.imagePath).size()));
    }
}

// A drive without a number gives 0, never the number of the run before (a run then refuses); only the
// compression level keeps the last run's choice when the combo box has none.
TEST_F(GhostCommandTest, PartitionNumbersNeverCarryFromAnEarlierRun) {
    composeGhostCommands({"D", "F:\\x.gho", 2, true});
    EXPECT_EQ(systemPartitionNumber, 2);
    EXPECT_EQ(imagePartitionNumber, 4);
    EXPECT_EQ(compressionLevel, 3);
    EXPECT_EQ(str(crcOption), "-crcignore");

    composeGhostCommands({"H", "Z:\\y.gho", -1, false});
    EXPECT_EQ(str(backupCommand), "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:0\\y.gho -sure -fro -rb -z3" + kRestart);
    EXPECT_EQ(str(restoreCommand), "Ghost.exe -nousb -clone,mode=pload,src=1:0\\y.gho:1,dst=1:0  -sure -rb" + kRestart);
    EXPECT_TRUE(crcOption.empty());
}

// The partition table of the first disk in the case at hand; null: the system lists none.
const std::vector<PartitionTableEntry>* g_table = nullptr;
int32_t placeInTable(int32_t number) {
    return g_table ? partition_place(g_table->data(), static_cast<int32_t>(g_table->size()), number) : -1;
}

// The numbering on the common layouts: the numbers the system gives (C: and one other drive), the refusal for
// that drive where Ghost cannot be pointed at it by its number, and the marker of a partition without a letter
// before C:. A partition table lists, per logical drive, its entry and the link to the next (an extended
// container), and keeps unused entries; the system numbers the primary partitions before the logical drives.
TEST_F(GhostCommandTest, NumberingOnCommonLayouts) {
    using T = std::vector<PartitionTableEntry>;
    const PartitionTableEntry unused = {0, 0, 0};
    const T twoPrimaries = {{1, 7, 1}, {500, 7, 2}, unused, unused};
    const T primaryAndLogicals = {{1, 7, 1},   {100, 0x0F, 0}, unused, unused, {101, 7, 2}, {200, 0x05, 0},
                                  unused,      unused,         {201, 7, 3},    unused, unused, unused};
    const T hiddenFirst = {{1, 0x27, 1}, {100, 7, 2}, {200, 0x0F, 0}, unused, {201, 7, 3}, {300, 0x05, 0},
                           unused,       unused,      {301, 7, 4},    unused, unused,      unused};
    const T primaryAfterExtended = {{1, 7, 1},   {100, 0x0F, 0}, {900, 7, 2}, unused, {101, 7, 3}, {200, 0x05, 0},
                                    unused,      unused,         {201, 7, 4}, unused, unused,      unused};
    const T withoutNumbers = {{1, 7, 0}, {500, 7, 0}, unused, unused};
    const std::string advice = txt::refusal_place_end();
    const struct {
        const char* what;
        const char* places;
        const T* table;
        int32_t c;       // Ghost's number of C:
        char drive;      // the other drive looked at
        int32_t number;  // its number
        std::string refusal;  // for that drive; empty: Ghost may be pointed at it
        bool hidden;          // the red marker
    } cases[] = {
        {"two primaries", "C=0:1;D=0:2", &twoPrimaries, 1, 'D', 2, "", false},
        {"primary and logical drives", "C=0:1;D=0:2;E=0:3", &primaryAndLogicals, 1, 'E', 3, "", false},
        {"hidden first partition", "C=0:2;D=0:3;E=0:4", &hiddenFirst, 2, 'E', 4, "", true},
        {"a primary after the extended one, numbered before the logical drives", "C=0:1;D=0:2;E=0:3;F=0:4",
         &primaryAfterExtended, 1, 'D', 2,
         "D: 盘是系统编号的 1:2，但按分区表里的先后顺序它是第 4 个分区：分区布局不寻常" + advice, false},
        {"a logical drive before that primary", "C=0:1;D=0:2;E=0:3;F=0:4", &primaryAfterExtended, 1, 'E', 3,
         "E: 盘是系统编号的 1:3，但按分区表里的先后顺序它是第 2 个分区：分区布局不寻常" + advice, false},
        {"a number the table does not list", "C=0:1;D=0:7", &twoPrimaries, 1, 'D', 7,
         "D: 盘是系统编号的 1:7，但分区表里没有这个分区：分区布局不寻常" + advice, false},
        {"no table", "C=0:1;D=0:2;E=0:3", nullptr, 1, 'e', 3, "", false},
        {"a table without the system's numbers", "C=0:1;D=0:2", &withoutNumbers, 1, 'D', 2, "", false},
        {"no answer at all", "", nullptr, 0, 'C', 0,
         "C: 盘：系统给不出它在第一块硬盘上的分区号（没有这个盘，或者它是光驱、网络驱动器、SUBST 映射的盘或内存盘）" + advice,
         false},
        {"a CD at D:", "C=0:1;D=cd;E=0:2", &twoPrimaries, 1, 'D', 0,
         "D: 盘：系统给不出它在第一块硬盘上的分区号（没有这个盘，或者它是光驱、网络驱动器、SUBST 映射的盘或内存盘）" + advice,
         false},
        {"a USB stick", "C=0:1;E=1:1", &twoPrimaries, 1, 'E', 0, "E: 盘不在第一块硬盘上：系统报告它是 2:1" + advice, false},
        {"a letter before C: on the partition before it", "C=0:2;D=0:1", &twoPrimaries, 2, 'D', 1, "", false},
    };
    query_first_disk_place = placeInTable;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        use_listed_drive_places(c.places);
        g_table = c.table;
        const char drive[2] = {c.drive, 0};
        std::string image = std::string(drive) + ":\\i.gho";
        composeGhostCommands({"C", image.c_str(), 0, false});
        EXPECT_EQ(systemPartitionNumber, c.c);
        EXPECT_EQ(imagePartitionNumber, c.number);
        EXPECT_EQ(str(drivePlaceRefusal(drive)), c.refusal);
        EXPECT_EQ(unletteredPartitionBeforeC(), c.hidden);
    }
    g_table = nullptr;
}

// What the batch line cannot carry as it is: a path that does not begin with a drive, a colon and a backslash,
// a character that DOS or Ghost reads otherwise (also as the second byte of a two-byte character), and a line
// whose arguments do not fit the 126 bytes DOS hands a program.
TEST_F(GhostCommandTest, PathChecks) {
    const std::string notFull = "不是以盘符、冒号和反斜杠开头的完整路径（例如 E:\\Ghost\\sys.gho）。";
    const std::string misread = "，DOS 或 Ghost 会把它读错。请使用不含 , % | < > \" 这些字符的路径。";
    const struct {
        std::string path;
        std::string character;  // empty: no refusal; "full": not a full path
    } cases[] = {
        {kImage, ""},
        {"e:\\ghost\\x.gho", ""},
        {"E:\\备份\\系统.gho", ""},
        {"E:\\Ghost\\a b.gho", ""},  // a blank has its own refusal, after the numbering
        {"G_WinXP.gho", "full"},
        {"", "full"},
        {"E:Ghost\\x.gho", "full"},
        {"\\\\server\\share\\x.gho", "full"},
        {"1:\\x.gho", "full"},
        {"E:\\Ghost\\a,b.gho", ","},
        {"E:\\100%\\x.gho", "%"},
        {"E:\\a|b.gho", "|"},
        {"E:\\a<b.gho", "<"},
        {"E:\\a>b.gho", ">"},
        {"E:\\a\"b.gho", "\""},
        {"E:\\\xB1\x7C.gho", "\xB1\x7C"},         // a two-byte character ending in "|"
        {"E:\\\x95\x5C\\x.gho", "\x95\x5C"},      // one ending in a backslash
        {"E:\\\xB1\xB8,.gho", ","},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string expected = c.character.empty()      ? ""
                               : c.character == "full" ? "镜像路径“" + c.path + "”" + notFull
                                                       : "镜像路径“" + c.path + "”含有字符“" + c.character + "”" + misread;
        EXPECT_EQ(str(imagePathRefusal(c.path.c_str())), expected);
    }

    // A back-up line has 60 bytes of arguments besides the path after its drive: 66 bytes of it fit, 67 do not.
    for (size_t tail : {66u, 67u}) {
        std::string path = "E:\\" + std::string(tail - 5, 'x') + ".gho";
        composeGhostCommands({"C", path.c_str(), 0, false});
        EXPECT_EQ(ghostArgumentsLength(backupCommand.c_str()), static_cast<int32_t>(60 + tail));
        EXPECT_EQ(ghostArgumentsLength(restoreCommand.c_str()), static_cast<int32_t>(54 + tail));
    }
}

// GBK paths are copied byte for byte, without quoting.
TEST_F(GhostCommandTest, ChinesePathCopiedAsItIs) {
    composeGhostCommands({"C", "E:\\备份\\系统 盘.gho", 0, false});
    EXPECT_EQ(str(backupCommand),
              "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\备份\\系统 盘.gho -sure -fro -rb -z1" + kRestart);
    EXPECT_EQ(imagePathLength, 19);
}

TEST_F(GhostCommandTest, PartitionCountFromProbeOutput) {
    const std::string line = "磁盘 0        含有";
    ASSERT_EQ(line.size(), 18u);
    const struct {
        const char* what;
        std::string output;
        const char* count;
    } cases[] = {
        {"one disk", line + "3\r\n请按任意键继续. . . ", "3"},
        {"first disk wins", line + "2\r\n磁盘 1        含有5\r\n", "2"},
        {"ten or more read whole", line + "12\r\n", "12"},
        {"count at the very end", line + "4", "4"},
        {"output shorter than 19 bytes", line, ""},
        {"no output", "", ""},
        {"a blank at byte 19", line + " \r\n", ""},
        {"only the pause prompt", "请按任意键继续. . . ", ""},
        {"only the pause prompt as Wine prints it", "请按任意键继续...\r\n", ""},
        {"an error of the command interpreter", "无法将 \"diskpart \" 识别为内部或外部命令，或者批处理脚本。\r\n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(str(partitionCountFromProbeOutput(c.output.c_str())), c.count);
    }
}

TEST_F(GhostCommandTest, PartitionListEntries) {
    const std::string gap(11, ' ');
    EXPECT_EQ(str(partitionListEntry("C", 1000 * 1024, 2048, 3072 * 1024 + 1023)),
              "  C:" + gap + "1000" + gap + "2" + gap + "3072\r\n");
    EXPECT_EQ(str(partitionListEntry("E", 0, 1023, 1023)), "  E:" + gap + "0" + gap + "0" + gap + "0\r\n");
    // 2,000,000 MB keeps only its first six digits.
    EXPECT_EQ(str(megabyteFigure(2000000 * 1024)), "200000");
    EXPECT_EQ(str(megabyteFigure(999999 * 1024 + 1023)), "999999");
}

TEST_F(GhostCommandTest, ImageSizeCaptions) {
    const struct {
        double bytes;
        const char* caption;
    } cases[] = {
        {650000000.0, "镜像大小：634MB"},
        {1023999.0, "镜像大小：0MB"},
        {2147483648.0, "镜像大小：2097MB"},   // 2 GiB
        {3221225472.0, "镜像大小：3145MB"},   // 3 GiB: negative as a signed 32-bit count
        {5368709120.0, "镜像大小：5242MB"},   // 5 GiB: past 32 bits altogether
    };
    for (const auto& c : cases) EXPECT_EQ(str(imageSizeCaption(true, c.bytes)), c.caption) << c.bytes;
    EXPECT_EQ(str(imageSizeCaption(false, 0)), "镜像大小：");
    EXPECT_EQ(str(imageDateCaption(false, "C:\\no such image.gho")), "创建日期：");
}

TEST_F(GhostCommandTest, ImageDateCaption) {
    std::string path = scratch_dir("image_date") + "dated.gho";
    write_bytes(path, "x");
    SYSTEMTIME local = {};
    local.wYear = 2009;
    local.wMonth = 3;
    local.wDay = 7;
    local.wHour = 9;
    local.wMinute = 5;
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(f, nullptr, nullptr, &utc));
    CloseHandle(f);
    EXPECT_EQ(str(imageDateCaption(true, path.c_str())), "创建日期：2009年3月7日9:5");
}
}  // namespace
