#include "core/clipboard_dib_check.h"
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t kBiBitFields = 3;
constexpr std::uint32_t kBiAlphaBitFields = 6;
constexpr std::int32_t kLargestSide = 65535;  // keeps every size sum far from overflow

ClipboardDibLayout Refuse(const char* reason) {
    ClipboardDibLayout refused;
    refused.status = CantShowClipboardImage(reason);
    return refused;
}

// BITMAPINFOHEADER and its later V4 and V5 forms; the colour table follows
// whichever it is.
bool IsKnownHeaderSize(std::uint32_t size) { return size == kInfoHeaderBytes || size == 108 || size == 124; }

bool IsShownBitDepth(std::uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::string SizeAndDepth(const BitmapInfoHeader& header) {
    char text[80];
    std::snprintf(text, sizeof text, "%ld x %ld pixels, %u %s per pixel", static_cast<long>(header.biWidth),
                  static_cast<long>(header.biHeight), static_cast<unsigned>(header.biBitCount),
                  header.biBitCount == 1 ? "bit" : "bits");
    return text;
}

}  // namespace

std::string CantShowClipboardImage(const char* reason) {
    return std::string("The clipboard image can't be shown: ") + reason + ".";
}

ClipboardDibLayout CheckClipboardDib(std::span<const std::uint8_t> block) {
    BitmapInfoHeader header{};
    if (block.size() < kInfoHeaderBytes) return Refuse("its header is incomplete");
    std::memcpy(&header, block.data(), kInfoHeaderBytes);
    if (!IsKnownHeaderSize(header.biSize)) return Refuse("its header is of an unknown kind");
    if (header.biSize > block.size()) return Refuse("its header is incomplete");
    if (header.biPlanes != 1) return Refuse("its header is damaged");
    if (header.biCompression == kBiBitFields || header.biCompression == kBiAlphaBitFields) {
        return Refuse("its colours are bit masks");
    }
    if (header.biCompression != kBiRgb) return Refuse("it is compressed");
    if (!IsShownBitDepth(header.biBitCount)) return Refuse("its bit depth is not one this viewer draws");
    if (header.biHeight < 0) return Refuse("its rows are stored top down");
    if (header.biWidth <= 0 || header.biHeight == 0) return Refuse("it has no pixels");
    if (header.biWidth > kLargestSide || header.biHeight > kLargestSide) return Refuse("it is too large");

    const bool indexed = header.biBitCount <= 8;
    const std::size_t possible_colours = indexed ? std::size_t{1} << header.biBitCount : 0;
    const std::size_t table_entries = header.biClrUsed ? header.biClrUsed : possible_colours;
    if (table_entries > (indexed ? possible_colours : 256)) return Refuse("its colour table is too long");

    const std::uint64_t stride = (static_cast<std::uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const std::uint64_t pixel_bytes = stride * static_cast<std::uint64_t>(header.biHeight);
    const std::uint64_t pixels_offset = header.biSize + table_entries * 4;
    if (pixels_offset + pixel_bytes > block.size()) return Refuse("it holds fewer bytes than its header says");

    ClipboardDibLayout layout;
    layout.drawable = true;
    layout.status = SizeAndDepth(header);
    layout.header = header;
    layout.table_entries = table_entries;
    layout.possible_colours = possible_colours;
    layout.pixels_offset = static_cast<std::size_t>(pixels_offset);
    layout.pixel_bytes = static_cast<std::size_t>(pixel_bytes);
    return layout;
}
