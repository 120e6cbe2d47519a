#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small bitmaps of every bit
depth and layout the reader handles, a few it refuses, and textures."""
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
    yield "af_full", bytes(i * 7 % 256 for i in range(65536))
    yield "af_short", bytes(100)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "corpus"
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
