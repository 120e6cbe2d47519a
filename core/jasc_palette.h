// JASC-PAL palette files ("JASC-PAL", "0100", the count, then one "red green
// blue" line per colour): the form the texture palette is kept in beside the
// sources, and the form the batch converter takes another palette in.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include "core/palette_source.h"

using TexturePalette = std::array<std::uint8_t, kTexturePaletteBytes>;

// The 256 colours as RGBQUAD entries (blue, green, red, 0), or nothing when the
// text is not a JASC-PAL file of exactly 256 colours in the range 0 to 255.
std::optional<TexturePalette> ParseJascPalette(std::string_view text);
