#include "core/bitmap_to_texture.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include "core/bitmap_file.h"
#include "core/smooth_scaling.h"
#include "core/texture_file.h"

namespace {

// The rows of a picture no larger than the texture, kept as a whole packed
// DIB (at most 256 KB), for the conversion to give it as it is.
class HeldPicture final : public RowSink {
public:
    HeldPicture(const BitmapInfoHeader& header, std::span<const std::uint8_t> colour_table)
        : dib(PackedDib::Allocate(*DibImageBytes(header))), stride_(static_cast<std::size_t>(DibRowStride(header))),
          height_(header.biHeight) {
        if (!dib) return;
        dib->SetHeader(header);
        std::memcpy(dib->ColorTable().data(), colour_table.data(), std::min(colour_table.size(), dib->ColorTable().size()));
    }
    bool Uses(std::int32_t) const override { return true; }
    void AddRow(std::int32_t from_top, const std::uint8_t* row, bool) override {
        std::memcpy(dib->Pixels().data() + static_cast<std::size_t>(height_ - 1 - from_top) * stride_, row, stride_);
    }
    std::optional<PackedDib> dib;

private:
    std::size_t stride_;
    std::int32_t height_;
};

}  // namespace

Result<PackedDib> ConvertBitmapFile(const char* path, const NearestPaletteColour& nearest, TextureOptions options) {
    const Failure cannot_convert{&kCannotConvert, path};
    if (!options.smooth) {
        const Result<PackedDib> shown = ReadBitmapFileForSize(path, kTextureSide, kTextureSide);
        if (!shown) return shown.Problem();
        return {ConvertToTexture(*shown, nearest, options), cannot_convert};
    }
    std::unique_ptr<SmoothScaler> scaler;
    std::optional<HeldPicture> held;
    const Result<Done> read = ReadBitmapFileRows(path, [&](const BitmapInfoHeader& header, std::span<const std::uint8_t> colour_table) -> RowSink* {
        if (!NeedsEveryRow(header, options)) {
            held.emplace(header, colour_table);
            return held->dib ? &*held : nullptr;
        }
        try {
            scaler = TextureScaler(header, colour_table, options);
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
        return scaler.get();
    });
    if (!read) return read.Problem();
    return {scaler ? ConvertScaledToTexture(*scaler, nearest, options.dither) : ConvertToTexture(*held->dib, nearest, options),
            cannot_convert};
}
