// Payload deployment: the skin library beside the program and the start-up skin, the custom DOS imaging
// program, and the Windows imaging program on E:.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "app/app.h"
#include "payloads/constants.h"
#include "runtime/internal.h"
#include "tests/support/test_support.h"

namespace {
std::string payload_bytes(const void* block) {
    return std::string(reinterpret_cast<const char*>(bytes_block_data(block)), bytes_block_length(block));
}

// The program "runs" from a scratch folder: that folder is where the skin library goes.
std::string run_from(const char* name) {
    set_constant_pool(constant_area(), kConstantAreaSize);
    std::string dir = scratch_dir(name);
    set_program_path((dir + "Quenvarghost.exe").c_str());
    return dir;
}

const char* const kSkinLibraryNames[] = {"SkinH_EL.dll"};
const char* const kSkinFunctionNames[] = {"SkinH_AttachRes"};

TEST(SkinLibraryDeployment, WrittenHiddenWhenAbsent) {
    std::string dir = run_from("absent");
    deploySkinLibrary();
    std::string path = dir + "SkinH_EL.dll";
    EXPECT_TRUE(read_file(path) == payload_bytes(bin::skin_library()));
    DWORD attributes = GetFileAttributesA(path.c_str());
    EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
}

TEST(SkinLibraryDeployment, PresentLibraryIsLeftAlone) {
    struct Case {
        const char* name;
        DWORD attributes;
    } cases[] = {{"plain", FILE_ATTRIBUTE_ARCHIVE},
                 {"hidden_system", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
                 {"read_only", FILE_ATTRIBUTE_READONLY}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = run_from(c.name) + "SkinH_EL.dll";
        write_bytes(path, "another library");
        SetFileAttributesA(path.c_str(), c.attributes);
        DWORD before = GetFileAttributesA(path.c_str());
        deploySkinLibrary();
        EXPECT_EQ(read_file(path), "another library");
        EXPECT_EQ(GetFileAttributesA(path.c_str()), before);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// Start-up's skin step: deploy, then DLL command 0 with skin 10. The skin library redirects the program's
// system face colour to the skin's window colour, which shows that the call went through.
CHILD_SCENARIO(apply_skin) {
    run_from("apply");
    set_dll_commands(1, kSkinLibraryNames, kSkinFunctionNames);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    applySkin();
    child_write("returned\n");
    child_write(GetSysColor(COLOR_BTNFACE) == 0xF4E3D4 && face != 0xF4E3D4 ? "skinned\n" : "not skinned\n");
}

// A program folder that cannot take the library: no skin, and start-up goes on.
CHILD_SCENARIO(apply_skin_without_library) {
    set_constant_pool(constant_area(), kConstantAreaSize);
    set_program_path((scratch_dir("nolib") + "missing\\Quenvarghost.exe").c_str());
    set_dll_commands(1, kSkinLibraryNames, kSkinFunctionNames);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    applySkin();
    child_write("returned\n");
    child_write(GetSysColor(COLOR_BTNFACE) == face ? "not skinned\n" : "skinned\n");
}

TEST(StartUpSkin, AppliesSkinTenThroughTheDllCommand) {
    ChildResult r = run_child("apply_skin");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "returned\nskinned\n");  // a stack imbalance would have ended it with error 6
}

TEST(StartUpSkin, WithoutTheLibraryStartUpGoesOn) {
    ChildResult r = run_child("apply_skin_without_library");
    EXPECT_EQ(r.exit_code, 0u);
    EXPECT_EQ(r.output, "returned\nnot skinned\n");
}

TEST(CustomGhost, PathMustContainGhostExeIgnoringCase) {
    struct Case {
        const char* path;
        bool custom;
    } cases[] = {
        {"D:\\tools\\GHOST.EXE", true},
        {"D:\\tools\\ghost.exe", true},
        {"D:\\tools\\Ghost.Exe", true},
        {"D:\\ghost.exe backup\\gh11.exe", true},  // only containment counts
        {"D:\\tools\\gh11.exe", false},
        {"D:\\tools\\ghost32.exe", false},
        {"D:\\tools\\ghost.ex", false},
        {"", false},
    };
    set_constant_pool(constant_area(), kConstantAreaSize);
    for (const Case& c : cases) EXPECT_EQ(usesCustomGhost(c.path), c.custom) << c.path;
}
}  // namespace
