#include "tests/win/picture_files.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

std::array<std::uint8_t, 1024> CompanionPalette() {
    std::array<std::uint8_t, 1024> palette{};
    EnsureCompanionLibrary();
    LoadTexturePalette(palette);
    return palette;
}

std::uint32_t PaletteColour(int index) {
    const std::array<std::uint8_t, 1024> palette = CompanionPalette();
    return (palette[index * 4 + 2] << 16) | (palette[index * 4 + 1] << 8) | palette[index * 4];
}

int CubeIndex(int red_level, int green_level, int blue_level) { return red_level * 36 + green_level * 6 + blue_level; }

std::uint32_t CubeColour(int red_level, int green_level, int blue_level) {
    return (red_level * 51 << 16) | (green_level * 51 << 8) | blue_level * 51;
}

std::uint32_t ColourAt(HWND window, int x, int y) { return Rgb(GetPixel(WindowDC(window).Get(), x, y)); }
