// The texture palette as the library holds it: its own resource, the same one
// the converter reads through the palette id.
#pragma once
#include <windows.h>
#include <array>
#include <optional>

inline constexpr int kTexturePaletteColours = 256;
using TexturePalette = std::array<RGBQUAD, kTexturePaletteColours>;

// Nothing when the resource is missing or shorter than a whole palette.
std::optional<TexturePalette> LoadOwnTexturePalette();
