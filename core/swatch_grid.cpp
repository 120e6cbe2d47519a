#include "core/swatch_grid.h"
#include <algorithm>
#include <cstdio>

SwatchRect SwatchCell(int index) {
    const int left = kSwatchGridLeft + (index % kSwatchColumns) * kSwatchCell;
    const int top = kSwatchGridTop + (index / kSwatchColumns) * kSwatchCell;
    return {left, top, left + kSwatchCell, top + kSwatchCell};
}

int SwatchAt(int x, int y) {
    x -= kSwatchGridLeft;
    y -= kSwatchGridTop;
    if (x < 0 || y < 0 || x >= kSwatchGridSize || y >= kSwatchGridSize) return -1;
    return (y / kSwatchCell) * kSwatchColumns + x / kSwatchCell;
}

std::string SwatchText(int index, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    char text[64];
    const int length = std::snprintf(text, sizeof text, "Index %d (0x%02X): RGB %d, %d, %d = #%02X%02X%02X", index,
                                     index, red, green, blue, red, green, blue);
    return length > 0 ? std::string(text, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1))
                      : std::string();
}
