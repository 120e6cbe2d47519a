#include "core/texture_conversion.h"
#include <algorithm>
#include <cstdlib>
#include <array>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>
#include "core/builtin_nearest_colour.h"
#include "core/error_diffusion.h"
#include "core/smooth_scaling.h"
#include "core/stretch_map.h"
#include "core/texture_file.h"

namespace {

bool IsConvertible(const PackedDib& source) {
    const BitmapInfoHeader header = source.Header();
    const std::uint16_t bits = header.biBitCount;
    const bool known_depth = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    return known_depth && header.biCompression == kBiRgb && header.biWidth > 0 && header.biHeight > 0 && header.biPlanes > 0 &&
           !source.Pixels().empty();
}

std::uint32_t Rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) { return red << 16 | green << 8 | blue; }

// The nearest palette index of every value a palette image's pixel can hold;
// values beyond its colour table are black.
std::array<std::uint8_t, 256> MapColourTable(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette,
                                             const NearestPaletteColour& nearest) {
    const std::span<const std::uint8_t> table = source.ColorTable();
    const std::size_t values = std::size_t{1} << source.Header().biBitCount;
    std::array<std::uint8_t, 256> mapped{};
    for (std::size_t value = 0; value < values; ++value) {
        if (value * 4 + 3 > table.size()) {
            mapped[value] = nearest.Find(0);
            continue;
        }
        const std::uint8_t* colour = &table[value * 4];
        const bool same_as_palette = std::memcmp(colour, &palette[value * 4], 3) == 0;
        mapped[value] = same_as_palette ? static_cast<std::uint8_t>(value) : nearest.Find(Rgb(colour[2], colour[1], colour[0]));
    }
    return mapped;
}

// Calls fill(rows, columns, out) for the target rows, bottom row first, up
// to kMostRows at a time: the source rows (bottom-up, as stored) they show,
// the source column of each target pixel and where the first of the target
// rows goes, the others following it.
template <std::size_t kMostRows, typename Fill>
void ForEachStretchedRowGroup(const PackedDib& source, std::uint8_t* target, Fill fill) {
    const BitmapInfoHeader header = source.Header();
    const std::vector<std::int32_t> columns = StretchedColumns(header.biWidth, kTextureSide);
    const std::vector<std::int32_t> rows = StretchedRows(header.biHeight, kTextureSide);
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    const std::uint8_t* pixels = source.Pixels().data();
    const auto source_row = [&](int target_row) {
        const std::int32_t from_top = rows[static_cast<std::size_t>(kTextureSide - 1 - target_row)];
        return pixels + static_cast<std::size_t>(header.biHeight - 1 - from_top) * stride;
    };
    // A large picture has just been read and is mostly out of the caches; asking
    // for the next rows while these are mapped hides the wait for memory.
    const std::size_t prefetched = std::min<std::size_t>(stride, 16384);
    const auto prefetch = [&](int from, int to) {
        for (int row = from; row < std::min(to, kTextureSide); ++row) {
            for (std::size_t offset = 0; offset < prefetched; offset += 64) __builtin_prefetch(source_row(row) + offset);
        }
    };
    constexpr int kGroup = static_cast<int>(kMostRows);
    std::array<const std::uint8_t*, kMostRows> group;
    std::size_t grouped = 0;
    int first = 0;
    const auto fill_group = [&] {
        if (grouped > 0) {
            std::uint8_t* const out = target + static_cast<std::size_t>(first) * kTextureSide;
            fill(std::span<const std::uint8_t* const>(group.data(), grouped), columns.data(), out);
        }
        grouped = 0;
    };
    for (int target_row = 0; target_row < kTextureSide; ++target_row) {
        std::uint8_t* const out = target + static_cast<std::size_t>(target_row) * kTextureSide;
        // A picture less tall than the texture shows some rows twice: the
        // row below already holds the answer.
        if (target_row > 0 && source_row(target_row) == source_row(target_row - 1)) {
            fill_group();
            std::memcpy(out, out - kTextureSide, kTextureSide);
            continue;
        }
        if (grouped == 0) {
            first = target_row;
            prefetch(target_row == 0 ? 1 : target_row + kGroup, target_row + 2 * kGroup);
        }
        group[grouped++] = source_row(target_row);
        if (grouped == kMostRows) fill_group();
    }
    fill_group();
}

