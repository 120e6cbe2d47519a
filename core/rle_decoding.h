// Run-length encoded 8- and 4-bit pixels (BI_RLE8, BI_RLE4) decoded into
// uncompressed rows the way web browsers show such files: nothing is written
// outside the picture, pixels the stream leaves out keep colour index 0, and a
// stream that ends early keeps what it decoded.
#pragma once
#include <cstdint>
#include <span>
#include "core/file_access.h"

struct RleTarget {
    std::span<std::uint8_t> pixels;  // height rows of stride bytes, bottom row first
    std::size_t stride;
    std::int32_t width;
    std::int32_t height;
    bool four_bits;
    bool top_down;  // the stream's first row is the top one
};

// Decodes the stream from the file's position on into target.
void DecodeRle(ReadableFile& file, const RleTarget& target);
