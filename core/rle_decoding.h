// Run-length encoded 8- and 4-bit pixels (BI_RLE8, BI_RLE4) decoded into
// uncompressed rows the way web browsers show such files: nothing is written
// outside the picture, pixels the stream leaves out keep colour index 0, and a
// stream that ends early keeps what it decoded. Only the kept rows and columns
// are written, and a run over pixels nobody keeps costs no more than its bytes,
// so the time follows the size of the stream, not the picture it claims.
#pragma once
#include <cstdint>
#include <span>
#include "core/file_access.h"
#include "core/kept_part.h"
#include "core/row_sink.h"

struct RleTarget {
    std::span<std::uint8_t> pixels;  // the kept rows of stride bytes, bottom row first
    std::size_t stride;
    std::int32_t width;   // of the whole picture
    std::int32_t height;  // of the whole picture
    const KeptPart& part;
    bool four_bits;
    bool top_down;  // the stream's first row is the top one
    // When set, pixels is one row, handed to it as each row is left, every
    // row of the picture it uses in stream order, those the stream skips or
    // never reaches as index 0; part keeps everything.
    RowSink* rows = nullptr;
};

// Decodes the stream that starts at offset in the file into target; false
// when a read fails (an end of the file only ends the stream).
bool DecodeRle(ReadableFile& file, std::uint64_t offset, const RleTarget& target);
