// A large picture cut down to the size it is shown at, by whole pixels as
// StretchBlt's COLORONCOLOR mode picks them, so that drawing a preview costs
// the size of the pane rather than the size of the picture.
#pragma once
#include <cstdint>
#include <optional>
#include "core/packed_dib.h"

// The same picture at width x height, with the source's depth and colour
// table; nothing for depths below 8 bits or when memory runs out.
std::optional<PackedDib> ReducedPicture(const PackedDib& source, std::int32_t width, std::int32_t height);