template <typename Fill>
void ForEachStretchedRow(const PackedDib& source, std::uint8_t* target, Fill fill) {
    ForEachStretchedRowGroup<1>(source, target, [&](std::span<const std::uint8_t* const> rows, const std::int32_t* columns, std::uint8_t* out) {
        fill(rows[0], columns, out);
    });
}

// Calls take(row, column) for every target pixel, bottom row first, with the
// source row (bottom-up, as stored) and the source column it shows.
template <typename Take>
void ForEachStretchedPixel(const PackedDib& source, std::uint8_t* target, Take take) {
    ForEachStretchedRow(source, target, [&](const std::uint8_t* row, const std::int32_t* columns, std::uint8_t* out) {
        for (int x = 0; x < kTextureSide; ++x) out[x] = take(row, static_cast<std::size_t>(columns[x]));
    });
}

void ConvertPixels(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette,
                   const NearestPaletteColour& nearest, std::uint8_t* target) {
    switch (source.Header().biBitCount) {
        case 1: {
            const auto mapped = MapColourTable(source, palette, nearest);
            ForEachStretchedPixel(source, target, [&](const std::uint8_t* row, std::size_t x) {
                return mapped[DibPixelValue<1>(row, x)];
            });
            break;
        }
        case 4: {
            const auto mapped = MapColourTable(source, palette, nearest);
            ForEachStretchedPixel(source, target, [&](const std::uint8_t* row, std::size_t x) {
                return mapped[DibPixelValue<4>(row, x)];
            });
            break;
        }
        case 8: {
            const auto mapped = MapColourTable(source, palette, nearest);
            ForEachStretchedPixel(source, target, [&](const std::uint8_t* row, std::size_t x) { return mapped[DibPixelValue<8>(row, x)]; });
            break;
        }
        case 16:
            // 5-5-5, each channel widened to 8 bits by repeating its top bits.
            ForEachStretchedPixel(source, target, [&](const std::uint8_t* row, std::size_t x) {
                const std::uint32_t value = row[2 * x] | std::uint32_t{row[2 * x + 1]} << 8;
                const std::uint32_t red = (value >> 10) & 31, green = (value >> 5) & 31, blue = value & 31;
                return nearest.Find(Rgb(red << 3 | red >> 2, green << 3 | green >> 2, blue << 3 | blue >> 2));
            });
            break;
        case 24:
        case 32: {
            // Byte offsets of the source columns; the source is at most 256 MiB.
            const std::uint32_t bytes_per_pixel = source.Header().biBitCount / 8u;
            const std::vector<std::int32_t> columns = StretchedColumns(source.Header().biWidth, kTextureSide);
            // A picture less wide than the texture shows each of its columns
            // once or more: each is searched once, then spread.
            const bool narrow = source.Header().biWidth < kTextureSide;
            const std::size_t searched = narrow ? static_cast<std::size_t>(source.Header().biWidth) : kTextureSide;
            std::array<std::uint32_t, kTextureSide> offsets{};
            for (std::size_t x = 0; x < searched; ++x) {
                offsets[x] = static_cast<std::uint32_t>(narrow ? x : static_cast<std::size_t>(columns[x])) * bytes_per_pixel;
            }
            const NearestPaletteColour::RowOffsets places(std::span<const std::uint32_t>(offsets.data(), searched));
            // The pixels are exactly stride x height bytes (IsConvertible), so every row is whole.
            const std::size_t stride = static_cast<std::size_t>(DibRowStride(source.Header()));
            constexpr std::size_t kRowsAtATime = 4;
            const auto fill = [&](std::span<const std::uint8_t* const> rows, const std::int32_t*, std::uint8_t* out) {
                if (!narrow) return nearest.MapBgrRows(rows, stride, places, out);
                std::array<std::uint8_t, kTextureSide * kRowsAtATime> found;
                nearest.MapBgrRows(rows, stride, places, found.data());
                for (std::size_t r = 0; r < rows.size(); ++r) {
                    for (std::size_t x = 0; x < kTextureSide; ++x) {
                        out[r * kTextureSide + x] = found[r * searched + static_cast<std::size_t>(columns[x])];
                    }
                }
            };
            ForEachStretchedRowGroup<kRowsAtATime>(source, target, fill);
            break;
        }
    }
}

