// A bitmap file made into a texture, reading and holding no more of it than
// the conversion uses: of a large picture the rows and columns whole-pixel
// stretching shows or, when the options average every row in, each row in
// turn through the scaler, so that the memory taken follows the texture, not
// the size the file claims.
#pragma once
#include "core/failure.h"
#include "core/nearest_colour.h"
#include "core/packed_dib.h"
#include "core/texture_conversion.h"

// The texture, or the reader's failure, or "Cannot convert this picture!"
// when the picture read could not be converted.
Result<PackedDib> ConvertBitmapFile(const char* path, const NearestPaletteColour& nearest, TextureOptions options);
