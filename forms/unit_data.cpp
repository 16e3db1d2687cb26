// The table of unit types, and the decoding of a unit's stored own data through its type's row.
#include <cstring>

#include "forms/reader.h"
#include "forms/units.h"

const std::vector<const UnitClass*>& unit_classes() {
    static const std::vector<const UnitClass*> kClasses = {
        &kWindowUnit,    &kLabelUnit,   &kPicBoxUnit,    &kButtonUnit,  &kCheckBoxUnit,
        &kRadioBoxUnit,  &kEditBoxUnit, &kComboBoxUnit,  &kListBoxUnit, &kGroupBoxUnit,
        &kStatusBarUnit, &kTimerUnit,   &kCommonDlgUnit, &kDataSrcUnit, &kNProviderUnit,
    };
    return kClasses;
}

const UnitClass* find_unit_class(uint32_t type) {
    for (const UnitClass* c : unit_classes())
        if (c->type == type) return c;
    return nullptr;
}

namespace {
void set_defaults(Unit& u) {
    for (const OwnField& f : u.cls->fields) {
        if (f.layout == OwnField::kWord || f.layout == OwnField::kHalfWord) u.ints[f.property] = 0;
        if (f.layout == OwnField::kCounted) u.texts[f.property].clear();
    }
    for (const auto& v : u.cls->empty_values) u.ints[v.first] = v.second;
}

bool read_items(Unit& u, Reader& r) {
    uint32_t n = r.u32();
    if (n > r.remaining() / 4) return false;
    for (uint32_t i = 0; i < n; ++i) u.items.push_back(r.counted());
    for (uint32_t i = 0; i < n; ++i) u.item_data.push_back(r.i32());
    return true;
}

bool read_parts(Unit& u, Reader& r) {
    uint32_t n = r.u32();
    if (n > r.remaining() / 12) return false;
    for (uint32_t i = 0; i < n; ++i) {
        Unit::Part p;
        p.width = r.i32();
        p.style = r.i32();
        p.text = r.counted();
        u.parts.push_back(p);
    }
    return true;
}

bool read_field(Unit& u, const OwnField& f, Reader& r) {
    switch (f.layout) {
        case OwnField::kWord:
            u.ints[f.property] = r.i32();
            return true;
        case OwnField::kHalfWord:
            u.ints[f.property] = r.u16();
            return true;
        case OwnField::kCounted:
            u.texts[f.property] = r.counted();
            return true;
        case OwnField::kFontBlock: {
            std::string b = r.counted();
            u.has_font = b.size() == sizeof(LOGFONTA);
            if (u.has_font) std::memcpy(&u.font, b.data(), sizeof(LOGFONTA));
            return true;
        }
        case OwnField::kItems:
            return read_items(u, r);
        case OwnField::kParts:
            return read_parts(u, r);
    }
    return false;
}
}  // namespace

bool decode_own_data(Unit& u, const std::string& data) {
    const UnitClass& c = *u.cls;
    set_defaults(u);
    if (data.empty()) {
        if (!c.empty_data) return false;
        if (c.decoded) c.decoded(u, true);
        return true;
    }
    Reader r(reinterpret_cast<const uint8_t*>(data.data()), static_cast<uint32_t>(data.size()));
    uint32_t version = r.u32();
    if (version > c.max_version) return false;
    for (const OwnField& f : c.fields)
        if (version >= f.from_version && !read_field(u, f, r)) return false;
    if (!r.ok()) return false;
    if (c.decoded) c.decoded(u, false);
    return true;
}

PropertyKind property_kind(const Unit& u, int32_t property) {
    for (const OwnField& f : u.cls->fields)
        if (f.property == property && f.layout != OwnField::kItems && f.layout != OwnField::kParts) return f.kind;
    return PropertyKind::kNone;
}
