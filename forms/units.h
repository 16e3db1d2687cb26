// Window units: the live objects of a loaded window's entries, their controls, own properties and events.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <ole2.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

#include "forms/form_store.h"

struct Unit {
    FormWindow* window = nullptr;
    uint32_t window_id = 0, unit_id = 0, type = 0;
    HWND hwnd = nullptr;
    WNDPROC original_proc = nullptr;  // system controls are subclassed
    int32_t control_id = 0;

    // Own properties decoded from the stored data, by property number.
    std::map<int32_t, int32_t> ints;
    std::map<int32_t, std::string> texts;   // texts and byte blocks
    int32_t font_property = -1;             // the type's font property, -1 when it has none
    bool has_font = false;
    LOGFONTA font{};
    HFONT hfont = nullptr;
    HBRUSH brush = nullptr;
    COLORREF brush_colour = 0;
    IPicture* picture = nullptr;
    HICON icon = nullptr;
    int32_t timer_starts = 0;  // how often the timer was (re)started
    // list items of a combo box or list box, and the parts of a status bar
    std::vector<std::string> items;
    std::vector<int32_t> item_data;
    struct Part {
        int32_t width, style;
        std::string text;
    };
    std::vector<Part> parts;
};

// A font value as passed to and returned from a font property with member index -1.
struct FontValue {
    int32_t angle, bold, italic, underline, strike_out, size;
    const char* face;
};

// Installs the window layer as the runtime's window host (runtime/window_host.h); the program calls it at
// start-up, before it initialises the runtime, which then reads the form data through it.
void install_window_layer();

// The window layer's entry points, also used directly by tests.
int32_t load_form_window(uint32_t window, HWND parent, bool modal);
Unit* live_unit(uint32_t window, uint32_t unit);  // null when the window or unit has no live object
bool pre_translate_message(MSG* msg);
void close_all_form_windows();
// Destroys a loaded window now; a modal one first hands the keyboard back to the window active before it.
void destroy_form_window(FormWindow& w);

// Key state of the common events: bit 0 Ctrl, bit 1 Shift, bit 2 Alt.
int32_t current_key_state();

// File dialogs: the filter handed to the system ("|" separators, "||" appended unless present) and the
// filter index rule; the dialog's flags from properties 15..19.
std::string dialog_filter(const std::string& stored);
DWORD dialog_filter_index(int32_t stored_index, bool has_filter);
DWORD dialog_flags(const Unit& u);
// Runs the dialog of a CommonDlg unit; true when the user confirmed (property 10 then holds the path).
bool run_common_dialog(Unit& u);
// Status bar: sets part `part`'s text; false when the index is out of range.
bool status_bar_set_part(Unit& u, int32_t part, const char* text);

// Test seam: the function that shows file dialogs (by default GetOpenFileNameA / GetSaveFileNameA, whose
// library is loaded on first use).
using FileDialogFn = BOOL(WINAPI*)(OPENFILENAMEA*);
void set_file_dialog_functions(FileDialogFn open, FileDialogFn save);
