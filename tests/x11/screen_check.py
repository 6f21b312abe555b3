#!/usr/bin/env python3
"""Checks an xwd screen dump against the saver's figure area.
  screen_check.py DUMP.xwd equals RAW ZOOM   the area holds exactly RAW's words, black around
  screen_check.py DUMP.xwd equals-colour RAW ZOOM   so, and some words' red and blue differ (a swap shows)
  screen_check.py DUMP.xwd lit-inside ZOOM   something is lit, and only inside the area"""
import struct, sys

def read_xwd(path):
    data = open(path, "rb").read()
    h = struct.unpack(">25I", data[:100])
    size, depth, width, height, order, bpp, stride, ncolors = h[0], h[3], h[4], h[5], h[7], h[11], h[12], h[19]
    start = size + 12 * ncolors
    fmt = ("<" if order == 0 else ">") + ("I" if bpp == 32 else "H") * width
    step = bpp // 8
    rows = [struct.unpack(fmt, data[start + y * stride:start + y * stride + width * step]) for y in range(height)]
    mask = 0xFFFFFF if bpp == 32 else 0xFFFF
    return width, height, bpp, [[p & mask for p in row] for row in rows]

def area(width, height, zoom):
    zoom = min(max(zoom, 10), 100)
    w, h = zoom * width // 100, zoom * height // 100
    return (width - w) // 2, (height - h) // 2, w, h

def main():
    width, height, bpp, rows = read_xwd(sys.argv[1])
    x0, y0, w, h = area(width, height, int(sys.argv[-1]))
    inside = lambda x, y: x0 <= x < x0 + w and y0 <= y < y0 + h
    lit_outside = sum(1 for y in range(height) for x in range(width) if rows[y][x] and not inside(x, y))
    if sys.argv[2] == "lit-inside":
        lit = sum(1 for y in range(y0, y0 + h) for x in range(x0, x0 + w) if rows[y][x])
        print(f"{lit} lit inside, {lit_outside} outside the {w}x{h}+{x0}+{y0} area")
        return 0 if lit and not lit_outside else 1
    raw = open(sys.argv[3], "rb").read()
    words = struct.unpack("<%d%s" % (w * h, "I" if bpp == 32 else "H"), raw)
    wrong = sum(1 for y in range(h) for x in range(w) if rows[y0 + y][x0 + x] != words[y * w + x])
    uneven = sum(1 for p in words if (p >> 16 if bpp == 32 else p >> 11) != p & (0xFF if bpp == 32 else 0x1F))
    print(f"{wrong} words differ in the {w}x{h}+{x0}+{y0} area ({bpp} bits), {lit_outside} lit outside, "
          f"{uneven} with red unlike blue")
    return 0 if wrong == 0 and lit_outside == 0 and any(words) and (uneven or sys.argv[2] == "equals") else 1

sys.exit(main())
