#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz target: small bitmaps of every bit
depth, header, compression and row order the reader handles, a few it
refuses."""
import os
import struct
import sys


def bitmap(width, height, bits, colours_used=0, table_entries=None, gap=b"", offset=None, header_size=40, compression=0):
    stride = ((width * bits + 31) // 32) * 4
    if table_entries is None:
        table_entries = colours_used or ({1: 2, 4: 16, 8: 256}.get(bits, 0))
    table = bytes((i * 3 % 256, i * 5 % 256, i * 7 % 256, 0)[k] for i in range(table_entries) for k in range(4))
    pixels = bytes((x * 37 + y * 11) % 256 for y in range(height) for x in range(stride))
    info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, 0, 0, 0, colours_used, 0)
    info = info[:header_size] if header_size < 40 else info + bytes(header_size - 40)
    start = 14 + len(info) + len(table) + len(gap) if offset is None else offset
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(table) + len(gap) + len(pixels), 0, 0, start)
    return file_header + info + table + gap + pixels


def variant(width, height, bits, header_size=40, compression=0, masks=(), pixels=None, colours_used=0):
    """A bitmap with another info header (12: OS/2 1.x with 3-byte colours; 52,
    56, 108, 124: masks inside; 64: OS/2 2.x), masks behind a 40-byte header,
    a negative height for top-down rows, and pixels as given (an RLE stream)."""
    entries = colours_used or (1 << bits if bits <= 8 else 0)
    entry = 3 if header_size == 12 else 4
    table = bytes((i * 3 % 256, i * 5 % 256, i * 7 % 256, 0)[k] for i in range(entries) for k in range(entry))
    stride = ((width * bits + 31) // 32) * 4
    if pixels is None:
        pixels = bytes((x * 37 + y * 11) % 256 for y in range(abs(height)) for x in range(stride))
    if header_size == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", header_size, width, height, 1, bits, compression, 0, 0, 0, colours_used, 0)
        if header_size != 64:
            info += b"".join(struct.pack("<I", m) for m in masks)
        info = info + bytes(max(0, header_size - len(info)))
    start = 14 + len(info) + len(table)
    return struct.pack("<2sIHHI", b"BM", start + len(pixels), 0, 0, start) + info + table + pixels


def seeds():
    yield "bmp_1bit", bitmap(9, 3, 1)
    yield "bmp_4bit", bitmap(5, 4, 4)
    yield "bmp_8bit", bitmap(7, 5, 8)
    yield "bmp_8bit_16colours_gap", bitmap(6, 6, 8, colours_used=16, gap=b"\0" * 10)
    yield "bmp_8bit_offset0", bitmap(3, 3, 8, colours_used=4, offset=0)
    yield "bmp_16bit", bitmap(5, 3, 16)
    yield "bmp_24bit", bitmap(13, 7, 24)
    yield "bmp_32bit", bitmap(4, 9, 32)
    yield "bmp_24bit_table", bitmap(3, 2, 24, colours_used=8)
    yield "bmp_os2", bitmap(4, 4, 24, header_size=12)
    yield "bmp_rle8", bitmap(4, 4, 8, compression=1)
    yield "bmp_topdown", bitmap(4, 4, 24)[:22] + struct.pack("<i", -4) + bitmap(4, 4, 24)[26:]
    yield "bmp_cut", bitmap(8, 8, 8)[:700]
    yield "bmp_2bit", variant(9, 3, 2)
    yield "bmp_os2_core_8bit", variant(5, 3, 8, header_size=12)
    yield "bmp_os2_2x_rle4", variant(6, 4, 4, header_size=64, compression=2,
                                     pixels=bytes([3, 0x12, 0, 3, 0x45, 0x60, 0, 0, 0, 2, 2, 1, 1, 7, 0, 1]))
    yield "bmp_v4_8bit_topdown", variant(5, -4, 8, header_size=108)
    yield "bmp_v5_24bit", variant(7, 3, 24, header_size=124)
    yield "bmp_v5_32bit_alpha", variant(4, 4, 32, header_size=124, compression=3,
                                        masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000))
    yield "bmp_v5_rle8", variant(6, 5, 8, header_size=124, compression=1,
                                 pixels=bytes([4, 9, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 200, 5, 0, 1]))
    yield "bmp_v2_565", variant(5, 3, 16, header_size=52, compression=3, masks=(0xF800, 0x07E0, 0x001F))
    yield "bmp_v3_4444_topdown", variant(3, -3, 16, header_size=56, compression=3, masks=(0x0F00, 0xF0, 0xF, 0xF000))
    yield "bmp_fields_565", variant(5, 3, 16, compression=3, masks=(0xF800, 0x07E0, 0x001F))
    yield "bmp_alphafields_101010", variant(3, 2, 32, compression=6, masks=(0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000))
    yield "bmp_rle4_delta", variant(7, 3, 4, compression=2, pixels=bytes([0, 2, 9, 9, 5, 0x9A, 0, 5, 1, 2, 3, 0, 0, 1]))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "corpus"
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
