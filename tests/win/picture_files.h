// Test pictures in the texture palette, and the colours windows show.
#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>
#include "tests/unit/test_files.h"

using Bytes = std::vector<unsigned char>;

// An AF texture: index(x, y) with y counted from the top; stored bottom row first.
inline Bytes Texture(const std::function<std::uint32_t(int, int)>& index) { return PixelRows(256, 256, 8, index); }

// The program's texture palette, from the companion library.
std::array<std::uint8_t, 1024> CompanionPalette();
// The palette's colour at an index as 0xRRGGBB.
std::uint32_t PaletteColour(int index);
// The index of an exact colour of the palette's 6 x 6 x 6 cube (levels 0, 51, ... 255).
int CubeIndex(int red_level, int green_level, int blue_level);
std::uint32_t CubeColour(int red_level, int green_level, int blue_level);

// The colour shown at a point of a window's client area, as 0xRRGGBB.
std::uint32_t ColourAt(HWND window, int x, int y);
