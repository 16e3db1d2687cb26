// Window creation from the form store and the unit types: controls, own properties, events, closing.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <ole2.h>
#include <olectl.h>

#include <cstring>
#include <set>
#include <unordered_map>

#include "forms/reader.h"
#include "forms/units.h"
#include "runtime/window_host.h"

namespace {
constexpr UINT kDestroyMessage = WM_APP + 0x65;  // 0x8065: destroy the window after the current handler
constexpr UINT kCheckFocusMessage = WM_APP + 0x66;  // after a handler changed the layout: is the focus usable?
constexpr UINT_PTR kTimerNumber = 1000;
constexpr COLORREF kSystemDefault = 0xFF000000;
const char kWindowClass[] = "_Ozu_Window";

// The file dialogs and the picture loader live in system libraries that only a dialog or a picture needs: they
// are loaded on first use rather than with the program, whose start-up they would slow down.
void* system_function(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

BOOL WINAPI open_file_dialog(OPENFILENAMEA* o) {
    static auto fn = reinterpret_cast<FileDialogFn>(system_function("comdlg32.dll", "GetOpenFileNameA"));
    return fn ? fn(o) : FALSE;
}

BOOL WINAPI save_file_dialog(OPENFILENAMEA* o) {
    static auto fn = reinterpret_cast<FileDialogFn>(system_function("comdlg32.dll", "GetSaveFileNameA"));
    return fn ? fn(o) : FALSE;
}

HRESULT load_picture_from_stream(IStream* stream, LONG size, IPicture** picture) {
    using LoadFn = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);
    static auto fn = reinterpret_cast<LoadFn>(system_function("oleaut32.dll", "OleLoadPicture"));
    return fn ? fn(stream, size, FALSE, IID_IPicture, reinterpret_cast<void**>(picture)) : E_FAIL;
}

FileDialogFn g_open_dialog = open_file_dialog;
FileDialogFn g_save_dialog = save_file_dialog;

bool no_window_type(uint32_t type) {
    return type == kUnitTimer || type == kUnitCommonDlg || type == kUnitNProvider;
}

// The unit of each live control, looked up for every message a control receives: kept in the process (a window
// property would cost a call to the window system per message).
std::unordered_map<HWND, Unit*> g_unit_of_control;

Unit* unit_of(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto it = g_unit_of_control.find(hwnd);
    return it == g_unit_of_control.end() ? nullptr : it->second;
}

FormWindow* window_of(HWND hwnd) {
    for (FormWindow& w : form_windows())
        if (w.hwnd && w.hwnd == hwnd) return &w;
    return nullptr;
}

HWND hwnd_of(const FormWindow& w) { return static_cast<HWND>(w.hwnd); }

// Keyboard behaviour (its own section below).
void note_keys_held_elsewhere();
void keep_focus_usable(FormWindow& w);

// ---------------------------------------------------------------------------------------------------------
// Own data of each type

std::string font_block(const std::string& b, LOGFONTA* f, bool* has) {
    *has = b.size() == sizeof(LOGFONTA);
    if (*has) std::memcpy(f, b.data(), sizeof(LOGFONTA));
    return b;
}

// Decodes a unit's stored own data into its property maps; false when the data is newer than this reader
// knows or damaged.
bool decode_own_data(Unit& u, const std::string& data) {
    Reader r(reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()));
    const bool empty = data.empty();
    uint32_t v = empty ? 0 : r.u32();
    auto ints = [&](std::initializer_list<int32_t> props) {
        for (int32_t p : props) u.ints[p] = r.i32();
    };
    auto text = [&](int32_t p) { u.texts[p] = r.counted(); };
    auto font = [&](int32_t p) {
        u.font_property = p;
        font_block(r.counted(), &u.font, &u.has_font);
    };
    auto list = [&]() {
        uint32_t n = r.u32();
        if (n > r.remaining() / 4) n = 0, r.skip(r.remaining() + 1);
        for (uint32_t i = 0; i < n; ++i) u.items.push_back(r.counted());
        for (uint32_t i = 0; i < n; ++i) u.item_data.push_back(r.i32());
    };
    switch (u.type) {
        case kUnitWindow:
            if (v > 6) return false;
            ints({9, 12, 10, 16, 17, 15, 18, 19, 14, 21, 22, 23, 25});
            if (v >= 2) ints({26});
            if (v >= 3) ints({27, 28});
            if (v >= 4) ints({29});
            if (v >= 5) ints({30});
            if (v >= 6) text(31);
            text(11), text(20), text(13), text(8), text(24);
            break;
        case kUnitButton:
            if (empty) { u.ints = {{9, 0}, {11, 1}, {12, 1}}; u.font_property = 13; break; }
            if (v > 1) return false;
            ints({9, 11, 12});
            text(8), font(13), text(10);
            break;
        case kUnitCheckBox:
        case kUnitRadioBox:
            if (empty) { u.ints = {{14, 1}, {16, static_cast<int32_t>(kSystemDefault)}}; u.font_property = 17; break; }
            if (v > (u.type == kUnitCheckBox ? 2u : 1u)) return false;
            ints({9, 10, 12, 13, 14, 15, 16, 18});
            text(8), font(17), text(11);
            if (u.type == kUnitCheckBox) text(19), text(20);
            break;
        case kUnitLabel:
            if (empty) { u.ints = {{17, static_cast<int32_t>(kSystemDefault)}}; u.font_property = 15; break; }
            if (v > 2) return false;
            ints({9, 11, 10, 12, 13, 14, 16, 17, 19, 20, 21, 22, 23, 24, 26, 25});
            font(15), text(18), text(8), text(27), text(28);
            break;
        case kUnitEditBox:
            if (empty) { u.ints = {{9, 1}, {11, 0xFFFFFF}}; u.font_property = 12; break; }
            if (v > 2) return false;
            ints({9, 10, 11, 13, 14, 15, 16, 17, 18});
            u.ints[19] = r.u16();
            ints({20, 21, 22, 23, 24, 25});
            font(12), text(8), text(26), text(27);
            break;
        case kUnitComboBox:
            if (empty) { u.ints = {{9, 1}, {19, -1}}; u.font_property = 13; break; }
            if (v > 3) return false;
            ints({9, 19, 11, 12, 10});
            font(13), text(8);
            list();
            break;
        case kUnitListBox:
            u.ints[16] = -1;
            if (empty) { u.ints[9] = 1; u.font_property = 14; break; }
            if (v > 3) return false;
            ints({9, 10, 11, 12, 13});
            font(14);
            list();
            u.ints[16] = r.i32();
            break;
        case kUnitGroupBox:
            if (empty) { u.font_property = 9; break; }
            if (v > 1) return false;
            font(9), text(8);
            break;
        case kUnitPicBox:
            if (empty) break;
            if (v > 2) return false;
            ints({9, 10, 11});
            text(8);
            break;
        case kUnitCommonDlg:
            if (empty) break;
            if (v > 1) return false;
            ints({8});
            text(9), text(10), text(11);
            ints({12});
            text(13), text(14);
            ints({15, 16, 17, 18, 19});
            break;
        case kUnitTimer:
            if (empty) { u.ints[8] = 0; break; }
            if (v > 1) return false;
            ints({8});
            if (u.ints[8] < 0) u.ints[8] = 0;
            break;
        case kUnitDataSrc:
            if (empty) break;
            if (v > 1) return false;
            text(8), ints({9});
            break;
        case kUnitNProvider:
            if (!empty && v > 1) return false;
            break;
        case kUnitStatusBar: {
            if (empty) { u.parts = {{-1, 0, ""}}; break; }
            if (v > 1) return false;
            uint32_t n = r.u32();
            if (n > r.remaining() / 12) return false;
            for (uint32_t i = 0; i < n; ++i) {
                Unit::Part p;
                p.width = r.i32();
                p.style = r.i32();
                p.text = r.counted();
                u.parts.push_back(p);
            }
            ints({9});
            text(8);
            break;
        }
        default:
            return false;
    }
    return r.ok();
}

// Value kinds of the own properties (conversion in get_property/set_property).
enum Kind { kInt, kLogical, kChoice, kText, kBlock, kFont, kNone };

