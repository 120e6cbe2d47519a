#include "core/pixel_rows.h"
#include "core/rle_decoding.h"

namespace {
// Turns width 2-bit indices at the start of row into 4-bit ones in place,
// from the right end so that none is overwritten before it is read.
void WidenTwoBitRow(std::uint8_t* row, std::int32_t width) {
    for (std::size_t pair = (static_cast<std::size_t>(width) + 1) / 2; pair-- > 0;) {
        const std::uint8_t quarter = static_cast<std::uint8_t>(row[pair / 2] >> ((pair & 1) ? 0 : 4));
        row[pair] = static_cast<std::uint8_t>((quarter >> 2 & 3) << 4 | (quarter & 3));
    }
}

std::size_t FileRowStride(std::int32_t width, std::uint16_t bits) {
    return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}
}  // namespace

bool ReadPixelRows(ReadableFile& file, const BitmapLayout& layout, std::span<std::uint8_t> pixels) {
    const BitmapInfoHeader& header = layout.header;
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    switch (layout.encoding) {
        case PixelEncoding::Rle8:
        case PixelEncoding::Rle4:
            DecodeRle(file, {pixels, stride, header.biWidth, header.biHeight, layout.encoding == PixelEncoding::Rle4, layout.top_down});
            return true;
        case PixelEncoding::Plain:
            if (!layout.top_down) return ReadExactly(file, pixels);  // the rows as they are held
            break;
        case PixelEncoding::BitFields:
        case PixelEncoding::TwoBits:
            break;
    }
    // Row by row, each into its place; a row is never longer in the file than in memory.
    const std::size_t file_stride = layout.encoding == PixelEncoding::Plain ? stride : FileRowStride(header.biWidth, layout.file_bits);
    for (std::int32_t row = 0; row < header.biHeight; ++row) {
        const std::int32_t from_bottom = layout.top_down ? header.biHeight - 1 - row : row;
        std::uint8_t* line = pixels.data() + static_cast<std::size_t>(from_bottom) * stride;
        if (!ReadExactly(file, {line, file_stride})) return false;
        if (layout.encoding == PixelEncoding::BitFields) UnpackBitFieldRow(line, header.biWidth, layout.file_bits, layout.channels);
        if (layout.encoding == PixelEncoding::TwoBits) WidenTwoBitRow(line, header.biWidth);
    }
    return true;
}
