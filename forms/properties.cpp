// Property access: the common properties 0..7 (on the live control when there is one, and on the record),
// the menu items' flags, and each type's own properties 8 and up, converted by their kind.
#include "forms/unit_numbers.h"
#include "forms/units.h"

uint64_t control_text(HWND hwnd) {
    int n = GetWindowTextLengthA(hwnd);
    std::string s(static_cast<size_t>(n) + 1, '\0');
    GetWindowTextA(hwnd, &s[0], n + 1);
    return reinterpret_cast<uintptr_t>(new_text(s.c_str()));
}

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

Unit& own_property_unit(const UnitRecord& rec) {
    if (!rec.object || !rec.object->hwnd) fatal_error("指定窗口尚未载入");
    return *rec.object;
}

// The control that shows the common properties, when there is one.
HWND live_control(const UnitRecord& rec) {
    if (!rec.object || !rec.object->hwnd || !IsWindow(rec.object->hwnd)) return nullptr;
    return hidden_unit(*rec.object) ? nullptr : rec.object->hwnd;
}

// The control's rectangle in the client coordinates of its parent.
RECT placed_rect(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    HWND parent = GetAncestor(h, GA_PARENT);
    if (parent && parent != GetDesktopWindow()) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int32_t clamp_extent(int32_t v) { return v < 0 ? 0 : v > kMaxExtent ? kMaxExtent : v; }

// The common properties as the unit record keeps them.
uint64_t get_record_property(const UnitRecord& rec, int32_t property) {
    switch (property) {
        case prop::kLeft:
            return static_cast<uint32_t>(rec.left);
        case prop::kTop:
            return static_cast<uint32_t>(rec.top);
        case prop::kWidth:
            return static_cast<uint32_t>(rec.width);
        case prop::kHeight:
            return static_cast<uint32_t>(rec.height);
        case prop::kTag:
            return reinterpret_cast<uintptr_t>(new_text(rec.tag.c_str()));
        case prop::kVisible:
            return (rec.state & kStateVisible) ? 1 : 0;
        case prop::kDisabled:
            return (rec.state & kStateDisabled) ? 1 : 0;
        case prop::kCursor:
            return reinterpret_cast<uintptr_t>(new_bytes(rec.cursor.data(), static_cast<int32_t>(rec.cursor.size())));
        default:
            return 0;
    }
}

void set_record_property(UnitRecord& rec, int32_t property, uint32_t lo) {
    int32_t v = static_cast<int32_t>(lo);
    switch (property) {
        case prop::kLeft:
            rec.left = v;
            break;
        case prop::kTop:
            rec.top = v;
            break;
        case prop::kWidth:
            rec.width = clamp_extent(v);
            break;
        case prop::kHeight:
            rec.height = clamp_extent(v);
            break;
        case prop::kTag: {
            const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(lo));
            rec.tag = t ? t : "";
            break;
        }
        case prop::kVisible:
            rec.state = lo ? (rec.state | kStateVisible) : (rec.state & ~kStateVisible);
            break;
        case prop::kDisabled:
            rec.state = lo ? (rec.state | kStateDisabled) : (rec.state & ~kStateDisabled);
            break;
        case prop::kCursor: {
            const void* b = reinterpret_cast<const void*>(static_cast<uintptr_t>(lo));
            rec.cursor.assign(reinterpret_cast<const char*>(bytes_block_data(b)),
                              static_cast<size_t>(bytes_block_length(b)));
            break;
        }
        default:
            break;
    }
}

uint64_t get_menu_property(const UnitRecord& rec, int32_t property) {
    uint32_t flags = rec.menu_values[2];
    switch (property) {
        case 0:
            return reinterpret_cast<uintptr_t>(new_text(rec.menu_caption.c_str()));
        case 1:
            return (flags & 4) ? 1 : 0;
        case 2:
            return (flags & 2) ? 1 : 0;
        case 3:
            return (flags & 1) ? 0 : 1;
        default:
            return 0;
    }
}

uint64_t get_own_property(Unit& u, int32_t p, int32_t member) {
    uint64_t held = 0;
    if (u.cls->read && u.cls->read(u, p, &held)) return held;
    switch (property_kind(u, p)) {
        case PropertyKind::kFont:
            return get_font(u, member);
        case PropertyKind::kText:
            return reinterpret_cast<uintptr_t>(new_text(own_text(u, p).c_str()));
        case PropertyKind::kBlock: {
            const std::string& b = own_text(u, p);
            return reinterpret_cast<uintptr_t>(new_bytes(b.data(), static_cast<int32_t>(b.size())));
        }
        case PropertyKind::kNone:
            return 0;
        default:
            return static_cast<uint32_t>(u.ints[p]);
    }
}

