// The Palette Picker's 16 x 16 grid of swatches: where each one lies, which one
// a point falls on, and how a colour is written out for the user.
#pragma once
#include <windows.h>
#include <string>
#include "companion/texture_palette.h"
#include "companion/tool_window_ids.h"

inline constexpr int kSwatchGridSize = kSwatchColumns * kSwatchCell;

// The cell of a swatch in client coordinates; the colour fills it but for a
// one-pixel border that keeps neighbours apart.
RECT SwatchCell(int index);
// The swatch under a client point, or -1 outside the grid.
int SwatchAt(POINT point);
// "Index 37 (0x25): RGB 51, 102, 153 = #336699"
std::string SwatchText(int index, const RGBQUAD& colour);
