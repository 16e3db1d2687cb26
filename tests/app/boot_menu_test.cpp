// The boot menu on drive C: of the test prefix: the rewrite byte for byte, the copy taken at an image
// selection, the boot loader of another tool, and the undo's file steps with the menu's attributes.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "payloads/constants.h"
#include "tests/support/processes.h"
#include "tests/support/test_support.h"

namespace {
const char kIni[] = "C:\\boot.ini";
const char kBak[] = "C:\\boot.bak";
const char kHeader[] = "[boot loader]\r\ntimeout=2\r\ndefault=C:\\grldr\r\n";
const char kEntry[] = "C:\\grldr=Drelvok";
const char kXpLine[] = "multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS=\"Microsoft Windows XP Professional\" /fastdetect";
const char kOldHeader[] = "[boot loader]\r\ntimeout=30\r\ndefault=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n";
const std::string kFiveLines = std::string(kOldHeader) + "[operating systems]\r\n" + kXpLine + "\r\n";

class BootMenu : public ::testing::Test {
protected:
    void SetUp() override {
        set_constant_pool(constant_area(), kConstantAreaSize);
        clean();
    }
    void TearDown() override {
        clean();
        set_constant_pool(nullptr, 0);
    }
    static void clean() {
        for (const char* p : {kIni, kBak, "C:\\grldr", "C:\\grldr.bak", "C:\\ghost.bat", "C:\\ghost.exe",
                              "C:\\Qelo.img"})
            removeFile(p);
    }
};

TEST_F(BootMenu, RewriteMakesTheBootLoaderTheDefaultEntryByteForByte) {
    const std::string tail = std::string("\r\n") + kEntry;
    struct Case {
        const char* name;
        bool present;
        std::string before;
        std::string after;
    } cases[] = {
        {"five lines", true, kFiveLines,
         std::string(kHeader) + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry},
        {"five lines, no final line end", true, kFiveLines.substr(0, kFiveLines.size() - 2),
         std::string(kHeader) + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry},
        {"six lines, the fourth not the section header", true,
         std::string(kOldHeader) + "redirect=COM1\r\n[operating systems]\r\n" + kXpLine + "\r\n",
         std::string(kHeader) + "redirect=COM1\r\n[operating systems]\r\n" + kXpLine + "\r\n" + kEntry},
        {"eight lines: every line from the fourth on is kept", true,
         kFiveLines + "C:\\=\"Windows 98\"\r\nC:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\nlast\r\n",
         std::string(kHeader) + "[operating systems]\r\n" + kXpLine +
             "\r\nC:\\=\"Windows 98\"\r\nC:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\nlast\r\n" + kEntry},
        {"a rewritten menu rewritten again carries the entry once", true,
         std::string(kHeader) + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry,
         std::string(kHeader) + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry},
        {"no boot.ini", false, "", std::string(kHeader) + "\r\n\r\n\r\n" + kEntry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        removeFile(kIni);
        if (c.present) write_bytes(kIni, c.before);
        EXPECT_TRUE(rewriteBootMenu());
        EXPECT_EQ(read_file(kIni), c.after);
        EXPECT_EQ(attributes(kIni), 0u);
        EXPECT_TRUE(bootMenuCarriesEntry());
    }
}

TEST_F(BootMenu, ARewriteThatCannotReadTheMenuLeavesItAsItWas) {
    write_bytes(kIni, kFiveLines);
    setAttributes(kIni, kHidSysRo);
    EXPECT_FALSE(rewriteBootMenu());
    EXPECT_EQ(read_file(kIni), kFiveLines);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_FALSE(bootMenuCarriesEntry());
}

// The run's checks after its writes: every byte counts, not only the length.
TEST_F(BootMenu, ContentChecksCompareEveryByte) {
    const char kBat[] = "C:\\ghost.bat";
    write_bytes(kBat, "src=1:3 dst=1:1");
    EXPECT_TRUE(fileHolds(kBat, "src=1:3 dst=1:1", 15));
    EXPECT_FALSE(fileHolds(kBat, "src=1:3 dst=1:2", 15));
    EXPECT_FALSE(fileHolds(kBat, "src=1:3 dst=1:", 14));
    EXPECT_FALSE(fileHolds("C:\\missing.bat", "", 0));
    write_bytes(kBak, "src=1:3 dst=1:2");
    EXPECT_FALSE(sameFileContent(kBat, kBak));
    write_bytes(kBak, "src=1:3 dst=1:1");
    EXPECT_TRUE(sameFileContent(kBat, kBak));
}

// Preparation starts "attrib C:\boot.ini -r -h -s" without waiting for it; the stand-in attrib beside this
// program applies all three flags as Windows does (Wine's own applies only the last one). The preparation is
// done when that run has ended: a run still going would clear the attributes of a menu that a later case sets.
void prepareAndWait() {
    prepareBootMenu();
    for (int i = 0; i < 600 && processRuns("attrib.exe"); ++i) Sleep(50);
    ASSERT_FALSE(processRuns("attrib.exe")) << "the attrib run of the preparation did not end";
}

// Also over the read-only, hidden, system copy of an earlier selection.
TEST_F(BootMenu, PreparationCopiesTheMenuAndClearsItsAttributes) {
    write_bytes(kBak, "an older copy");
    setAttributes(kBak, kHidSysRo);
    write_bytes(kIni, kFiveLines);
    setAttributes(kIni, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    prepareAndWait();
    EXPECT_EQ(read_file(kBak), kFiveLines);
    EXPECT_EQ(attributes(kBak), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(attributes(kIni), 0u);
    EXPECT_EQ(read_file(kIni), kFiveLines);
}

// A run goes ahead only when C:\boot.bak would put back the menu it is about to replace.
TEST_F(BootMenu, RefusalWithoutAMenuOrACopyThatPutsItBack) {
    const std::string rewritten = std::string(kHeader) + "[operating systems]\r\n" + kXpLine + "\r\n\r\n" + kEntry;
    struct Case {
        const char* name;
        const char* ini;  // null: absent
        const char* bak;
        const char* reason;  // null: no refusal
    } cases[] = {
        {"no boot.ini", nullptr, kFiveLines.c_str(), txt::run_refused_no_boot_menu()},
        {"no copy", kFiveLines.c_str(), nullptr, txt::run_refused_stale_copy()},
        {"an older copy", kFiveLines.c_str(), "an older menu", txt::run_refused_stale_copy()},
        {"the copy of this menu", kFiveLines.c_str(), kFiveLines.c_str(), nullptr},
        {"our entry, the user's menu saved", rewritten.c_str(), kFiveLines.c_str(), nullptr},
        {"our entry, no copy", rewritten.c_str(), nullptr, txt::run_refused_no_own_menu()},
        {"our entry in the copy too", rewritten.c_str(), rewritten.c_str(), txt::run_refused_no_own_menu()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clean();
        if (c.ini) write_bytes(kIni, c.ini);
        if (c.bak) write_bytes(kBak, c.bak);
        EXPECT_EQ(bootMenuRefusal(), c.reason);
    }
}

TEST_F(BootMenu, PreparationKeepsTheCopyOnceTheMenuCarriesTheEntry) {
    write_bytes(kIni, kFiveLines);
    write_bytes(kBak, kFiveLines);
    rewriteBootMenu();
    const std::string rewritten = read_file(kIni);
    prepareAndWait();  // a second image selection after a run
    EXPECT_EQ(read_file(kBak), kFiveLines);
    EXPECT_EQ(read_file(kIni), rewritten);
}

TEST_F(BootMenu, ABootLoaderOfAnotherToolIsKeptAsideAndComesBackWithTheUndo) {
    const std::string ours = payload(bin::boot_loader());
    struct Case {
        const char* name;
        const char* grldr;      // null: no C:\grldr
        const char* saved;      // null: no C:\grldr.bak
        bool expectMoved;
    } cases[] = {
        {"foreign loader", "another tool's loader", nullptr, true},
        {"our own loader stays", nullptr, nullptr, false},
        {"an existing grldr.bak is never replaced", "another tool's loader", "older backup", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clean();
        const std::string before = c.grldr ? c.grldr : ours;
        write_bytes("C:\\grldr", before);
        if (c.saved) write_bytes("C:\\grldr.bak", c.saved);
        saveForeignBootLoader();
        EXPECT_EQ(exists("C:\\grldr"), !c.expectMoved);
        EXPECT_EQ(read_file("C:\\grldr.bak"), c.expectMoved ? before : std::string(c.saved ? c.saved : ""));
    }

    clean();
    write_bytes("C:\\grldr", "another tool's loader");
    saveForeignBootLoader();
    write_bytes("C:\\grldr", ours);  // the run's boot loader
    undoBootFiles(false);
    EXPECT_EQ(read_file("C:\\grldr"), "another tool's loader");
    EXPECT_FALSE(exists("C:\\grldr.bak"));
}

// Also when the menu still has its attributes: an undo right after an image selection may come before the
// program started by the selection has cleared them.
TEST_F(BootMenu, UndoPutsTheSavedMenuBackWithItsAttributesAndRemovesTheBootSet) {
    for (uint32_t menuAttributes : {0u, kHidSysRo}) {
        SCOPED_TRACE(menuAttributes);
        write_bytes(kBak, kFiveLines);
        setAttributes(kBak, kHidSysRo);
        write_bytes(kIni, std::string(kHeader) + "\r\n\r\n\r\n" + kEntry);
        setAttributes(kIni, menuAttributes);
        write_bytes("C:\\grldr", payload(bin::boot_loader()));
        for (const char* p : {"C:\\ghost.bat", "C:\\ghost.exe", "C:\\Qelo.img"}) write_bytes(p, "x");
        EXPECT_TRUE(undoBootFiles(false));
        EXPECT_EQ(read_file(kIni), kFiveLines);
        EXPECT_EQ(attributes(kIni), kHidSysRo);
        for (const char* p : {kBak, "C:\\grldr", "C:\\ghost.bat", "C:\\ghost.exe", "C:\\Qelo.img"})
            EXPECT_FALSE(exists(p)) << p;
        clean();
    }
}

// Without a saved menu the menu stays; one that still starts our boot loader keeps it, and the undo says so.
TEST_F(BootMenu, UndoWithoutASavedMenuLeavesTheMenuInPlace) {
    write_bytes(kIni, kFiveLines);
    EXPECT_TRUE(undoBootFiles(false));
    EXPECT_EQ(read_file(kIni), kFiveLines);

    const std::string rewritten = std::string(kHeader) + "\r\n\r\n\r\n" + kEntry;
    write_bytes(kIni, rewritten);
    write_bytes("C:\\grldr", payload(bin::boot_loader()));
    write_bytes("C:\\Qelo.img", "x");
    EXPECT_FALSE(undoBootFiles(false));
    EXPECT_EQ(read_file(kIni), rewritten);
    EXPECT_EQ(read_file("C:\\grldr"), payload(bin::boot_loader()));
    EXPECT_FALSE(exists("C:\\Qelo.img"));
}
}  // namespace
