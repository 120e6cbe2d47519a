#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include <tuple>
#include "core/bitmap_file.h"
#include "core/builtin_nearest_colour.h"
#include "core/builtin_palette.h"
#include "core/stretch_map.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

std::uint8_t BruteForceNearest(const TexturePalette& palette, int red, int green, int blue) {
    int best = 0;
    int best_distance = INT32_MAX;
    for (int entry = 0; entry < 256; ++entry) {
        const int db = palette[entry * 4] - blue, dg = palette[entry * 4 + 1] - green, dr = palette[entry * 4 + 2] - red;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < best_distance) {
            best_distance = distance;
            best = entry;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// Palettes that make the search work: the real one, an arbitrary one, one
// with many repeated colours (ties) and one of two colours only.
std::vector<std::pair<const char*, TexturePalette>> TestPalettes() {
    TexturePalette repeated{};
    TexturePalette two{};
    for (int entry = 0; entry < 256; ++entry) {
        const int shade = (entry % 17) * 15;
        repeated[entry * 4 + 0] = repeated[entry * 4 + 1] = repeated[entry * 4 + 2] = static_cast<std::uint8_t>(shade);
        two[entry * 4 + 1] = entry % 2 ? 200 : 40;
    }
    return {{"built-in", BuiltinTexturePalette()}, {"made-up", MadeUpPalette()}, {"repeated", repeated}, {"two", two}};
}

TEST(StretchMap, EnlargesAndShrinksByWholePixelsAsMeasuredOnTheBlit) {
    // Source pixels StretchBlt picked, measured under COLORONCOLOR.
    const std::vector<std::int32_t> columns_300 = StretchedColumns(300, 256);
    EXPECT_EQ(std::vector<std::int32_t>(columns_300.begin(), columns_300.begin() + 12),
              (std::vector<std::int32_t>{0, 1, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13}));
    EXPECT_EQ(columns_300.back(), 299);
    const std::vector<std::int32_t> rows_1000 = StretchedRows(1000, 256);
    EXPECT_EQ(std::vector<std::int32_t>(rows_1000.begin(), rows_1000.begin() + 12),
              (std::vector<std::int32_t>{0, 4, 8, 12, 16, 20, 23, 27, 31, 35, 39, 43}));
    const std::vector<std::int32_t> rows_200 = StretchedRows(200, 256);
    EXPECT_EQ(std::vector<std::int32_t>(rows_200.begin(), rows_200.begin() + 12),
              (std::vector<std::int32_t>{0, 1, 1, 2, 3, 4, 5, 5, 6, 7, 8, 8}));
    EXPECT_EQ(StretchedColumns(257, 256)[127], 128);
    EXPECT_EQ(StretchedColumns(37, 256)[6], 0);
    EXPECT_EQ(StretchedColumns(37, 256)[7], 1);
    // Halving keeps the odd columns but the even rows.
    EXPECT_EQ(StretchedColumns(512, 256)[0], 1);
    EXPECT_EQ(StretchedRows(512, 256)[0], 0);
    EXPECT_EQ(StretchedColumns(512, 256)[255], 511);
    EXPECT_EQ(StretchedRows(512, 256)[255], 510);
}

// Random colours, every colour of a grid of every 9th level (which meets each
// place in a 4 x 4 x 4 corner) and 255, and the palette's own colours.
std::vector<std::uint32_t> ColoursToCheck(const TexturePalette& palette) {
    std::vector<std::uint32_t> colours;
    std::mt19937 random(12345);
    for (int i = 0; i < 10000; ++i) colours.push_back(random() & 0xFFFFFF);
    std::vector<std::uint32_t> levels;
    for (std::uint32_t level = 0; level < 256; level += 9) levels.push_back(level);
    levels.push_back(255);
    for (std::uint32_t red : levels) {
        for (std::uint32_t green : levels) {
            for (std::uint32_t blue : levels) colours.push_back(red << 16 | green << 8 | blue);
        }
    }
    for (int entry = 0; entry < 256; ++entry) colours.push_back(std::uint32_t{palette[entry * 4 + 2]} << 16 | palette[entry * 4 + 1] << 8 | palette[entry * 4]);
    return colours;
}

int CountMismatches(const NearestPaletteColour& nearest, const TexturePalette& palette) {
    int mismatches = 0;
    for (std::uint32_t rgb : ColoursToCheck(palette)) {
        const int red = static_cast<int>(rgb >> 16), green = static_cast<int>((rgb >> 8) & 0xFF), blue = static_cast<int>(rgb & 0xFF);
        mismatches += nearest.Find(rgb) != BruteForceNearest(palette, red, green, blue);
    }
    return mismatches;
}

TEST(NearestPaletteColour, AgreesWithAFullSearchWhetherWorkedOutNowOrByTheBuild) {
    for (const auto& [name, palette] : TestPalettes()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CountMismatches(NearestPaletteColour(palette), palette), 0);
    }
    EXPECT_TRUE(BuiltinNearestColour().IsFor(BuiltinTexturePalette()));
    EXPECT_EQ(CountMismatches(BuiltinNearestColour(), BuiltinTexturePalette()), 0);
}

TEST(NearestPaletteColour, EachPaletteIsWorkedOutOncePerProcess) {
    EXPECT_EQ(SharedNearestColour(BuiltinTexturePalette()).get(), &BuiltinNearestColour());
    const std::shared_ptr<const NearestPaletteColour> made_up = SharedNearestColour(MadeUpPalette());
    ASSERT_TRUE(made_up);
    EXPECT_TRUE(made_up->IsFor(MadeUpPalette()));
    EXPECT_EQ(SharedNearestColour(MadeUpPalette()), made_up);
}

class ConversionTest : public ::testing::Test {
protected:
    // An 8-bit source in the given palette whose pixel at (x, y from the top) is value(x, y).
    template <typename Value>
    static PackedDib IndexedPicture(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> table, Value value) {
        const BitmapInfoHeader header = InfoHeader(width, height, 8, static_cast<std::uint32_t>(table.size() / 4));
        const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
        std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(height));
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) pixels[static_cast<std::size_t>(height - 1 - y) * stride + static_cast<std::size_t>(x)] = value(x, y);
        }
        return MakeDib(header, table, pixels);
    }
    // The converted index at (x, y from the top).
    static std::uint8_t At(const PackedDib& texture, int x, int y) {
        return texture.Pixels()[static_cast<std::size_t>(255 - y) * 256 + static_cast<std::size_t>(x)];
    }

    const TexturePalette& palette_ = BuiltinTexturePalette();
};

