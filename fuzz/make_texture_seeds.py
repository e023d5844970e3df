#!/usr/bin/env python3
"""Writes the texture fuzz target's seeds into fuzz/corpus/texture/: one small file for each
layout the loaders take (DDS in its formats, with mips and as a cube; BMP at every depth, with
run-length and bit-field compression and the larger headers; TGA; PNG; Radiance HDR flat and
run-length; PFM; PPM and PGM in binary and text). The JPEG seeds (jpeg_*.jpg) are not made here:
they were written once with libjpeg (baseline colour, greyscale, progressive, with restart
markers), 8 x 8 texels."""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "texture")


def save(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def pattern(n, step=37):
    return bytes((i * step + 11) & 0xFF for i in range(n))


# ---- DDS ----------------------------------------------------------------------------------------
DDPF_ALPHAPIXELS, DDPF_ALPHA, DDPF_FOURCC, DDPF_RGB, DDPF_LUMINANCE = 0x1, 0x2, 0x4, 0x40, 0x20000


def dds(w, h, pf_flags, fourcc=b"\0\0\0\0", bits=0, masks=(0, 0, 0, 0), mips=1, caps2=0, data=b""):
    flags = 0x1 | 0x2 | 0x4 | 0x1000 | (0x20000 if mips > 1 else 0)
    header = struct.pack("<7I", 124, flags, h, w, 0, 0, mips) + b"\0" * 44
    header += struct.pack("<2I4s5I", 32, pf_flags, fourcc, bits, *masks)
    header += struct.pack("<5I", 0x1000 | (0x400008 if mips > 1 else 0), caps2, 0, 0, 0)
    return b"DDS " + header + data


def level_bytes(w, h, bits, mips, block=0):
    total = 0
    for _ in range(mips):
        total += ((w + 3) // 4) * ((h + 3) // 4) * block if block else w * h * bits // 8
        w, h = max(1, w // 2), max(1, h // 2)
    return total


def write_dds():
    for name, fourcc, block in (("dxt1", b"DXT1", 8), ("dxt3", b"DXT3", 16), ("dxt5", b"DXT5", 16)):
        save(f"dds_{name}_4x4.dds", dds(4, 4, DDPF_FOURCC, fourcc, data=pattern(block)))
    save("dds_dxt1_8x8_mips.dds", dds(8, 8, DDPF_FOURCC, b"DXT1", mips=4, data=pattern(level_bytes(8, 8, 0, 4, 8))))
    rgb = [("a8r8g8b8", DDPF_RGB | DDPF_ALPHAPIXELS, 32, (0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
           ("x8r8g8b8", DDPF_RGB, 32, (0xFF0000, 0xFF00, 0xFF, 0)),
           ("a8b8g8r8", DDPF_RGB | DDPF_ALPHAPIXELS, 32, (0xFF, 0xFF00, 0xFF0000, 0xFF000000)),
           ("r8g8b8", DDPF_RGB, 24, (0xFF0000, 0xFF00, 0xFF, 0)),
           ("r5g6b5", DDPF_RGB, 16, (0xF800, 0x7E0, 0x1F, 0)),
           ("a1r5g5b5", DDPF_RGB | DDPF_ALPHAPIXELS, 16, (0x7C00, 0x3E0, 0x1F, 0x8000)),
           ("a4r4g4b4", DDPF_RGB | DDPF_ALPHAPIXELS, 16, (0xF00, 0xF0, 0xF, 0xF000)),
           ("r3g3b2", DDPF_RGB, 8, (0xE0, 0x1C, 0x03, 0)),
           ("a2b10g10r10", DDPF_RGB | DDPF_ALPHAPIXELS, 32, (0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000)),
           ("g16r16", DDPF_RGB, 32, (0xFFFF, 0xFFFF0000, 0, 0)),
           ("l8", DDPF_LUMINANCE, 8, (0xFF, 0, 0, 0)),
           ("a8l8", DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 16, (0xFF, 0, 0, 0xFF00)),
           ("a4l4", DDPF_LUMINANCE | DDPF_ALPHAPIXELS, 8, (0x0F, 0, 0, 0xF0)),
           ("l16", DDPF_LUMINANCE, 16, (0xFFFF, 0, 0, 0)),
           ("a8", DDPF_ALPHA, 8, (0, 0, 0, 0xFF))]
    for name, flags, bits, masks in rgb:
        save(f"dds_{name}_3x2.dds", dds(3, 2, flags, bits=bits, masks=masks, data=pattern(6 * bits // 8)))
    flags, bits, masks = rgb[0][1:]
    save("dds_a8r8g8b8_4x4_mips.dds",
         dds(4, 4, flags, bits=bits, masks=masks, mips=3, data=pattern(level_bytes(4, 4, 32, 3))))
    save("dds_cube_2x2.dds", dds(2, 2, flags, bits=bits, masks=masks, caps2=0x200 | 0xFC00, data=pattern(6 * 16)))


# ---- BMP ----------------------------------------------------------------------------------------
def bmp(w, h, bits, pixels, palette=b"", compression=0, header_size=40, masks=b""):
    info = struct.pack("<IiiHHIIiiII", header_size, w, h, 1, bits, compression, len(pixels), 2835, 2835,
                       len(palette) // 4, 0)
    if header_size > 40:
        extra = masks.ljust(header_size - 40, b"\0")
        info += extra
    elif masks:
        info += masks
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + palette + pixels


def write_bmp():
    pal2 = b"\x00\x00\xff\x00\xff\xff\xff\x00"
    pal16 = pattern(64, 17)
    pal256 = pattern(1024, 5)
    save("bmp_1bit_5x2.bmp", bmp(5, 2, 1, b"\xa8\0\0\0\x50\0\0\0", pal2))
    save("bmp_4bit_3x2.bmp", bmp(3, 2, 4, b"\x12\x30\0\0\x45\x60\0\0", pal16))
    save("bmp_8bit_3x2.bmp", bmp(3, 2, 8, b"\x01\x02\x03\0\x04\x05\x06\0", pal256))
    save("bmp_8bit_topdown_3x2.bmp", bmp(3, -2, 8, b"\x01\x02\x03\0\x04\x05\x06\0", pal256))
    # RLE8: a run, an absolute stretch, end of line, a delta, end of bitmap.
    rle8 = b"\x02\x07\x00\x03\x01\x02\x03\x00\x00\x00\x00" + b"\x00\x02\x01\x00" + b"\x01\x09\x00\x01"
    save("bmp_rle8_5x3.bmp", bmp(5, 3, 8, rle8, pal256, compression=1))
    rle4 = b"\x03\x12\x00\x00\x00\x04\x34\x56\x00\x00\x00\x01"
    save("bmp_rle4_4x2.bmp", bmp(4, 2, 4, rle4, pal16, compression=2))
    save("bmp_16bit_555_2x2.bmp", bmp(2, 2, 16, pattern(8)))
    masks565 = struct.pack("<3I", 0xF800, 0x7E0, 0x1F)
    save("bmp_16bit_565_2x2.bmp", bmp(2, 2, 16, pattern(8), compression=3, masks=masks565))
    save("bmp_24bit_3x2.bmp", bmp(3, 2, 24, pattern(9) + b"\0\0\0" + pattern(9, 11) + b"\0\0\0"))
    save("bmp_32bit_2x2.bmp", bmp(2, 2, 32, pattern(16)))
    masks8888 = struct.pack("<4I", 0xFF0000, 0xFF00, 0xFF, 0xFF000000)
    save("bmp_v4_32bit_alpha_2x2.bmp", bmp(2, 2, 32, pattern(16), compression=3, header_size=108, masks=masks8888))
    save("bmp_v5_32bit_alpha_2x2.bmp", bmp(2, 2, 32, pattern(16), compression=3, header_size=124, masks=masks8888))
    # The old OS/2 header: 12 bytes, 16-bit sides, three-byte palette entries.
    core = struct.pack("<IHHHH", 12, 2, 2, 1, 8)
    pal = pattern(6, 40)
    pixels = b"\x00\x01\0\0\x01\x00\0\0"
    offset = 14 + 12 + len(pal)
    save("bmp_core_8bit_2x2.bmp", b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + core + pal + pixels)


# ---- TGA ----------------------------------------------------------------------------------------
def tga(kind, w, h, bits, pixels, cmap=b"", cmap_bits=0, descriptor=0):
    entries = len(cmap) * 8 // cmap_bits if cmap_bits else 0
    header = struct.pack("<BBBHHBHHHHBB", 0, 1 if cmap else 0, kind, 0, entries, cmap_bits, 0, 0, w, h, bits,
                         descriptor)
    return header + cmap + pixels


def write_tga():
    save("tga_24bit_2x2.tga", tga(2, 2, 2, 24, pattern(12)))
    save("tga_32bit_topdown_2x2.tga", tga(2, 2, 2, 32, pattern(16), descriptor=0x28))
    save("tga_grey_3x1.tga", tga(3, 3, 1, 8, pattern(3)))
    save("tga_palette_2x2.tga", tga(1, 2, 2, 8, b"\x00\x01\x01\x00", cmap=pattern(6), cmap_bits=24))
    save("tga_rle_32bit_4x1.tga", tga(10, 4, 1, 32, b"\x82" + pattern(4) + b"\x00" + pattern(4, 3)))


# ---- PNG ----------------------------------------------------------------------------------------
def png(w, h, depth, colour, rows, extra=b"", interlace=0):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    ihdr = struct.pack(">IIBBBBB", w, h, depth, colour, 0, 0, interlace)
    raw = b"".join(bytes([i % 5]) + row for i, row in enumerate(rows))  # every filter type
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw)) +
            chunk(b"IEND", b""))


def write_png():
    save("png_rgba_3x3.png", png(3, 3, 8, 6, [pattern(12, 7 + i) for i in range(3)]))
    save("png_grey_alpha_2x2.png", png(2, 2, 8, 4, [pattern(4), pattern(4, 9)]))
    save("png_grey_1bit_9x1.png", png(9, 1, 1, 0, [b"\xa5\x80"]))
    # Adam7 on 3 x 3: passes 1, 4, 5, 6 (two rows) and 7 have texels; 2 and 3 have none.
    passes = [pattern(3), pattern(3, 5), pattern(6, 7), pattern(3, 9), pattern(3, 11), pattern(9, 13)]
    save("png_rgb_interlaced_3x3.png", png(3, 3, 8, 2, passes, interlace=1))


# ---- Radiance HDR, PFM, PPM and PGM -------------------------------------------------------------
def write_hdr():
    head = b"#?RADIANCE\n# seed\nFORMAT=32-bit_rle_rgbe\nEXPOSURE=1.0\n\n"
    save("hdr_flat_2x2.hdr", head + b"-Y 2 +X 2\n" + pattern(16))
    # New-style run-length scanlines, 8 wide: the marker, then each channel as runs and stretches.
    line = b"\x02\x02\x00\x08"
    for channel in range(4):
        line += b"\x84" + bytes([channel * 40 + 1]) + b"\x04" + pattern(4, channel + 3)
    save("hdr_rle_8x2.hdr", head + b"-Y 2 +X 8\n" + line * 2)


def write_netpbm():
    save("pfm_colour_2x2.pfm", b"PF\n2 2\n-1.0\n" + struct.pack("<12f", *[i / 4.0 for i in range(12)]))
    save("pfm_grey_bigendian_2x1.pfm", b"Pf\n2 1\n1.0\n" + struct.pack(">2f", 0.25, 8.0))
    save("ppm_binary_2x2.ppm", b"P6\n# seed\n2 2\n255\n" + pattern(12))
    save("ppm_16bit_1x2.ppm", b"P6 1 2 65535\n" + pattern(12))
    save("pgm_binary_3x1.pgm", b"P5 3 1 255\n" + pattern(3))
    save("ppm_text_2x1.ppm", b"P3\n2 1\n15\n0 5 15  15 10 0\n")
    save("pgm_text_2x2.pgm", b"P2 2 2 100 0 25 50 100\n")


if __name__ == "__main__":
    os.makedirs(OUT, exist_ok=True)
    write_dds()
    write_bmp()
    write_tga()
    write_png()
    write_hdr()
    write_netpbm()
