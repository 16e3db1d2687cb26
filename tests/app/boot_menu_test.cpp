// The boot menu on drive C: of the test prefix: the rewrite byte for byte, the copy a run takes first, other
// programs' files kept aside, and the undo's file steps with the menu's attributes.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/app.h"
#include "payloads/constants.h"
#include "tests/support/boot_set.h"
#include "tests/support/test_support.h"

namespace {
// A menu as it stands on an XP machine where a later Windows was added.
const std::string kWarnings =
    ";\r\n;Warning: Boot.ini is used on Windows XP and earlier operating systems.\r\n"
    ";Warning: Use BCDEDIT.exe to modify Windows Vista boot options.\r\n;\r\n";

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
        for (const char* p : {kIni, kBak, kGrldr, kGrldrSaved, kBat, kExe, kImg, kBatSaved, kExeSaved})
            removeFile(p);
    }
};

TEST_F(BootMenu, RewriteMakesTheBootLoaderTheDefaultEntryByteForByte) {
    const std::string xp = kXpLine + "\r\n";
    struct Case {
        const char* name;
        bool present;
        std::string before;
        std::string after;
    } cases[] = {
        {"five lines", true, kFiveLines, kRewrittenFiveLines},
        {"five lines, no final line end", true, kFiveLines.substr(0, kFiveLines.size() - 2), kRewrittenFiveLines},
        {"six lines, the fourth not the section header", true,
         kOldHeader + "redirect=COM1\r\n[operating systems]\r\n" + xp,
         kHeader + "redirect=COM1\r\n[operating systems]\r\n" + xp + kEntry},
        {"eight lines: every line from the fourth on is kept", true,
         kFiveLines + "C:\\=\"Windows 98\"\r\nC:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\nlast\r\n",
         kHeader + "[operating systems]\r\n" + xp +
             "C:\\=\"Windows 98\"\r\nC:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\nlast\r\n" + kEntry},
        {"a rewritten menu rewritten again carries the entry once", true, kRewrittenFiveLines, kRewrittenFiveLines},
        {"no boot.ini", false, "", kHeader + "\r\n\r\n\r\n" + kEntry},
        {"comment lines first: one [boot loader] section, the comments and the old entry kept", true,
         kWarnings + kFiveLines, kWarnings + kHeader + "[operating systems]\r\n" + xp + kEntry},
        {"keys set where they stand, a missing default added after the time-out, other keys kept", true,
         "[Boot Loader]\r\nredirect=COM1\r\n;timeout=5\r\n Timeout = 30\r\n[operating systems]\r\n" + xp,
         "[Boot Loader]\r\nredirect=COM1\r\n;timeout=5\r\ntimeout=2\r\ndefault=C:\\grldr\r\n[operating systems]\r\n" + xp +
             kEntry},
        {"a section after [operating systems]: the entry ends [operating systems]", true,
         kFiveLines + "[debug]\r\nport=com1\r\n",
         kHeader + "[operating systems]\r\n" + xp + kEntry + "\r\n[debug]\r\nport=com1\r\n"},
        {"a second [boot loader] section loses its header and keys", true,
         kHeader + ";\r\n" + kFiveLines + "\r\n" + kEntry,
         kHeader + ";\r\n[operating systems]\r\n" + xp + "\r\n" + kEntry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        removeFile(kIni);
        if (c.present) write_bytes(kIni, c.before);
        EXPECT_TRUE(rewriteBootMenu());
        EXPECT_EQ(read_file(kIni), c.after);
        EXPECT_EQ(attributes(kIni), 0u);
        EXPECT_TRUE(bootMenuStartsBootLoader());
    }
}

// The run's check of the written menu: what the boot loader needs to start C:\grldr within two seconds.
TEST_F(BootMenu, TheCheckOfTheWrittenMenu) {
    const std::string L = "[boot loader]", T = "timeout=2", D = "default=C:\\grldr", O = "[operating systems]",
                      X = kXpLine, E = kEntry;
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        bool starts;
    } cases[] = {
        {"as the rewrite leaves it", {L, T, D, O, X, "", E}, true},
        {"no [operating systems] section: the entry ends the file", {L, T, D, "", "", "", E}, true},
        {"a second [boot loader] section", {L, T, D, O, X, E, L}, false},
        {"another default", {L, T, "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS", O, X, E}, false},
        {"a second time-out", {L, T, "timeout=30", D, O, X, E}, false},
        {"the entry not last in [operating systems]", {L, T, D, O, E, X}, false},
        {"the entry twice", {L, T, D, O, E, X, E}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(menuStartsBootLoader(c.lines), c.starts);
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

// The run's first step: C:\boot.bak holds the menu with its attributes, and the menu's attributes are clear,
// when the step returns. A copy held open by another program (reading only) cannot be replaced: the run is
// refused and both files stay as they were; one that already holds the menu need not be.
TEST_F(BootMenu, PreparationCopiesTheMenuAndClearsItsAttributes) {
    struct Case {
        const char* name;
        const char* copy;  // null: none
        uint32_t copyAttributes;
        bool held;
        const char* reason;
        bool copyMade;
    } cases[] = {
        {"no copy", nullptr, 0, false, nullptr, true},
        {"a read-only, hidden, system copy of an earlier menu", "an older copy", kHidSysRo, false, nullptr, true},
        {"the copy holds the menu already", kFiveLines.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, true,
         nullptr, false},
        {"an older copy held open", "an older copy", kHidSysRo, true, txt::run_refused_no_copy(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clean();
        write_bytes(kIni, kFiveLines);
        setAttributes(kIni, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if (c.copy) {
            write_bytes(kBak, c.copy);
            setAttributes(kBak, c.copyAttributes);
        }
        HANDLE held = c.held ? CreateFileA(kBak, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        bool copyMade = !c.copyMade;
        EXPECT_EQ(prepareBootMenu(&copyMade), c.reason);
        EXPECT_EQ(copyMade, c.copyMade);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(read_file(kIni), kFiveLines);
        EXPECT_EQ(attributes(kIni), c.reason ? FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM : 0u);
        EXPECT_EQ(read_file(kBak), c.reason ? std::string(c.copy) : kFiveLines);
        EXPECT_EQ(attributes(kBak), c.reason ? c.copyAttributes : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
}

// A run goes ahead only when there is a menu, and when C:\boot.bak would put back one that carries our entry.
TEST_F(BootMenu, RefusalWithoutAMenuOrACopyThatPutsItBack) {
    struct Case {
        const char* name;
        const char* ini;  // null: absent
        const char* bak;
        const char* reason;  // null: no refusal
    } cases[] = {
        {"no boot.ini", nullptr, kFiveLines.c_str(), txt::run_refused_no_boot_menu()},
        {"no copy: the run makes it", kFiveLines.c_str(), nullptr, nullptr},
        {"an older copy: the run replaces it", kFiveLines.c_str(), "an older menu", nullptr},
        {"our entry, the user's menu saved", kRewrittenFiveLines.c_str(), kFiveLines.c_str(), nullptr},
        {"our entry, no copy", kRewrittenFiveLines.c_str(), nullptr, txt::run_refused_no_own_menu()},
        {"our entry in the copy too", kRewrittenFiveLines.c_str(), kRewrittenFiveLines.c_str(),
         txt::run_refused_no_own_menu()},
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
    bool copyMade = true;
    EXPECT_EQ(prepareBootMenu(&copyMade), nullptr);  // a second run
    EXPECT_FALSE(copyMade);
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
        bool mayWriteOver;
    } cases[] = {
        {"foreign loader", "another tool's loader", nullptr, true, true},
        {"our own loader stays", nullptr, nullptr, false, true},
        // The loader cannot go aside: it stays, and the run must not write over it.
        {"an existing grldr.bak is never replaced", "another tool's loader", "older backup", false, false},
    };
    auto keepAside = [] {
        return keepForeignFileAside("C:\\grldr", "C:\\grldr.bak", fileHoldsPayload("C:\\grldr", bin::boot_loader()));
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clean();
        const std::string before = c.grldr ? c.grldr : ours;
        write_bytes("C:\\grldr", before);
        if (c.saved) write_bytes("C:\\grldr.bak", c.saved);
        EXPECT_EQ(keepAside(), c.mayWriteOver);
        EXPECT_EQ(exists("C:\\grldr"), !c.expectMoved);
        EXPECT_EQ(read_file("C:\\grldr.bak"), c.expectMoved ? before : std::string(c.saved ? c.saved : ""));
    }

    clean();
    write_bytes("C:\\grldr", "another tool's loader");
    keepAside();
    write_bytes("C:\\grldr", ours);  // the run's boot loader
    undoBootFiles(nullptr);
    EXPECT_EQ(read_file("C:\\grldr"), "another tool's loader");
    EXPECT_FALSE(exists("C:\\grldr.bak"));
}

// The undo puts the saved menu back (in one step, or by its bytes while another program holds the copy open)
// only where the menu carries our entry, removes our files and puts other programs' back, and tells which.
TEST_F(BootMenu, UndoPutsBackWhatTheToolChangedAndOnlyThat) {
    const std::string edited = kFiveLines + "C:\\CMDCONS\\BOOTSECT.DAT=\"Recovery Console\" /cmdcons\r\n";
    struct Case {
        const char* name;
        std::string menu;
        uint32_t menuAttributes;
        bool held;          // another program holds C:\boot.bak open, reading only
        bool bootSet;       // our files and other programs' saved ones are on C:
        std::string after;  // C:\boot.ini afterwards
        uint32_t afterAttributes;
        bool copyLeft;
        bool putBack, leftAlone, problems;
        std::vector<std::string> removed;
    } cases[] = {
        {"after a run", kRewrittenFiveLines, 0, false, true, kFiveLines, kHidSysRo, false, true, false, false,
         {"C:\\grldr", "C:\\ghost.bat", "C:\\ghost.exe", "C:\\Qelo.img"}},
        {"the menu still read-only, hidden, system", kRewrittenFiveLines, kHidSysRo, false, false, kFiveLines, kHidSysRo, false,
         true, false, false, {}},
        {"the copy held open", kRewrittenFiveLines, 0, true, false, kFiveLines, kHidSysRo, true, true, false, true, {}},
        {"a menu edited since: our entry gone", edited, kHidSysRo, false, true, edited, kHidSysRo, true, false, true,
         false, {"C:\\grldr", "C:\\ghost.bat", "C:\\ghost.exe", "C:\\Qelo.img"}},
        {"nothing to undo", kFiveLines, kHidSysRo, false, false, kFiveLines, kHidSysRo, true, false, true, false, {}},
    };
    const std::string batch = "Ghost.exe -nousb -clone,mode=pload,src=1:3\\a.gho:1,dst=1:1  -sure -rb\r\nrestart";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clean();
        write_bytes(kBak, kFiveLines);
        setAttributes(kBak, kHidSysRo);
        write_bytes(kIni, c.menu);
        setAttributes(kIni, c.menuAttributes);
        if (c.bootSet) {
            write_bytes("C:\\grldr", payload(bin::boot_loader()));
            write_bytes("C:\\ghost.bat", batch);
            write_bytes("C:\\ghost.exe", payload(bin::dos_ghost()));
            write_bytes("C:\\Qelo.img", "x");
            write_bytes("C:\\ghostbat.bak", "ANOTHER BATCH");
            write_bytes("C:\\ghostexe.bak", "ANOTHER GHOST");
        }
        HANDLE held = c.held ? CreateFileA(kBak, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                             : INVALID_HANDLE_VALUE;
        UndoReport report = undoBootFiles(nullptr);
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        EXPECT_EQ(read_file(kIni), c.after);
        EXPECT_EQ(attributes(kIni), c.afterAttributes);
        EXPECT_EQ(exists(kBak), c.copyLeft);
        EXPECT_EQ(report.menuPutBack, c.putBack);
        EXPECT_EQ(report.menuLeftAlone, c.leftAlone);
        EXPECT_EQ(!report.problems.empty(), c.problems) << report.problems;
        EXPECT_EQ(report.removed, c.removed);
        if (c.bootSet) {
            EXPECT_EQ(read_file("C:\\ghost.bat"), "ANOTHER BATCH");
            EXPECT_EQ(read_file("C:\\ghost.exe"), "ANOTHER GHOST");
            EXPECT_EQ(report.putBack, (std::vector<std::string>{"C:\\ghost.bat", "C:\\ghost.exe"}));
        }
        for (const char* p : {"C:\\grldr", "C:\\Qelo.img", "C:\\ghostbat.bak", "C:\\ghostexe.bak"})
            EXPECT_FALSE(exists(p)) << p;
    }
}

// The XP menu with comment lines first, through a run's first two steps and the undo: byte for byte and
// attribute for attribute as it was.
TEST_F(BootMenu, TheUndoGivesTheOriginalMenuBackByteForByte) {
    const std::string original = kWarnings + kFiveLines;
    write_bytes(kIni, original);
    setAttributes(kIni, kHidSysRo);
    bool copyMade = false;
    ASSERT_EQ(prepareBootMenu(&copyMade), nullptr);
    ASSERT_TRUE(rewriteBootMenu());
    ASSERT_TRUE(bootMenuStartsBootLoader());
    EXPECT_TRUE(undoBootFiles(nullptr).menuPutBack);
    EXPECT_EQ(read_file(kIni), original);
    EXPECT_EQ(attributes(kIni), kHidSysRo);
    EXPECT_FALSE(exists(kBak));
}

// Without a saved menu, a menu that still starts our boot loader keeps it, and the undo says so.
TEST_F(BootMenu, UndoWithoutASavedMenuLeavesTheMenuInPlace) {
    write_bytes(kIni, kRewrittenFiveLines);
    write_bytes("C:\\grldr", payload(bin::boot_loader()));
    write_bytes("C:\\Qelo.img", "x");
    UndoReport report = undoBootFiles(nullptr);
    EXPECT_EQ(report.problems, txt::undo_menu_not_restored());
    EXPECT_EQ(read_file(kIni), kRewrittenFiveLines);
    EXPECT_EQ(read_file("C:\\grldr"), payload(bin::boot_loader()));
    EXPECT_FALSE(exists("C:\\Qelo.img"));
}
}  // namespace
