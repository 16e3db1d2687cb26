// The carried payloads: written out whole, left alone by free, in pool order, of the kind their targets
// expect; the floppy image stand-in's geometry and start-up batch; the probe script's form.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
class Payloads : public ::testing::Test {
protected:
    void SetUp() override { set_constant_pool(constant_area(), kConstantAreaSize); }
    void TearDown() override { set_constant_pool(nullptr, 0); }
};

uint32_t u16(const std::string& b, size_t at) {
    return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8;
}
uint32_t u32(const std::string& b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

struct Payload {
    const char* name;
    const void* block;
};

std::vector<Payload> every_payload() {
    std::vector<Payload> all = {{"boot_loader", bin::boot_loader()},     {"dos_ghost", bin::dos_ghost()},
                                {"floppy_image", bin::floppy_image()},   {"windows_ghost", bin::windows_ghost()},
                                {"skin_library", bin::skin_library()},   {"probe_script", bin::probe_script()}};
    for (int32_t n = 1; n <= bin::kSkinCount; ++n) all.push_back({"skin", bin::skin(n)});
    return all;
}

TEST_F(Payloads, WrittenWithWriteFileGiveExactlyTheirBytes) {
    std::string dir = scratch_dir("written");
    for (const Payload& p : every_payload()) {
        SCOPED_TRACE(p.name);
        ASSERT_TRUE(in_constant_pool(p.block));
        ASSERT_GT(bytes_block_length(p.block), 0);
        std::string path = dir + "payload.bin";
        Value ok = call_command(write_file, 2, value_text(path.c_str()), value_bytes(p.block));
        EXPECT_TRUE(value_as_bool(ok));
        std::string written = read_file(path);
        EXPECT_EQ(written.size(), static_cast<size_t>(bytes_block_length(p.block)));
        EXPECT_TRUE(written == payload(p.block));
    }
}

TEST_F(Payloads, FreeingAConstantLeavesItUsable) {
    const void* image = bin::floppy_image();
    std::string before = payload(image);
    free_block(const_cast<void*>(image));
    { Bytes held(const_cast<void*>(image)); }  // a variable that held the constant goes out of scope
    EXPECT_TRUE(payload(image) == before);
    // Stored in a variable, a constant becomes a heap copy of header and bytes, which the variable owns.
    Bytes copy = Bytes::copy(image);
    EXPECT_FALSE(in_constant_pool(copy.get()));
    EXPECT_EQ(copy.length(), bytes_block_length(image));
    EXPECT_EQ(std::memcmp(copy.data(), bytes_block_data(image), before.size()), 0);
    std::string path = scratch_dir("freed") + "again.img";
    call_command(write_file, 2, value_text(path.c_str()), value_bytes(image));
    EXPECT_TRUE(read_file(path) == before);
}

TEST_F(Payloads, SkinsLieInNumberOrderAndSkinTenIsTheTenth) {
    ASSERT_EQ(bin::kSkinCount, 33);
    const char* area = static_cast<const char*>(constant_area());
    for (int32_t n = 1; n < bin::kSkinCount; ++n) {
        const char* skin = static_cast<const char*>(bin::skin(n));
        EXPECT_EQ(static_cast<const char*>(bin::skin(n + 1)), skin + 8 + bytes_block_length(skin)) << n;
    }
    EXPECT_EQ(bin::skin(10), bin::skin_10());
    EXPECT_EQ(static_cast<const char*>(bin::skin(1)), static_cast<const char*>(bin::skin_library()) + 8 +
                                                          bytes_block_length(bin::skin_library()));
    EXPECT_EQ(bin::skin(0), nullptr);
    EXPECT_EQ(bin::skin(34), nullptr);
    EXPECT_LT(static_cast<const char*>(bin::skin(33)), area + kConstantAreaSize);
    EXPECT_NE(payload(bin::skin(10)).find("\xC6\xA4\xB7\xF4 10 "), std::string::npos);  // its name: 皮肤 10
}

// What each target needs of the payload's first bytes.
bool is_pe(const std::string& b, bool dll) {
    if (b.size() < 0x40 || b.compare(0, 2, "MZ") != 0) return false;
    size_t pe = u32(b, 0x3C);
    if (pe + 24 > b.size() || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
    bool is_dll = (u16(b, pe + 22) & 0x2000) != 0;  // IMAGE_FILE_DLL
    return u16(b, pe + 4) == 0x14C && is_dll == dll;
}

TEST_F(Payloads, EachPayloadIsOfTheKindItsTargetExpects) {
    std::string boot = payload(bin::boot_loader());
    EXPECT_EQ(boot.substr(boot.size() - 2), "\x55\xAA");
    EXPECT_EQ(payload(bin::dos_ghost()).substr(0, 2), "MZ");
    EXPECT_TRUE(is_pe(payload(bin::windows_ghost()), false));
    EXPECT_TRUE(is_pe(payload(bin::skin_library()), true));
    std::string library = payload(bin::skin_library());
    EXPECT_NE(library.find(std::string("SkinH_AttachRes\0", 16)), std::string::npos);
    EXPECT_EQ(payload(bin::floppy_image()).substr(0, 11), "\xEB\x3C\x90MSWIN4.1");
    for (int32_t n = 1; n <= bin::kSkinCount; ++n)
        EXPECT_EQ(payload(bin::skin(n)).substr(0, 6), std::string(".SHE\0\x03", 6)) << n;
}

// --- The floppy image: FAT12 geometry and the DOS side's start-up files

std::string floppy_file(const std::string& image, const char* short_name) {
    const size_t sector = u16(image, 11), per_cluster = static_cast<uint8_t>(image[13]);
    const size_t fats = static_cast<uint8_t>(image[16]), fat_sectors = u16(image, 22), root_entries = u16(image, 17);
    const size_t fat = u16(image, 14) * sector;
    const size_t root = fat + fats * fat_sectors * sector;
    const size_t data = root + root_entries * 32;
    for (size_t e = 0; e < root_entries; ++e) {
        const size_t entry = root + e * 32;
        if (image.compare(entry, 11, short_name) != 0) continue;
        size_t remaining = u32(image, entry + 28);
        std::string content;
        for (uint32_t c = u16(image, entry + 26); c >= 2 && c < 0xFF8 && remaining > 0;) {
            size_t n = std::min(remaining, per_cluster * sector);
            content += image.substr(data + (c - 2) * per_cluster * sector, n);
            remaining -= n;
            uint32_t pair = u16(image, fat + c * 3 / 2);
            c = c & 1 ? pair >> 4 : pair & 0xFFF;
        }
        return content;
    }
    return "";
}

TEST_F(Payloads, FloppyImageHasTheBootFloppyGeometry) {
    std::string image = payload(bin::floppy_image());
    ASSERT_EQ(image.size(), 2949120u);
    EXPECT_EQ(image.substr(3, 8), "MSWIN4.1");
    EXPECT_EQ(u16(image, 11), 512u);                    // bytes per sector
    EXPECT_EQ(static_cast<uint8_t>(image[13]), 2);      // sectors per cluster
    EXPECT_EQ(u16(image, 14), 1u);                      // reserved sectors
    EXPECT_EQ(static_cast<uint8_t>(image[16]), 2);      // FATs
    EXPECT_EQ(u16(image, 17), 240u);                    // root entries
    EXPECT_EQ(u16(image, 19), 5760u);                   // sectors
    EXPECT_EQ(static_cast<uint8_t>(image[21]), 0xF0);   // media byte
    EXPECT_EQ(u16(image, 22), 9u);                      // sectors per FAT
    EXPECT_EQ(u16(image, 24), 36u);                     // sectors per track
    EXPECT_EQ(u16(image, 26), 2u);                      // heads
    EXPECT_EQ(static_cast<uint8_t>(image[38]), 0x29);   // extended parameter block
    EXPECT_EQ(image.substr(43, 11), "NO NAME    ");
    EXPECT_EQ(image.substr(54, 8), "FAT12   ");
    EXPECT_EQ(image.substr(510, 2), "\x55\xAA");
    // Both FATs alike, starting with the media byte; 2,863 clusters keep it a FAT12 volume.
    EXPECT_EQ(image.substr(512, 9 * 512), image.substr(512 + 9 * 512, 9 * 512));
    EXPECT_EQ(image.substr(512, 3), "\xF0\xFF\xFF");
    EXPECT_LT((5760u - 1 - 18 - 15) / 2, 4085u);
}

TEST_F(Payloads, FloppyStartUpBatchRunsTheDosStepsInOrder) {
    std::string image = payload(bin::floppy_image());
    EXPECT_NE(floppy_file(image, "CONFIG  SYS").find("DEVICE=A:\\HIMEM.SYS\r\n"), std::string::npos);
    std::string batch = floppy_file(image, "AUTOEXECBAT");
    ASSERT_FALSE(batch.empty());
    EXPECT_EQ(batch.find('\n'), batch.find("\r\n") + 1);  // CR LF lines
    // The steps in the order the DOS side must take them; each must follow the one before. The drive is the
    // first that holds the floppy image (the letters go backwards: the last one set wins); the menu is put back
    // by writing the copy over it, and checked, before anything is removed or run.
    const char* steps[] = {
        "XMSDSK.EXE 4096 Z:",
        "COPY A:\\COMMAND.COM Z:\\",
        "COPY A:\\ATTRIB.COM Z:\\",
        "COPY A:\\FIND.EXE Z:\\",
        "COPY A:\\RESTART.COM Z:\\",
        "COPY A:\\XMSMAN.EXE Z:\\",
        "PATH Z:\\",
        "A:\\NTFSDRV.EXE",
        "FOR %%D IN (Y X W V U T S R Q P O N M L K J I H G F E D C) DO IF EXIST %%D:\\QELO.IMG SET QD=%%D",
        "COPY %QD%:\\GHOST.BAT Z:\\",
        "COPY %QD%:\\GHOST.EXE Z:\\",
        "ATTRIB -R -H -S %QD%:\\BOOT.BAK",
        "COPY /Y %QD%:\\BOOT.BAK %QD%:\\BOOT.INI",
        "DEL %QD%:\\BOOT.BAK",
        "\r\n:CHECKMENU\r\n",
        "IF EXIST %QD%:\\BOOT.BAK GOTO MENUNOTBACK\r\n",
        "IF NOT EXIST %QD%:\\BOOT.INI GOTO MENUNOTBACK\r\n",
        "FIND /I \"C:\\grldr=Drelvok\" %QD%:\\BOOT.INI",
        "IF ERRORLEVEL 2 GOTO MENUNOTBACK\r\n",
        "IF NOT ERRORLEVEL 1 GOTO MENUNOTBACK\r\n",
        "DEL %QD%:\\GHOST.BAT",
        "DEL %QD%:\\GHOST.EXE",
        "DEL %QD%:\\GRLDR\r\n",
        "DEL %QD%:\\QELO.IMG",
        "REN %QD%:\\GRLDR.BAK GRLDR\r\n",
        "REN %QD%:\\GHOSTBAT.BAK GHOST.BAT\r\n",
        "REN %QD%:\\GHOSTEXE.BAK GHOST.EXE\r\n",
        "\r\nZ:\r\n",
        "\r\nGHOST.BAT\r\n",
    };
    size_t at = 0;
    for (const char* step : steps) {
        size_t found = batch.find(step, at);
        EXPECT_NE(found, std::string::npos) << "missing or out of order: " << step;
        if (found != std::string::npos) at = found + std::strlen(step);
    }
    // Only what the tool saved is put back: no boot configuration of a later Windows, no GRLDR.MBR; the menu is
    // never deleted; the imaging program runs once.
    for (const char* never : {"BCD", "GRLDR.MBR", "DEL %QD%:\\BOOT.INI"})
        EXPECT_EQ(batch.find(never), std::string::npos) << never;
    EXPECT_EQ(batch.find("\r\nGHOST.BAT\r\n"), batch.rfind("\r\nGHOST.BAT\r\n"));
    // Where the menu is not back, the batch says what to do and runs nothing, restarts nothing.
    size_t block = batch.find("\r\n:MENUNOTBACK\r\n");
    ASSERT_NE(block, std::string::npos);
    size_t blockEnd = batch.find("\r\nGOTO END\r\n", block);
    ASSERT_NE(blockEnd, std::string::npos);
    for (size_t line = batch.find("\r\n", block + 2) + 2; line < blockEnd + 2; line = batch.find("\r\n", line) + 2)
        EXPECT_EQ(batch.substr(line, 5), "ECHO ") << batch.substr(line, batch.find("\r\n", line) - line);
}

TEST_F(Payloads, ProbeScriptIsAGbkBatchWithoutAFinalLineEnd) {
    std::string script = payload(bin::probe_script());
    EXPECT_EQ(script.substr(0, 11), "@echo off\r\n");
    EXPECT_EQ(script.substr(script.size() - 7), "\r\npause");
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\n') {
            EXPECT_EQ(script[i - 1], '\r') << "bare LF at " << i;
        }
    }
    EXPECT_NE(script.find("setlocal ENABLEDELAYEDEXPANSION\r\n"), std::string::npos);
    // findstr with one regular expression each (磁盘, 分区 in GBK): the phrase, not alternatives. Partition
    // numbers of two digits count too: a disk of ten partitions or more is counted whole.
    EXPECT_NE(script.find("findstr /R /C:\"\xB4\xC5\xC5\xCC [0-9] \""), std::string::npos);
    EXPECT_NE(script.find("findstr /R /C:\"\xB7\xD6\xC7\xF8 [0-9][0-9]* \""), std::string::npos);
    // The line the program reads: 磁盘, a blank, the disk number, eight blanks, 含有 and the count.
    EXPECT_NE(script.find("echo \xB4\xC5\xC5\xCC %%b        \xBA\xAC\xD3\xD0!num!\r\n"), std::string::npos);
}
}  // namespace
