// PicBox: a private class that shows the stored picture (JPEG or other image bytes, property 8) on its
// background colour (property 11).
#include <cstring>

#include "forms/units.h"

namespace {
HRESULT load_picture_from_stream(IStream* stream, LONG size, IPicture** picture) {
    using LoadFn = HRESULT(WINAPI*)(IStream*, LONG, BOOL, REFIID, void**);
    static auto fn = reinterpret_cast<LoadFn>(late_system_function("oleaut32.dll", "OleLoadPicture"));
    return fn ? fn(stream, size, FALSE, IID_IPicture, reinterpret_cast<void**>(picture)) : E_FAIL;
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
        if (FAILED(load_picture_from_stream(stream, static_cast<LONG>(bytes.size()), &picture))) picture = nullptr;
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

bool picture_message(Unit& u, HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg == WM_ERASEBKGND) {
        *result = 1;
        return true;
    }
    if (msg != WM_PAINT) return false;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    fill_client(hwnd, dc, unit_brush(u, static_cast<COLORREF>(u.ints[11])));
    if (u.picture) paint_picture(u.picture, dc);
    EndPaint(hwnd, &ps);
    *result = 0;
    return true;
}

void picture_created(Unit& u) { u.picture = load_picture(own_text(u, 8)); }

void picture_changed(Unit& u, int32_t p) {
    if (p != 8) return;
    if (u.picture) u.picture->Release();
    u.picture = load_picture(own_text(u, 8));
}
}  // namespace

const UnitClass kPicBoxUnit = [] {
    using namespace field;
    UnitClass c;
    c.type = kUnitPicBox;
    c.class_name = "_Ozu_PicBox";
    c.control = ControlKind::kDrawn;
    c.max_version = 2;
    c.fields = {integer(9), choice(10), integer(11), block(8)};
    c.empty_values = {{11, static_cast<int32_t>(kSystemDefault)}};
    c.created = picture_created;
    c.changed = picture_changed;
    c.redraw_after_change = true;
    c.message = picture_message;
    return c;
}();
