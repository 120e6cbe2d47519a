#include "tests/win/picture_files.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "tests/unit/bitmap_file_builder.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

Bytes Bmp24(int width, int height, const std::function<std::uint32_t(int, int)>& colour) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const auto size = static_cast<std::uint32_t>(54 + stride * height);
    Bytes out = BuildBitmapFile({InfoHeader(width, height, 24), {}, {}, {}, 54, size});
    out.resize(size);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = colour(x, height - 1 - row);
            for (int byte = 0; byte < 3; ++byte) out[54 + stride * row + x * 3 + byte] = (rgb >> (8 * byte)) & 0xFF;
        }
    }
    return out;
}

Bytes Bmp8(int width, int height, const std::array<std::uint8_t, 1024>& table,
           const std::function<std::uint8_t(int, int)>& index) {
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> pixels(stride * height);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) pixels[stride * row + x] = index(x, height - 1 - row);
    }
    const auto size = static_cast<std::uint32_t>(54 + table.size() + pixels.size());
    return BuildBitmapFile({InfoHeader(width, height, 8), {table.begin(), table.end()}, {}, pixels, 0xFFFFFFFF, size});
}

Bytes Texture(const std::function<std::uint8_t(int, int)>& index) {
    Bytes out(65536);
    for (int row = 0; row < 256; ++row) {
        for (int x = 0; x < 256; ++x) out[row * 256 + x] = index(x, 255 - row);
    }
    return out;
}

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
