#include "gallery/thumbnail.h"
#include <algorithm>
#include <cstring>
#include <span>
#include "core/packed_dib.h"
#include "platform/guards.h"
#include "platform/message_box.h"
#include "core/palette_source.h"

namespace {

// Through the packed DIB allocator, so that a test can make it fail.
std::optional<PackedDib> ThumbnailHeaderBlock(Side side, int size) {
    std::optional<PackedDib> block = PackedDib::Allocate(kThumbnailHeaderBytes);
    if (!block) return std::nullopt;
    std::memset(block->data(), 0, block->size());
    BitmapInfoHeader header{};
    header.biSize = kInfoHeaderBytes;
    header.biWidth = size;
    header.biHeight = size;
    header.biPlanes = 1;
    header.biBitCount = side == Side::Textures ? 8 : 24;
    block->SetHeader(header);
    return block;
}

std::span<std::uint8_t, kTexturePaletteBytes> ColourTableOf(PackedDib& header_block) {
    return std::span<std::uint8_t, kTexturePaletteBytes>(header_block.data() + kInfoHeaderBytes, kTexturePaletteBytes);
}

const BITMAPINFO* AsBitmapInfo(const PackedDib& block) { return reinterpret_cast<const BITMAPINFO*>(block.data()); }

// A DIB section of the picture's own format holding its pixel rows. The copy
// is bounded by what the section really holds, whatever the header claims.
OwnedBitmap SourceBitmap(HDC screen, const PackedDib& picture) {
    void* bits = nullptr;
    OwnedBitmap bitmap(CreateDIBSection(screen, AsBitmapInfo(picture), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) return {};
    DIBSECTION section{};
    if (GetObjectA(bitmap.Get(), sizeof section, &section) != sizeof section) return {};
    const std::span<const std::uint8_t> rows = picture.Pixels();
    if (rows.empty()) return {};
    const std::size_t room = static_cast<std::size_t>(section.dsBm.bmWidthBytes) * section.dsBm.bmHeight;
    std::memcpy(bits, rows.data(), std::min(rows.size(), room));
    return bitmap;
}

// A picture of the thumbnail's own size is copied as it is, from a DIB
// section of its own.
bool CopyWhole(HDC screen, const PackedDib& picture, HDC thumbnail_dc, int size) {
    const OwnedBitmap source = SourceBitmap(screen, picture);
    MemoryDC source_dc(screen);
    if (!source || !source_dc) return false;
    ObjectSelection source_selected(source_dc.Get(), source.Get());
    return BitBlt(thumbnail_dc, 0, 0, size, size, source_dc.Get(), 0, 0, SRCCOPY) != FALSE;
}

// Any other picture is squeezed whole into the square straight from the
// packed DIB: a second DIB section and a copy of every pixel row per file
// would cost a third of the time a large folder takes to show.
bool SqueezeWhole(const PackedDib& picture, HDC thumbnail_dc, int size) {
    const std::span<const std::uint8_t> rows = picture.Pixels();
    if (rows.empty()) return false;
    const BitmapInfoHeader header = picture.Header();
    SetStretchBltMode(thumbnail_dc, COLORONCOLOR);
    return StretchDIBits(thumbnail_dc, 0, 0, size, size, 0, 0, header.biWidth, header.biHeight, rows.data(),
                         AsBitmapInfo(picture), DIB_RGB_COLORS, SRCCOPY) != 0;
}

// The thumbnail bitmap with the picture drawn into it, or none when a DIB
// section or a device context could not be made. Both DIBs carry their own
// colour tables: the thumbnail's header block holds the texture palette.
OwnedBitmap DrawThumbnail(HDC screen, const PackedDib& picture, const PackedDib& header_block, int size) {
    if (!screen) return {};
    void* thumbnail_bits = nullptr;
    OwnedBitmap thumbnail(
        CreateDIBSection(screen, AsBitmapInfo(header_block), DIB_RGB_COLORS, &thumbnail_bits, nullptr, 0));
    if (!thumbnail) return {};
    {
        MemoryDC thumbnail_dc(screen);
        if (!thumbnail_dc) return {};
        ObjectSelection thumbnail_selected(thumbnail_dc.Get(), thumbnail.Get());
        const BitmapInfoHeader header = picture.Header();
        const bool same_size = header.biWidth == size && header.biHeight == size;
        if (!(same_size ? CopyWhole(screen, picture, thumbnail_dc.Get(), size)
                        : SqueezeWhole(picture, thumbnail_dc.Get(), size))) {
            return {};
        }
    }
    GdiFlush();
    return thumbnail;
}

}  // namespace

int ThumbnailSizeFor(DWORD thumbs_index) {
    switch (thumbs_index) {
    case 1:
        return 60;
    case 2:
        return 80;
    default:
        return 32;
    }
}

std::optional<int> RenderThumbnail(HWND gallery, const char* path, Side side, const ThumbnailTarget& target) {
    const int size = target.size;
    // Only the rows and columns the thumbnail shows are read of a larger picture.
    const Result<PackedDib> picture = TraitsOf(side).read(path, size, size, nullptr);
    if (!picture) {
        ShowMessage(nullptr, *picture.Problem().message, picture.Problem().path);
        return std::nullopt;
    }
    std::optional<PackedDib> header_block = ThumbnailHeaderBlock(side, size);
    if (!header_block) return std::nullopt;
    if (const Result<Done> loaded = LoadTexturePalette(ColourTableOf(*header_block)); !loaded) {
        ShowMessage(gallery, *loaded.Problem().message, loaded.Problem().path);
        return std::nullopt;
    }
    const OwnedBitmap thumbnail = DrawThumbnail(target.screen, *picture, *header_block, size);
    if (!thumbnail) return std::nullopt;
    // The list has no mask, so the bitmap given as mask is ignored.
    const int index = ImageList_Add(target.images, thumbnail.Get(), thumbnail.Get());
    if (index < 0) return std::nullopt;
    return index;
}