// The texture's header and palette, its pixels still to come.
std::optional<PackedDib> EmptyTexture(const NearestPaletteColour& nearest) {
    std::optional<PackedDib> converted = PackedDib::Allocate(kTextureDibBytes);
    if (!converted) return std::nullopt;
    converted->SetHeader(TextureHeader());
    std::memcpy(converted->data() + kInfoHeaderBytes, nearest.Palette().data(), kTexturePaletteBytes);
    return converted;
}

}  // namespace

std::unique_ptr<SmoothScaler> TextureScaler(const BitmapInfoHeader& header, std::span<const std::uint8_t> colour_table,
                                            TextureOptions options) {
    return std::make_unique<SmoothScaler>(header.biWidth, header.biHeight, SourceRowFormat{header.biBitCount, colour_table},
                                          kTextureSide, kTextureSide, options.smooth);
}

bool NeedsEveryRow(const BitmapInfoHeader& header, TextureOptions options) {
    return options.smooth && (header.biWidth > kTextureSide || std::abs(header.biHeight) > kTextureSide);
}

std::optional<PackedDib> ConvertScaledToTexture(const SmoothScaler& scaled, const NearestPaletteColour& nearest, bool dither) {
    std::optional<PackedDib> converted = EmptyTexture(nearest);
    if (!converted) return std::nullopt;
    try {
        MapToPalette(scaled.Picture(), kTextureSide, kTextureSide, nearest, dither, converted->Pixels());
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    return converted;
}

std::optional<PackedDib> ConvertToTexture(const PackedDib& source, const NearestPaletteColour& nearest) {
    return ConvertToTexture(source, nearest, TextureOptions{});
}

std::optional<PackedDib> ConvertToTexture(const PackedDib& source, const NearestPaletteColour& nearest, TextureOptions options) {
    if (!IsConvertible(source)) return std::nullopt;
    // Averaging that finds nothing to shrink leaves whole pixels, which the
    // plain conversion gives as they are.
    if (!options.dither && !NeedsEveryRow(source.Header(), options)) {
        std::optional<PackedDib> converted = EmptyTexture(nearest);
        if (!converted) return std::nullopt;
        try {
            ConvertPixels(source, std::span<const std::uint8_t, kTexturePaletteBytes>(nearest.Palette()), nearest, converted->Pixels().data());
        } catch (const std::bad_alloc&) {  // no room for the column and row maps
            return std::nullopt;
        }
        return converted;
    }
    // Every row of the source through the scaler, then to the palette.
    const BitmapInfoHeader header = source.Header();
    std::unique_ptr<SmoothScaler> scaler;
    try {
        scaler = TextureScaler(header, source.ColorTable(), options);
    } catch (const std::bad_alloc&) {  // no room for the scaled picture
        return std::nullopt;
    }
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    for (std::int32_t row = 0; row < header.biHeight; ++row) {  // as stored, bottom up
        scaler->AddRow(header.biHeight - 1 - row, source.Pixels().data() + static_cast<std::size_t>(row) * stride);
    }
    return ConvertScaledToTexture(*scaler, nearest, options.dither);
}

std::shared_ptr<const NearestPaletteColour> SharedNearestColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette) {
    const NearestPaletteColour& builtin = BuiltinNearestColour();
    if (builtin.IsFor(palette)) return std::shared_ptr<const NearestPaletteColour>(std::shared_ptr<void>(), &builtin);
    // A few palettes are kept, the latest last: the program and the batch
    // converter use one throughout, tests take turns with several. Threads
    // asking for the same palette share one search, and so its table.
    constexpr std::size_t kKept = 4;
    static std::mutex lock;
    static std::vector<std::shared_ptr<const NearestPaletteColour>> kept;
    const std::lock_guard<std::mutex> guard(lock);
    for (const std::shared_ptr<const NearestPaletteColour>& nearest : kept) {
        if (nearest->IsFor(palette)) return nearest;
    }
    try {
        std::shared_ptr<const NearestPaletteColour> made = std::make_shared<const NearestPaletteColour>(palette);
        if (kept.size() == kKept) kept.erase(kept.begin());
        kept.push_back(made);
        return made;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

std::optional<PackedDib> ConvertToTexture(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette) {
    return ConvertToTexture(source, palette, TextureOptions{});
}

std::optional<PackedDib> ConvertToTexture(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette,
                                          TextureOptions options) {
    const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(palette);
    if (!nearest) return std::nullopt;
    return ConvertToTexture(source, *nearest, options);
}
