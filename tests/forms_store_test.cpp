// The program's form-definition block and the form store: layout, identifiers, containers, handler binding,
// the common properties on the records, and start-up's handling of the form data.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "forms/form_store.h"
#include "forms/unit_ids.h"
#include "forms/units.h"
#include "runtime/internal.h"
#include "tests/support/form_handlers.h"
#include "tests/support/test_support.h"

namespace {
int g_calls[kHandlerCount];
template <int I>
struct CountCall {
    static bool call(const int32_t*, int32_t, int32_t*) {
        ++g_calls[I];
        return false;
    }
};
const auto kTable = make_handler_table<CountCall>();

std::vector<FormWindow> parsed() {
    std::vector<FormWindow> w;
    EXPECT_TRUE(parse_form_data(form_data_block, form_data_block_size, &w));
    return w;
}

uint32_t read32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
}  // namespace

TEST(FormData, WindowTableAndUnitCountsComeFromTheBlock) {
    // Read straight from the bytes: table length, the three identifiers, then each record's unit count.
    ASSERT_GE(form_data_block_size, 28u);
    EXPECT_EQ(read32(form_data_block), 24u);
    EXPECT_EQ(read32(form_data_block + 4), 0x52010001u);
    EXPECT_EQ(read32(form_data_block + 8), 0x52010182u);
    EXPECT_EQ(read32(form_data_block + 12), 0x520101BAu);
    uint32_t pos = 28;
    const uint32_t counts[3] = {45, 7, 6};
    const uint32_t classes[3] = {0x19010003, 0x19010188, 0x190101C0};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(read32(form_data_block + pos + 4), classes[i]);
        pos += 8;
        pos += 4 + read32(form_data_block + pos);  // name
        pos += 4 + read32(form_data_block + pos);  // comment
        EXPECT_EQ(read32(form_data_block + pos), counts[i]);
        uint32_t block = read32(form_data_block + pos + 4);
        pos += 8 + block;
    }
    EXPECT_EQ(pos, form_data_block_size);
}

TEST(FormData, ParsedStoreWritesBackTheSameBytes) {
    std::vector<FormWindow> w = parsed();
    std::string again = write_form_data(w);
    ASSERT_EQ(again.size(), form_data_block_size);
    EXPECT_EQ(std::memcmp(again.data(), form_data_block, form_data_block_size), 0);
}

TEST(FormData, IdentifiersAndContainersAreConsistent) {
    std::vector<FormWindow> windows = parsed();
    ASSERT_EQ(windows.size(), 3u);
    const uint32_t selves[3] = {0x06010000, 0x06010183, 0x060101BB};
    std::set<uint32_t> seen;
    for (size_t wi = 0; wi < windows.size(); ++wi) {
        const FormWindow& w = windows[wi];
        EXPECT_EQ(w.unit_ids[0], selves[wi]);
        EXPECT_EQ(w.units[0].type, kUnitWindow);
        for (size_t i = 0; i < w.units.size(); ++i) {
            const UnitRecord& u = w.units[i];
            EXPECT_TRUE(seen.insert(w.unit_ids[i]).second) << "duplicate identifier " << w.unit_ids[i];
            if (i > 0) {
                EXPECT_EQ(w.unit_ids[i] >> 24, 0x16u);
            }
            if (!u.container) continue;
            // the container is a group box of the same window that lists this unit
            int32_t c = find_unit_index(w, u.container);
            ASSERT_GT(c, 0) << u.name;
            const UnitRecord& box = w.units[static_cast<size_t>(c)];
            EXPECT_EQ(box.type, kUnitGroupBox);
            EXPECT_NE(std::find(box.children.begin(), box.children.end(), w.unit_ids[i]), box.children.end());
        }
    }
}

