// The form store: the windows of the form-definition block, read once at start-up, with their unit records
// and event bindings. form_block.cpp reads and writes the stored layout, form_store.cpp keeps the windows and
// binds their handlers, event_dispatch.cpp raises events; the common properties 0..7 kept on the records are
// served by properties.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "forms/window_layer.h"
#include "runtime/runtime.h"

// The handler table: the program header's code_base points at an array of HandlerFn ending with a null
// entry; a stored handler reference is a position in it (0 is a real handler, -1 none).
constexpr uint32_t kNoHandler = 0xFFFFFFFF;

struct EventPair {
    int32_t number;
    uint32_t stored;    // the reference as stored in the block
    HandlerFn handler;  // bound at start-up; null = none
};

// State flag bits of a unit record.
constexpr uint32_t kStateVisible = 1, kStateDisabled = 2, kStateTab = 4;
constexpr int32_t kMaxExtent = 32627;

struct Unit;
struct UnitRecord {
    uint32_t type = 0;
    std::string reserved_head;  // 20 bytes
    std::string name, comment;
    // ordinary units and the window entry
    uint32_t object_slot = 0, cursor_slot = 0;  // as stored
    int32_t left = 0, top = 0, width = 0, height = 0;
    uint32_t container = 0;
    std::vector<uint32_t> children;
    std::string cursor;  // counted block
    std::string tag;
    uint32_t reserved_a = 0, state = 0, reserved_b = 0;
    std::vector<EventPair> events;
    std::string reserved_tail;  // 20 bytes
    std::string own_data;       // everything after the reserved tail
    // menu items
    uint32_t menu_values[3] = {0, 0, 0};
    std::string menu_caption;
    bool is_menu_item() const { return type == kUnitMenuItem; }

    Unit* object = nullptr;  // the live unit while its window exists
};

struct FormWindow {
    uint32_t id = 0;
    uint32_t value_a = 0, class_id = 0;
    std::string name, comment;
    std::vector<uint32_t> unit_ids;
    std::vector<UnitRecord> units;  // units[0] is the window itself

    // run-time state of the loaded window (see window_creation.cpp and modal.cpp)
    void* hwnd = nullptr;
    bool closing = false;
    bool modal_running = false;
    std::vector<std::pair<void*, bool>> disabled_by_modal;  // other top-level windows and their enabled state
    void* active_before_modal = nullptr;  // the window that had the keyboard when this modal window opened
    bool focus_check_posted = false;      // a check that the focused unit is still usable is queued
};

// Parses a block; false when it is damaged (anything out of bounds or inconsistent). Handler references stay
// unbound.
bool parse_form_data(const uint8_t* data, uint32_t size, std::vector<FormWindow>* windows);
// Writes the windows back in the stored layout (stored handler references, stored slots).
std::string write_form_data(const std::vector<FormWindow>& windows);

// Start-up: parse the block and bind every handler reference through the handler table. False on a damaged
// block or a reference outside the table (the caller reports the fatal error).
bool form_store_start(const void* data, uint32_t size, const void* code_base);
std::vector<FormWindow>& form_windows();

FormWindow* find_window(uint32_t window);
// identifier 0 means the window entry (index 0); -1 when not found
int32_t find_unit_index(const FormWindow& w, uint32_t unit);
UnitRecord* find_unit_record(uint32_t window, uint32_t unit);

// The handler bound to (window, unit, event): the first pair with that number; a menu item's single handler
// whatever the number. Remembers (window, unit) as the current event source. Unknown window or unit is fatal.
HandlerFn find_handler(uint32_t window, uint32_t unit, int32_t event);
std::pair<uint32_t, uint32_t> current_event_source();
void clear_event_source();

struct EventOutcome {
    bool handled;   // a handler ran
    bool returned;  // it returned a value
    int32_t value;
    bool refused() const { return returned && value == 0; }  // a false result swallows the message
};
EventOutcome raise_event(uint32_t window, uint32_t unit, int32_t event, std::initializer_list<int32_t> args = {});
