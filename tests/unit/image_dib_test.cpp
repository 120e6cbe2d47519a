#include <gtest/gtest.h>
#include "core/packed_dib.h"
#include "image_test_support.h"

namespace {

struct RuleCase {
    std::int32_t width;
    std::uint16_t bits;
    std::uint32_t colours_used;
    std::uint16_t colours;
    std::uint16_t table_bytes;
    std::int32_t stride;
};

TEST(PackedDibRules, ColourCountTableBytesAndStrideFollowTheHeader) {
    const RuleCase cases[] = {
        {256, 8, 0, 256, 1024, 256},  {255, 8, 0, 256, 1024, 256}, {256, 8, 16, 16, 64, 256},
        {100, 24, 0, 0, 0, 300},      {100, 24, 256, 256, 1024, 300}, {1, 1, 0, 2, 8, 4},
        {33, 1, 0, 2, 8, 8},          {9, 4, 0, 16, 64, 8},       {3, 16, 0, 0, 0, 8},
        {3, 32, 0, 0, 0, 12},         {3, 24, 0, 0, 0, 12},       {3, 8, 0, 256, 1024, 4},
        {5, 2, 0, 0, 0, 4},           {4, 8, 3, 3, 12, 4},        {4, 1, 300, 300, 1200, 4},
        // Only the low 16 bits of biClrUsed count, and the table size wraps in 16 bits.
        {4, 8, 0x10010, 16, 64, 4},   {4, 24, 16384, 16384, 0, 12}, {4, 24, 16385, 16385, 4, 12},
    };
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.bits << " bits, biClrUsed " << c.colours_used);
        const BitmapInfoHeader header = InfoHeader(c.width, 1, c.bits, c.colours_used);
        EXPECT_EQ(DibColorCount(header), c.colours);
        EXPECT_EQ(DibColorTableBytes(header), c.table_bytes);
        EXPECT_EQ(DibRowStride(header), c.stride);
    }
}

TEST(PackedDibRules, PixelsStartBehindHeaderAndSixteenBitTable) {
    struct { BitmapInfoHeader header; std::ptrdiff_t offset; std::size_t image; } cases[] = {
        {InfoHeader(256, 256, 8), 1064, 66600},
        {InfoHeader(256, 2, 8, 16), 104, 104 + 512},
        {InfoHeader(10, 2, 24), 40, 40 + 64},
        {InfoHeader(10, 2, 24, 256), 1064, 1064 + 64},
        {InfoHeader(4, 1, 24, 16384), 40, 40 + 12},  // the wrapped table takes no room
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> block(c.image);
        std::memcpy(block.data(), &c.header, 40);
        EXPECT_EQ(DibPixels(block.data()) - block.data(), c.offset);
        EXPECT_EQ(DibImageBytes(c.header), std::optional<std::size_t>(c.image));
    }
}

TEST(PackedDibRules, StrideOfNegativeWidthStaysArithmeticAndImageSizeRefusesIt) {
    EXPECT_EQ(DibRowStride(InfoHeader(-8, 1, 8)), -8);
    EXPECT_EQ(DibImageBytes(InfoHeader(-8, 1, 8)), std::nullopt);
    EXPECT_EQ(DibImageBytes(InfoHeader(8, -1, 8)), std::nullopt);
    EXPECT_EQ(DibImageBytes(InfoHeader(0x7FFFFFFF, 0x7FFFFFFF, 32)), std::nullopt);
}

TEST(PackedDibBlock, SpansStayInsideTheBlockAndMovesHandOverOwnership) {
    const std::vector<std::uint8_t> table(8, 0xAA);
    const std::vector<std::uint8_t> pixels{1, 2, 3, 4, 5, 6, 7, 8};
    PackedDib dib = MakeDib(InfoHeader(3, 2, 8, 2), table, pixels);
    EXPECT_EQ(dib.ColorTable().size(), 8u);
    ASSERT_EQ(dib.Pixels().size(), 8u);
    EXPECT_EQ(dib.Pixels()[7], 8);
    EXPECT_EQ(dib.Image().size(), 56u);

    // A header that asks for more than the block holds yields empty spans.
    BitmapInfoHeader taller = dib.Header();
    taller.biHeight = 3;
    dib.SetHeader(taller);
    EXPECT_TRUE(dib.Pixels().empty());
    EXPECT_TRUE(dib.Image().empty());

    PackedDib moved = std::move(dib);
    EXPECT_EQ(dib.data(), nullptr);
    EXPECT_EQ(moved.size(), 56u);
}

}  // namespace
