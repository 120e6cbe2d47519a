// The Palette Picker's 16 x 16 grid of swatches: where each one lies, which one
// a point falls on, and how a colour is written out for the user.
#pragma once
#include <cstdint>
#include <string>

// Client coordinates; swatch 0 is top left, 15 top right, 255 bottom right.
inline constexpr int kSwatchColumns = 16;
inline constexpr int kSwatchCell = 22;
inline constexpr int kSwatchGridLeft = 8;
inline constexpr int kSwatchGridTop = 8;
inline constexpr int kSwatchGridSize = kSwatchColumns * kSwatchCell;

// Right and bottom are exclusive, as in a RECT.
struct SwatchRect {
    int left, top, right, bottom;
};

// The cell of a swatch; the colour fills it but for a one-pixel border that
// keeps neighbours apart.
SwatchRect SwatchCell(int index);
// The swatch under a client point, or -1 outside the grid.
int SwatchAt(int x, int y);
// "Index 37 (0x25): RGB 51, 102, 153 = #336699"
std::string SwatchText(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue);
