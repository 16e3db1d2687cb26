#!/usr/bin/env python3
"""Builds the constant area: every text constant and every byte-set constant of the program, packed one after
another without alignment in the runtime's own layout, plus a header of named accessors and the source that
carries the area in the program image.

Layout: the area starts with the empty text (one 0 byte) and the empty byte-set {1, 0}; then every text
constant (GBK bytes and a 0 byte) in the order of the .texts files; then every byte-set constant
(int32 1, int32 length, bytes) in the order of the payload table; last the byte-set of stand-in marks, one
byte per payload in table order: 1 for a stand-in the build made because the outside product was not
supplied (--stand-in NAME), 0 for every other file.

Text files (payloads/*.texts, UTF-8):   name = "text with C escapes \\r \\n \\\\ \\" \\xNN"
Payload table (payloads/payloads.table):  name | source file | target | use
    The source may use ${SOURCE} (the payloads folder), ${BUILD} (the build folder) and names given with
    --define NAME=VALUE. Names that end in _<number> (skin_1 ... skin_33) also get an indexed accessor.
"""
import argparse
import os
import re
import struct
import sys

NAME = re.compile(r"^[A-Za-z_][A-Za-z0-9_]*$")


def parse_text_literal(s, where):
    if len(s) < 2 or s[0] != '"' or s[-1] != '"':
        sys.exit(f"{where}: a text constant is written in double quotes")
    body, out, i = s[1:-1], bytearray(), 0
    while i < len(body):
        c = body[i]
        if c == "\\":
            i += 1
            e = body[i]
            simple = {"r": b"\r", "n": b"\n", "t": b"\t", "\\": b"\\", '"': b'"', "0": b"\0"}
            if e in simple:
                out += simple[e]
            elif e == "x":
                out.append(int(body[i + 1:i + 3], 16))
                i += 2
            else:
                sys.exit(f"{where}: unknown escape \\{e}")
        else:
            out += c.encode("gbk")
        i += 1
    if 0 in out:
        sys.exit(f"{where}: a text constant cannot hold a 0 byte")
    return bytes(out)


def read_texts(paths):
    texts = []
    for path in paths:
        with open(path, encoding="utf-8") as f:
            for n, line in enumerate(f, 1):
                line = line.rstrip("\n")
                if not line.strip() or line.lstrip().startswith("#"):
                    continue
                name, _, literal = line.partition("=")
                name, literal = name.strip(), literal.strip()
                if not NAME.match(name):
                    sys.exit(f"{path}:{n}: bad constant name {name!r}")
                texts.append((name, parse_text_literal(literal, f"{path}:{n}")))
    return texts


def read_payloads(path, defines):
    payloads = []
    if not path or not os.path.exists(path):
        return payloads
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            cells = [c.strip() for c in line.split("|")]
            if len(cells) < 2 or not NAME.match(cells[0]):
                sys.exit(f"{path}:{n}: expected 'name | source | target | use'")
            source = re.sub(r"\$\{(\w+)\}", lambda m: defines[m.group(1)], cells[1])
            with open(source, "rb") as data:
                payloads.append((cells[0], data.read()))
    return payloads


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--texts", nargs="*", default=[])
    ap.add_argument("--table")
    ap.add_argument("--define", action="append", default=[])
    ap.add_argument("--stand-in", action="append", default=[], dest="stand_ins")
    ap.add_argument("--out-dir", required=True)
    a = ap.parse_args()
    defines = dict(d.split("=", 1) for d in a.define)

    texts = read_texts(a.texts)
    payloads = read_payloads(a.table, defines)
    names = [n for n, _ in texts] + [n for n, _ in payloads]
    dup = {n for n in names if names.count(n) > 1}
    if dup:
        sys.exit(f"constant names used twice: {sorted(dup)}")
    unknown = set(a.stand_ins) - {n for n, _ in payloads}
    if unknown:
        sys.exit(f"stand-ins that are not payloads of the table: {sorted(unknown)}")

    area = bytearray(b"\0" + struct.pack("<ii", 1, 0))  # empty text at 0, empty byte-set at 1
    text_pos, bytes_pos = [], []
    for name, data in texts:
        text_pos.append((name, len(area)))
        area += data + b"\0"
    for name, data in payloads:
        bytes_pos.append((name, len(area), len(data)))
        area += struct.pack("<ii", 1, len(data)) + data
    marks = bytes(1 if name in a.stand_ins else 0 for name, _ in payloads)
    marks_pos = len(area)
    area += struct.pack("<ii", 1, len(marks)) + marks

    os.makedirs(a.out_dir, exist_ok=True)
    bin_path = os.path.join(a.out_dir, "constant_area.bin")
    write_if_changed(bin_path, bytes(area))

    h = ["// Generated from payloads/*.texts and payloads/payloads.table by tools/gen_constants.py. Do not edit.",
         "// Named accessors for the constants of the constant area; every pointer lies inside the area and is",
         "// never written or freed.", "#pragma once", "", "#include <cstdint>", "",
         'extern "C" const char qg_constant_area[];',
         f"constexpr uint32_t kConstantAreaSize = {len(area)};",
         "inline const void* constant_area() { return qg_constant_area; }", "",
         "namespace txt {"]
    for name, pos in text_pos:
        h.append(f"inline const char* {name}() {{ return qg_constant_area + {pos}; }}")
    h += ["}  // namespace txt", "", "namespace bin {"]
    groups = {}
    for name, pos, size in bytes_pos:
        h.append(f"inline const void* {name}() {{ return qg_constant_area + {pos}; }}  // {size} bytes")
        m = re.match(r"^(.*)_(\d+)$", name)
        if m:
            groups.setdefault(m.group(1), []).append((int(m.group(2)), pos))
    for base, members in groups.items():
        members.sort()
        if [k for k, _ in members] != list(range(1, len(members) + 1)):
            continue
        offsets = ", ".join(str(p) for _, p in members)
        h += [f"constexpr int32_t k{base.title().replace('_', '')}Count = {len(members)};",
              f"// {base}_1 .. {base}_{len(members)} by number; null outside that range.",
              f"inline const void* {base}(int32_t number) {{",
              f"    static const uint32_t offsets[] = {{{offsets}}};",
              f"    return number >= 1 && number <= {len(members)} ? qg_constant_area + offsets[number - 1] : nullptr;",
              "}"]
    h += ["// True when the build carries its own stand-in instead of the outside product (the area's last",
          "// byte-set holds one mark per payload)."]
    for i, (name, _, _) in enumerate(bytes_pos):
        h.append(f"inline bool {name}_is_stand_in() {{ return qg_constant_area[{marks_pos + 8 + i}] != 0; }}")
    h += ["}  // namespace bin", ""]
    write_if_changed(os.path.join(a.out_dir, "constants.h"), "\n".join(h).encode())

    asm_path = bin_path.replace("\\", "/")
    src = ["// Generated by tools/gen_constants.py. Do not edit.",
           "// The constant area in the program's read-only data.",
           "__asm__(",
           '    ".section .rdata,\\"dr\\"\\n"',
           '    ".globl _qg_constant_area\\n"',
           '    "_qg_constant_area:\\n"',
           f'    ".incbin \\"{asm_path}\\"\\n"',
           '    ".text\\n");', ""]
    write_if_changed(os.path.join(a.out_dir, "constant_area.cpp"), "\n".join(src).encode())


def write_if_changed(path, data):
    if os.path.exists(path):
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
