#!/usr/bin/env python3
"""Builds the form-definition block from forms/windows.py, and the lists of names that the code uses for it.

usage: gen_forms.py FORMS_DIR OUT_DIR

Writes into OUT_DIR:
  form_data.cpp         the block as data (form_data_block / form_data_block_size)
  form_data.bin         the raw block
  forms/handlers.inc    the handler routines in stored-reference order, as HANDLER(name) lines
  forms/unit_ids.h      the identifiers of the windows and their units, one namespace per window
  forms/unit_numbers.h  the event and property numbers that the window layer and the application share
"""
import importlib.util
import os
import struct
import sys
import unicodedata

TYPE_CODES = {
    "window": 0x00010001, "EditBox": 0x00010005, "PicBox": 0x00010006, "GroupBox": 0x00010009,
    "Label": 0x0001000A, "Button": 0x0001000B, "CheckBox": 0x0001000C, "RadioBox": 0x0001000D,
    "ComboBox": 0x0001000E, "ListBox": 0x0001000F, "CommonDlg": 0x0001001F, "Timer": 0x00010020,
    "DataSrc": 0x0001002A, "NProvider": 0x0001002B, "StatusBar": 0x00020002,
}
SYSTEM_DEFAULT = 0xFF000000
STATE_BITS = {"visible": 1, "disabled": 2, "tab": 4}

# The event and property numbers of the unit types, by the names that forms/unit_numbers.h gives them:
# (name, number, what it is). Events with negative numbers are common to every unit type and to the window; 0
# and up belong to one type. Properties 0..7 are common; 8 and up belong to one type.
EVENTS = [
    ("Common to every unit and the window; a false result swallows the message.", [
        ("kLeftButtonDown", -1, "x, y, key state"),
        ("kLeftButtonUp", -2, "x, y, key state"),
        ("kLeftDoubleClick", -3, "x, y, key state"),
        ("kRightButtonDown", -4, "x, y, key state"),
        ("kRightButtonUp", -5, "x, y, key state"),
        ("kMouseMove", -6, "x, y, key state"),
        ("kGotFocus", -7, "no arguments"),
        ("kLostFocus", -8, "no arguments"),
        ("kKeyDown", -9, "key code, key state (also the system keys)"),
        ("kKeyUp", -10, "key code, key state (also the system keys)"),
        ("kCharacter", -11, "character code; a non-zero result replaces the character"),
        ("kWheel", -12, "wheel steps (signed), key state"),
    ]),
    ("The window.", [
        ("kWindowCreated", 0, "it and all its units have been created"),
        ("kWindowMayClose", 1, "false keeps it open; also asked before the system shuts down"),
        ("kWindowDestroying", 2, "it is being destroyed"),
        ("kWindowMoved", 3, "moved, and once after creation"),
        ("kWindowResized", 4, "resized, and once after creation"),
        ("kWindowShown", 10, "shown"),
        ("kWindowHidden", 11, "hidden"),
        ("kWindowCloseRequested", 12, "before kWindowMayClose; false keeps it open"),
    ]),
    ("One unit type each.", [
        ("kClicked", 0, "Button, CheckBox, RadioBox"),
        ("kListSelectionChanged", 0, "ListBox"),
        ("kListDoubleClicked", 1, "ListBox"),
        ("kTimerTick", 0, "Timer: its interval elapsed"),
    ]),
]
PROPERTIES = [
    ("Common to every unit and the window (stored on the unit records too).", [
        ("kLeft", 0, "pixels, in the container's client area (on the screen for a window)"),
        ("kTop", 1, ""),
        ("kWidth", 2, "outer"),
        ("kHeight", 3, "outer"),
        ("kTag", 4, "text"),
        ("kVisible", 5, "logical"),
        ("kDisabled", 6, "logical"),
        ("kCursor", 7, "byte block; empty: the arrow"),
        ("kFirstOwn", 8, "the type's own properties start here"),
    ]),
    ("The window.", [
        ("kWindowTitle", 8, "text"),
        ("kWindowBorder", 9, "frame: 0 none, 1 sizing, 2 fixed, 3 to 6 tool window or sunken edge"),
        ("kWindowBackground", 10, "colour"),
        ("kWindowControlButton", 15, "logical: system menu and close box"),
        ("kWindowMaximiseBox", 16, "logical"),
        ("kWindowMinimiseBox", 17, "logical"),
        ("kWindowPosition", 18, "0 as stored, 1 centred, 2 minimised, 3 maximised"),
        ("kWindowIcon", 20, "an icon file's bytes"),
        ("kWindowEnterMovesFocus", 21, "logical"),
        ("kWindowEscCloses", 22, "logical"),
        ("kWindowTopmost", 29, "logical"),
    ]),
    ("One unit type each.", [
        ("kLabelCaption", 8, "Label: text"),
        ("kLabelTextColour", 16, "Label: 0x00BBGGRR"),
        ("kButtonCaption", 10, "Button: text"),
        ("kChecked", 18, "CheckBox, RadioBox: logical"),
        ("kEditContent", 8, "EditBox: text"),
        ("kEditBackground", 11, "EditBox: 0x00BBGGRR"),
        ("kComboCurrent", 19, "ComboBox: index of the selection, -1 when none"),
        ("kTimerInterval", 8, "Timer: milliseconds; 0 stops it"),
        ("kDialogFileName", 10, "CommonDlg: text, the chosen path once confirmed"),
        ("kDialogInitialDirectory", 13, "CommonDlg: text"),
        ("kDialogPathMustExist", 18, "CommonDlg: logical"),
    ]),
]
# The member index of a property access that means the whole value (0 and up name one member of a font).
WHOLE_VALUE = -1


