// What the application writes for Ghost and shows the user, byte for byte: the two batch texts, the probe's
// partition count, the partition list entries and the image details.
#include <windows.h>

#include <string>

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

struct CommandCase {
    const char* what;
    GhostChoices choices;
    std::string backup;   // first line
    std::string restore;  // first line
};

class GhostCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        set_constant_pool(constant_area(), kConstantAreaSize);
        startFirstRun();
    }
    void TearDown() override { set_constant_pool(nullptr, 0); }
};

// Every case is the first run of a process: numbers that a rule leaves unchanged are 0.
TEST_F(GhostCommandTest, FirstRunCommandLines) {
    const CommandCase cases[] = {
        {"visible first partition", {"C", "1", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
        {"CRC ignored", {"C", "1", kImage, 0, true},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1 -crcignore -sure -rb"},
        {"hidden first partition", {"C", "2", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:4\\Ghost\\G_WinXP.gho:1,dst=1:2  -sure -rb"},
        {"no offset decided (empty marker) counts as visible", {"D", "", "F:\\a b\\x.gho", 2, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:2,dst=1:4\\a b\\x.gho -sure -fro -rb -z3",
         "Ghost.exe -nousb -clone,mode=pload,src=1:4\\a b\\x.gho:1,dst=1:2  -sure -rb"},
        {"G: hidden, high compression", {"G", "2", "G:\\i.gho", 1, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:6,dst=1:6\\i.gho -sure -fro -rb -z2",
         "Ghost.exe -nousb -clone,mode=pload,src=1:6\\i.gho:1,dst=1:6  -sure -rb"},
        {"image on H:", {"C", "1", "H:\\Ghost\\a.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:0\\Ghost\\a.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:0\\Ghost\\a.gho:1,dst=1:1  -sure -rb"},
        {"lower-case image letter", {"C", "1", "e:\\Ghost\\a.gho", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\a.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\a.gho:1,dst=1:1  -sure -rb"},
        {"chosen partition outside C: to G:", {"H", "1", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:0  -sure -rb"},
        {"no partition chosen", {"", "1", kImage, 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:0  -sure -rb"},
        {"empty image path", {"C", "1", "", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:0 -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:0:1,dst=1:1  -sure -rb"},
        {"path of a drive alone", {"C", "1", "E:", 0, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3 -sure -fro -rb -z1",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3:1,dst=1:1  -sure -rb"},
        {"combo without a current item", {"C", "1", kImage, -1, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z0",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
        {"combo index past the three items", {"C", "1", kImage, 3, false},
         "Ghost.exe -nousb -clone,mode=pdump,src=1:1,dst=1:3\\Ghost\\G_WinXP.gho -sure -fro -rb -z0",
         "Ghost.exe -nousb -clone,mode=pload,src=1:3\\Ghost\\G_WinXP.gho:1,dst=1:1  -sure -rb"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.what);
        startFirstRun();
        composeGhostCommands(c.choices);
        EXPECT_EQ(str(backupCommand), c.backup + kRestart);
        EXPECT_EQ(str(restoreCommand), c.restore + kRestart);
        EXPECT_EQ(imagePathLength, static_cast<int32_t>(std::string(c.choices.imagePath).size()));
    }
}

// A drive without a number gives 0, never the number of the run before (a run then refuses); only the
// compression level keeps the last run's choice when the combo box has none.
TEST_F(GhostCommandTest, PartitionNumbersNeverCarryFromAnEarlierRun) {
    composeGhostCommands({"D", "2", "F:\\x.gho", 2, true});
    EXPECT_EQ(systemPartitionNumber, 3);
    EXPECT_EQ(imagePartitionNumber, 5);
    EXPECT_EQ(compressionLevel, 3);
    EXPECT_EQ(str(crcOption), "-crcignore");

    composeGhostCommands({"H", "2", "Z:\\y.gho", -1, false});
    EXPECT_EQ(str(backupCommand), "Ghost.exe -nousb -clone,mode=pdump,src=1:0,dst=1:0\\y.gho -sure -fro -rb -z3" + kRestart);
    EXPECT_EQ(str(restoreCommand), "Ghost.exe -nousb -clone,mode=pload,src=1:0\\y.gho:1,dst=1:0  -sure -rb" + kRestart);
    EXPECT_TRUE(crcOption.empty());
}

// The numbering as a whole: the probe's count of 1 to 12 partitions read whole, the count of lettered
// first-disk partitions it is compared with (from the system's placing of the drives where it answers), and
// the number of every letter C: to Z: in either case, with the first partition visible and hidden.
TEST_F(GhostCommandTest, Numbering) {
    const std::string line = "磁盘 0        含有";
    for (int n = 1; n <= 12; ++n)
        EXPECT_EQ(str(partitionCountFromProbeOutput((line + std::to_string(n) + "\r\n请按任意键继续. . . ").c_str())),
                  std::to_string(n));

    const struct {
        const char* what;
        const char* places;
        const char* listed;
        const char* lettered;
    } placings[] = {
        {"C: to L: on disk 0", "C=0:1;D=0:2;E=0:3;F=0:4;G=0:5;H=0:6;I=0:7;J=0:8;K=0:9;L=0:10", "10", "10"},
        {"hidden first partition", "C=0:2;D=0:3;E=0:4", "3", "3"},
        {"a CD at D: ends the list, not the count", "C=0:1;D=cd;E=0:2", "1", "2"},
        {"a USB stick on disk 1 is listed, not counted", "C=0:1;D=0:2;E=1:1", "3", "2"},
        {"no answer: the listed count", "", "4", "4"},
        {"no answer for C:: the listed count", "D=0:2;E=0:3;F=0:4", "4", "4"},
    };
    for (const auto& p : placings) {
        SCOPED_TRACE(p.what);
        use_listed_drive_places(p.places);
        EXPECT_EQ(str(letteredPartitionCount(p.listed)), p.lettered);
    }
    query_drive_place = system_drive_place;

    for (char letter = 'C'; letter <= 'Z'; ++letter) {
        for (const std::string& drive : {std::string(1, letter), std::string(1, static_cast<char>(letter + 32))}) {
            const char* l = drive.c_str();
            SCOPED_TRACE(l);
            int32_t visible = letter <= 'G' ? letter - 'C' + 1 : 0;
            std::string image = std::string(l) + ":\\i.gho";
            composeGhostCommands({l, "1", image.c_str(), 0, false});
            EXPECT_EQ(systemPartitionNumber, visible);
            EXPECT_EQ(imagePartitionNumber, visible);
            composeGhostCommands({l, "2", image.c_str(), 0, false});
            EXPECT_EQ(systemPartitionNumber, visible ? visible + 1 : 0);
            EXPECT_EQ(imagePartitionNumber, visible ? visible + 1 : 0);
        }
    }
}

// GBK paths are copied byte for byte, without quoting.
TEST_F(GhostCommandTest, ChinesePathCopiedAsItIs) {
    composeGhostCommands({"C", "1", "E:\\备份\\系统 盘.gho", 0, false});
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
