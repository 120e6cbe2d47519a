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
#include "platform/guards.h"
#include "tests/unit/bitmap_file_builder.h"

namespace {

// A DIB section selected into a memory DC of its own, released together.
class DibSurface {
public:
    DibSurface(const std::vector<std::uint8_t>& info, HDC screen)
        : dc_(screen),
          bitmap_(CreateDIBSection(screen, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits_,
                                   nullptr, 0)),
          selection_(dc_.Get(), bitmap_.Get()) {}
    bool ok() const { return dc_ && bitmap_ && bits_; }
    HDC dc() const { return dc_.Get(); }
    std::uint8_t* bits() const { return static_cast<std::uint8_t*>(bits_); }

private:
    MemoryDC dc_;
    void* bits_ = nullptr;
    OwnedBitmap bitmap_;
    ObjectSelection selection_;  // last, so the bitmap leaves the DC before either goes
};

std::vector<std::uint8_t> Info(LONG width, LONG height, WORD bits, std::span<const std::uint8_t> table = {}) {
    const BitmapInfoHeader header = InfoHeader(width, height, bits, static_cast<std::uint32_t>(table.size() / 4));
    std::vector<std::uint8_t> info(sizeof header + table.size());
    std::memcpy(info.data(), &header, sizeof header);
    if (!table.empty()) std::memcpy(info.data() + sizeof header, table.data(), table.size());
    return info;
}

std::size_t Stride(LONG width, WORD bits) { return ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4; }

TEST(ScalingVsGdi, StretchBltInColorOnColorPicksTheSourcePixelsOurScalerPicks) {
    const SIZE sources[] = {{300, 200}, {37, 1000}, {1, 1}, {257, 255}, {512, 256}, {128, 128},
                            {384, 640}, {1000, 37}, {4095, 3}, {2, 511}, {256, 256}, {255, 257}};
    const WindowDC screen(nullptr);
    DibSurface target(Info(256, 256, 24), screen.Get());
    ASSERT_TRUE(target.ok());
    for (const SIZE& size : sources) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        // Every source pixel carries its own position: x in the low 12 bits, y from the top in the high 12.
        DibSurface source(Info(size.cx, size.cy, 24), screen.Get());
        ASSERT_TRUE(source.ok());
        const std::size_t source_stride = Stride(size.cx, 24);
        for (LONG y = 0; y < size.cy; ++y) {
            std::uint8_t* row = source.bits() + static_cast<std::size_t>(size.cy - 1 - y) * source_stride;
            for (LONG x = 0; x < size.cx; ++x) {
                const std::uint32_t position = static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 12;
                std::memcpy(row + 3 * x, &position, 3);
            }
        }
        SetStretchBltMode(target.dc(), COLORONCOLOR);
        ASSERT_TRUE(StretchBlt(target.dc(), 0, 0, 256, 256, source.dc(), 0, 0, size.cx, size.cy, SRCCOPY));
        GdiFlush();

        const std::vector<std::int32_t> columns = StretchedColumns(size.cx, 256);
        const std::vector<std::int32_t> rows = StretchedRows(size.cy, 256);
        int differences = 0;
        for (int y = 0; y < 256; ++y) {
            const std::uint8_t* row = target.bits() + static_cast<std::size_t>(255 - y) * Stride(256, 24);
            for (int x = 0; x < 256; ++x) {
                std::uint32_t position = 0;
                std::memcpy(&position, row + 3 * x, 3);
                const bool same = static_cast<std::int32_t>(position & 0xFFF) == columns[static_cast<std::size_t>(x)] &&
                                  static_cast<std::int32_t>(position >> 12) == rows[static_cast<std::size_t>(y)];
                if (!same && differences++ < 3) {
                    ADD_FAILURE() << "target (" << x << ", " << y << ") shows source (" << (position & 0xFFF) << ", " << (position >> 12)
                                  << "), ours (" << columns[static_cast<std::size_t>(x)] << ", " << rows[static_cast<std::size_t>(y)] << ")";
                }
            }
        }
        EXPECT_EQ(differences, 0);
    }
}

// Blits a one-row source onto a 24-bit row of the same width; the row's bytes.
std::vector<std::uint8_t> GdiTrueColourRow(const std::vector<std::uint8_t>& info, std::span<const std::uint8_t> pixels, LONG width) {
    const WindowDC screen(nullptr);
    DibSurface source(info, screen.Get());
    DibSurface target(Info(width, 1, 24), screen.Get());
    if (!source.ok() || !target.ok()) return {};
    std::memcpy(source.bits(), pixels.data(), pixels.size());
    BitBlt(target.dc(), 0, 0, width, 1, source.dc(), 0, 0, SRCCOPY);
    GdiFlush();
    return {target.bits(), target.bits() + Stride(width, 24)};
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

// Our converter must see in a palette or 16-bit row the colours GDI sees in it.
void ExpectSameColoursAsGdi(const std::vector<std::uint8_t>& info, std::span<const std::uint8_t> pixels, LONG width) {
    const std::vector<std::uint8_t> gdi_row = GdiTrueColourRow(info, pixels, width);
    ASSERT_FALSE(gdi_row.empty());
    const std::vector<std::uint8_t> ours = OurTexture(info, pixels);
    const std::vector<std::uint8_t> from_gdi = OurTexture(Info(width, 1, 24), gdi_row);
    ASSERT_EQ(ours.size(), 65536u);
    EXPECT_EQ(ours, from_gdi);
}

TEST(ScalingVsGdi, SixteenBitPixelsWidenAsGdiWidensThem) {
    // Every 5-bit level in each channel, and the unused top bit set.
    std::vector<std::uint16_t> values;
    for (std::uint16_t level = 0; level < 32; ++level) {
        values.push_back(static_cast<std::uint16_t>(level << 10 | (31 - level) << 5 | (level * 7 % 32)));
    }
    values.push_back(0x8000 | 31 << 10);
    const LONG width = static_cast<LONG>(values.size());
    std::vector<std::uint8_t> pixels(Stride(width, 16));
    std::memcpy(pixels.data(), values.data(), values.size() * 2);
    ExpectSameColoursAsGdi(Info(width, 1, 16), pixels, width);
}

TEST(ScalingVsGdi, PaletteRowsAndValuesBeyondAShortColourTableLookAsGdiShowsThem) {
    const std::vector<std::uint8_t> table = {255, 255, 255, 0, 0, 0, 255, 0, 10, 200, 30, 0};  // white, red, green
    const std::vector<std::uint8_t> eight_bit = {0, 1, 2, 3, 200, 2, 1, 0};
    ExpectSameColoursAsGdi(Info(8, 1, 8, table), eight_bit, 8);
    const std::vector<std::uint8_t> four_bit = {0x01, 0x23, 0xF2, 0x10};
    ExpectSameColoursAsGdi(Info(8, 1, 4, table), four_bit, 8);
}

}  // namespace
