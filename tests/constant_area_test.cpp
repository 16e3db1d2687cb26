// The generated constant area: its layout, and how the runtime treats constants as the constant pool.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "payloads/constants.h"
#include "runtime/internal.h"

namespace {
class ConstantArea : public ::testing::Test {
protected:
    void SetUp() override { set_constant_pool(constant_area(), kConstantAreaSize); }
    void TearDown() override { set_constant_pool(nullptr, 0); }
};

TEST_F(ConstantArea, BeginsWithTheEmptyTextAndByteSet) {
    const char* area = static_cast<const char*>(constant_area());
    EXPECT_EQ(area[0], 0);
    int32_t header[2];
    std::memcpy(header, area + 1, 8);
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(header[1], 0);
    // Null variables are passed as these two constants.
    EXPECT_EQ(value_as_text(value_text(nullptr)), area);
    EXPECT_EQ(value_as_block(value_bytes(nullptr)), static_cast<const void*>(area + 1));
}

TEST_F(ConstantArea, TextConstantsAreGbkTextsInsideTheArea) {
    EXPECT_STREQ(txt::path_boot_ini(), "C:\\boot.ini");
    EXPECT_STREQ(txt::path_ghost32(), "E:\\Ghost32.exe");
    EXPECT_TRUE(in_constant_pool(txt::path_probe_script()));
    EXPECT_FALSE(in_constant_pool(txt::path_boot_ini() + std::strlen(txt::path_boot_ini()) + kConstantAreaSize));
}

TEST_F(ConstantArea, ConstantsSurviveFreeAndRealloc) {
    const char* boot = txt::path_boot_ini();
    Text held(const_cast<char*>(boot));  // a variable holding a constant: freeing it must leave the area alone
    held.reset();
    EXPECT_STREQ(boot, "C:\\boot.ini");
    char* copy = static_cast<char*>(realloc_block(const_cast<char*>(boot), 64));
    EXPECT_FALSE(in_constant_pool(copy));
    EXPECT_STREQ(copy, "C:\\boot.ini");
    free_block(copy);
    EXPECT_STREQ(boot, "C:\\boot.ini");
}
}  // namespace
