#!/usr/bin/env python3
"""Builds the payload files that are ours: the stand-ins that the program carries where the build was given
no outside product, the skins, and batch texts.

    make_payloads.py bootloader OUT        a boot-sector program that says it is not the real boot loader
    make_payloads.py dosghost OUT          a DOS program (MZ) that says it is not the real imaging program
    make_payloads.py floppy OUT FILE...    a 2,880 KiB FAT12 floppy image holding the text files FILE... in
                                           its root, with CR LF line ends
    make_payloads.py batch IN OUT          a UTF-8 text as a GBK batch file: CR LF between lines, no line end
                                           after the last line
    make_payloads.py skin NUMBER OUT       skin NUMBER (1 to 33) in the skin library's format

Each stand-in says plainly what it is; none of them pretends to be the product it stands for.
"""
import colorsys
import os
import struct
import sys

# ----------------------------------------------------------------------------------------------------------
# Boot loader stand-in: loaded by the Windows boot menu like a boot sector (at 0000:7C00), it prints its
# message through the BIOS and halts.

BOOT_MESSAGE = (
    b"Quenvarghost stand-in boot loader - this is NOT the real boot loader (grldr).\r\n"
    b"The tool was built without one, so the one-key backup/restore cannot start.\r\n"
    b"Press Ctrl+Alt+Del, pick the Windows entry in the boot menu, then use the\r\n"
    b"tool's undo. See README.md, 'Outside products'.\r\n\0"
)


def print_and_halt(origin, message_offset):
    """Real-mode code: print the 0-terminated text at origin+message_offset with int 10h, then halt."""
    address = origin + message_offset
    return bytes([
        0xFA,                          # cli
        0x31, 0xC0,                    # xor ax, ax
        0x8E, 0xD8,                    # mov ds, ax
        0x8E, 0xD0,                    # mov ss, ax
        0xBC, 0x00, 0x7C,              # mov sp, 7C00h
        0xFB,                          # sti
        0xBE, address & 0xFF, address >> 8,  # mov si, message
        0xFC,                          # cld
        0xAC,                          # next: lodsb
        0x84, 0xC0,                    # test al, al
        0x74, 0x09,                    # jz halt
        0xB4, 0x0E,                    # mov ah, 0Eh
        0xBB, 0x07, 0x00,              # mov bx, 7
        0xCD, 0x10,                    # int 10h
        0xEB, 0xF2,                    # jmp next
        0xF4,                          # halt: hlt
        0xEB, 0xFD,                    # jmp halt
    ])


PRINT_CODE_SIZE = len(print_and_halt(0, 0))


def boot_loader():
    code = print_and_halt(0x7C00, PRINT_CODE_SIZE)
    sector = bytearray(code + BOOT_MESSAGE)
    assert len(sector) <= 510
    sector += bytes(510 - len(sector)) + b"\x55\xAA"
    return bytes(sector)


# ----------------------------------------------------------------------------------------------------------
# DOS imaging program stand-in: a minimal MZ program that prints its message, waits for a key (so that the
# message can be read before the batch file restarts the machine) and exits with code 1.

DOS_MESSAGE = (
    b"\r\nQuenvarghost stand-in - this is NOT the DOS imaging program (ghost.exe).\r\n"
    b"The tool was built without it, so no backup or restore was made.\r\n"
    b"Your disks were not changed. Put the real ghost.exe into the folder named by\r\n"
    b"QG_OUTSIDE_PRODUCTS and build the tool again (see README.md).\r\n"
    b"Press any key to restart into Windows.\r\n$"
)


def dos_program():
    code = bytes([
        0x0E,              # push cs
        0x1F,              # pop ds
        0xBA, 0, 0,        # mov dx, message (patched below)
        0xB4, 0x09,        # mov ah, 9
        0xCD, 0x21,        # int 21h
        0xB4, 0x00,        # mov ah, 0
        0xCD, 0x16,        # int 16h
        0xB8, 0x01, 0x4C,  # mov ax, 4C01h
        0xCD, 0x21,        # int 21h
    ])
    body = bytearray(code + DOS_MESSAGE)
    struct.pack_into("<H", body, 3, len(code))
    header_size = 32  # two paragraphs
    total = header_size + len(body)
    header = struct.pack(
        "<2sHHHHHHHHHHHHH",
        b"MZ",
        total % 512,            # bytes in the last page
        (total + 511) // 512,   # pages
        0,                      # relocations
        header_size // 16,      # header paragraphs
        0x1000,                 # minimum extra paragraphs (64 KiB for the stack)
        0xFFFF,                 # maximum extra paragraphs
        0,                      # initial SS (relative)
        0xFFFE,                 # initial SP
        0,                      # checksum
        0,                      # initial IP
        0,                      # initial CS (relative)
        0x1C,                   # relocation table offset
        0,                      # overlay number
    )
    header += bytes(header_size - len(header))
    return bytes(header + body)