def gbk(s):
    return s.encode("gbk")


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def counted(data):
    return u32(len(data)) + data


def ctext(s):
    return counted(gbk(s))


def zt(s):
    return gbk(s) + b"\0"


class Own:
    """Encoders of each unit type's own data (version word first)."""

    def __init__(self, base):
        self.base = base

    def file(self, rel):
        with open(os.path.join(self.base, rel), "rb") as f:
            return f.read()

    def font(self, f):
        if not f:
            return b""
        face = gbk(f.get("face", "")).ljust(32, b"\0")[:32]
        return struct.pack("<lllllBBBBBBBB", f.get("height", 0), 0, f.get("angle", 0), f.get("angle", 0),
                           f.get("weight", 400), f.get("italic", 0), f.get("underline", 0), f.get("strike", 0),
                           f.get("charset", 1), 0, 0, 0, 0) + face

    def window(self, d):
        v = d.get("version", 6)
        out = u32(v) + b"".join(u32(x) for x in (
            d.get("border", 2), d.get("opt12", 1), d.get("background", SYSTEM_DEFAULT), d.get("maximise", 0),
            d.get("minimise", 0), d.get("control_button", 0), d.get("position", 1), d.get("opt19", 1),
            d.get("opt14", 0), d.get("enter_moves", 0), d.get("esc_closes", 1), d.get("f1_help", 0),
            d.get("help_context", 0)))
        if v >= 2:
            out += u32(d.get("opt26", 1))
        if v >= 3:
            out += u32(d.get("opt27", 0)) + u32(d.get("opt28", 0))
        if v >= 4:
            out += u32(d.get("topmost", 0))
        if v >= 5:
            out += u32(d.get("opt30", 0))
        if v >= 6:
            out += ctext(d.get("class_name", ""))
        icon = self.file(d["icon"]) if d.get("icon") else b""
        out += counted(b"") + counted(icon) + counted(b"")
        return out + ctext(d.get("title", "")) + ctext(d.get("help_file", ""))

    def Button(self, d):
        return (u32(1) + u32(d.get("kind", 0)) + u32(1) + u32(1) + counted(b"") + counted(self.font(d.get("font")))
                + ctext(d.get("caption", "")))

    def Timer(self, d):
        return u32(1) + u32(d.get("interval", 0))

    def _check(self, d, version):
        out = u32(version) + b"".join(u32(x) for x in (0, 0, 0, 0, 1, d.get("colour", 0), SYSTEM_DEFAULT,
                                                         d.get("checked", 0)))
        return out + counted(b"") + counted(self.font(d.get("font"))) + ctext(d.get("caption", ""))

    def CheckBox(self, d):
        return self._check(d, 2) + ctext("") + ctext("")

    def RadioBox(self, d):
        return self._check(d, 1)

    def Label(self, d):
        # properties 9, 11, 10, 12, 13, 14, 16, 17, 19, 20, 21, 22, 23, 24, 26, 25
        vals = (d.get("effect", 0), 8, 0, 0x808080, 0xFFFFFF, 0x808080, d.get("colour", 0),
                d.get("background", SYSTEM_DEFAULT), 1, 0, 0x808080, 0xFFFFFF, 0x808080, 0, 1, d.get("wrap", 0))
        return (u32(2) + b"".join(u32(x) for x in vals) + counted(self.font(d.get("font"))) + counted(b"")
                + ctext(d.get("caption", "")) + ctext("") + ctext(""))

    def EditBox(self, d):
        # 9 border, 10 text colour, 11 background; 13..18 options; 19 (16 bits) password character;
        # 20..25 options; then font, content and the two data-binding texts.
        out = u32(2) + u32(1) + u32(0) + u32(d.get("background", 0xFFFFFF))
        out += b"".join(u32(x) for x in (0, 0, 0, 0, 0, 0)) + struct.pack("<H", 0x2A)
        out += b"".join(u32(x) for x in (0, 0, 0, 0, 0, 0))
        return out + counted(self.font(d.get("font"))) + ctext(d.get("content", "")) + ctext("") + ctext("")

    def ComboBox(self, d):
        items = d.get("items", [])
        out = u32(3) + u32(d.get("style", 1)) + u32(d.get("current", -1)) + u32(0) + u32(SYSTEM_DEFAULT)
        out += u32(d.get("sorted", 0)) + counted(b"") + ctext(d.get("text", ""))
        out += u32(len(items)) + b"".join(ctext(i) for i in items) + b"".join(u32(0) for _ in items)
        return out

    def ListBox(self, d):
        items = d.get("items", [])
        out = u32(3) + u32(1) + u32(d.get("sorted", 0)) + u32(d.get("multiple", 0)) + u32(0) + u32(SYSTEM_DEFAULT)
        out += counted(b"") + u32(len(items)) + b"".join(ctext(i) for i in items)
        return out + b"".join(u32(0) for _ in items) + u32(d.get("current", -1))

    def GroupBox(self, d):
        return u32(1) + counted(b"") + ctext(d.get("caption", ""))

    def PicBox(self, d):
        pic = self.file(d["picture"]) if d.get("picture") else b""
        return u32(2) + u32(0) + u32(0) + u32(SYSTEM_DEFAULT) + counted(pic)

    def CommonDlg(self, d):
        return (u32(1) + u32(d.get("kind", 0)) + ctext(d.get("title", "")) + ctext(d.get("file_name", ""))
                + ctext(d.get("filter", "")) + u32(d.get("filter_index", 0)) + ctext(d.get("directory", ""))
                + ctext(d.get("extension", "")) + b"".join(u32(d.get(k, 0)) for k in (
                    "create_prompt", "must_exist", "overwrite_prompt", "path_must_exist", "keep_directory")))

    def DataSrc(self, d):
        return u32(1) + ctext(d.get("provider", "")) + u32(0)

    def NProvider(self, d):
        return u32(1)

    def StatusBar(self, d):
        parts = d.get("parts", [(260, 0, ""), (-1, 0, "")])
        out = u32(1) + u32(len(parts))
        for width, style, text in parts:
            out += u32(width) + u32(style) + ctext(text)
        return out + u32(d.get("size_grip", 0)) + counted(b"")


