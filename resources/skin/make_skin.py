#!/usr/bin/env python3
"""Writes tarnvex.she, the program's built-in skin, in our skin format
(skin_engine/README.md describes it).

    resources/skin/make_skin.py          rewrite tarnvex.she beside this script
    resources/skin/make_skin.py --check  exit 1 when tarnvex.she differs from what this writes
"""
import struct
import sys
from pathlib import Path

MAGIC = bytes([0x2E, 0x53, 0x48, 0x45])
VERSION = 1
COLOUR, FONT = 1, 2

# A calm blue-grey look: light frames, cream input, blue buttons with white text.
COLOURS = [
    ("window.background", (0xDC, 0xE6, 0xF0)),
    ("edit.background", (0xFF, 0xF8, 0xE1)),
    ("edit.text", (0x1A, 0x2A, 0x4A)),
    ("edit.readonly.background", (0xE8, 0xF0, 0xFA)),
    ("edit.readonly.text", (0x00, 0x5A, 0xB4)),
    ("edit.border", (0x46, 0x6E, 0xA0)),
    ("label.background", (0xDC, 0xE6, 0xF0)),
    ("label.text", (0x28, 0x3C, 0x5A)),
    ("button.face", (0x46, 0x6E, 0xA0)),
    ("button.pressed", (0x32, 0x55, 0x82)),
    ("button.text", (0xFF, 0xFF, 0xFF)),
    ("button.border", (0x28, 0x46, 0x6E)),
]
FONT_ENTRY = ("font", -12, 400, False, False, "Tahoma")


def entry(kind, name, value):
    name_bytes = name.encode("ascii")
    return struct.pack("<BB", kind, len(name_bytes)) + name_bytes + struct.pack("<H", len(value)) + value


def font_value(height, weight, italic, underline, face):
    face_bytes = face.encode("utf-8")
    flags = (1 if italic else 0) | (2 if underline else 0)
    return struct.pack("<hHBB", height, weight, flags, len(face_bytes)) + face_bytes


def skin_bytes():
    entries = [entry(COLOUR, name, bytes(rgb)) for name, rgb in COLOURS]
    name, *font = FONT_ENTRY
    entries.append(entry(FONT, name, font_value(*font)))
    return MAGIC + struct.pack("<HH", VERSION, len(entries)) + b"".join(entries)


def main():
    target = Path(__file__).with_name("tarnvex.she")
    data = skin_bytes()
    if "--check" in sys.argv[1:]:
        if not target.exists() or target.read_bytes() != data:
            print(f"{target} is not what {Path(__file__).name} writes", file=sys.stderr)
            return 1
        return 0
    target.write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
