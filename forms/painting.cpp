// Painting and fonts: the brushes and colours of units and windows, their fonts and font properties, the
// window icon, and the system libraries that only some windows need.
#include <cstring>

#include "forms/reader.h"
#include "forms/unit_numbers.h"
#include "forms/units.h"

// The file dialogs and the picture loader live in system libraries that only a dialog or a picture needs: they
// are loaded on first use rather than with the program, whose start-up they would slow down.
void* late_system_function(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? reinterpret_cast<void*>(GetProcAddress(module, name)) : nullptr;
}

HFONT gui_font() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

void apply_font(Unit& u, bool redraw) {
    if (u.hfont) {
        DeleteObject(u.hfont);
        u.hfont = nullptr;
    }
    if (u.has_font) u.hfont = CreateFontIndirectA(&u.font);
    if (u.hwnd) SendMessageA(u.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(u.hfont ? u.hfont : gui_font()), redraw);
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

COLORREF window_background(const FormWindow& w) {
    const Unit* self = w.units.empty() ? nullptr : w.units[0].object;
    if (!self || !self->ints.count(prop::kWindowBackground)) return kSystemDefault;
    return static_cast<COLORREF>(self->ints.at(prop::kWindowBackground));
}

void fill_client(HWND hwnd, HDC dc, HBRUSH brush) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, brush);
}

HICON icon_from_file(const std::string& ico) {
    Reader r(reinterpret_cast<const uint8_t*>(ico.data()), static_cast<uint32_t>(ico.size()));
    r.u16();
    if (r.u16() != 1 || r.u16() == 0) return nullptr;
    r.skip(8);
    uint32_t size = r.u32(), offset = r.u32();
    if (!r.ok() || offset > ico.size() || size > ico.size() - offset) return nullptr;
    return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(ico.data() + offset)), size, TRUE,
                                    0x00030000, 0, 0, LR_DEFAULTCOLOR);
}

// ---------------------------------------------------------------------------------------------------------
// Font properties: the whole font (member -1, a FontValue) or one member: 0 angle, 1 bold, 2 italic,
// 3 underline, 4 strike-out, 5 size in points, 6 face name.

namespace {
int32_t font_height(int32_t points) {
    HDC dc = GetDC(nullptr);
    int32_t h = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return h;
}

int32_t font_points(const LOGFONTA& f) {
    HDC dc = GetDC(nullptr);
    int32_t h = f.lfHeight < 0 ? -f.lfHeight : f.lfHeight;
    int32_t p = MulDiv(h, 72, GetDeviceCaps(dc, LOGPIXELSY));
    ReleaseDC(nullptr, dc);
    return p;
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
        case 1:
            u.font.lfWeight = v ? FW_BOLD : 0;
            break;
        case 2:
            u.font.lfItalic = v ? 1 : 0;
            break;
        case 3:
            u.font.lfUnderline = v ? 1 : 0;
            break;
        case 4:
            u.font.lfStrikeOut = v ? 1 : 0;
            break;
        case 5:
            u.font.lfHeight = font_height(v);
            break;
        case 6: {
            const char* face = reinterpret_cast<const char*>(static_cast<uintptr_t>(lo));
            size_t n = face ? std::strlen(face) : 0;
            if (n < 1 || n > 31) face = "宋体", n = std::strlen(face);
            std::memset(u.font.lfFaceName, 0, sizeof u.font.lfFaceName);
            std::memcpy(u.font.lfFaceName, face, n);
            break;
        }
        default:
            break;
    }
}
}  // namespace

uint64_t get_font(const Unit& u, int32_t member) {
    LOGFONTA f = u.font;
    if (!u.has_font) GetObjectA(gui_font(), sizeof f, &f);
    switch (member) {
        case 0:
            return static_cast<uint32_t>(f.lfEscapement);
        case 1:
            return f.lfWeight >= FW_BOLD ? 1 : 0;
        case 2:
            return f.lfItalic ? 1 : 0;
        case 3:
            return f.lfUnderline ? 1 : 0;
        case 4:
            return f.lfStrikeOut ? 1 : 0;
        case 5:
            return static_cast<uint32_t>(font_points(f));
        case 6:
            return reinterpret_cast<uintptr_t>(new_text(f.lfFaceName));
        default: {
            auto* v = static_cast<FontValue*>(alloc_block(sizeof(FontValue)));
            *v = FontValue{f.lfEscapement,     f.lfWeight >= FW_BOLD, f.lfItalic != 0,       f.lfUnderline != 0,
                           f.lfStrikeOut != 0, font_points(f),        new_text(f.lfFaceName)};
            return reinterpret_cast<uintptr_t>(v);
        }
    }
}

bool set_font(Unit& u, int32_t member, uint32_t lo) {
    if (member >= 0) {
        set_font_member(u, member, lo);
        return true;
    }
    const auto* f = reinterpret_cast<const FontValue*>(static_cast<uintptr_t>(lo));
    if (!f) return false;
    for (int32_t m = 0; m <= 6; ++m)
        set_font_member(u, m,
                        m == 6 ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(f->face))
                               : static_cast<uint32_t>((&f->angle)[m]));
    return true;
}