Kind property_kind(const Unit& u, int32_t p) {
    if (p == u.font_property) return kFont;
    static const std::set<std::pair<uint32_t, int32_t>> logical = {
        {kUnitWindow, 12}, {kUnitWindow, 15}, {kUnitWindow, 16}, {kUnitWindow, 17}, {kUnitWindow, 19},
        {kUnitWindow, 21}, {kUnitWindow, 22}, {kUnitWindow, 23}, {kUnitWindow, 26}, {kUnitWindow, 27},
        {kUnitWindow, 29}, {kUnitWindow, 30}, {kUnitCheckBox, 9}, {kUnitCheckBox, 10}, {kUnitCheckBox, 12},
        {kUnitCheckBox, 18}, {kUnitRadioBox, 9}, {kUnitRadioBox, 10}, {kUnitRadioBox, 12}, {kUnitRadioBox, 18},
        {kUnitLabel, 25}, {kUnitLabel, 26}, {kUnitComboBox, 10}, {kUnitListBox, 10}, {kUnitCommonDlg, 15},
        {kUnitCommonDlg, 16}, {kUnitCommonDlg, 17}, {kUnitCommonDlg, 18}, {kUnitCommonDlg, 19},
        {kUnitStatusBar, 9}};
    static const std::set<std::pair<uint32_t, int32_t>> choice = {
        {kUnitWindow, 9},  {kUnitWindow, 14}, {kUnitWindow, 18}, {kUnitWindow, 28}, {kUnitLabel, 9},
        {kUnitButton, 9},  {kUnitButton, 11}, {kUnitButton, 12}, {kUnitCheckBox, 13}, {kUnitCheckBox, 14},
        {kUnitRadioBox, 13}, {kUnitRadioBox, 14}, {kUnitComboBox, 9}, {kUnitCommonDlg, 8}, {kUnitPicBox, 10}};
    static const std::set<std::pair<uint32_t, int32_t>> blocks = {
        {kUnitWindow, 11}, {kUnitWindow, 13}, {kUnitWindow, 20}, {kUnitButton, 8}, {kUnitCheckBox, 8},
        {kUnitRadioBox, 8}, {kUnitLabel, 18},  {kUnitPicBox, 8},  {kUnitStatusBar, 8}};
    std::pair<uint32_t, int32_t> key{u.type, p};
    if (logical.count(key)) return kLogical;
    if (choice.count(key)) return kChoice;
    if (blocks.count(key)) return kBlock;
    if (u.texts.count(p)) return kText;
    if (u.ints.count(p)) return kInt;
    // Properties that live only in the control.
    if (u.type == kUnitEditBox && p == 8) return kText;
    if (u.type == kUnitComboBox && (p == 8)) return kText;
    if (u.type == kUnitComboBox && p == 19) return kInt;
    return kNone;
}

// ---------------------------------------------------------------------------------------------------------
// Drawing helpers

HFONT gui_font() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

// A control being created is not visible yet and is drawn when it is shown: it is not asked to redraw
// (that would only cost a request to the window server).
void apply_font(Unit& u, bool redraw = true) {
    if (u.hfont) {
        DeleteObject(u.hfont);
        u.hfont = nullptr;
    }
    if (u.has_font) u.hfont = CreateFontIndirectA(&u.font);
    if (u.hwnd)
        SendMessageA(u.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(u.hfont ? u.hfont : gui_font()), redraw);
}

HBRUSH unit_brush(Unit& u, COLORREF colour) {
    if (colour == kSystemDefault) return GetSysColorBrush(COLOR_BTNFACE);
    if (!u.brush || u.brush_colour != colour) {
        if (u.brush) DeleteObject(u.brush);
        u.brush = CreateSolidBrush(colour);
        u.brush_colour = colour;
    }
    return u.brush;
}

COLORREF colour_or_face(int32_t c) {
    return static_cast<COLORREF>(c) == kSystemDefault ? GetSysColor(COLOR_BTNFACE) : static_cast<COLORREF>(c);
}

// The window's background colour (its property 10), which group boxes show through.
COLORREF window_background(const FormWindow& w) {
    const Unit* self = w.units.empty() ? nullptr : w.units[0].object;
    return self && self->ints.count(10) ? static_cast<COLORREF>(self->ints.at(10)) : kSystemDefault;
}

IPicture* load_picture(const std::string& bytes) {
    if (bytes.empty()) return nullptr;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return nullptr;
    std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
    GlobalUnlock(mem);
    IStream* stream = nullptr;
    IPicture* picture = nullptr;
    if (SUCCEEDED(CreateStreamOnHGlobal(mem, TRUE, &stream))) {
        if (FAILED(load_picture_from_stream(stream, static_cast<LONG>(bytes.size()), &picture)))
            picture = nullptr;
        stream->Release();
    } else {
        GlobalFree(mem);
    }
    return picture;
}

void paint_picture(IPicture* picture, HDC dc) {
    OLE_XSIZE_HIMETRIC w = 0;
    OLE_YSIZE_HIMETRIC h = 0;
    picture->get_Width(&w);
    picture->get_Height(&h);
    int px = MulDiv(w, GetDeviceCaps(dc, LOGPIXELSX), 2540);
    int py = MulDiv(h, GetDeviceCaps(dc, LOGPIXELSY), 2540);
    picture->Render(dc, 0, 0, px, py, 0, h, w, -h, nullptr);
}

// An icon from an icon file's bytes (the entry closest to 48 x 48).
HICON icon_from_file(const std::string& ico) {
    Reader r(reinterpret_cast<const uint8_t*>(ico.data()), static_cast<uint32_t>(ico.size()));
    r.u16();
    if (r.u16() != 1) return nullptr;
    uint16_t count = r.u16();
    for (uint16_t i = 0; i < count && r.ok(); ++i) {
        r.skip(8);
        uint32_t size = r.u32(), offset = r.u32();
        if (!r.ok() || offset > ico.size() || size > ico.size() - offset) return nullptr;
        return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(ico.data() + offset)), size, TRUE,
                                        0x00030000, 0, 0, LR_DEFAULTCOLOR);
    }
    return nullptr;
}

void paint_label(Unit& u, HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, unit_brush(u, static_cast<COLORREF>(u.ints[17])));
    HGDIOBJ old = SelectObject(dc, u.hfont ? u.hfont : gui_font());
    SetBkMode(dc, TRANSPARENT);
    const std::string& text = u.texts[8];
    UINT format = DT_NOPREFIX;
    format |= u.ints[25] ? DT_WORDBREAK : (DT_SINGLELINE | DT_VCENTER);
    format |= u.ints[10] == 1 ? DT_CENTER : u.ints[10] == 2 ? DT_RIGHT : DT_LEFT;
    int effect = u.ints[9];
    if (effect == 1 || effect == 2) {  // 1 sunken, 2 raised: a shifted copy in the highlight or shadow colour
        RECT shifted = rc;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(dc, static_cast<COLORREF>(effect == 1 ? u.ints[13] : u.ints[12]));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &shifted, format);
    }
    SetTextColor(dc, static_cast<COLORREF>(u.ints[16]));
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc, format);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

// ---------------------------------------------------------------------------------------------------------
// Events

EventOutcome unit_event(Unit& u, int32_t event, std::initializer_list<int32_t> args = {}) {
    return raise_event(u.window_id, u.unit_id, event, args);
}

void release_unit(Unit* u) {
    if (u->hwnd) {
        if (u->type == kUnitTimer) KillTimer(u->hwnd, kTimerNumber);
        if (u->original_proc)
            SetWindowLongPtrA(u->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(u->original_proc));
        g_unit_of_control.erase(u->hwnd);
    }
    if (u->hfont) DeleteObject(u->hfont);
    if (u->brush) DeleteObject(u->brush);
    if (u->picture) u->picture->Release();
    if (u->icon) DestroyIcon(u->icon);
    delete u;
}

void release_window_units(FormWindow& w) {
    for (size_t i = w.units.size(); i-- > 0;) {
        UnitRecord& rec = w.units[i];
        if (rec.object) release_unit(rec.object);
        rec.object = nullptr;
    }
}

void restore_disabled_windows(FormWindow& w) {
    for (auto& entry : w.disabled_by_modal)
        if (IsWindow(static_cast<HWND>(entry.first))) EnableWindow(static_cast<HWND>(entry.first), entry.second);
    w.disabled_by_modal.clear();
}