// Stores the written value by its kind; false when there is nothing to show on the control.
bool store_own_property(Unit& u, int32_t p, uint32_t lo) {
    switch (property_kind(u, p)) {
        case PropertyKind::kText: {
            const char* text = reinterpret_cast<const char*>(static_cast<uintptr_t>(lo));
            u.texts[p] = text ? text : "";
            return true;
        }
        case PropertyKind::kBlock: {
            const void* b = reinterpret_cast<const void*>(static_cast<uintptr_t>(lo));
            u.texts[p].assign(reinterpret_cast<const char*>(bytes_block_data(b)),
                              static_cast<size_t>(bytes_block_length(b)));
            return true;
        }
        case PropertyKind::kLogical:
            u.ints[p] = lo ? 1 : 0;
            return true;
        case PropertyKind::kChoice:
            u.ints[p] = static_cast<int32_t>(lo) < 0 ? 0 : static_cast<int32_t>(lo);
            return true;
        case PropertyKind::kInt:
            u.ints[p] = static_cast<int32_t>(lo);
            return true;
        default:
            return false;
    }
}

void set_own_property(Unit& u, int32_t p, int32_t member, uint32_t lo) {
    if (property_kind(u, p) == PropertyKind::kFont) {
        if (!set_font(u, member, lo)) return;
        apply_font(u);
        // System controls redraw on a new font; a control that the unit draws is told to.
        if (u.cls->control == ControlKind::kDrawn) InvalidateRect(u.hwnd, nullptr, TRUE);
        return;
    }
    if (u.cls->write && u.cls->write(u, p, lo)) return;
    if (!store_own_property(u, p, lo)) return;
    const UnitClass& c = *u.cls;
    if (p == c.caption) SetWindowTextA(u.hwnd, own_text(u, p).c_str());
    if (c.changed) c.changed(u, p);
    if (c.redraw_after_change) InvalidateRect(u.hwnd, nullptr, TRUE);
}

// Moves or resizes a live control to what the record now says (the other coordinate or size kept).
void place_control(HWND h, const UnitRecord& rec, int32_t property) {
    const UINT kMove = SWP_NOZORDER | SWP_NOACTIVATE;
    RECT r = placed_rect(h);
    if (property <= prop::kTop) {
        int32_t x = property == prop::kLeft ? rec.left : r.left, y = property == prop::kTop ? rec.top : r.top;
        SetWindowPos(h, nullptr, x, y, 0, 0, kMove | SWP_NOSIZE);
        return;
    }
    int32_t nw = property == prop::kWidth ? rec.width : r.right - r.left;
    int32_t nh = property == prop::kHeight ? rec.height : r.bottom - r.top;
    if (property == prop::kHeight) nh += rec.object->cls->drop_height;
    SetWindowPos(h, nullptr, 0, 0, nw, nh, kMove | SWP_NOMOVE);
}
}  // namespace

uint64_t unit_get_property(uint32_t window, uint32_t unit, int32_t property, int32_t member) {
    Located at = locate(window, unit);
    UnitRecord& rec = *at.record;
    if (rec.is_menu_item()) return get_menu_property(rec, property);
    if (property >= prop::kFirstOwn) return get_own_property(own_property_unit(rec), property, member);
    HWND h = live_control(rec);
    if (h && property <= prop::kHeight) {
        RECT r = placed_rect(h);
        int32_t v[4];  // by property number
        v[prop::kLeft] = r.left;
        v[prop::kTop] = r.top;
        v[prop::kWidth] = r.right - r.left;
        v[prop::kHeight] = rec.object->cls->drop_height ? rec.height : r.bottom - r.top;  // a combo box: closed
        return static_cast<uint32_t>(v[property]);
    }
    if (h && property == prop::kVisible) return (GetWindowLongA(h, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
    if (h && property == prop::kDisabled) return IsWindowEnabled(h) ? 0 : 1;
    return get_record_property(rec, property);
}

void unit_set_property(uint32_t window, uint32_t unit, int32_t property, int32_t member, uint32_t lo, uint32_t) {
    Located at = locate(window, unit);
    UnitRecord& rec = *at.record;
    if (rec.is_menu_item()) return;
    if (property >= prop::kFirstOwn) return set_own_property(own_property_unit(rec), property, member, lo);
    set_record_property(rec, property, lo);
    HWND h = live_control(rec);
    if (!h) return;
    if (property <= prop::kHeight) place_control(h, rec, property);
    if (property == prop::kVisible)
        ShowWindow(h, lo ? (rec.object->cls->control == ControlKind::kWindow ? SW_SHOW : SW_SHOWNA) : SW_HIDE);
    if (property == prop::kDisabled) EnableWindow(h, lo ? FALSE : TRUE);
    if (property != prop::kTag && property != prop::kCursor) check_focus_later(*at.window);
}
