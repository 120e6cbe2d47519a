// The texture palette the build was given (the JASC-PAL file the companion
// library is built from), compiled in for the batch converter and the tests.
#pragma once
#include <string_view>
#include "core/jasc_palette.h"

extern const std::string_view kBuiltinPaletteText;

// The built-in palette as 256 RGBQUAD entries.
const TexturePalette& BuiltinTexturePalette();