TEST(FormData, DamagedBlocksAreRejected) {
    std::vector<FormWindow> w;
    // every truncation of the block fails, as do inflated lengths
    for (uint32_t cut : {0u, 3u, 27u, 100u, form_data_block_size / 2, form_data_block_size - 1}) {
        EXPECT_FALSE(parse_form_data(form_data_block, cut, &w)) << cut;
    }
    std::string copy(reinterpret_cast<const char*>(form_data_block), form_data_block_size);
    copy[0] = 25;  // window table length not a multiple of 8
    EXPECT_FALSE(parse_form_data(reinterpret_cast<const uint8_t*>(copy.data()), form_data_block_size, &w));
    copy.assign(reinterpret_cast<const char*>(form_data_block), form_data_block_size);
    copy += "x";  // trailing garbage
    EXPECT_FALSE(parse_form_data(reinterpret_cast<const uint8_t*>(copy.data()), form_data_block_size + 1, &w));
}

TEST(FormStore, HandlerReferenceZeroIsRealAndMinusOneIsNone) {
    ASSERT_TRUE(form_store_start(form_data_block, form_data_block_size, kTable.data()));
    std::memset(g_calls, 0, sizeof g_calls);
    // 手动选择框's click is bound to stored reference 0
    const UnitRecord* manual = find_unit_record(main_window::kWindow, main_window::手动选择框);
    ASSERT_NE(manual, nullptr);
    ASSERT_EQ(manual->events.size(), 1u);
    EXPECT_EQ(manual->events[0].stored, 0u);
    EventOutcome out = raise_event(main_window::kWindow, main_window::手动选择框, 0);
    EXPECT_TRUE(out.handled);
    EXPECT_EQ(g_calls[0], 1);
    // a unit without a pair for the event: nothing runs
    EXPECT_FALSE(raise_event(main_window::kWindow, main_window::手动选择框, -1).handled);

    // A block whose pair holds -1: no handler, and the event is simply not delivered.
    std::vector<FormWindow> windows = parsed();
    windows[0].units[find_unit_index(windows[0], main_window::手动选择框)].events[0].stored = kNoHandler;
    std::string block = write_form_data(windows);
    ASSERT_TRUE(form_store_start(block.data(), static_cast<uint32_t>(block.size()), kTable.data()));
    EXPECT_EQ(find_handler(main_window::kWindow, main_window::手动选择框, 0), nullptr);
    EXPECT_FALSE(raise_event(main_window::kWindow, main_window::手动选择框, 0).handled);
    EXPECT_EQ(g_calls[0], 1);

    // A reference beyond the handler table is a damaged block.
    windows[0].units[1].events[0].stored = kHandlerCount;
    block = write_form_data(windows);
    EXPECT_FALSE(form_store_start(block.data(), static_cast<uint32_t>(block.size()), kTable.data()));
}

TEST(FormStore, FirstMatchingEventPairWinsAndTheSourceIsKnownDuringTheHandler) {
    std::vector<FormWindow> windows = parsed();
    UnitRecord& exit_button = windows[0].units[find_unit_index(windows[0], main_window::退出)];
    exit_button.events = {{-9, 5, nullptr}, {0, 7, nullptr}, {0, 8, nullptr}};
    std::string block = write_form_data(windows);
    ASSERT_TRUE(form_store_start(block.data(), static_cast<uint32_t>(block.size()), kTable.data()));
    EXPECT_EQ(find_handler(main_window::kWindow, main_window::退出, 0), kTable[7]);
    EXPECT_EQ(current_event_source(), std::make_pair(main_window::kWindow, main_window::退出));
    EXPECT_EQ(find_handler(main_window::kWindow, main_window::退出, -9), kTable[5]);
    EXPECT_EQ(find_handler(main_window::kWindow, 0, 0), kTable[1]);  // 0 = the window entry
    clear_event_source();
    EXPECT_EQ(current_event_source(), std::make_pair(0u, 0u));
}