TEST_F(ConversionTest, TrueColourPicturesMapEveryPixelToTheExactNearestColour) {
    const auto palettes = TestPalettes();
    for (const auto& [which, width, height, bits] :
         {std::tuple{0, 300, 200, 24}, std::tuple{1, 300, 200, 24}, std::tuple{2, 37, 1000, 32}, std::tuple{3, 256, 256, 24}}) {
        const auto& [name, palette] = palettes[static_cast<std::size_t>(which)];
        {
            SCOPED_TRACE(testing::Message() << name << " " << width << " x " << height << " at " << bits);
            const BitmapInfoHeader header = InfoHeader(width, height, static_cast<std::uint16_t>(bits));
            const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
            std::vector<std::uint8_t> pixels = PatternBytes(stride * static_cast<std::size_t>(height), static_cast<unsigned>(width));
            // Half the rows smooth gradients, where neighbouring colours share cells.
            for (std::size_t row = 0; row < static_cast<std::size_t>(height); row += 2) {
                for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                    std::uint8_t* pixel = &pixels[row * stride + x * (bits / 8)];
                    pixel[0] = static_cast<std::uint8_t>(x);
                    pixel[1] = static_cast<std::uint8_t>(row);
                    pixel[2] = static_cast<std::uint8_t>(x + row);
                }
            }
            const PackedDib source = MakeDib(header, {}, pixels);
            std::optional<PackedDib> texture = ConvertToTexture(source, palette);
            ASSERT_TRUE(texture);
            ASSERT_EQ(texture->size(), 66600u);
            EXPECT_TRUE(std::equal(palette.begin(), palette.end(), texture->ColorTable().begin()));
            const auto columns = StretchedColumns(width, 256);
            const auto rows = StretchedRows(height, 256);
            int wrong = 0;
            for (int y = 0; y < 256; ++y) {
                const std::size_t source_row = static_cast<std::size_t>(height - 1 - rows[static_cast<std::size_t>(y)]);
                for (int x = 0; x < 256; ++x) {
                    const std::uint8_t* pixel = &pixels[source_row * stride + static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]) * (bits / 8)];
                    wrong += At(*texture, x, y) != BruteForceNearest(palette, pixel[2], pixel[1], pixel[0]);
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST_F(ConversionTest, SourceInTheTexturePaletteKeepsEveryIndexEvenWhenColoursRepeat) {
    TexturePalette repeated = palette_;
    std::memcpy(&repeated[200 * 4], &repeated[3 * 4], 4);  // entry 200 repeats entry 3
    const PackedDib source = IndexedPicture(256, 256, repeated, [](int x, int y) { return static_cast<std::uint8_t>(x * 3 + y * 5); });
    std::optional<PackedDib> texture = ConvertToTexture(source, repeated);
    ASSERT_TRUE(texture);
    EXPECT_TRUE(std::equal(source.Pixels().begin(), source.Pixels().end(), texture->Pixels().begin(), texture->Pixels().end()));
}

TEST_F(ConversionTest, DoublesASmallPictureAndDropsColumnsOfAWideOne) {
    const auto value = [](int x, int y) { return static_cast<std::uint8_t>(x * 7 + y * 11); };
    std::optional<PackedDib> doubled = ConvertToTexture(IndexedPicture(128, 128, palette_, value), palette_);
    std::optional<PackedDib> halved = ConvertToTexture(IndexedPicture(512, 256, palette_, value), palette_);
    ASSERT_TRUE(doubled && halved);
    int wrong = 0;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            wrong += At(*doubled, x, y) != value(x / 2, y / 2);
            wrong += At(*halved, x, y) != value(2 * x + 1, y);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(ConversionTest, RowsStayBottomUp) {
    // Bottom row the palette's entry 10, everything else entry 20.
    const PackedDib source = IndexedPicture(256, 256, palette_, [](int, int y) { return static_cast<std::uint8_t>(y == 255 ? 10 : 20); });
    std::optional<PackedDib> texture = ConvertToTexture(source, palette_);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Pixels()[0], 10);
    EXPECT_EQ(texture->Pixels()[255], 10);
    EXPECT_EQ(texture->Pixels()[256], 20);
}

TEST_F(ConversionTest, DecodesOneFourAndSixteenBitPixels) {
    // A palette whose colours are exactly what the decoded pixels hold.
    TexturePalette palette = MadeUpPalette();
    const std::uint8_t exact[][3] = {{255, 0, 0}, {132, 66, 8}, {0, 0, 255}, {8, 0, 0}};  // red, green, blue
    for (int i = 0; i < 4; ++i) {
        palette[(50 + i) * 4 + 2] = exact[i][0];
        palette[(50 + i) * 4 + 1] = exact[i][1];
        palette[(50 + i) * 4 + 0] = exact[i][2];
    }
    // 1 bit, 9 pixels wide: table entry 1 is palette entry 51's colour.
    const std::vector<std::uint8_t> two_colours = {palette[50 * 4], palette[50 * 4 + 1], palette[50 * 4 + 2], 0,
                                                   palette[51 * 4], palette[51 * 4 + 1], palette[51 * 4 + 2], 0};
    const std::vector<std::uint8_t> one_bit_rows = {0b01000000, 0b10000000, 0, 0};  // x = 1 and x = 8 set
    std::optional<PackedDib> one = ConvertToTexture(MakeDib(InfoHeader(9, 1, 1), two_colours, one_bit_rows), palette);
    // 4 bits, 3 pixels: values 1, 0, 1 with table entry 1 palette entry 51.
    std::vector<std::uint8_t> sixteen(64, 0);
    std::memcpy(&sixteen[4], &two_colours[4], 4);
    std::memcpy(&sixteen[0], &two_colours[0], 4);
    const std::vector<std::uint8_t> four_bit_rows = {0x10, 0x10, 0, 0};
    std::optional<PackedDib> four = ConvertToTexture(MakeDib(InfoHeader(3, 1, 4), sixteen, four_bit_rows), palette);
    // 16 bits, 5-5-5: red 31, then (16, 8, 1), blue 31, then (1, 0, 0) with the top bit set.
    const std::uint16_t values[] = {31 << 10, 16 << 10 | 8 << 5 | 1, 31, 0x8000 | 1 << 10};
    std::vector<std::uint8_t> sixteen_bit_rows(8);
    std::memcpy(sixteen_bit_rows.data(), values, 8);
    std::optional<PackedDib> high = ConvertToTexture(MakeDib(InfoHeader(4, 1, 16), {}, sixteen_bit_rows), palette);
    ASSERT_TRUE(one && four && high);
    const auto column = [](const PackedDib& texture, int source_width, int x) {
        const auto columns = StretchedColumns(source_width, 256);
        return texture.Pixels()[static_cast<std::size_t>(std::find(columns.begin(), columns.end(), x) - columns.begin())];
    };
    EXPECT_EQ(column(*one, 9, 0), 50);
    EXPECT_EQ(column(*one, 9, 1), 51);
    EXPECT_EQ(column(*one, 9, 8), 51);
    EXPECT_EQ(column(*four, 3, 0), 51);
    EXPECT_EQ(column(*four, 3, 1), 50);
    EXPECT_EQ(column(*four, 3, 2), 51);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(column(*high, 4, x), 50 + x) << x;
}

TEST_F(ConversionTest, PixelValuesBeyondAShortColourTableAreBlack) {
    const std::vector<std::uint8_t> table = {255, 255, 255, 0};  // one white entry
    std::optional<PackedDib> texture = ConvertToTexture(IndexedPicture(1, 1, table, [](int, int) { return std::uint8_t{5}; }), palette_);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->Pixels()[1000], BruteForceNearest(palette_, 0, 0, 0));
}

TEST_F(ConversionTest, RefusesWhatItCannotDecode) {
    auto header_with = [](auto change) {
        BitmapInfoHeader header = InfoHeader(4, 4, 24);
        change(header);
        return header;
    };
    const BitmapInfoHeader headers[] = {
        header_with([](auto& h) { h.biCompression = 1; }), header_with([](auto& h) { h.biHeight = -4; }),
        header_with([](auto& h) { h.biBitCount = 2; }),    header_with([](auto& h) { h.biWidth = 0; }),
        header_with([](auto& h) { h.biSize = 108; }),      header_with([](auto& h) { h.biHeight = 5; }),  // block too short
    };
    for (const BitmapInfoHeader& header : headers) {
        EXPECT_FALSE(ConvertToTexture(MakeDib(header, {}, PatternBytes(48, 1)), palette_));
    }
}

TEST_F(ConversionTest, TextureToBitmapAndBackIsByteIdentical) {
    RecordingSink sink;
    FixedPaletteSource source(palette_);
    ScratchFolder folder;
    const auto original = PatternBytes(kTexturePixelBytes, 77);
    WriteWholeFile(folder / "plane.oaf", original);

    std::optional<PackedDib> texture = ReadTextureFile((folder / "plane.oaf").c_str());
    ASSERT_TRUE(texture);
    std::optional<PackedDib> as_bitmap = ConvertToTexture(*texture, palette_);
    ASSERT_TRUE(as_bitmap);
    ASSERT_TRUE(WriteBitmapFile((folder / "plane.oaf.bmp").c_str(), *as_bitmap));
    std::optional<PackedDib> bitmap = ReadBitmapFile((folder / "plane.oaf.bmp").c_str());
    ASSERT_TRUE(bitmap);
    std::optional<PackedDib> back = ConvertToTexture(*bitmap, palette_);
    ASSERT_TRUE(back);
    ASSERT_TRUE(WriteTextureFile((folder / "plane.oaf").c_str(), *back));
    EXPECT_EQ(ReadWholeFile(folder / "plane.oaf"), original);
    EXPECT_TRUE(sink.messages.empty());
}

}  // namespace
