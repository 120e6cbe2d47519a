// The two texture options, kept as REG_DWORD values of the settings key:
// "Smooth" (smooth scaling) and "Dither" (dithering). Non-zero is on; a value
// that is missing or unreadable is off and is not written until Setup's OK.
#pragma once
#include "core/sides.h"
#include "core/texture_conversion.h"

inline constexpr char kSmoothSetting[] = "Smooth";
inline constexpr char kDitherSetting[] = "Dither";

TextureOptions GetTextureOptions();
// The options for converting a file of the side: the stored ones for a
// bitmap; none for a texture, which is already in the palette at its size.
TextureOptions TextureOptionsFor(Side side);