def unit_record(row, by_name, units, handlers, own):
    name, kind, uid, (left, top, width, height), container, state, data, events = row
    container_id = by_name[container] if container else 0
    children = [u[2] for u in units if u[4] is not None and u[4] == name and name]
    flags = sum(STATE_BITS[s] for s in state)
    reserved2 = (data or {}).get("reserved2", 0)
    body = u32(TYPE_CODES[kind]) + bytes(20) + zt(name) + zt("")
    body += u32(0) + b"".join(struct.pack("<i", x) for x in (left, top, width, height)) + u32(0)
    body += u32(container_id) + u32(len(children)) + b"".join(u32(c) for c in children)
    body += counted(b"") + zt("") + u32(0) + u32(flags) + u32(reserved2)
    body += u32(len(events)) + b"".join(struct.pack("<iI", n, handlers.index(h)) for n, h in events)
    body += bytes(20)
    if data is not None:
        body += getattr(own, kind)(data)
    return u32(len(body)) + body


def build(forms_dir):
    module_info = importlib.util.spec_from_file_location("windows", os.path.join(forms_dir, "windows.py"))
    desc = importlib.util.module_from_spec(module_info)
    module_info.loader.exec_module(desc)
    own = Own(forms_dir)
    out = u32(8 * len(desc.WINDOWS)) + b"".join(u32(w["id"]) for w in desc.WINDOWS) + bytes(4 * len(desc.WINDOWS))
    for w in desc.WINDOWS:
        units = w["units"]
        by_name = {u[0]: u[2] for u in units if u[0]}
        records = [unit_record(u, by_name, units, desc.HANDLERS, own) for u in units]
        offsets, pos = [], 0
        for r in records:
            offsets.append(pos)
            pos += len(r)
        block = b"".join(u32(u[2]) for u in units) + b"".join(u32(o) for o in offsets) + b"".join(records)
        out += u32(w["value_a"]) + u32(w["class_id"]) + ctext("") + ctext("") + u32(len(units))
        out += u32(len(block)) + block
    return out, desc


