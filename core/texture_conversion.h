// Turning any image the readers accept into a texture: stretched or squeezed
// to 256 x 256 by whole pixels as StretchBlt's COLORONCOLOR mode does, every
// pixel mapped to the nearest texture palette colour.
#pragma once
#include <memory>
#include <optional>
#include <span>
#include "core/nearest_colour.h"
#include "core/packed_dib.h"
#include "core/smooth_scaling.h"

// The converted image: a 256 x 256, 8-bit packed DIB carrying the palette,
// 66,600 bytes, rows bottom-up. Palette images map their colour table once;
// a table entry equal to the palette entry of the same index keeps that index,
// so a source in the texture palette keeps every pixel's index. Nothing when
// the source is not an uncompressed, bottom-up image of 1, 4, 8, 16 (5-5-5),
// 24 or 32 bits whose block holds its pixel rows, or when memory runs out.
std::optional<PackedDib> ConvertToTexture(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette);

// The same with a nearest-colour search of the caller's.
std::optional<PackedDib> ConvertToTexture(const PackedDib& source, const NearestPaletteColour& nearest);

// What a repainter may ask for beyond whole pixels and the plain nearest
// colour: a shrunk picture averaged over the area of each texture pixel
// (core/smooth_scaling.h), and error diffusion (core/error_diffusion.h).
// Neither changes a picture that they leave nothing to do for.
struct TextureOptions {
    bool smooth = false;
    bool dither = false;
    bool operator==(const TextureOptions&) const = default;
};
std::optional<PackedDib> ConvertToTexture(const PackedDib& source, const NearestPaletteColour& nearest, TextureOptions options);
std::optional<PackedDib> ConvertToTexture(const PackedDib& source, std::span<const std::uint8_t, kTexturePaletteBytes> palette,
                                          TextureOptions options);

// Whether the options make the texture of a picture of this header from
// every one of its rows (a shrunk picture, averaged), rather than from the
// rows and columns whole-pixel stretching shows.
bool NeedsEveryRow(const BitmapInfoHeader& header, TextureOptions options);

// The scaler that brings a picture of this header and colour table to the
// texture's size as the options ask, for rows handed in one at a time.
// Throws std::bad_alloc without memory for it.
std::unique_ptr<SmoothScaler> TextureScaler(const BitmapInfoHeader& header, std::span<const std::uint8_t> colour_table,
                                            TextureOptions options);

// The texture of what such a scaler has had, error-diffused when dither is
// on; nothing without memory.
std::optional<PackedDib> ConvertScaledToTexture(const SmoothScaler& scaled, const NearestPaletteColour& nearest, bool dither);

// The search for palette that every thread of the process shares: the built-in
// palette's table from the build, any other's made on the palette's first use
// and its table worked out as colours are searched for. Null when there is no
// memory for it.
std::shared_ptr<const NearestPaletteColour> SharedNearestColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette);
