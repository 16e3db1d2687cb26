// Window units: the live objects of a loaded window's entries, their controls, own properties and events,
// and the table that says, per unit type, what its control is and what its stored data holds. The inside of
// the window layer; the program sees only window_layer.h.
//
// The window layer's sources: runtime_host.cpp (installing it as the runtime's window host),
// window_creation.cpp (creating and loading a window), window.cpp (the window procedures and classes),
// unit_controls.cpp (the units' live controls), modal.cpp (modal windows), unit_data.cpp (the table of types
// and the decoding of stored data), properties.cpp, keyboard.cpp, painting.cpp (painting and fonts), and one
// file per unit type (window_unit, label, picture, button, edit, combo, list, group, status_bar, timer,
// file_dialog, data_source).
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <ole2.h>
#include <olectl.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "forms/form_store.h"

struct UnitClass;

struct Unit {
    FormWindow* window = nullptr;
    uint32_t window_id = 0, unit_id = 0, type = 0;
    const UnitClass* cls = nullptr;  // the type's row of the table
    HWND hwnd = nullptr;
    WNDPROC original_proc = nullptr;  // system controls are subclassed
    int32_t control_id = 0;

    // Own properties decoded from the stored data, by property number: every field of the type's row has
    // its entry from creation on.
    std::map<int32_t, int32_t> ints;
    std::map<int32_t, std::string> texts;  // texts and byte blocks
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

// The window layer's entry points, also used directly by tests.
int32_t load_form_window(uint32_t window, HWND parent, bool modal);
Unit* live_unit(uint32_t window, uint32_t unit);  // null when the window or unit has no live object
bool pre_translate_message(MSG* msg);
void close_all_form_windows();
// Destroys a loaded window now; a modal one first hands the keyboard back to the window active before it.
void destroy_form_window(FormWindow& w);
// Property access behind the runtime's get_property/set_property.
uint64_t unit_get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member);
void unit_set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t hi);

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

// ---------------------------------------------------------------------------------------------------------
// The unit types. Each type's file defines its row; unit_data.cpp lists the rows. A new type is one file
// and one row there.

// Value kinds of the own properties (how get_property and set_property convert them).
enum class PropertyKind : uint8_t { kInt, kLogical, kChoice, kText, kBlock, kFont, kNone };

// One field of a type's stored data, in stored order.
struct OwnField {
    enum Layout : uint8_t { kWord, kHalfWord, kCounted, kFontBlock, kItems, kParts };
    int32_t property;  // 0 for the item and part lists
    PropertyKind kind;
    Layout layout;
    uint32_t from_version;  // read only from data of this version on
};
namespace field {
inline OwnField integer(int32_t p, uint32_t from = 0) { return {p, PropertyKind::kInt, OwnField::kWord, from}; }
inline OwnField logical(int32_t p, uint32_t from = 0) { return {p, PropertyKind::kLogical, OwnField::kWord, from}; }
inline OwnField choice(int32_t p, uint32_t from = 0) { return {p, PropertyKind::kChoice, OwnField::kWord, from}; }
inline OwnField half_word(int32_t p) { return {p, PropertyKind::kInt, OwnField::kHalfWord, 0}; }
inline OwnField text(int32_t p, uint32_t from = 0) { return {p, PropertyKind::kText, OwnField::kCounted, from}; }
inline OwnField block(int32_t p) { return {p, PropertyKind::kBlock, OwnField::kCounted, 0}; }
inline OwnField font(int32_t p) { return {p, PropertyKind::kFont, OwnField::kFontBlock, 0}; }
// A count, then the item texts, then one item-data word per item.
inline OwnField items() { return {0, PropertyKind::kNone, OwnField::kItems, 0}; }
// A count, then per part its width, drawing style and text.
inline OwnField parts() { return {0, PropertyKind::kNone, OwnField::kParts, 0}; }
}  // namespace field

// The control's nature: a subclassed system control, a private class that the window procedure of the
// layer serves (drawn by the unit or left to the system), a private class that is never shown, the window.
enum class ControlKind : uint8_t { kSystem, kPrivate, kDrawn, kHidden, kWindow };

// What CreateWindowExA gets for a unit's control; a type's style hook adds to it.
struct ControlStyle {
    DWORD style, ex;
    std::string text;
    int32_t width, height;
};

constexpr COLORREF kSystemDefault = 0xFF000000;        // a colour property meaning the system's default colour
constexpr int32_t kNoColour = -1, kWindowColour = -2;  // colour slots: none, the window's background

struct UnitClass {
    uint32_t type = 0;
    const char* class_name = nullptr;
    ControlKind control = ControlKind::kSystem;
    bool null_brush = false;       // a private class with a transparent class brush
    uint32_t max_version = 0;      // stored data of a newer version makes the creation fail
    bool empty_data = true;        // empty stored data gives the defaults (else the creation fails)
    std::vector<OwnField> fields;  // the stored data after its version word
    std::vector<std::pair<int32_t, int32_t>> empty_values;  // defaults other than 0 and ""
    // WM_CTLCOLOR*: the properties holding the text and background colours (kNoColour, kWindowColour)
    int32_t text_colour = kNoColour, background = kNoColour;
    std::vector<std::pair<WORD, int32_t>> notifications;  // WM_COMMAND notification code -> event number
    int32_t caption = -1;                                 // the property shown as the control's text, -1 when none
    bool redraw_after_change = false;                     // redrawn after any own property changed
    int32_t drop_height = 0;         // added to the control's height (a combo box's dropped-down list)
    bool sized_with_window = false;  // told when its window is resized (a status bar)
    bool mnemonic_clicks = false;    // Alt and its caption's underlined letter click it
    bool mnemonic_focuses = false;   // ... after giving it the focus

