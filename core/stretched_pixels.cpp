#include "core/stretched_pixels.h"
#include <array>
#include <vector>
#include "core/little_endian.h"
#include "core/stretch_map.h"

bool StretchedBgrx(const PackedDib& source, std::int32_t width, std::int32_t height, std::span<std::uint32_t> target) {
    const BitmapInfoHeader header = source.Header();
    const std::uint16_t bits = header.biBitCount;
    if (width <= 0 || height <= 0 || header.biWidth <= 0 || header.biHeight <= 0 || header.biPlanes != 1 ||
        header.biCompression != kBiRgb || target.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return false;
    }
    std::array<std::uint32_t, 256> colours{};
    if (bits == 1 || bits == 4 || bits == 8) {
        const std::span<const std::uint8_t> table = source.ColorTable();
        const std::size_t values = std::size_t{1} << bits;
        if (table.size() < values * 4) return false;
        for (std::size_t value = 0; value < values; ++value) colours[value] = LoadU24(&table[value * 4]);
    } else if (bits != 24 && bits != 32) {
        return false;
    }
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    const std::span<const std::uint8_t> pixels = source.Pixels();
    if (pixels.size() / stride < static_cast<std::size_t>(header.biHeight)) return false;
    const std::vector<std::int32_t> columns = StretchedColumns(header.biWidth, width);
    const std::vector<std::int32_t> rows = StretchedRows(header.biHeight, height);
    const auto stretch = [&](auto colour_at) {
        for (std::int32_t y = 0; y < height; ++y) {
            const std::uint8_t* row =
                pixels.data() + static_cast<std::size_t>(header.biHeight - 1 - rows[static_cast<std::size_t>(y)]) * stride;
            std::uint32_t* out = target.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (std::int32_t x = 0; x < width; ++x) out[x] = colour_at(row, static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]));
        }
    };
    switch (bits) {
    case 1:
        stretch([&](const std::uint8_t* row, std::size_t x) { return colours[DibPixelValue<1>(row, x)]; });
        break;
    case 4:
        stretch([&](const std::uint8_t* row, std::size_t x) { return colours[DibPixelValue<4>(row, x)]; });
        break;
    case 8:
        stretch([&](const std::uint8_t* row, std::size_t x) { return colours[DibPixelValue<8>(row, x)]; });
        break;
    case 24:
        stretch([&](const std::uint8_t* row, std::size_t x) { return LoadU24(row + 3 * x); });
        break;
    default:
        stretch([&](const std::uint8_t* row, std::size_t x) { return LoadU24(row + 4 * x); });
        break;
    }
    return true;
}