GENERATED = "// Generated by tools/gen_forms.py from forms/windows.py; do not edit."


def display_width(text):
    return sum(2 if unicodedata.east_asian_width(c) in "WF" else 1 for c in text)


def aligned(lines):
    """(code, comment) pairs as lines whose comments start in one column."""
    column = max(display_width(code) for code, _ in lines) + 2
    return [code + " " * (column - display_width(code)) + "// " + comment if comment else code
            for code, comment in lines]


def quoted(text):
    return '"%s"' % text.replace("\n", "\\n")


def shows(kind, data):
    """What a unit shows as the form data stores it, for the comment beside its identifier."""
    d = data or {}
    if kind in ("Label", "Button", "CheckBox", "RadioBox", "GroupBox"):
        return quoted(d.get("caption", ""))
    if kind == "EditBox":
        return quoted(d.get("content", ""))
    if kind == "ComboBox":
        return "items " + ", ".join(quoted(i) for i in d.get("items", []))
    if kind == "Timer":
        return "every %d ms" % d.get("interval", 0)
    if kind == "CommonDlg":
        what = ["open", "save"][d.get("kind", 0)] + " dialog"
        if d.get("file_name"):
            what += " for " + quoted(d["file_name"])
        return what + " in " + quoted(d.get("directory", ""))
    if kind == "DataSrc":
        return "provider " + quoted(d.get("provider", ""))
    return ""


def unit_comment(row):
    name, kind, _, _, container, state, data, _ = row
    if kind == "window":
        return "the window itself: " + quoted((data or {}).get("title", ""))
    text = kind + (" in " + container if container else "")
    if "visible" not in state:
        text += ", hidden"
    if "disabled" in state:
        text += ", disabled"
    what = shows(kind, data)
    return text + (": " + what if what else "")


def unit_ids_header(windows):
    lines = [GENERATED,
             "// Identifiers of the windows and their units, one namespace per window. A unit's constant has the",
             "// unit's own name in the form data, and its comment says its type, its container, and what it shows",
             "// as stored; each window's own entry is `self`.",
             "#pragma once", "", "#include <cstdint>"]
    for w in windows:
        rows = [("constexpr uint32_t kWindow = 0x%08X;" % w["id"], "")]
        for row in w["units"]:
            rows.append(("constexpr uint32_t %s = 0x%08X;" % (row[0] or "self", row[2]), unit_comment(row)))
        lines += ["", "namespace %s {" % w["name"]] + aligned(rows) + ["}  // namespace %s" % w["name"]]
    return "\n".join(lines) + "\n"


def numbers_header():
    lines = [GENERATED,
             "// The event and property numbers of the window units that the window layer and the application share.",
             "#pragma once", "", "#include <cstdint>"]
    for namespace, groups in (("event", EVENTS), ("prop", PROPERTIES)):
        lines += ["", "namespace %s {" % namespace]
        for title, entries in groups:
            lines.append("// " + title)
            lines += aligned([("constexpr int32_t %s = %d;" % (n, v), c) for n, v, c in entries])
        if namespace == "prop":
            lines += ["// The member index of an access to the whole value (0 and up: one member of a font).",
                      "constexpr int32_t kWholeValue = %d;" % WHOLE_VALUE]
        lines.append("}  // namespace %s" % namespace)
    return "\n".join(lines) + "\n"


def block_source(block):
    lines = [GENERATED, "#include <cstdint>", "", "extern const uint8_t form_data_block[];",
             "extern const uint32_t form_data_block_size;",
             "alignas(4) const uint8_t form_data_block[%d] = {" % len(block)]
    for i in range(0, len(block), 24):
        lines.append("    " + ", ".join("0x%02x" % b for b in block[i:i + 24]) + ",")
    return "\n".join(lines + ["};", "const uint32_t form_data_block_size = %d;" % len(block), ""])


def main():
    forms_dir, out_dir = sys.argv[1:3]
    block, desc = build(forms_dir)
    os.makedirs(os.path.join(out_dir, "forms"), exist_ok=True)
    texts = {
        "form_data.cpp": block_source(block),
        "forms/handlers.inc": "// Generated by tools/gen_forms.py: the handler routines in stored-reference order.\n"
                              + "".join("HANDLER(%s)\n" % h for h in desc.HANDLERS),
        "forms/unit_ids.h": unit_ids_header(desc.WINDOWS),
        "forms/unit_numbers.h": numbers_header(),
    }
    for name, text in texts.items():
        with open(os.path.join(out_dir, name), "w", encoding="utf-8") as f:
            f.write(text)
    with open(os.path.join(out_dir, "form_data.bin"), "wb") as f:
        f.write(block)


if __name__ == "__main__":
    main()
