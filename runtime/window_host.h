// The window host: what the runtime needs from the layer that owns windows and units (forms/), and what it
// offers that layer in return. The program installs a host at start-up, before it initialises the runtime;
// the runtime itself knows nothing of form data, unit types or controls.
#pragma once

#include <cstdint>

#include "runtime/runtime.h"

// Members left null answer as "no windows": loading a window fails, no unit is found, nothing is alive. The
// property calls are the exception: without them every property access is the fatal "window not loaded".
struct WindowHost {
    // {window identifier, parent system window or null, modal flag} -> 0 on success, -1 on failure. A modal
    // window returns once it has closed.
    int32_t (*load_window)(uint32_t window, void* parent, bool modal);
    void* (*find_unit)(uint32_t window, uint32_t unit);  // the unit's system window, or null when not loaded
    void (*process_messages)();
    void (*close_all_windows)();
    // Start-up: reads the form data and binds its handlers; false when it is damaged.
    bool (*read_form_data)(const void* start, uint32_t size, const void* code_base);
    // Offered every message before it is dispatched; true when the window layer consumed it.
    bool (*pre_translate)(void* msg);
    bool (*any_window_alive)();
    // Marks a loaded window as closing and destroys it now, or once the current event handler has returned.
    void (*close_window)(uint32_t window, bool now);
    // Runs the file dialog of a loaded file-dialog unit; true when the user confirmed a choice.
    bool (*run_file_dialog)(uint32_t window, uint32_t unit);
    // Sets the text of one part of a loaded status-bar unit; an index out of range changes nothing.
    void (*set_status_text)(uint32_t window, uint32_t unit, int32_t part, const char* text);
    // get_property and set_property of the runtime's interface, for any window of the form data.
    uint64_t (*get_property)(uint32_t window, uint32_t unit, int32_t property, int32_t member);
    void (*set_property)(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t hi);
    // click_unit of the runtime's interface: a click on a unit of a loaded window where the user could click it.
    bool (*click_unit)(uint32_t window, uint32_t unit);
};
void set_window_host(const WindowHost& host);  // copied; replaces the host installed before
const WindowHost& window_host();

// What the runtime offers the window layer.

// Takes and dispatches messages while one is waiting and it is not WM_QUIT (left queued).
void process_pending_messages();
// Called after a window of the form data was destroyed: posts WM_QUIT when no window is left, provided the
// program's message loop runs.
void window_destroyed();