TEST(FormStore, CommonPropertiesBeforeCreationLiveOnTheRecord) {
    ASSERT_TRUE(form_store_start(form_data_block, form_data_block_size, kTable.data()));
    using namespace main_window;
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 列表框1, 2, -1)), 328);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 列表框1, 3, -1)), 66);
    EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 通用提供者1, 1, -1)), -8);
    EXPECT_EQ(get_property(kWindow, 销毁按钮, 5, -1), 0u);  // stored hidden
    EXPECT_EQ(get_property(kWindow, 编辑框3, 6, -1), 1u);   // stored disabled
    // writes go to the record, clamped to 0..32627
    struct { int32_t written, stored; } widths[] = {{40000, 32627}, {-5, 0}, {32627, 32627}, {120, 120}};
    for (auto c : widths) {
        set_property(kWindow, 确定, 2, -1, static_cast<uint32_t>(c.written), 0);
        EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 确定, 2, -1)), c.stored) << c.written;
        set_property(kWindow, 确定, 3, -1, static_cast<uint32_t>(c.written), 0);
        EXPECT_EQ(static_cast<int32_t>(get_property(kWindow, 确定, 3, -1)), c.stored) << c.written;
    }
    set_property(kWindow, 销毁按钮, 5, -1, 1, 0);
    EXPECT_EQ(get_property(kWindow, 销毁按钮, 5, -1), 1u);
    set_property(kWindow, 确定, 4, -1, static_cast<uint32_t>(reinterpret_cast<uintptr_t>("标记")), 0);
    Text tag(reinterpret_cast<char*>(static_cast<uintptr_t>(get_property(kWindow, 确定, 4, -1))));
    EXPECT_STREQ(tag.c_str(), "标记");
}

// --- Fatal errors of the form store and of start-up, in child processes ---------------------------------------

CHILD_SCENARIO(own_property_without_window) {
    form_store_start(form_data_block, form_data_block_size, kTable.data());
    get_property(main_window::kWindow, main_window::确定, 10, -1);
}
CHILD_SCENARIO(unknown_window_property) {
    form_store_start(form_data_block, form_data_block_size, kTable.data());
    get_property(0x52019999, 0, 0, -1);
}
CHILD_SCENARIO(unknown_event_window) {
    form_store_start(form_data_block, form_data_block_size, kTable.data());
    raise_event(0x52019999, 0, 0);
}
CHILD_SCENARIO(unknown_event_unit) {
    form_store_start(form_data_block, form_data_block_size, kTable.data());
    raise_event(main_window::kWindow, 0x16019999, 0);
}
CHILD_SCENARIO(damaged_form_data) {
    static const uint8_t broken[] = {24, 0, 0, 0, 1, 0, 1, 0x52};
    ProgramHeader h{3, 0, 0x000102EA, kTable.data(), nullptr, 0, broken, sizeof broken, 0, nullptr, 0, nullptr, nullptr};
    run_internal(6, &h);
    child_write("not reached\n");
}
CHILD_SCENARIO(no_form_data) {
    ProgramHeader h{3, 0, 0x000102EA, kTable.data(), nullptr, 0, form_data_block, 0, 0, nullptr, 0, nullptr, nullptr};
    run_internal(6, &h);
    child_write("initialised\n");
    load_startup_window(main_window::kWindow, main_window::self);
    child_write("not reached\n");
}

TEST(FormStoreFatal, MessagesOfTheFormStoreAndStartUp) {
    struct {
        const char* scenario;
        const char* output;
    } cases[] = {
        {"own_property_without_window", "0|指定窗口尚未载入\n"},
        {"unknown_window_property", "0|未载入欲访问窗口组件所在的窗口\n"},
        {"unknown_event_window", "0|未找到引发事件的窗口\n"},
        {"unknown_event_unit", "0|未找到引发事件的窗口组件\n"},
        {"damaged_form_data", "0|载入窗口模板数据段出错!\n"},
        {"no_form_data", "initialised\n0|载入启动窗口失败\n"},
    };
    for (const auto& c : cases) {
        ChildResult r = run_child(c.scenario);
        EXPECT_EQ(r.exit_code, 0xFFFFFFFFul) << c.scenario;
        EXPECT_EQ(r.output, c.output) << c.scenario;
    }
}
