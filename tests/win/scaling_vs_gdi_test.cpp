// The converter stretches pictures by whole pixels as StretchBlt does in
// COLORONCOLOR mode, and decodes pixels as GDI does; here the platform itself
// is the reference.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "core/builtin_palette.h"
#include "core/packed_dib.h"
#include "core/stretch_map.h"
#include "core/texture_conversion.h"
#include "tests/unit/bitmap_file_builder.h"
#include "tests/win/pixel_capture.h"

namespace {

std::vector<std::uint8_t> Info(LONG width, LONG height, WORD bits, std::span<const std::uint8_t> table = {}) {
    const BitmapInfoHeader header = InfoHeader(width, height, bits, static_cast<std::uint32_t>(table.size() / 4));
    std::vector<std::uint8_t> info(sizeof header + table.size());
    std::memcpy(info.data(), &header, sizeof header);
    if (!table.empty()) std::memcpy(info.data() + sizeof header, table.data(), table.size());
    return info;
}

std::size_t Stride(LONG width, WORD bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

// A canvas showing pixels as GDI decodes them from the info's format.
void Show(Canvas& canvas, const std::vector<std::uint8_t>& info, std::span<const std::uint8_t> pixels) {
    SetDIBitsToDevice(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), 0, 0, 0, canvas.Height(), pixels.data(),
                      reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    GdiFlush();
}

TEST(ScalingVsGdi, StretchBltInColorOnColorPicksTheSourcePixelsOurScalerPicks) {
    const SIZE sources[] = {{300, 200}, {37, 1000}, {1, 1}, {257, 255}, {512, 256}, {128, 128},
                            {384, 640}, {1000, 37}, {4095, 3}, {2, 511}, {256, 256}, {255, 257}};
    Canvas target(256, 256);
    for (const SIZE& size : sources) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        // Every source pixel carries its own position: x in the low 12 bits, y from the top in the high 12.
        std::vector<std::uint8_t> pixels(Stride(size.cx, 24) * static_cast<std::size_t>(size.cy));
        for (LONG y = 0; y < size.cy; ++y) {
            std::uint8_t* row = pixels.data() + static_cast<std::size_t>(size.cy - 1 - y) * Stride(size.cx, 24);
            for (LONG x = 0; x < size.cx; ++x) {
                const std::uint32_t position = static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 12;
                std::memcpy(row + 3 * x, &position, 3);
            }
        }
        Canvas source(size.cx, size.cy);
        Show(source, Info(size.cx, size.cy, 24), pixels);
        SetStretchBltMode(target.Dc(), COLORONCOLOR);
        ASSERT_TRUE(StretchBlt(target.Dc(), 0, 0, 256, 256, source.Dc(), 0, 0, size.cx, size.cy, SRCCOPY));
        GdiFlush();
        const std::vector<std::int32_t> columns = StretchedColumns(size.cx, 256);
        const std::vector<std::int32_t> rows = StretchedRows(size.cy, 256);
        int differences = 0;
        for (std::size_t y = 0; y < 256; ++y) {
            for (std::size_t x = 0; x < 256; ++x) {
                differences += Rgb(target.At(static_cast<int>(x), static_cast<int>(y))) !=
                               static_cast<std::uint32_t>(columns[x] | rows[y] << 12);
            }
        }
        EXPECT_EQ(differences, 0) << "target pixels showing another source pixel than ours";
    }
}

// Our texture of a packed DIB made of info (header and table) and pixels.
std::vector<std::uint8_t> OurTexture(const std::vector<std::uint8_t>& info, std::span<const std::uint8_t> pixels) {
    std::optional<PackedDib> dib = PackedDib::Allocate(info.size() + pixels.size());
    std::memcpy(dib->data(), info.data(), info.size());
    std::memcpy(dib->data() + info.size(), pixels.data(), pixels.size());
    std::optional<PackedDib> texture = ConvertToTexture(*dib, BuiltinTexturePalette());
    if (!texture) return {};
    return {texture->Pixels().begin(), texture->Pixels().end()};
}

// Our converter must see in a palette or 16-bit row the colours GDI shows
// for it, values beyond a short colour table included.
TEST(ScalingVsGdi, PaletteAndSixteenBitRowsDecodeAsGdiShowsThem) {
    // Every 5-bit level in each channel, and the unused top bit set.
    std::vector<std::uint8_t> sixteen_bit(Stride(33, 16));
    for (std::uint16_t level = 0; level < 33; ++level) {
        const std::uint16_t value = level < 32 ? static_cast<std::uint16_t>(level << 10 | (31 - level) << 5 | (level * 7 % 32))
                                               : static_cast<std::uint16_t>(0x8000 | 31 << 10);
        std::memcpy(&sixteen_bit[level * 2u], &value, 2);
    }
    const std::vector<std::uint8_t> table = {255, 255, 255, 0, 0, 0, 255, 0, 10, 200, 30, 0};  // white, red, green
    const struct Row {
        std::vector<std::uint8_t> info;
        std::vector<std::uint8_t> pixels;
        LONG width;
    } rows[] = {
        {Info(33, 1, 16), sixteen_bit, 33},
        {Info(8, 1, 8, table), {0, 1, 2, 3, 200, 2, 1, 0}, 8},
        {Info(8, 1, 4, table), {0x01, 0x23, 0xF2, 0x10}, 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        Canvas shown(row.width, 1);
        Show(shown, row.info, row.pixels);
        std::vector<std::uint8_t> gdi_row(Stride(row.width, 24));
        for (int x = 0; x < row.width; ++x) {
            const std::uint32_t rgb = Rgb(shown.At(x, 0));
            std::memcpy(&gdi_row[3u * x], &rgb, 3);
        }
        const std::vector<std::uint8_t> ours = OurTexture(row.info, row.pixels);
        ASSERT_EQ(ours.size(), 65536u);
        EXPECT_EQ(ours, OurTexture(Info(row.width, 1, 24), gdi_row));
    }
}

}  // namespace
