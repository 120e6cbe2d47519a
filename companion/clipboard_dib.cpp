#include "companion/clipboard_dib.h"
#include <cstdio>
#include <cstring>
#include <vector>
#include "platform/guards.h"

namespace {

constexpr std::size_t kPlainHeaderBytes = sizeof(BITMAPINFOHEADER);
constexpr std::int32_t kLargestSide = 65535;  // keeps every size sum far from overflow

ClipboardImage Refuse(const char* reason) {
    ClipboardImage refused;
    refused.status = std::string("The clipboard image can't be shown: ") + reason + ".";
    return refused;
}

// BITMAPINFOHEADER and its later V4 and V5 forms; the colour table follows
// whichever it is.
bool IsKnownHeaderSize(std::uint32_t size) { return size == kPlainHeaderBytes || size == 108 || size == 124; }

bool IsShownBitDepth(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::string SizeAndDepth(const BITMAPINFOHEADER& header) {
    char text[80];
    std::snprintf(text, sizeof text, "%ld x %ld pixels, %u %s per pixel", static_cast<long>(header.biWidth),
                  static_cast<long>(header.biHeight), static_cast<unsigned>(header.biBitCount),
                  header.biBitCount == 1 ? "bit" : "bits");
    return text;
}

}  // namespace

ClipboardImage ReadDibBlock(std::span<const std::uint8_t> block) {
    BITMAPINFOHEADER header{};
    if (block.size() < kPlainHeaderBytes) return Refuse("its header is incomplete");
    std::memcpy(&header, block.data(), kPlainHeaderBytes);
    if (!IsKnownHeaderSize(header.biSize)) return Refuse("its header is of an unknown kind");
    if (header.biSize > block.size()) return Refuse("its header is incomplete");
    if (header.biPlanes != 1) return Refuse("its header is damaged");
    if (header.biCompression == BI_BITFIELDS || header.biCompression == 6) return Refuse("its colours are bit masks");
    if (header.biCompression != BI_RGB) return Refuse("it is compressed");
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
    const std::uint64_t pixels_offset = header.biSize + table_entries * sizeof(RGBQUAD);
    if (pixels_offset + pixel_bytes > block.size()) return Refuse("it holds fewer bytes than its header says");

    // The bitmap is described by a plain header and, at 8 bits or fewer, a
    // table with an entry for every pixel value (black where the image's own
    // table is shorter), so GDI never looks past what it is given.
    std::vector<std::uint8_t> info(kPlainHeaderBytes + possible_colours * sizeof(RGBQUAD), 0);
    BITMAPINFOHEADER plain = header;
    plain.biSize = kPlainHeaderBytes;
    plain.biClrUsed = static_cast<DWORD>(possible_colours);
    plain.biClrImportant = 0;
    plain.biSizeImage = 0;
    std::memcpy(info.data(), &plain, kPlainHeaderBytes);
    if (indexed) std::memcpy(info.data() + kPlainHeaderBytes, block.data() + header.biSize, table_entries * 4);

    ClipboardImage shown;
    void* bits = nullptr;
    shown.picture.Reset(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (!shown.picture || !bits) return Refuse("there is not enough memory for a copy of it");
    std::memcpy(bits, block.data() + pixels_offset, pixel_bytes);
    shown.size = {header.biWidth, header.biHeight};
    shown.status = SizeAndDepth(header);
    return shown;
}

ClipboardImage ReadClipboardImage(HWND viewer) {
    ClipboardImage nothing;
    if (!IsClipboardFormatAvailable(CF_DIB)) {
        nothing.status = "The clipboard holds no image.";
        return nothing;
    }
    OpenedClipboard clipboard(viewer);
    if (!clipboard) {
        nothing.status = "Waiting for another program to let go of the clipboard...";
        nothing.clipboard_busy = true;
        return nothing;
    }
    HGLOBAL block = GetClipboardData(CF_DIB);
    LockedGlobal locked(block);
    if (locked.Bytes().empty()) return Refuse("it can't be read");
    return ReadDibBlock(locked.Bytes());
}