// Messages that reach a unit's control (subclassed system controls and the private classes alike). Returns
// true with *result when the message is answered here.
bool unit_message(Unit* u, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    switch (msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            uint32_t window = u->window_id, unit = u->unit_id;
            raise_event(window, unit, msg == WM_SETFOCUS ? -7 : -8);
            return false;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
        case WM_DRAWITEM:
            // Units re-parented into a group box: their notifications belong to the window.
            if (u->type == kUnitGroupBox && u->window && u->window->hwnd) {
                *result = SendMessageA(hwnd_of(*u->window), msg, wp, lp);
                return true;
            }
            return false;
        case WM_NCHITTEST:
            if (u->type == kUnitGroupBox) {
                *result = HTCLIENT;
                return true;
            }
            return false;
        case WM_TIMER:
            if (u->type == kUnitTimer && wp == kTimerNumber) {
                unit_event(*u, 0);
                *result = 0;
                return true;
            }
            return false;
        case WM_PAINT:
            if (u->type == kUnitLabel) {
                paint_label(*u, hwnd);
                *result = 0;
                return true;
            }
            if (u->type == kUnitPicBox) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                RECT rc;
                GetClientRect(hwnd, &rc);
                FillRect(dc, &rc, unit_brush(*u, static_cast<COLORREF>(u->ints.count(11) ? u->ints[11] : kSystemDefault)));
                if (u->picture) paint_picture(u->picture, dc);
                EndPaint(hwnd, &ps);
                *result = 0;
                return true;
            }
            return false;
        case WM_ERASEBKGND:
            if (u->type == kUnitLabel || u->type == kUnitPicBox) {
                *result = 1;
                return true;
            }
            if (u->type == kUnitGroupBox && u->window) {
                // The system group box paints only its frame and caption, and the window clips its children,
                // so the inside would keep whatever the screen held: fill it with the window's background.
                RECT rc;
                GetClientRect(hwnd, &rc);
                FillRect(reinterpret_cast<HDC>(wp), &rc, unit_brush(*u, window_background(*u->window)));
                *result = 1;
                return true;
            }
            return false;
        case WM_SETTEXT:
            if (u->type == kUnitLabel) InvalidateRect(hwnd, nullptr, FALSE);
            return false;
        default:
            return false;
    }
}

LRESULT CALLBACK control_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    if (!u) return DefWindowProcA(hwnd, msg, wp, lp);
    WNDPROC original = u->original_proc;
    LRESULT result = 0;
    if (unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return CallWindowProcA(original, hwnd, msg, wp, lp);
}

LRESULT CALLBACK unit_class_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Unit* u = unit_of(hwnd);
    LRESULT result = 0;
    if (u && unit_message(u, hwnd, msg, wp, lp, &result)) return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A modal window hands the keyboard back before it goes: the windows it disabled are enabled again and the
// window that was active before it opened is activated. Destroyed while the others are still disabled, it
// would leave the system no window of the program to activate, and no window would have the keyboard.
void end_modal(FormWindow& w) {
    restore_disabled_windows(w);
    HWND before = static_cast<HWND>(w.active_before_modal);
    w.active_before_modal = nullptr;
    if (before && before != hwnd_of(w) && IsWindow(before) && IsWindowVisible(before) && IsWindowEnabled(before) &&
        GetActiveWindow() == hwnd_of(w))
        SetActiveWindow(before);
}
}  // namespace

void destroy_form_window(FormWindow& w) {
    if (!w.hwnd || !IsWindow(hwnd_of(w))) return;
    end_modal(w);
    DestroyWindow(hwnd_of(w));
}

namespace {

// A close request: event 12, then event 1; either answering false keeps the window.
void request_close(FormWindow& w) {
    uint32_t id = w.id, self = w.unit_ids[0];
    if (raise_event(id, self, 12).refused()) return;
    if (!w.hwnd) return;
    if (raise_event(id, self, 1).refused()) return;
    if (w.hwnd) destroy_form_window(w);
}

bool g_creating = false;

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* w = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
        w->hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(w));
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
    auto* w = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!w || w->hwnd != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
    Unit* self = w->units[0].object;
    switch (msg) {
        case WM_CLOSE:
            request_close(*w);
            return 0;
        case WM_QUERYENDSESSION:
            return raise_event(w->id, w->unit_ids[0], 1).refused() ? FALSE : TRUE;
        case kDestroyMessage:
            destroy_form_window(*w);
            return 0;
        case kCheckFocusMessage:
            w->focus_check_posted = false;
            keep_focus_usable(*w);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) note_keys_held_elsewhere();
            break;
        case WM_DESTROY: {
            raise_event(w->id, w->unit_ids[0], 2);
            release_window_units(*w);
            restore_disabled_windows(*w);  // destroyed by other means than destroy_form_window
            w->active_before_modal = nullptr;
            w->focus_check_posted = false;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            w->hwnd = nullptr;
            w->closing = false;
            w->modal_running = false;
            window_destroyed();
            return 0;
        }
        case WM_ERASEBKGND: {
            if (!self) break;
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, unit_brush(*self, static_cast<COLORREF>(self->ints[10])));
            return 1;
        }
        case WM_COMMAND: {
            Unit* u = unit_of(reinterpret_cast<HWND>(lp));
            if (!u) break;
            WORD code = HIWORD(wp);
            if ((u->type == kUnitButton || u->type == kUnitCheckBox || u->type == kUnitRadioBox) && code == BN_CLICKED)
                unit_event(*u, 0);
            else if (u->type == kUnitListBox && code == LBN_SELCHANGE)
                unit_event(*u, 0);
            else if (u->type == kUnitListBox && code == LBN_DBLCLK)
                unit_event(*u, 1);
            return 0;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN: {
            Unit* u = unit_of(reinterpret_cast<HWND>(lp));
            if (!u) break;
            HDC dc = reinterpret_cast<HDC>(wp);
            if (u->type == kUnitEditBox) {
                SetTextColor(dc, static_cast<COLORREF>(u->ints[10]));
                SetBkColor(dc, colour_or_face(u->ints[11]));
                return reinterpret_cast<LRESULT>(unit_brush(*u, static_cast<COLORREF>(u->ints[11])));
            }
            if (u->type == kUnitCheckBox || u->type == kUnitRadioBox) {
                SetTextColor(dc, static_cast<COLORREF>(u->ints[15]));
                SetBkColor(dc, colour_or_face(u->ints[16]));
                return reinterpret_cast<LRESULT>(unit_brush(*u, static_cast<COLORREF>(u->ints[16])));
            }
            if (u->type == kUnitGroupBox) {
                COLORREF background = window_background(*w);
                SetBkColor(dc, colour_or_face(static_cast<int32_t>(background)));
                return reinterpret_cast<LRESULT>(unit_brush(*u, background));
            }
            break;
        }
        case WM_SIZE:
            for (UnitRecord& rec : w->units)
                if (rec.object && rec.object->type == kUnitStatusBar) SendMessageA(rec.object->hwnd, WM_SIZE, 0, 0);
            if (!g_creating) raise_event(w->id, w->unit_ids[0], 4);
            break;
        case WM_MOVE:
            if (!g_creating) raise_event(w->id, w->unit_ids[0], 3);
            break;
        case WM_SHOWWINDOW:
            if (!g_creating) raise_event(w->id, w->unit_ids[0], wp ? 10 : 11);
            break;
        case WM_SETFOCUS:
            raise_event(w->id, w->unit_ids[0], -7);
            break;
        case WM_KILLFOCUS:
            raise_event(w->id, w->unit_ids[0], -8);
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void register_classes() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);
    for (const char* name : {"_Ozu_Label", "_Ozu_PicBox", "_Ozu_Timer", "_Ozu_CommonDlg", "_Ozu_DataSource",
                             "_Ozu_Provider"}) {
        WNDCLASSA uc{};
        uc.style = CS_DBLCLKS;
        uc.lpfnWndProc = unit_class_proc;
        uc.hInstance = inst;
        uc.hCursor = wc.hCursor;
        uc.hbrBackground = std::strcmp(name, "_Ozu_Label") == 0 ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))
                                                                  : nullptr;
        uc.lpszClassName = name;
        RegisterClassA(&uc);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Creating controls

