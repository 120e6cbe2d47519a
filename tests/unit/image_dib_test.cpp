#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>
#include "core/packed_dib.h"
#include "core/stretched_pixels.h"
#include "image_test_support.h"

namespace {

// What the writers and the clipboard hand on must lie inside the block.
TEST(PackedDibBlock, AHeaderAskingForMoreThanTheBlockHoldsYieldsEmptySpans) {
    PackedDib dib = MakeDib(InfoHeader(3, 2, 8, 2), std::vector<std::uint8_t>(8, 0xAA), std::vector<std::uint8_t>(8, 1));
    ASSERT_EQ(dib.Image().size(), 56u);
    BitmapInfoHeader taller = dib.Header();
    taller.biHeight = 3;
    dib.SetHeader(taller);
    EXPECT_TRUE(dib.Pixels().empty());
    EXPECT_TRUE(dib.Image().empty());
    // A picture moved onto another takes the block with it and leaves none behind.
    PackedDib moved = MakeDib(InfoHeader(1, 1, 8), {}, std::vector<std::uint8_t>(4, 2));
    moved = std::move(dib);
    EXPECT_EQ(moved.size(), 56u);
    EXPECT_EQ(moved.Header().biHeight, 3);
    EXPECT_EQ(dib.size(), 0u);
}

// The block of a picture freed serves the next picture of about its size, as
// a batch reads picture after picture of one size: the block of a 256 x 256
// 24-bit bitmap serves the next reading, which asks for its header first and
// then grows to its rows, keeping the header's bytes. A block more than
// twice the size asked for is left for a larger picture.
TEST(PackedDibBlock, AFreedPicturesBlockServesTheNextPictureOfAboutItsSize) {
    SetDibReallocator(nullptr);  // lets go of the blocks earlier tests left
    const std::uint8_t* freed = nullptr;
    {
        std::optional<PackedDib> picture = PackedDib::Allocate(196'664);
        ASSERT_TRUE(picture);
        freed = picture->data();
    }
    std::optional<PackedDib> next = PackedDib::Allocate(44);
    ASSERT_TRUE(next);
    std::memset(next->data(), 0x5A, 44);
    ASSERT_TRUE(next->Resize(150'000));
    EXPECT_EQ(next->data(), freed);
    ASSERT_EQ(next->size(), 150'000u);
    EXPECT_EQ(std::count(next->data(), next->data() + 44, 0x5A), 44);
    std::memset(next->data(), 1, next->size());

    const std::uint8_t* large = nullptr;
    {
        std::optional<PackedDib> picture = PackedDib::Allocate(1'000'000);
        ASSERT_TRUE(picture);
        large = picture->data();
    }
    std::optional<PackedDib> small = PackedDib::Allocate(499'999);
    ASSERT_TRUE(small);
    EXPECT_NE(small->data(), large);
    std::optional<PackedDib> half = PackedDib::Allocate(500'001);
    ASSERT_TRUE(half);
    EXPECT_EQ(half->data(), large);
    std::memset(half->data(), 1, half->size());
}

// Two blocks of a megabyte, the largest kept, fill the 2 MB kept in all and
// are both kept; the third is freed at once, and the two serve the next two.
TEST(PackedDibBlock, FreedBlocksAreKeptUpToTwoMegabytesInAll) {
    SetDibReallocator(nullptr);  // lets go of the blocks earlier tests left
    constexpr std::size_t kMegabyte = 1u << 20;
    std::vector<const std::uint8_t*> freed;
    {
        std::vector<PackedDib> pictures;
        for (int i = 0; i < 3; ++i) {
            std::optional<PackedDib> picture = PackedDib::Allocate(kMegabyte);
            ASSERT_TRUE(picture);
            freed.push_back(picture->data());
            pictures.push_back(*std::move(picture));
        }
    }
    std::optional<PackedDib> first = PackedDib::Allocate(kMegabyte);
    std::optional<PackedDib> second = PackedDib::Allocate(kMegabyte);
    ASSERT_TRUE(first && second);
    EXPECT_NE(std::find(freed.begin(), freed.end(), first->data()), freed.end());
    EXPECT_NE(std::find(freed.begin(), freed.end(), second->data()), freed.end());
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer hands out no memory freed a moment ago: the third is new.
    std::optional<PackedDib> third = PackedDib::Allocate(kMegabyte);
    ASSERT_TRUE(third);
    EXPECT_EQ(std::find(freed.begin(), freed.end(), third->data()), freed.end());
#endif
}

// Stretched twice as wide and twice as high into 32-bit pixels, each source
// pixel fills a 2 x 2 square with its colour, blue lowest. A colour table
// short of the depth's values, or a target of another size, is never read
// or written past: the picture is left to the system.
TEST(PackedDibBlock, AStretchedPictureTakesEachPixelsColourAtEveryDepthItTakes) {
    const std::uint32_t left = 0x123456, right = 0xA0B0C0;  // as 0xRRGGBB
    const std::vector<std::uint8_t> table = {0x56, 0x34, 0x12, 0, 0xC0, 0xB0, 0xA0, 0};  // entries 0 and 1
    const std::pair<std::uint16_t, std::vector<std::uint8_t>> rows[] = {
        {1, {0x40, 0, 0, 0}}, {4, {0x01, 0, 0, 0}}, {8, {0, 1, 0, 0}},
        {24, {0x56, 0x34, 0x12, 0xC0, 0xB0, 0xA0, 0, 0}}, {32, {0x56, 0x34, 0x12, 0xFF, 0xC0, 0xB0, 0xA0, 0xFF}}};
    for (const auto& [bits, row] : rows) {
        std::vector<std::uint8_t> colour_table;
        if (bits <= 8) {
            colour_table = table;
            colour_table.resize(std::size_t{4} << bits);
        }
        std::vector<std::uint32_t> shown(8, 0xDEADBEEF);
        ASSERT_TRUE(StretchedBgrx(MakeDib(InfoHeader(2, 1, bits), colour_table, row), 4, 2, shown)) << bits;
        EXPECT_EQ(shown, (std::vector<std::uint32_t>{left, left, right, right, left, left, right, right})) << bits;
    }
    std::vector<std::uint32_t> shown(8);
    EXPECT_FALSE(StretchedBgrx(MakeDib(InfoHeader(2, 1, 8, 2), table, rows[2].second), 4, 2, shown));
    EXPECT_FALSE(StretchedBgrx(MakeDib(InfoHeader(2, 1, 24), {}, rows[3].second), 4, 3, shown));
}

}  // namespace
