// A picture brought to the size it is shown at, by whole pixels as
// StretchBlt's COLORONCOLOR mode picks them, so that drawing a preview costs
// the size of the pane rather than the size of the picture.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include "core/packed_dib.h"

// The same picture at width x height, with the source's depth and colour
// table; nothing for depths below 8 bits or when memory runs out.
std::optional<PackedDib> ReducedPicture(const PackedDib& source, std::int32_t width, std::int32_t height);

// The picture stretched to width x height by the same rule into target, as
// 32-bit pixels (blue, green, red, 0 from the lowest byte), top row first:
// what drawing it into a 32-bit DIB section of that size shows, for the cost
// of the pixels shown. False, with target left undefined, for what this does
// not take: 16-bit pixels, a colour table with fewer entries than the depth
// has values, a target of another size.
bool StretchedBgrx(const PackedDib& source, std::int32_t width, std::int32_t height, std::span<std::uint32_t> target);