bool create_control(Unit& u, const UnitRecord& rec, HWND parent, DWORD base_style) {
    const char* cls = nullptr;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | base_style;
    DWORD ex = 0;
    std::string text;
    int32_t x = rec.left, y = rec.top, w = rec.width, h = rec.height;
    bool subclass = true;
    switch (u.type) {
        case kUnitLabel: cls = "_Ozu_Label"; text = u.texts[8]; subclass = false; break;
        case kUnitPicBox: cls = "_Ozu_PicBox"; subclass = false; break;
        case kUnitTimer: cls = "_Ozu_Timer"; subclass = false; break;
        case kUnitCommonDlg: cls = "_Ozu_CommonDlg"; subclass = false; break;
        case kUnitNProvider: cls = "_Ozu_Provider"; subclass = false; break;
        case kUnitDataSrc: cls = "_Ozu_DataSource"; subclass = false; w = 132; h = 22; break;
        case kUnitButton:
            cls = "BUTTON";
            style |= (u.ints[9] == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_MULTILINE;
            text = u.texts[10];
            break;
        case kUnitCheckBox:
        case kUnitRadioBox:
            cls = "BUTTON";
            style |= (u.type == kUnitCheckBox ? BS_AUTOCHECKBOX : BS_AUTORADIOBUTTON) | BS_MULTILINE;
            if (u.ints[12]) style |= BS_LEFTTEXT;
            if (u.ints[9]) style |= BS_PUSHLIKE;
            if (u.ints[10]) style |= BS_FLAT;
            text = u.texts[11];
            break;
        case kUnitEditBox:
            cls = "EDIT";
            style |= ES_AUTOHSCROLL;
            if (u.ints[9]) ex |= WS_EX_CLIENTEDGE;
            text = u.texts[8];
            break;
        case kUnitComboBox:
            cls = "COMBOBOX";
            style |= WS_VSCROLL | CBS_AUTOHSCROLL |
                     (u.ints[9] == 1 ? CBS_DROPDOWNLIST : u.ints[9] == 2 ? CBS_SIMPLE : CBS_DROPDOWN);
            if (u.ints[10]) style |= CBS_SORT;
            h += 160;  // room for the dropped-down list
            break;
        case kUnitListBox:
            cls = "LISTBOX";
            style |= WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_USETABSTOPS;
            if (u.ints[10]) style |= LBS_SORT;
            if (u.ints[11]) style |= LBS_EXTENDEDSEL;
            if (u.ints[9]) ex |= WS_EX_CLIENTEDGE;
            break;
        case kUnitGroupBox:
            cls = "BUTTON";
            style |= BS_GROUPBOX | WS_CLIPCHILDREN;
            text = u.texts[8];
            break;
        case kUnitStatusBar:
            cls = STATUSCLASSNAMEA;
            if (u.ints[9]) style |= SBARS_SIZEGRIP;
            break;
        default:
            return false;
    }
    if (no_window_type(u.type)) style &= ~(WS_DISABLED | WS_TABSTOP);
    u.hwnd = CreateWindowExA(ex, cls, text.c_str(), style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<uintptr_t>(u.control_id)), GetModuleHandleA(nullptr),
                             nullptr);
    if (!u.hwnd) return false;
    g_unit_of_control[u.hwnd] = &u;
    if (subclass)
        u.original_proc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(u.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control_proc)));
    apply_font(u, false);
    switch (u.type) {
        case kUnitCheckBox:
        case kUnitRadioBox:
            SendMessageA(u.hwnd, BM_SETCHECK, u.ints[18] ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case kUnitComboBox:
            for (const std::string& item : u.items) SendMessageA(u.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            if (u.ints[19] >= 0) SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(u.ints[19]), 0);
            else if (!u.texts[8].empty()) SetWindowTextA(u.hwnd, u.texts[8].c_str());
            break;
        case kUnitListBox:
            for (size_t i = 0; i < u.items.size(); ++i) {
                LRESULT at = SendMessageA(u.hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u.items[i].c_str()));
                if (at >= 0) SendMessageA(u.hwnd, LB_SETITEMDATA, static_cast<WPARAM>(at), u.item_data[i]);
            }
            if (u.ints[16] >= 0) SendMessageA(u.hwnd, LB_SETCURSEL, static_cast<WPARAM>(u.ints[16]), 0);
            break;
        case kUnitPicBox:
            u.picture = load_picture(u.texts[8]);
            break;
        case kUnitTimer:
            if (u.ints[8] > 0) {
                SetTimer(u.hwnd, kTimerNumber, static_cast<UINT>(u.ints[8]), nullptr);
                ++u.timer_starts;
            }
            break;
        case kUnitStatusBar: {
            std::vector<int> edges;
            int right = 0;
            for (const Unit::Part& p : u.parts) {
                right = p.width < 0 ? -1 : right + p.width;
                edges.push_back(right);
            }
            if (!edges.empty()) SendMessageA(u.hwnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
            for (size_t i = 0; i < u.parts.size(); ++i)
                SendMessageA(u.hwnd, SB_SETTEXTA, i | static_cast<WPARAM>(u.parts[i].style),
                             reinterpret_cast<LPARAM>(u.parts[i].text.c_str()));
            break;
        }
        default:
            break;
    }
    return true;
}

