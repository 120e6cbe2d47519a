// A picture stretched to the size it is shown at, by whole pixels as
// StretchBlt's COLORONCOLOR mode picks them, so that drawing a preview costs
// the size of the pane rather than the size of the picture.
#pragma once
#include <cstdint>
#include <span>
#include "core/packed_dib.h"

// The picture stretched to width x height into target, as 32-bit pixels
// (blue, green, red, 0 from the lowest byte), top row first: what drawing it
// into a 32-bit DIB section of that size shows. False, with target left
// undefined, for what this does not take: 16-bit pixels, a colour table with
// fewer entries than the depth has values, a target of another size.
bool StretchedBgrx(const PackedDib& source, std::int32_t width, std::int32_t height, std::span<std::uint32_t> target);
