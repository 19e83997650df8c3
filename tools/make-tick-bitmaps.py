#!/usr/bin/env python3
"""Writes the two 11 by 11 tick box bitmaps of the owner-drawn overlay lists:
tick_empty.bmp (an empty box) and tick_set.bmp (the same box ticked), as
24-bit Windows bitmaps, into the directory given (default: the module's
bitmap directory).

The box is a one-pixel dark frame around a white 9 by 9 inside; the tick is a
stroke three pixels thick, down from the left and up to the right.
"""
import os
import struct
import sys

SIZE = 11
FRAME = (0x40, 0x40, 0x40)
INSIDE = (0xFF, 0xFF, 0xFF)
TICK = (0x00, 0x00, 0x00)

# Column of the tick -> its topmost row (rows counted from the top); the
# stroke covers that row and the two below it.
TICK_TOPS = {2: 4, 3: 5, 4: 6, 5: 5, 6: 4, 7: 3, 8: 2}


def pixels(ticked):
    """The picture as rows of (r, g, b), top row first."""
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            if x in (0, SIZE - 1) or y in (0, SIZE - 1):
                row.append(FRAME)
            elif ticked and x in TICK_TOPS and TICK_TOPS[x] <= y < TICK_TOPS[x] + 3:
                row.append(TICK)
            else:
                row.append(INSIDE)
        rows.append(row)
    return rows


def bmp(rows):
    """A bottom-up 24-bit BMP file of the rows; each row padded to 4 bytes."""
    width = len(rows[0])
    height = len(rows)
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(data), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return file_header + info_header + bytes(data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "dialogs", "bitmaps")
    os.makedirs(out, exist_ok=True)
    for name, ticked in (("tick_empty.bmp", False), ("tick_set.bmp", True)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(bmp(pixels(ticked)))


if __name__ == "__main__":
    main()
