#!/usr/bin/env python3
"""Writes the small image files the texture tests read. Each one covers a layout that the
tests cannot easily make with stb_image_write: a palette PNG with transparency, a 16-bit PNG,
a run-length TGA stored bottom row first, a 24-bit BMP with padded rows.
Run from anywhere; the files land beside this script.

halves_12x8.jpg is not made here: it was written once with stb_image_write at quality 100,
12 x 8 texels, x < 6 RGB (E0, 80, 20), the rest RGB (20, 90, E0)."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(name, width, height, bit_depth, colour_type, rows, extra=b""):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + extra +
            png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


# 3 x 2 palette image; index 0 fully transparent red, 1 half-transparent green, 2 opaque blue.
write_png("palette_trns_3x2.png", 3, 2, 8, 3, [bytes([0, 1, 2]), bytes([2, 1, 0])],
          png_chunk(b"PLTE", bytes([255, 0, 0, 0, 255, 0, 0, 0, 255])) +
          png_chunk(b"tRNS", bytes([0, 128])))

# 2 x 2 RGB at 16 bits per channel: white, black / (0x8000, 0x4000, 0x2000), red.
write_png("rgb16_2x2.png", 2, 2, 16, 2, [
    struct.pack(">6H", 0xFFFF, 0xFFFF, 0xFFFF, 0, 0, 0),
    struct.pack(">6H", 0x8000, 0x4000, 0x2000, 0xFFFF, 0, 0)])

# 3 x 3 run-length TGA, 24-bit BGR, origin bottom-left. Top row red, middle green, bottom
# blue; the bottom row is stored first as one run, the others as a run and a raw packet.
red, green, blue = bytes([0, 0, 255]), bytes([0, 255, 0]), bytes([255, 0, 0])
tga = struct.pack("<BBBHHBHHHHBB", 0, 0, 10, 0, 0, 0, 0, 0, 3, 3, 24, 0)
tga += bytes([0x80 | 2]) + blue              # bottom row: run of 3
tga += bytes([0x80 | 1]) + green + bytes([0]) + green  # middle: run of 2, raw 1
tga += bytes([0x80 | 2]) + red               # top row: run of 3
with open(os.path.join(HERE, "rle_bottomup_3x3.tga"), "wb") as f:
    f.write(tga)

# 3 x 2 BMP, 24-bit, bottom-up, rows padded from 9 to 12 bytes.
# Top row: white, grey 0x80, black. Bottom row: (r=10, g=20, b=30) three times.
rows_bottom_up = [bytes([30, 20, 10] * 3) + b"\0\0\0",
                  bytes([255, 255, 255, 0x80, 0x80, 0x80, 0, 0, 0]) + b"\0\0\0"]
pixels = b"".join(rows_bottom_up)
info = struct.pack("<IiiHHIIiiII", 40, 3, 2, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
with open(os.path.join(HERE, "rgb_3x2.bmp"), "wb") as f:
    f.write(header + info + pixels)
