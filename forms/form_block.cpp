// Reading and writing the form-definition block: the window table, the window records and the unit records in
// their stored layout. Reading checks every length against the block; writing gives back the same bytes.
#include "forms/form_store.h"
#include "forms/reader.h"

namespace {
bool parse_unit(Reader r, UnitRecord* u) {
    u->type = r.u32();
    u->reserved_head = r.bytes(20);
    u->name = r.zt();
    u->comment = r.zt();
    if (u->type == kUnitMenuItem) {
        for (uint32_t& v : u->menu_values) v = r.u32();
        u->menu_caption = r.zt();
        u->events.push_back(EventPair{0, r.u32(), nullptr});
        u->own_data = r.rest();
        return r.ok();
    }
    u->object_slot = r.u32();
    u->left = r.i32();
    u->top = r.i32();
    u->width = r.i32();
    u->height = r.i32();
    u->cursor_slot = r.u32();
    u->container = r.u32();
    uint32_t children = r.u32();
    if (children > r.remaining() / 4) return false;
    for (uint32_t i = 0; i < children; ++i) u->children.push_back(r.u32());
    u->cursor = r.counted();
    u->tag = r.zt();
    u->reserved_a = r.u32();
    u->state = r.u32();
    u->reserved_b = r.u32();
    uint32_t events = r.u32();
    if (events > r.remaining() / 8) return false;
    for (uint32_t i = 0; i < events; ++i) {
        int32_t number = r.i32();
        u->events.push_back(EventPair{number, r.u32(), nullptr});
    }
    u->reserved_tail = r.bytes(20);
    u->own_data = r.rest();
    return r.ok();
}

void put32(std::string& o, uint32_t v) {
    for (int i = 0; i < 4; ++i) o.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void put_counted(std::string& o, const std::string& s) {
    put32(o, static_cast<uint32_t>(s.size()));
    o += s;
}
void put_zt(std::string& o, const std::string& s) {
    o += s;
    o.push_back('\0');
}

std::string write_unit(const UnitRecord& u) {
    std::string o;
    put32(o, u.type);
    o += u.reserved_head;
    put_zt(o, u.name);
    put_zt(o, u.comment);
    if (u.is_menu_item()) {
        for (uint32_t v : u.menu_values) put32(o, v);
        put_zt(o, u.menu_caption);
        put32(o, u.events.empty() ? kNoHandler : u.events[0].stored);
        return o + u.own_data;
    }
    put32(o, u.object_slot);
    for (int32_t v : {u.left, u.top, u.width, u.height}) put32(o, static_cast<uint32_t>(v));
    put32(o, u.cursor_slot);
    put32(o, u.container);
    put32(o, static_cast<uint32_t>(u.children.size()));
    for (uint32_t c : u.children) put32(o, c);
    put_counted(o, u.cursor);
    put_zt(o, u.tag);
    put32(o, u.reserved_a);
    put32(o, u.state);
    put32(o, u.reserved_b);
    put32(o, static_cast<uint32_t>(u.events.size()));
    for (const EventPair& e : u.events) {
        put32(o, static_cast<uint32_t>(e.number));
        put32(o, e.stored);
    }
    return o + u.reserved_tail + u.own_data;
}
}  // namespace

bool parse_form_data(const uint8_t* data, uint32_t size, std::vector<FormWindow>* windows) {
    windows->clear();
    Reader r(data, size);
    uint32_t table = r.u32();
    if (!r.ok() || table % 8 != 0 || table > r.remaining()) return false;
    uint32_t count = table / 8;
    for (uint32_t i = 0; i < count; ++i) {
        FormWindow w;
        w.id = r.u32();
        windows->push_back(std::move(w));
    }
    r.skip(4 * count);  // the slots: no meaning in the stored block
    for (FormWindow& w : *windows) {
        w.value_a = r.u32();
        w.class_id = r.u32();
        w.name = r.counted();
        w.comment = r.counted();
        uint32_t n = r.u32();
        uint32_t block_size = r.u32();
        if (!r.ok() || block_size > r.remaining() || n == 0 || n > block_size / 8) return false;
        Reader block = r.sub(block_size);
        std::vector<uint32_t> offsets;
        for (uint32_t i = 0; i < n; ++i) w.unit_ids.push_back(block.u32());
        for (uint32_t i = 0; i < n; ++i) offsets.push_back(block.u32());
        Reader records = block.sub(block.remaining());
        for (uint32_t i = 0; i < n; ++i) {
            Reader at = records.at(offsets[i]);
            uint32_t length = at.u32();
            if (!at.ok() || length > at.remaining()) return false;
            UnitRecord u;
            if (!parse_unit(at.sub(length), &u)) return false;
            w.units.push_back(std::move(u));
        }
        if (!block.ok() || w.units[0].type != kUnitWindow) return false;
    }
    return r.ok() && r.remaining() == 0;
}

std::string write_form_data(const std::vector<FormWindow>& windows) {
    std::string o;
    put32(o, static_cast<uint32_t>(8 * windows.size()));
    for (const FormWindow& w : windows) put32(o, w.id);
    for (size_t i = 0; i < windows.size(); ++i) put32(o, 0);
    for (const FormWindow& w : windows) {
        put32(o, w.value_a);
        put32(o, w.class_id);
        put_counted(o, w.name);
        put_counted(o, w.comment);
        put32(o, static_cast<uint32_t>(w.units.size()));
        std::string ids, offsets, records;
        for (size_t i = 0; i < w.units.size(); ++i) {
            put32(ids, w.unit_ids[i]);
            put32(offsets, static_cast<uint32_t>(records.size()));
            std::string rec = write_unit(w.units[i]);
            put32(records, static_cast<uint32_t>(rec.size()));
            records += rec;
        }
        put32(o, static_cast<uint32_t>(ids.size() + offsets.size() + records.size()));
        o += ids + offsets + records;
    }
    return o;
}