# ----------------------------------------------------------------------------------------------------------
# Floppy image: FAT12, 2,880 KiB, the geometry the boot chain expects of a 2.88 MB boot floppy.

BYTES_PER_SECTOR = 512
SECTORS_PER_CLUSTER = 2
RESERVED_SECTORS = 1
FAT_COUNT = 2
ROOT_ENTRIES = 240
TOTAL_SECTORS = 5760
MEDIA = 0xF0
SECTORS_PER_FAT = 9
SECTORS_PER_TRACK = 36
HEADS = 2
VOLUME_SERIAL = 0x51454C4F
# Files are stamped 2015-07-01 12:00:00 so that the image is the same at every build.
DOS_DATE = ((2015 - 1980) << 9) | (7 << 5) | 1
DOS_TIME = 12 << 11

FLOPPY_MESSAGE = (
    b"\r\nQuenvarghost DOS floppy image without a DOS system.\r\n"
    b"This image holds the start-up batch files only; the build was given no\r\n"
    b"complete image. Add a DOS system as README.TXT on this image describes.\r\n"
    b"Press Ctrl+Alt+Del and pick the Windows entry in the boot menu.\r\n\0"
)


def floppy_boot_sector():
    bpb = struct.pack(
        "<3s8sHBHBHHBHHHII",
        b"\xEB\x3C\x90",
        b"MSWIN4.1",
        BYTES_PER_SECTOR,
        SECTORS_PER_CLUSTER,
        RESERVED_SECTORS,
        FAT_COUNT,
        ROOT_ENTRIES,
        TOTAL_SECTORS,
        MEDIA,
        SECTORS_PER_FAT,
        SECTORS_PER_TRACK,
        HEADS,
        0,  # hidden sectors
        0,  # large sector count (the 16-bit count holds it)
    )
    ebpb = struct.pack("<BBBI11s8s", 0x00, 0, 0x29, VOLUME_SERIAL, b"NO NAME    ", b"FAT12   ")
    sector = bytearray(bpb + ebpb)
    assert len(sector) == 0x3E
    sector += print_and_halt(0x7C00, 0x3E + PRINT_CODE_SIZE) + FLOPPY_MESSAGE
    assert len(sector) <= 510
    sector += bytes(510 - len(sector)) + b"\x55\xAA"
    return bytes(sector)


def short_name(file_name):
    base, _, ext = os.path.basename(file_name).upper().partition(".")
    if not (1 <= len(base) <= 8 and len(ext) <= 3):
        raise SystemExit(f"{file_name}: not an 8.3 name")
    return base.ljust(8).encode("ascii") + ext.ljust(3).encode("ascii")


