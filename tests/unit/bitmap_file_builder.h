// Bitmap files built field by field, independently of the program's writers,
// for the tests of the core and of the Windows program alike.
#pragma once
#include <cstdint>
#include <cstring>
#include <vector>
#include "core/packed_dib.h"

inline BitmapInfoHeader InfoHeader(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t colours_used = 0) {
    BitmapInfoHeader header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biClrUsed = colours_used;
    return header;
}

// A bitmap file as bytes: file header, info header, colour table, an optional
// gap, then the pixel rows. bfOffBits is written as given (0 is legal).
struct BitmapFileParts {
    BitmapInfoHeader header;
    std::vector<std::uint8_t> table;
    std::vector<std::uint8_t> gap;
    std::vector<std::uint8_t> pixels;
    std::uint32_t pixel_offset = 0xFFFFFFFF;  // computed from the parts unless set
    std::uint32_t file_size = 0;
};

inline std::vector<std::uint8_t> BuildBitmapFile(const BitmapFileParts& parts) {
    std::vector<std::uint8_t> file(14 + 40);
    file.reserve(file.size() + parts.table.size() + parts.gap.size() + parts.pixels.size());
    const std::uint32_t offset = parts.pixel_offset != 0xFFFFFFFF
                                     ? parts.pixel_offset
                                     : static_cast<std::uint32_t>(54 + parts.table.size() + parts.gap.size());
    file[0] = 'B';
    file[1] = 'M';
    std::memcpy(&file[2], &parts.file_size, 4);
    std::memcpy(&file[10], &offset, 4);
    std::memcpy(&file[14], &parts.header, 40);
    file.insert(file.end(), parts.table.begin(), parts.table.end());
    file.insert(file.end(), parts.gap.begin(), parts.gap.end());
    file.insert(file.end(), parts.pixels.begin(), parts.pixels.end());
    return file;
}
