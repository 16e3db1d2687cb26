#!/usr/bin/env python3
"""ui_font.py SOURCE.ttf TARGET.ttf: the sandbox's stand-in for the Windows XP Chinese UI font (宋体).

SOURCE is Debian's AR PL SungtiL GB (fonts-arphic-gbsn00lp), a Song face whose characters already have the XP
font's widths (Chinese ones a full em, Latin ones half of it) and whose lines are one em high. Its ascent and
descent split that em as 900:124, which puts the baseline one pixel lower than 宋体's 220:36 at 9 points and
leaves underscores below the 12-pixel line, where nothing draws them. TARGET is the same font with 宋体's
split (880:144 of its 1,024 units: ascent 10, descent 2 at 12 pixels; 12 and 2 at 14) and a higher revision,
so that Wine prefers it to the unchanged copy that fontconfig also reports.
"""
import struct
import sys

ASCENT, DESCENT = 880, 144


def main(source, target):
    data = bytearray(open(source, "rb").read())
    tables = {}
    for i in range(struct.unpack(">H", data[4:6])[0]):
        tag, _, offset, _ = struct.unpack(">4sIII", data[12 + 16 * i:28 + 16 * i])
        tables[tag] = offset
    head, hhea, os2 = tables[b"head"], tables[b"hhea"], tables[b"OS/2"]
    if struct.unpack(">H", data[head + 18:head + 20])[0] != ASCENT + DESCENT:
        sys.exit("%s: not a font of %d units to the em" % (source, ASCENT + DESCENT))
    revision = struct.unpack(">I", data[head + 4:head + 8])[0]
    struct.pack_into(">I", data, head + 4, revision + 0x10000)
    struct.pack_into(">hh", data, hhea + 4, ASCENT, -DESCENT)
    struct.pack_into(">hh", data, os2 + 68, ASCENT, -DESCENT)  # typographic ascender, descender
    struct.pack_into(">HH", data, os2 + 74, ASCENT, DESCENT)   # Windows ascent, descent
    open(target, "wb").write(data)


if __name__ == "__main__":
    main(*sys.argv[1:3])