def floppy(files):
    cluster_bytes = BYTES_PER_SECTOR * SECTORS_PER_CLUSTER
    root_sectors = ROOT_ENTRIES * 32 // BYTES_PER_SECTOR
    data_start = RESERVED_SECTORS + FAT_COUNT * SECTORS_PER_FAT + root_sectors
    cluster_count = (TOTAL_SECTORS - data_start) // SECTORS_PER_CLUSTER

    image = bytearray(TOTAL_SECTORS * BYTES_PER_SECTOR)
    image[0:BYTES_PER_SECTOR] = floppy_boot_sector()
    fat = [0] * (cluster_count + 2)
    fat[0] = 0xF00 | MEDIA
    fat[1] = 0xFFF
    root = bytearray()
    root += b"NO NAME    " + bytes([0x08]) + bytes(10) + struct.pack("<HHHI", DOS_TIME, DOS_DATE, 0, 0)
    next_cluster = 2
    for path in files:
        with open(path, "rb") as f:
            content = f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        clusters = max(1, (len(content) + cluster_bytes - 1) // cluster_bytes) if content else 0
        first = next_cluster if clusters else 0
        if next_cluster + clusters > cluster_count + 2:
            raise SystemExit("the files do not fit on the floppy image")
        for i in range(clusters):
            c = next_cluster + i
            fat[c] = c + 1 if i + 1 < clusters else 0xFFF
            offset = (data_start + (c - 2) * SECTORS_PER_CLUSTER) * BYTES_PER_SECTOR
            chunk = content[i * cluster_bytes:(i + 1) * cluster_bytes]
            image[offset:offset + len(chunk)] = chunk
        next_cluster += clusters
        root += short_name(path) + bytes([0x20]) + bytes(10)
        root += struct.pack("<HHHI", DOS_TIME, DOS_DATE, first, len(content))
    if len(root) > ROOT_ENTRIES * 32:
        raise SystemExit("too many files for the root folder")

    packed = bytearray(SECTORS_PER_FAT * BYTES_PER_SECTOR)
    for i in range(0, len(fat), 2):
        a = fat[i]
        b = fat[i + 1] if i + 1 < len(fat) else 0
        packed[i * 3 // 2:i * 3 // 2 + 3] = bytes([a & 0xFF, ((a >> 8) & 0x0F) | ((b & 0x0F) << 4), b >> 4])
    for n in range(FAT_COUNT):
        start = (RESERVED_SECTORS + n * SECTORS_PER_FAT) * BYTES_PER_SECTOR
        image[start:start + len(packed)] = packed
    root_start = (RESERVED_SECTORS + FAT_COUNT * SECTORS_PER_FAT) * BYTES_PER_SECTOR
    image[root_start:root_start + len(root)] = root
    return bytes(image)


# ----------------------------------------------------------------------------------------------------------
# Batch texts


def batch(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().rstrip("\n").split("\n")
    return "\r\n".join(line.rstrip("\r") for line in lines).encode("gbk")


# ----------------------------------------------------------------------------------------------------------
# Skins. Layout (little-endian):
#   0   ".SHE", 0, 3          signature and format version 3
#   6   uint32                length of what follows
#   10  uint16                colour count (at least SKIN_COLOURS)
#   12  uint32 x count        colours as 0x00BBGGRR, in the order of SKIN_ROLES
#   ..  GBK text, 0           the skin's name
# The skin library reads the colours it knows and ignores any after them.

SKIN_ROLES = ("window", "text", "group text", "edit", "edit text", "list", "list text", "button",
              "button text", "button light", "button shadow", "status bar")
SKIN_COUNT = 33
SKIN_NAMES = ("晨雾", "松石", "琥珀", "青瓷", "暮光", "海盐", "枫叶", "竹影", "砂岩", "晴空", "石墨", "杏花",
              "薄荷", "铁锈", "云杉", "珊瑚", "雪原", "紫藤", "沙丘", "冰川", "橄榄", "樱桃", "夜空", "稻田",
              "岩浆", "极光", "湖蓝", "乌木", "柠檬", "玫瑰", "苔藓", "钢蓝", "月白")
# Skin 10, the one the program applies at start-up: clear-sky blue. Every skin is light, because the program
# draws some of its texts in black of its own.
SKIN_10 = (0xF4E3D4, 0x4C2A10, 0x8C4E1F, 0xFEFAF7, 0x4C2A10, 0xFEFAF7, 0x4C2A10, 0xA86E3D,
           0xFFFFFF, 0xDEB38F, 0x663F1E, 0xE8CDB7)


def colour(h, l, s):
    r, g, b = colorsys.hls_to_rgb(h % 1.0, l, s)
    return round(b * 255) << 16 | round(g * 255) << 8 | round(r * 255)


def skin_colours(number):
    if number == 10:
        return SKIN_10
    h = (number - 1) / SKIN_COUNT
    s = (0.25, 0.45, 0.65)[number % 3]
    return (colour(h, 0.88, s), colour(h, 0.15, s), colour(h, 0.3, 0.7), colour(h, 0.97, s),
            colour(h, 0.1, s), colour(h, 0.97, s), colour(h, 0.1, s), colour(h, 0.42, s),
            0xFFFFFF, colour(h, 0.7, s), colour(h, 0.22, s), colour(h, 0.8, s))


def skin(number):
    if not 1 <= number <= SKIN_COUNT:
        raise SystemExit(f"there are skins 1 to {SKIN_COUNT}")
    colours = skin_colours(number)
    assert len(colours) == len(SKIN_ROLES)
    body = struct.pack("<H", len(colours)) + struct.pack(f"<{len(colours)}I", *colours)
    body += f"Quenvarghost 皮肤 {number:02d} {SKIN_NAMES[number - 1]}".encode("gbk") + b"\0"
    return b".SHE\0\x03" + struct.pack("<I", len(body)) + body


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    kind, out = argv[1], argv[2]
    if kind == "bootloader":
        data = boot_loader()
    elif kind == "dosghost":
        data = dos_program()
    elif kind == "floppy":
        data = floppy(argv[3:])
    elif kind == "batch" and len(argv) == 4:
        data, out = batch(argv[2]), argv[3]
    elif kind == "skin":
        data = skin(int(argv[2]))
        out = argv[3]
    else:
        raise SystemExit(__doc__)
    with open(out + ".new", "wb") as f:
        f.write(data)
    os.replace(out + ".new", out)


if __name__ == "__main__":
    main(sys.argv)