bool create_window_entry(FormWindow& w, HWND owner) {
    Unit* u = new Unit;
    UnitRecord& rec = w.units[0];
    u->window = &w;
    u->window_id = w.id;
    u->unit_id = w.unit_ids[0];
    u->type = rec.type;
    if (!decode_own_data(*u, rec.own_data)) {
        delete u;
        return false;
    }
    rec.object = u;
    int32_t border = u->ints[9];
    const std::string& title = u->texts[8];
    DWORD style = WS_CLIPCHILDREN;
    DWORD ex = 0;
    if (border != 0) {
        style |= WS_DLGFRAME;
        if (!title.empty() || u->ints[15]) style |= WS_CAPTION;
        if (u->ints[15]) style |= WS_SYSMENU;
        if (border == 1 || border == 3 || border == 5) style |= WS_THICKFRAME;
        if (border == 3 || border == 4) ex |= WS_EX_TOOLWINDOW;
        if (border == 5 || border == 6) ex |= WS_EX_CLIENTEDGE;
    }
    if (!(style & WS_CAPTION)) style |= WS_POPUP;
    if (u->ints[16]) style |= WS_MAXIMIZEBOX;
    if (u->ints[17]) style |= WS_MINIMIZEBOX;
    if (u->ints[29]) ex |= WS_EX_TOPMOST;
    int32_t x = rec.left, y = rec.top;
    if (u->ints[18] == 1) {
        x = (GetSystemMetrics(SM_CXSCREEN) - rec.width) / 2;
        y = (GetSystemMetrics(SM_CYSCREEN) - rec.height) / 2;
    }
    HWND hwnd = CreateWindowExA(ex, kWindowClass, title.c_str(), style, x, y, rec.width, rec.height, owner, nullptr,
                                GetModuleHandleA(nullptr), &w);
    if (!hwnd) {
        rec.object = nullptr;
        w.hwnd = nullptr;
        delete u;
        return false;
    }
    u->hwnd = hwnd;
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font()), FALSE);
    u->icon = icon_from_file(u->texts[20]);
    if (u->icon) {
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(u->icon));
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(u->icon));
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    if (r.right - r.left != rec.width || r.bottom - r.top != rec.height)
        SetWindowPos(hwnd, nullptr, 0, 0, rec.width, rec.height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

HWND container_hwnd(FormWindow& w, uint32_t container) {
    if (container) {
        int32_t i = find_unit_index(w, container);
        if (i > 0 && w.units[static_cast<size_t>(i)].object) return w.units[static_cast<size_t>(i)].object->hwnd;
    }
    return hwnd_of(w);
}

bool create_form_window(FormWindow& w, HWND owner, bool modal) {
    register_classes();
    HWND active_before = modal ? GetActiveWindow() : nullptr;
    g_creating = true;
    w.closing = false;
    if (!create_window_entry(w, owner)) {
        g_creating = false;
        return false;
    }
    HWND hwnd = hwnd_of(w);
    // Units from the last entry back to the second; control identifiers 100, 110, ... in that order. A unit
    // whose container already exists is created inside it; the others go into the window and are moved into
    // their container once all exist (moving a control costs far more than creating it in place).
    std::vector<bool> in_container(w.units.size(), false);
    int32_t control_id = 100;
    for (size_t i = w.units.size(); i-- > 1;) {
        UnitRecord& rec = w.units[i];
        if (rec.is_menu_item()) continue;
        Unit* u = new Unit;
        u->window = &w;
        u->window_id = w.id;
        u->unit_id = w.unit_ids[i];
        u->type = rec.type;
        u->control_id = control_id;
        control_id += 10;
        DWORD style = 0;
        if (rec.state & kStateDisabled) style |= WS_DISABLED;
        if (rec.state & kStateTab) style |= WS_TABSTOP;
        HWND parent = container_hwnd(w, rec.container);
        in_container[i] = parent != hwnd || !rec.container;
        if (!decode_own_data(*u, rec.own_data) || !create_control(*u, rec, parent, style)) {
            if (u->hwnd) {
                g_unit_of_control.erase(u->hwnd);
                DestroyWindow(u->hwnd);
            }
            delete u;
            g_creating = false;
            DestroyWindow(hwnd);  // releases what exists; the window's destroy event runs
            return false;
        }
        rec.object = u;
    }
    // Into the containers, then the stacking order of the unit list.
    for (size_t i = 1; i < w.units.size(); ++i) {
        UnitRecord& rec = w.units[i];
        if (!rec.object) continue;
        if (!in_container[i]) SetParent(rec.object->hwnd, container_hwnd(w, rec.container));
    }
    for (size_t i = 1; i < w.units.size(); ++i) {
        UnitRecord& rec = w.units[i];
        if (!rec.object) continue;
        HWND after = HWND_TOP;
        for (size_t j = i; j-- > 1;)
            if (w.units[j].object && w.units[j].container == rec.container) {
                after = w.units[j].object->hwnd;
                break;
            }
        // Nothing is visible yet (the units are shown below, the window after its created event).
        SetWindowPos(rec.object->hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    for (size_t i = 1; i < w.units.size(); ++i) {
        UnitRecord& rec = w.units[i];
        if (!rec.object) continue;
        bool show = (rec.state & kStateVisible) && !no_window_type(rec.type);
        ShowWindow(rec.object->hwnd, show ? SW_SHOWNA : SW_HIDE);
    }
    g_creating = false;

    const uint32_t id = w.id, self = w.unit_ids[0];
    raise_event(id, self, 0);
    if (w.hwnd) raise_event(id, self, 3);
    if (w.hwnd) raise_event(id, self, 4);
    if (!w.hwnd) return true;  // a handler closed it again

    Unit* entry = w.units[0].object;
    if (w.units[0].state & kStateVisible) {
        int show = SW_SHOW;
        if (entry->ints[18] == 2) show = SW_SHOWMINIMIZED;
        if (entry->ints[18] == 3 && (GetWindowLongA(hwnd, GWL_STYLE) & WS_THICKFRAME)) show = SW_SHOWMAXIMIZED;
        ShowWindow(hwnd, show);
        UpdateWindow(hwnd);
    }
    if (modal) {
        for (FormWindow& other : form_windows()) {
            if (&other == &w || !other.hwnd) continue;
            HWND o = hwnd_of(other);
            w.disabled_by_modal.push_back({o, IsWindowEnabled(o) != 0});
            EnableWindow(o, FALSE);
        }
        w.active_before_modal = active_before;
        w.modal_running = true;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Own properties

int32_t font_height(int32_t points) {
    HDC dc = GetDC(nullptr);
    int32_t h = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return h;
}

void set_font_member(Unit& u, int32_t member, uint32_t lo) {
    if (!u.has_font) {
        GetObjectA(gui_font(), sizeof u.font, &u.font);
        u.has_font = true;
    }
    int32_t v = static_cast<int32_t>(lo);
    switch (member) {
        case 0: {
            int32_t a = v % 3600;
            if (a < 0) a += 3600;
            u.font.lfEscapement = u.font.lfOrientation = a;
            break;
        }
        case 1: u.font.lfWeight = v ? FW_BOLD : 0; break;
        case 2: u.font.lfItalic = v ? 1 : 0; break;
        case 3: u.font.lfUnderline = v ? 1 : 0; break;
        case 4: u.font.lfStrikeOut = v ? 1 : 0; break;
        case 5: u.font.lfHeight = font_height(v); break;
        case 6: {
            const char* face = reinterpret_cast<const char*>(static_cast<uintptr_t>(lo));
            size_t n = face ? std::strlen(face) : 0;
            if (n < 1 || n > 31) face = "宋体", n = std::strlen(face);
            std::memset(u.font.lfFaceName, 0, sizeof u.font.lfFaceName);
            std::memcpy(u.font.lfFaceName, face, n);
            break;
        }
        default: break;
    }
}

int32_t font_points(const LOGFONTA& f) {
    HDC dc = GetDC(nullptr);
    int32_t h = f.lfHeight < 0 ? -f.lfHeight : f.lfHeight;
    int32_t p = MulDiv(h, 72, GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    return p;
}

uint64_t get_font(Unit& u, int32_t member) {
    LOGFONTA f = u.font;
    if (!u.has_font) GetObjectA(gui_font(), sizeof f, &f);
    switch (member) {
        case 0: return static_cast<uint32_t>(f.lfEscapement);
        case 1: return f.lfWeight >= FW_BOLD ? 1 : 0;
        case 2: return f.lfItalic ? 1 : 0;
        case 3: return f.lfUnderline ? 1 : 0;
        case 4: return f.lfStrikeOut ? 1 : 0;
        case 5: return static_cast<uint32_t>(font_points(f));
        case 6: return reinterpret_cast<uintptr_t>(new_text(f.lfFaceName));
        default: {
            auto* v = static_cast<FontValue*>(alloc_block(sizeof(FontValue)));
            *v = FontValue{f.lfEscapement, f.lfWeight >= FW_BOLD, f.lfItalic != 0, f.lfUnderline != 0,
                           f.lfStrikeOut != 0, font_points(f), new_text(f.lfFaceName)};
            return reinterpret_cast<uintptr_t>(v);
        }
    }
}

uint64_t get_own_property(Unit& u, int32_t p, int32_t member) {
    Kind kind = property_kind(u, p);
    switch (u.type) {
        case kUnitEditBox:
        case kUnitComboBox:
            if (p == 8) {
                int n = GetWindowTextLengthA(u.hwnd);
                std::string s(static_cast<size_t>(n) + 1, '\0');
                GetWindowTextA(u.hwnd, &s[0], n + 1);
                return reinterpret_cast<uintptr_t>(new_text(s.c_str()));
            }
            if (u.type == kUnitComboBox && p == 19)
                return static_cast<uint32_t>(static_cast<int32_t>(SendMessageA(u.hwnd, CB_GETCURSEL, 0, 0)));
            break;
        case kUnitCheckBox:
        case kUnitRadioBox:
            if (p == 18) return SendMessageA(u.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
            break;
        default:
            break;
    }
    switch (kind) {
        case kFont: return get_font(u, member);
        case kText: return reinterpret_cast<uintptr_t>(new_text(u.texts[p].c_str()));
        case kBlock: {
            const std::string& b = u.texts[p];
            return reinterpret_cast<uintptr_t>(new_bytes(b.data(), static_cast<int32_t>(b.size())));
        }
        case kNone: return 0;
        default: return static_cast<uint32_t>(u.ints[p]);
    }
}

void set_timer_interval(Unit& u, int32_t v) {
    if (v < 0) v = 0;
    if (v == u.ints[8]) return;
    KillTimer(u.hwnd, kTimerNumber);
    u.ints[8] = v;
    if (v > 0) {
        SetTimer(u.hwnd, kTimerNumber, static_cast<UINT>(v), nullptr);
        ++u.timer_starts;
    }
}

void set_own_property(Unit& u, int32_t p, int32_t member, uint32_t lo) {
    Kind kind = property_kind(u, p);
    const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(lo));
    switch (kind) {
        case kFont:
            if (member < 0) {
                const auto* f = reinterpret_cast<const FontValue*>(static_cast<uintptr_t>(lo));
                if (!f) return;
                for (int32_t m = 0; m <= 6; ++m)
                    set_font_member(u, m, m == 6 ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f->face))
                                                 : static_cast<uint32_t>((&f->angle)[m]));
            } else {
                set_font_member(u, member, lo);
            }
            apply_font(u);
            if (u.type == kUnitLabel) InvalidateRect(u.hwnd, nullptr, TRUE);
            return;
        case kText:
            u.texts[p] = text ? text : "";
            break;
        case kBlock: {
            const void* b = reinterpret_cast<const void*>(static_cast<uintptr_t>(lo));
            u.texts[p].assign(reinterpret_cast<const char*>(bytes_block_data(b)), static_cast<size_t>(bytes_block_length(b)));
            break;
        }
        case kLogical: u.ints[p] = lo ? 1 : 0; break;
        case kChoice: u.ints[p] = static_cast<int32_t>(lo) < 0 ? 0 : static_cast<int32_t>(lo); break;
        case kInt:
            if (u.type == kUnitTimer && p == 8) return set_timer_interval(u, static_cast<int32_t>(lo));
            u.ints[p] = static_cast<int32_t>(lo);
            break;
        case kNone:
            return;
    }
    // Apply to the control.
    // Looked up without inserting: an entry in texts would make the property read as a text from then on.
    static const std::string kNoText;
    auto stored = u.texts.find(p);
    const std::string& t = stored != u.texts.end() ? stored->second : kNoText;
    switch (u.type) {
        case kUnitWindow:
            if (p == 8) SetWindowTextA(u.hwnd, t.c_str());
            if (p == 10) InvalidateRect(u.hwnd, nullptr, TRUE);
            if (p == 29) SetWindowPos(u.hwnd, u.ints[29] ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            if (p == 20) {
                if (u.icon) DestroyIcon(u.icon);
                u.icon = icon_from_file(t);
                SendMessageA(u.hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(u.icon));
                SendMessageA(u.hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(u.icon));
            }
            break;
        case kUnitLabel:
            if (p == 8) SetWindowTextA(u.hwnd, t.c_str());
            InvalidateRect(u.hwnd, nullptr, TRUE);
            break;
        case kUnitButton:
            if (p == 10) SetWindowTextA(u.hwnd, t.c_str());
            break;
        case kUnitCheckBox:
        case kUnitRadioBox:
            if (p == 11) SetWindowTextA(u.hwnd, t.c_str());
            if (p == 18) SendMessageA(u.hwnd, BM_SETCHECK, u.ints[18] ? BST_CHECKED : BST_UNCHECKED, 0);
            InvalidateRect(u.hwnd, nullptr, TRUE);
            break;
        case kUnitEditBox:
            if (p == 8) SetWindowTextA(u.hwnd, t.c_str());
            InvalidateRect(u.hwnd, nullptr, TRUE);
            break;
        case kUnitComboBox:
            if (p == 19) SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(u.ints[19]), 0);
            if (p == 8) {
                LRESULT at = SendMessageA(u.hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(t.c_str()));
                if (at >= 0) SendMessageA(u.hwnd, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
                else SetWindowTextA(u.hwnd, t.c_str());
            }
            break;
        case kUnitGroupBox:
            if (p == 8) SetWindowTextA(u.hwnd, t.c_str());
            break;
        case kUnitPicBox:
            if (p == 8) {
                if (u.picture) u.picture->Release();
                u.picture = load_picture(t);
            }
            InvalidateRect(u.hwnd, nullptr, TRUE);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------------------------
// Keyboard behaviour and the common events

// A unit the user can use: its control is shown, enabled, and some part of it lies inside every container
// up to the window (a unit moved outside the window, or clipped away by a shortened group box, is not).
bool usable(HWND root, HWND h) {
    if (!h || !IsWindowVisible(h) || !IsWindowEnabled(h)) return false;
    RECT seen;
    GetWindowRect(h, &seen);
    for (HWND p = GetParent(h); p; p = GetParent(p)) {
        RECT client;
        GetClientRect(p, &client);
        MapWindowPoints(p, nullptr, reinterpret_cast<POINT*>(&client), 2);
        if (!IntersectRect(&seen, &seen, &client)) return false;
        if (p == root) return true;
    }
    return false;
}

const UnitRecord* record_of(const FormWindow& w, const Unit* u) {
    for (size_t i = 1; i < w.units.size(); ++i)
        if (w.units[i].object == u) return &w.units[i];
    return nullptr;
}

// The usable radio boxes that share a container with `rec`, in the order of the unit list.
std::vector<Unit*> radio_group(const FormWindow& w, const UnitRecord& rec) {
    std::vector<Unit*> group;
    for (size_t i = 1; i < w.units.size(); ++i) {
        const UnitRecord& other = w.units[i];
        if (other.object && other.type == kUnitRadioBox && other.container == rec.container &&
            usable(hwnd_of(w), other.object->hwnd))
            group.push_back(other.object);
    }
    return group;
}

// The radio box that stands for its group in the Tab order: the focused one, else the checked one, else the
// first.
bool stands_for_group(const FormWindow& w, const UnitRecord& rec, HWND focus) {
    std::vector<Unit*> group = radio_group(w, rec);
    Unit* chosen = group.empty() ? nullptr : group.front();
    for (Unit* u : group)
        if (SendMessageA(u->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) chosen = u;
    for (Unit* u : group)
        if (u->hwnd == focus) chosen = u;
    return chosen == rec.object;
}

// The Tab stops of the window in the order of the unit list: usable units with the Tab-stop state, one per
// radio group.
std::vector<HWND> tab_stops(const FormWindow& w, HWND focus) {
    std::vector<HWND> order;
    for (size_t i = 1; i < w.units.size(); ++i) {
        const UnitRecord& rec = w.units[i];
        if (!rec.object || !(rec.state & kStateTab) || no_window_type(rec.type)) continue;
        if (!usable(hwnd_of(w), rec.object->hwnd)) continue;
        if (rec.type == kUnitRadioBox && !stands_for_group(w, rec, focus)) continue;
        order.push_back(rec.object->hwnd);
    }
    return order;
}

void move_tab_focus(FormWindow& w, HWND from, bool backwards) {
    std::vector<HWND> order = tab_stops(w, from);
    if (order.empty()) return;
    size_t at = order.size();
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == from || IsChild(order[i], from)) at = i;
    size_t next = at == order.size() ? 0 : (backwards ? (at + order.size() - 1) : (at + 1)) % order.size();
    SetFocus(order[next]);
}

// The arrow keys move between the radio boxes that share a container.
bool move_radio(FormWindow& w, Unit* u, bool backwards) {
    const UnitRecord* mine = record_of(w, u);
    if (!mine) return false;
    std::vector<Unit*> group = radio_group(w, *mine);
    if (group.size() < 2) return false;
    size_t at = 0;
    for (size_t i = 0; i < group.size(); ++i)
        if (group[i] == u) at = i;
    Unit* next = group[(backwards ? at + group.size() - 1 : at + 1) % group.size()];
    SetFocus(next->hwnd);
    SendMessageA(next->hwnd, BM_CLICK, 0, 0);
    return true;
}

Unit* unit_for_message(FormWindow& w, HWND target) {
    for (HWND h = target; h && h != hwnd_of(w); h = GetParent(h))
        if (Unit* u = unit_of(h)) return u;
    return w.units[0].object;
}

// A focused unit that a handler hid, disabled or moved out of sight hands the focus to the first Tab stop
// (or to the window, when there is none). Checked once the handler is done: a layout switch passes through
// states in between.
void keep_focus_usable(FormWindow& w) {
    HWND root = hwnd_of(w), focus = GetFocus();
    if (!root || !focus || focus == root || !IsChild(root, focus)) return;
    Unit* u = unit_for_message(w, focus);
    if (u && u != w.units[0].object && usable(root, u->hwnd)) return;
    std::vector<HWND> order = tab_stops(w, nullptr);
    SetFocus(order.empty() ? root : order.front());
}

void check_focus_later(FormWindow& w) {
    if (g_creating || !w.hwnd || w.focus_check_posted) return;
    w.focus_check_posted = PostMessageA(hwnd_of(w), kCheckFocusMessage, 0, 0) != 0;
}

// A key acts only in the window where its press began. The keys held down when a window of the program
// becomes active were pressed elsewhere (in the window that just opened it or closed, or in a file dialog):
// the rest of their press, auto-repeated key-downs and the key-up, does nothing here. A key pressed afresh
// (no repeat flag) is the user's again. Held means down for the system (a press in another program) or for the
// program's own thread (its key-down taken, its key-up not yet): Wine keeps the first only for keys its own
// display driver saw.
bool g_held_elsewhere[256];

void note_keys_held_elsewhere() {
    for (int vk = VK_BACK; vk < 256; ++vk)
        g_held_elsewhere[vk] = ((GetAsyncKeyState(vk) | GetKeyState(vk)) & 0x8000) != 0;
}

bool rest_of_press_elsewhere(const MSG& m) {
    UINT vk = static_cast<UINT>(m.wParam) & 0xFF;
    if (!g_held_elsewhere[vk]) return false;
    bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    bool repeated = (m.lParam & (1 << 30)) != 0;
    g_held_elsewhere[vk] = down && repeated;
    return !down || repeated;
}

// The underlined letter of a caption ("&Y" in "确定(&Y)"), upper-cased; 0 when there is none.
char mnemonic_of(const char* caption) {
    for (const char* p = caption; *p; p += char_size(p))
        if (p[0] == '&' && p[1]) {
            if (p[1] == '&') {
                ++p;
                continue;
            }
            char c = p[1];
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
    return 0;
}

// Alt and a letter or digit: a click on the usable button, check box or radio box of the window whose
// caption underlines it, as in the system's dialogs. The key is the window's in any case: bare letters are
// the key map's, Alt and a letter are not.
bool is_mnemonic_key(const MSG& m) {
    WPARAM k = m.wParam;
    bool letter = (k >= 'A' && k <= 'Z') || (k >= '0' && k <= '9');
    return m.message == WM_SYSKEYDOWN && letter && (m.lParam & (1 << 29)) && GetKeyState(VK_CONTROL) >= 0;
}

void press_mnemonic(FormWindow& w, const MSG& m) {
    if (m.lParam & (1 << 30)) return;  // held down: one click per press
    for (size_t i = 1; i < w.units.size(); ++i) {
        const UnitRecord& rec = w.units[i];
        if (!rec.object || (rec.type != kUnitButton && rec.type != kUnitCheckBox && rec.type != kUnitRadioBox))
            continue;
        HWND h = rec.object->hwnd;
        char caption[256] = "";
        GetWindowTextA(h, caption, sizeof caption);
        if (mnemonic_of(caption) != static_cast<char>(m.wParam) || !usable(hwnd_of(w), h)) continue;
        if (rec.type != kUnitButton) SetFocus(h);
        SendMessageA(h, BM_CLICK, 0, 0);
        return;
    }
}
}  // namespace

int32_t current_key_state() {
    int32_t s = 0;
    if (GetKeyState(VK_CONTROL) < 0) s |= 1;
    if (GetKeyState(VK_SHIFT) < 0) s |= 2;
    if (GetKeyState(VK_MENU) < 0) s |= 4;
    return s;
}

bool pre_translate_message(MSG* m) {
    if (!m->hwnd) return false;
    HWND root = GetAncestor(m->hwnd, GA_ROOT);
    FormWindow* w = window_of(root);
    if (!w) return false;
    Unit* u = unit_for_message(*w, m->hwnd);
    Unit* self = w->units[0].object;
    if (!u || !self) return false;
    const uint32_t window = u->window_id, unit = u->unit_id;

    const bool key = m->message == WM_KEYDOWN || m->message == WM_SYSKEYDOWN || m->message == WM_KEYUP ||
                     m->message == WM_SYSKEYUP;
    if (key && rest_of_press_elsewhere(*m)) return true;
    if (is_mnemonic_key(*m)) {
        press_mnemonic(*w, *m);
        return true;
    }
    if (m->message == WM_KEYDOWN) {
        switch (m->wParam) {
            case VK_TAB:
                move_tab_focus(*w, m->hwnd, GetKeyState(VK_SHIFT) < 0);
                return true;
            case VK_ESCAPE:
                if (self->ints[22]) PostMessageA(root, WM_CLOSE, 0, 0);
                break;
            case VK_RETURN:
                if (self->ints[21]) {
                    move_tab_focus(*w, m->hwnd, false);
                    return true;
                }
                break;
            case VK_UP:
            case VK_DOWN:
            case VK_LEFT:
            case VK_RIGHT:
                if (u->type == kUnitRadioBox && move_radio(*w, u, m->wParam == VK_UP || m->wParam == VK_LEFT))
                    return true;
                break;
            default:
                break;
        }
    }

    auto mouse = [&](int32_t event) {
        int32_t keys = 0;
        if (m->wParam & MK_CONTROL) keys |= 1;
        if (m->wParam & MK_SHIFT) keys |= 2;
        if (GetKeyState(VK_MENU) < 0) keys |= 4;
        return raise_event(window, unit, event, {static_cast<int32_t>(LOWORD(m->lParam)),
                                                 static_cast<int32_t>(HIWORD(m->lParam)), keys});
    };
    // Keys reach the window's own handler first (its key map), then the focused unit's; either may swallow.
    const uint32_t self_id = self->unit_id;
    auto key_event = [&](int32_t event, std::initializer_list<int32_t> args) {
        if (unit != self_id) {
            EventOutcome first = raise_event(window, self_id, event, args);
            if (first.refused() || !live_unit(window, unit)) return first;
        }
        return raise_event(window, unit, event, args);
    };
    EventOutcome out{false, false, 0};
    switch (m->message) {
        case WM_LBUTTONDOWN: out = mouse(-1); break;
        case WM_LBUTTONUP: out = mouse(-2); break;
        case WM_LBUTTONDBLCLK: out = mouse(-3); break;
        case WM_RBUTTONDOWN: out = mouse(-4); break;
        case WM_RBUTTONUP: out = mouse(-5); break;
        case WM_MOUSEMOVE: out = mouse(-6); break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            out = key_event(-9, {static_cast<int32_t>(m->wParam), current_key_state()});
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            out = key_event(-10, {static_cast<int32_t>(m->wParam), current_key_state()});
            break;
        case WM_CHAR:
            out = key_event(-11, {static_cast<int32_t>(m->wParam)});
            if (out.returned && out.value != 0) m->wParam = static_cast<WPARAM>(out.value);
            break;
        case WM_MOUSEWHEEL:
            out = raise_event(window, unit, -12,
                              {static_cast<int32_t>(static_cast<short>(HIWORD(m->wParam))) / WHEEL_DELTA,
                               current_key_state()});
            break;
        default:
            return false;
    }
    return out.refused();
}

int32_t load_form_window(uint32_t window, HWND parent, bool modal) {
    FormWindow* w = find_window(window);
    if (!w) return -1;
    if (w->hwnd && !w->closing) {
        HWND h = hwnd_of(*w);
        if (IsIconic(h)) ShowWindow(h, SW_RESTORE);
        else SetActiveWindow(h);
        return 0;
    }
    if (w->hwnd) destroy_form_window(*w);  // closing: replaced by a new copy
    HWND owner = nullptr;
    if (!modal && parent) {
        if (!IsWindow(parent)) return -1;
        owner = parent;
    }
    if (!create_form_window(*w, owner, modal)) return -1;
    if (modal && w->hwnd) run_message_loop(&w->modal_running);
    return 0;
}

Unit* live_unit(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    if (!w || !w->hwnd) return nullptr;
    int32_t i = find_unit_index(*w, unit);
    if (i < 0) return nullptr;
    Unit* u = w->units[static_cast<size_t>(i)].object;
    return u && u->hwnd && IsWindow(u->hwnd) ? u : nullptr;
}

void close_all_form_windows() {
    for (FormWindow& w : form_windows()) destroy_form_window(w);
}

std::string dialog_filter(const std::string& stored) {
    std::string f = stored;
    if (f.size() < 2 || f.compare(f.size() - 2, 2, "||") != 0) f += "||";
    for (char& c : f)
        if (c == '|') c = '\0';
    return f;
}

DWORD dialog_filter_index(int32_t stored_index, bool has_filter) {
    if (!has_filter) return 0;
    return stored_index < 0 ? 1 : static_cast<DWORD>(stored_index) + 1;
}

DWORD dialog_flags(const Unit& u) {
    auto on = [&](int32_t p) {
        auto it = u.ints.find(p);
        return it != u.ints.end() && it->second != 0;
    };
    DWORD flags = OFN_HIDEREADONLY;
    if (on(15)) flags |= OFN_CREATEPROMPT;
    if (on(16)) flags |= OFN_FILEMUSTEXIST;
    if (on(17)) flags |= OFN_OVERWRITEPROMPT;
    if (on(18)) flags |= OFN_PATHMUSTEXIST;
    if (on(19)) flags |= OFN_NOCHANGEDIR;
    return flags;
}

void set_file_dialog_functions(FileDialogFn open, FileDialogFn save) {
    g_open_dialog = open ? open : open_file_dialog;
    g_save_dialog = save ? save : save_file_dialog;
}

bool run_common_dialog(Unit& u) {
    int32_t kind = u.ints[8];
    if (kind != 0 && kind != 1) return false;  // the font and help dialogs are not offered
    char file[MAX_PATH * 4] = {0};
    const std::string& name = u.texts[10];
    std::strncpy(file, name.c_str(), sizeof file - 1);
    std::string filter = u.texts[11].empty() ? std::string() : dialog_filter(u.texts[11]);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = u.window && u.window->hwnd ? hwnd_of(*u.window) : nullptr;
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = dialog_filter_index(u.ints[12], !filter.empty());
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = u.texts[9].empty() ? nullptr : u.texts[9].c_str();
    ofn.lpstrInitialDir = u.texts[13].empty() ? nullptr : u.texts[13].c_str();
    ofn.lpstrDefExt = u.texts[14].empty() ? nullptr : u.texts[14].c_str();
    ofn.Flags = dialog_flags(u);
    BOOL ok = (kind == 0 ? g_open_dialog : g_save_dialog)(&ofn);
    if (!ok) return false;
    u.texts[10] = file;
    return true;
}

bool status_bar_set_part(Unit& u, int32_t part, const char* text) {
    if (u.type != kUnitStatusBar || part < 0 || part >= static_cast<int32_t>(u.parts.size())) return false;
    Unit::Part& p = u.parts[static_cast<size_t>(part)];
    p.text = text ? text : "";
    SendMessageA(u.hwnd, SB_SETTEXTA, static_cast<WPARAM>(part) | static_cast<WPARAM>(p.style),
                 reinterpret_cast<LPARAM>(p.text.c_str()));
    return true;
}

// ---------------------------------------------------------------------------------------------------------
// Property entry points

namespace {
struct Located {
    FormWindow* window;
    UnitRecord* record;
};

Located locate(uint32_t window, uint32_t unit) {
    FormWindow* w = find_window(window);
    if (!w) fatal_error("未载入欲访问窗口组件所在的窗口");
    int32_t i = find_unit_index(*w, unit);
    if (i < 0) fatal_error("指定窗口或窗口组件不存在或尚未载入");
    return {w, &w->units[static_cast<size_t>(i)]};
}

HWND live_control(const UnitRecord& rec) {
    if (!rec.object || !rec.object->hwnd || !IsWindow(rec.object->hwnd)) return nullptr;
    return no_window_type(rec.type) ? nullptr : rec.object->hwnd;
}
}  // namespace

uint64_t unit_get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member) {
    Located at = locate(window, unit);
    UnitRecord& rec = *at.record;
    if (rec.is_menu_item()) {
        uint32_t flags = rec.menu_values[2];
        switch (property) {
            case 0: return reinterpret_cast<uintptr_t>(new_text(rec.menu_caption.c_str()));
            case 1: return (flags & 4) ? 1 : 0;
            case 2: return (flags & 2) ? 1 : 0;
            case 3: return (flags & 1) ? 0 : 1;
            default: return 0;
        }
    }
    if (property >= 8) {
        if (!rec.object || !rec.object->hwnd) fatal_error("指定窗口尚未载入");
        return get_own_property(*rec.object, property, member);
    }
    HWND h = live_control(rec);
    if (h && property <= 3) {
        RECT r;
        GetWindowRect(h, &r);
        HWND parent = GetAncestor(h, GA_PARENT);
        if (parent && parent != GetDesktopWindow()) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        int32_t v[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
        if (rec.type == kUnitComboBox && property == 3) v[3] = rec.height;  // the closed height
        return static_cast<uint32_t>(v[property]);
    }
    if (h && property == 5) return (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
    if (h && property == 6) return IsWindowEnabled(h) ? 0 : 1;
    return get_common_property(*at.window, rec, property);
}

void unit_set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t) {
    Located at = locate(window, unit);
    UnitRecord& rec = *at.record;
    if (rec.is_menu_item()) return;
    if (property >= 8) {
        if (!rec.object || !rec.object->hwnd) fatal_error("指定窗口尚未载入");
        set_own_property(*rec.object, property, member, lo);
        return;
    }
    set_common_property(*at.window, rec, property, lo);
    HWND h = live_control(rec);
    if (!h) return;
    const UINT kMove = SWP_NOZORDER | SWP_NOACTIVATE;
    switch (property) {
        case 0:
        case 1: {
            RECT r;
            GetWindowRect(h, &r);
            HWND parent = GetAncestor(h, GA_PARENT);
            if (parent && parent != GetDesktopWindow()) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            int32_t x = property == 0 ? rec.left : r.left, y = property == 1 ? rec.top : r.top;
            SetWindowPos(h, nullptr, x, y, 0, 0, kMove | SWP_NOSIZE);
            break;
        }
        case 2:
        case 3: {
            RECT r;
            GetWindowRect(h, &r);
            int32_t cw = r.right - r.left, ch = r.bottom - r.top;
            int32_t nw = property == 2 ? rec.width : cw, nh = property == 3 ? rec.height : ch;
            if (rec.type == kUnitComboBox && property == 3) nh += 160;
            SetWindowPos(h, nullptr, 0, 0, nw, nh, kMove | SWP_NOMOVE);
            break;
        }
        case 5:
            ShowWindow(h, lo ? (rec.type == kUnitWindow ? SW_SHOW : SW_SHOWNA) : SW_HIDE);
            break;
        case 6:
            EnableWindow(h, lo ? FALSE : TRUE);
            break;
        default:
            break;
    }
    if (property != 4 && property != 7) check_focus_later(*at.window);
}

// ---------------------------------------------------------------------------------------------------------
// The runtime's window host

namespace {
int32_t host_load_window(uint32_t window, void* parent, bool modal) {
    return load_form_window(window, static_cast<HWND>(parent), modal);
}

void* host_find_unit(uint32_t window, uint32_t unit) {
    Unit* u = live_unit(window, unit);
    return u ? u->hwnd : nullptr;
}

bool host_pre_translate(void* msg) { return pre_translate_message(static_cast<MSG*>(msg)); }

bool host_any_window_alive() {
    for (FormWindow& w : form_windows())
        if (w.hwnd && IsWindow(hwnd_of(w))) return true;
    return false;
}

void host_close_window(uint32_t window, bool now) {
    FormWindow* w = find_window(window);
    if (!w || !w->hwnd) return;
    w->closing = true;
    if (now)
        destroy_form_window(*w);
    else
        PostMessageA(hwnd_of(*w), kDestroyMessage, 0, 0);
}

bool host_run_file_dialog(uint32_t window, uint32_t unit) {
    Unit* u = live_unit(window, unit);
    return u && run_common_dialog(*u);
}

void host_set_status_text(uint32_t window, uint32_t unit, int32_t part, const char* text) {
    if (Unit* u = live_unit(window, unit)) status_bar_set_part(*u, part, text);
}
}  // namespace

void install_window_layer() {
    WindowHost host{};
    host.load_window = host_load_window;
    host.find_unit = host_find_unit;
    host.process_messages = process_pending_messages;
    host.close_all_windows = close_all_form_windows;
    host.read_form_data = form_store_start;
    host.pre_translate = host_pre_translate;
    host.any_window_alive = host_any_window_alive;
    host.close_window = host_close_window;
    host.run_file_dialog = host_run_file_dialog;
    host.set_status_text = host_set_status_text;
    host.get_property = unit_get_property;
    host.set_property = unit_set_property;
    set_window_host(host);
}
