// The two texture options, smooth scaling and dithering, kept in the
// settings table. Non-zero is on; a value that is missing or unreadable is
// off and is not written until Setup's OK.
#pragma once
#include "core/sides.h"
#include "core/texture_conversion.h"

TextureOptions GetTextureOptions();
// The options for converting a file of the side: the stored ones for a
// bitmap; none for a texture, which is already in the palette at its size.
TextureOptions TextureOptionsFor(Side side);
