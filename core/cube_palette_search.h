// The texture palette's own shape, searched by arithmetic: entries 0 to 215
// a cube of six levels per channel, 0 to 255 in steps of 51, red slowest and
// blue fastest; entries 216 to 255 forty greys, the k-th of level
// round((k + 1) 255 / 41), from 6 to 249. The nearest entry of the cube is
// each channel's nearest level, and the nearest grey the one nearest to the
// colour's mean, so no table is read at all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include "core/palette_source.h"

// Whether palette (256 RGBQUAD entries) has that shape, whatever its reserved bytes.
bool IsCubeAndGreys(std::span<const std::uint8_t, kTexturePaletteBytes> palette);

// Maps count colours (0xRRGGBB) to their nearest entries of such a palette,
// ties to the lowest index, sixteen at a time; false, with nothing done,
// where the processor cannot (no AVX2, or wide_words.h has no wide reads).
bool MapCubeAndGreys(const std::uint32_t* colours, std::size_t count, std::uint8_t* out);