    // Hooks; null: nothing to do.
    void (*decoded)(Unit&, bool empty_data) = nullptr;                       // after the stored data was read
    void (*style)(const Unit&, ControlStyle&) = nullptr;                     // styles, caption and size
    void (*created)(Unit&) = nullptr;                                        // fills the new control from the data
    void (*released)(Unit&) = nullptr;                                       // before the control goes
    bool (*read)(const Unit&, int32_t property, uint64_t* value) = nullptr;  // properties the control holds
    bool (*write)(Unit&, int32_t property, uint32_t lo) = nullptr;           // true when it took the value itself
    void (*changed)(Unit&, int32_t property) = nullptr;                      // shows a stored change on the control
    bool (*message)(Unit&, HWND, UINT, WPARAM, LPARAM, LRESULT*) = nullptr;  // true with *result: answered
};

extern const UnitClass kWindowUnit, kLabelUnit, kPicBoxUnit, kButtonUnit, kCheckBoxUnit, kRadioBoxUnit, kEditBoxUnit,
    kComboBoxUnit, kListBoxUnit, kGroupBoxUnit, kStatusBarUnit, kTimerUnit, kCommonDlgUnit, kDataSrcUnit,
    kNProviderUnit;

const UnitClass* find_unit_class(uint32_t type);  // null for a type this layer does not know
const std::vector<const UnitClass*>& unit_classes();
// Decodes a unit's stored own data into its property maps; false when it is damaged, newer than its type
// reads, or empty where the type needs data.
bool decode_own_data(Unit& u, const std::string& data);
PropertyKind property_kind(const Unit& u, int32_t property);
inline bool hidden_unit(const Unit& u) { return u.cls->control == ControlKind::kHidden; }
// A stored text property without creating an entry ("" when there is none).
inline const std::string& own_text(const Unit& u, int32_t property) {
    static const std::string kNone;
    auto it = u.texts.find(property);
    return it == u.texts.end() ? kNone : it->second;
}

// ---------------------------------------------------------------------------------------------------------
// Shared inside the window layer

constexpr UINT kDestroyMessage = WM_APP + 0x65;     // 0x8065: destroy the window after the current handler
constexpr UINT kCheckFocusMessage = WM_APP + 0x66;  // after a handler changed the layout: is the focus usable?

inline HWND hwnd_of(const FormWindow& w) { return static_cast<HWND>(w.hwnd); }
bool creating_window();            // a window's units are being created (their messages raise no events yet)
uint64_t control_text(HWND hwnd);  // the control's text as a new text

// Window procedures and classes
void register_window_classes();
// The procedure a subclassed system control's messages pass through before they reach the control's own.
LRESULT CALLBACK subclassed_control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// The window entry's system window styles, from its own properties.
ControlStyle window_style(const Unit& u);

// Live controls
Unit* unit_of(HWND hwnd);          // the unit of a live control
FormWindow* window_of(HWND hwnd);  // the loaded window whose system window it is
EventOutcome unit_event(Unit& u, int32_t event, std::initializer_list<int32_t> args = {});
// Creates a unit's control as a child of `parent`; false when the system refuses it.
bool create_control(Unit& u, const UnitRecord& rec, HWND parent, DWORD base_style);
void discard_unit(Unit* u);  // a unit whose creation failed, with its control when it has one
void release_window_units(FormWindow& w);

// Modal windows
// Disables every other window of the program until `w` closes; `active_before` gets the keyboard back then.
void begin_modal(FormWindow& w, HWND active_before);
void forget_modal_state(FormWindow& w);

// Painting and fonts
HFONT gui_font();
// A control being created is not visible yet and is drawn when it is shown: it is not asked to redraw.
void apply_font(Unit& u, bool redraw = true);
HBRUSH unit_brush(Unit& u, COLORREF colour);  // the system's face brush for kSystemDefault
COLORREF colour_or_face(int32_t colour);
COLORREF window_background(const FormWindow& w);  // the window's background, which group boxes show through
void fill_client(HWND hwnd, HDC dc, HBRUSH brush);
HICON icon_from_file(const std::string& ico);  // the first image of an icon file's bytes, or null
uint64_t get_font(const Unit& u, int32_t member);
bool set_font(Unit& u, int32_t member, uint32_t lo);  // false: no font value given
// A function of a system library that only some windows need, loaded on first use.
void* late_system_function(const char* library, const char* name);

// Keyboard
void forget_key_presses();  // a window became active: the rest of a press begun before does nothing
void input_taken_over(DWORD when);  // a window was shown, or enabled again: a press begun before began elsewhere
void keep_focus_usable(FormWindow& w);
void check_focus_later(FormWindow& w);
// A click on a button, check box or radio box of a loaded window as the user makes it: only where a click could
// reach it (shown, enabled, in sight). False when it was not clicked.
bool click_usable_unit(uint32_t window, uint32_t unit);
