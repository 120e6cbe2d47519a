#include <gtest/gtest.h>
#include "core/swatch_grid.h"

namespace {

TEST(SwatchGrid, EveryPointFindsTheSwatchDrawnThereAndNothingOffTheGrid) {
    const struct { int x, y, swatch; } points[] = {
        {8, 8, 0}, {7, 8, -1}, {8, 7, -1},             // the grid's top left corner
        {29, 29, 0}, {30, 8, 1}, {8, 30, 16},          // where the first cell ends
        {359, 8, 15}, {360, 8, -1}, {129, 63, 37},     // the top right corner; a cell's centre
        {359, 359, 255}, {360, 359, -1}, {359, 360, -1},  // the bottom right corner
    };
    for (const auto& point : points) EXPECT_EQ(SwatchAt(point.x, point.y), point.swatch) << point.x << "," << point.y;
}

TEST(SwatchGrid, TextGivesIndexAndColourInDecimalAndHex) {
    const struct { int index; std::uint8_t red, green, blue; const char* text; } rows[] = {
        {0, 0, 0, 0, "Index 0 (0x00): RGB 0, 0, 0 = #000000"},
        {171, 18, 52, 86, "Index 171 (0xAB): RGB 18, 52, 86 = #123456"},
        {255, 255, 153, 102, "Index 255 (0xFF): RGB 255, 153, 102 = #FF9966"},
    };
    for (const auto& row : rows) EXPECT_EQ(SwatchText(row.index, row.red, row.green, row.blue), row.text);
}

}  // namespace
