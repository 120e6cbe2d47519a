// A scaled picture (core/smooth_scaling.h: red, green and blue of each pixel
// in 256ths of a level, rows from the top) turned into palette indices.
//
// Without dithering every pixel takes the palette colour nearest to it,
// rounded to whole levels. With dithering, error diffusion runs over the rows
// from the top, each row the other way from the one before (serpentine): a
// pixel takes the colour nearest to itself plus the error carried to it, and
// passes its own error on, 7/16 to the next pixel along the row, 4/16 to the
// pixel below the one before it and 5/16 to the pixel below it. These are
// Floyd and Steinberg's weights but for the 1/16 they send below the next
// pixel, sent below the one before instead: on the bench's gradients, skies
// and liveries that leaves less visible noise. The sums are whole numbers,
// so the same picture always gives the same indices. A pixel that is exactly
// a palette colour takes that colour and neither takes nor passes any error,
// so areas painted in palette colours stay flat.
#pragma once
#include <cstdint>
#include <span>
#include "core/nearest_colour.h"

// indices holds width x height bytes, the bottom row first, as a DIB holds
// its rows. Throws std::bad_alloc when there is no memory for two rows of errors.
void MapToPalette(std::span<const std::uint16_t> picture, std::int32_t width, std::int32_t height, const NearestPaletteColour& nearest,
                  bool dither, std::span<std::uint8_t> indices);
