#include "tests/win/picture_files.h"
#include <cstring>
#include "core/palette_source.h"
#include "platform/guards.h"
#include "tests/unit/bitmap_file_builder.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

// A file of the given bits per pixel with room for its table and pixels.
Bytes Headers(int width, int height, int bits, std::size_t table_bytes, std::size_t pixel_bytes) {
    const std::size_t size = 54 + table_bytes + pixel_bytes;
    Bytes out = BuildBitmapFile({InfoHeader(width, height, static_cast<std::uint16_t>(bits)), {}, {}, {},
                                 static_cast<std::uint32_t>(54 + table_bytes), static_cast<std::uint32_t>(size)});
    out.resize(size);
    return out;
}

}  // namespace

Bytes Bmp24(int width, int height, const std::function<std::uint32_t(int, int)>& colour) {
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    Bytes out = Headers(width, height, 24, 0, stride * height);
    for (int row = 0; row < height; ++row) {
        unsigned char* line = &out[54 + stride * row];
        for (int x = 0; x < width; ++x) {
            const std::uint32_t rgb = colour(x, height - 1 - row);
            line[x * 3] = rgb & 0xFF;
            line[x * 3 + 1] = (rgb >> 8) & 0xFF;
            line[x * 3 + 2] = (rgb >> 16) & 0xFF;
        }
    }
    return out;
}

Bytes Bmp8(int width, int height, const std::array<std::uint8_t, 1024>& table,
           const std::function<std::uint8_t(int, int)>& index) {
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    Bytes out = Headers(width, height, 8, 1024, stride * height);
    std::memcpy(&out[54], table.data(), 1024);
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) out[54 + 1024 + stride * row + x] = index(x, height - 1 - row);
    }
    return out;
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
    LoadTexturePalette(nullptr, palette);
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

std::uint32_t ColourAt(HWND window, int x, int y) {
    return Rgb(GetPixel(WindowDC(window).Get(), x, y));
}
