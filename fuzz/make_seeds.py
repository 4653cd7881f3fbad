#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/seeds/<target>/): small TGA and BMP files
of every variant the readers accept, and a few they must refuse. Run it again after changing it;
the files are checked in so that a fuzz run needs nothing but the build."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def tga(kind, w, h, depth, data, descriptor=0, idlen=0, cmap=0):
    return bytes([idlen, cmap, kind, 0, 0, 0, 0, 0, 0, 0, 0, 0]) + struct.pack(
        "<HHBB", w, h, depth, descriptor) + bytes(data)


def bmp(w, h, bpp, pixels, compression=0, header=40, colors=(), masks=(), clr_used=0):
    info = struct.pack("<IiiHHIIiiII", header, w, h, 1, bpp, compression, len(pixels), 2835,
                       2835, clr_used, 0)
    extra = b"".join(struct.pack("<I", m) for m in masks)
    if header > 40:
        info += (extra + bytes(header - 40))[:header - 40]
        extra = b""
    table = b"".join(struct.pack("<I", c) for c in colors)
    off = 14 + len(info) + len(extra) + len(table)
    body = info + extra + table + bytes(pixels)
    return b"BM" + struct.pack("<IHHI", 14 + len(body), 0, 0, off) + body


def rows(w, h, bpp, fill):
    stride = (w * bpp + 31) // 32 * 4
    out = bytearray()
    for y in range(h):
        row = bytearray(fill(x, y) & 0xFF for x in range(stride))
        out += row
    return bytes(out)


def tga_seeds():
    s = {}
    s["type2_24_2x1"] = tga(2, 2, 1, 24, [1, 2, 3, 4, 5, 6])
    s["type2_32_1x1"] = tga(2, 1, 1, 32, [1, 2, 3, 4])
    s["type2_24_5x3_topdown"] = tga(2, 5, 3, 24, range(45), descriptor=0x20)
    s["type2_32_4x4_footer"] = tga(2, 4, 4, 32, range(64)) + b"\0" * 8 + b"TRUEVISION-XFILE.\0"
    s["type10_run_4x1"] = tga(10, 4, 1, 24, [0x83, 0x10, 0x20, 0x30])
    s["type10_raw_run_4x1"] = tga(10, 4, 1, 24, [0x01, 1, 2, 3, 4, 5, 6, 0x81, 7, 8, 9])
    s["type10_across_rows_2x2"] = tga(10, 2, 2, 32, [0x83, 1, 2, 3, 4])
    s["type10_too_many_2x2"] = tga(10, 2, 2, 24, [0x84, 1, 2, 3])
    s["type10_short_2x2"] = tga(10, 2, 2, 24, [0x82, 1, 2, 3])
    s["type10_raw_past_end_1x1"] = tga(10, 1, 1, 24, [0x01, 1, 2, 3, 4, 5, 6])
    s["type10_32_8x8_mixed"] = tga(10, 8, 8, 32, [0x7F] + list(range(256)) * 2 + [0xFF, 9, 9, 9, 9])
    s["type2_depth16"] = tga(2, 1, 1, 16, [0, 0])
    s["type2_idlen"] = tga(2, 1, 1, 24, [0, 1, 2, 3], idlen=1)
    s["type3"] = tga(3, 1, 1, 8, [0])
    s["header_65535"] = tga(2, 65535, 65535, 32, [])
    s["header_only_11"] = tga(2, 1, 1, 24, [])[:11]
    return s


def bmp_seeds():
    s = {}
    s["rgb24_4x4"] = bmp(4, 4, 24, rows(4, 4, 24, lambda x, y: (10, 20, 30)[x % 3]))
    s["rgb24_3x2_padded"] = bmp(3, 2, 24, rows(3, 2, 24, lambda x, y: x * 7 + y))
    s["rgb32_2x2"] = bmp(2, 2, 32, rows(2, 2, 32, lambda x, y: x * 31 + y))
    s["rgb24_topdown"] = bmp(2, -2, 24, rows(2, 2, 24, lambda x, y: 255 * (x % 2)))
    s["pal8_16colors"] = bmp(4, 2, 8, rows(4, 2, 8, lambda x, y: x % 16),
                             colors=[i * 0x101010 for i in range(16)], clr_used=16)
    s["pal4"] = bmp(5, 3, 4, rows(5, 3, 4, lambda x, y: 0x12), colors=[0xFF00FF] * 16)
    s["pal1"] = bmp(9, 2, 1, rows(9, 2, 1, lambda x, y: 0xA5), colors=[0, 0xFFFFFF])
    s["rle8"] = bmp(4, 3, 8, [2, 1, 0, 3, 1, 2, 3, 0, 0, 0, 2, 1, 1, 0, 0, 0, 1], compression=1,
                    colors=[0, 0xFF00FF, 0xFFFFFF, 0x123456])
    s["rle4"] = bmp(6, 2, 4, [4, 0x12, 0, 6, 0x34, 0x56, 0x70, 0, 0, 1], compression=2,
                    colors=[i * 0x111111 for i in range(16)])
    s["bitfields16_565"] = bmp(2, 2, 16, rows(2, 2, 16, lambda x, y: 0xF8), compression=3,
                               masks=(0xF800, 0x07E0, 0x001F))
    s["bitfields32_rgba"] = bmp(2, 1, 32, rows(2, 1, 32, lambda x, y: x * 50), compression=3,
                                masks=(0xFF000000, 0x00FF0000, 0x0000FF00))
    s["v4_header"] = bmp(2, 2, 24, rows(2, 2, 24, lambda x, y: 9), header=108)
    s["v5_bitfields"] = bmp(1, 1, 32, [1, 2, 3, 4], compression=3, header=124,
                            masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    s["magenta_shape_8x8"] = bmp(8, 8, 24, rows(
        8, 8, 24, lambda x, y: 0 if 2 <= x // 3 <= 5 and 2 <= y <= 5 and x % 3 == 1 else 255))
    s["core_header"] = b"BM" + struct.pack("<IHHI", 30, 0, 0, 26) + struct.pack(
        "<IHHHH", 12, 1, 1, 1, 24) + bytes(4)
    s["short_40"] = bmp(1, 1, 24, [0, 0, 0, 0])[:40]
    return s


def write(target, seeds):
    d = os.path.join(HERE, "seeds", target)
    os.makedirs(d, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(d, name), "wb") as f:
            f.write(data)


def main():
    t, b = tga_seeds(), bmp_seeds()
    write("fuzz_tga", t)
    write("fuzz_tga_file", t)
    write("fuzz_bmp", b)
    write("fuzz_region", b)
    write("fuzz_texture_slots", {**t, **b})
    return 0


if __name__ == "__main__":
    sys.exit(main())
