#include <gtest/gtest.h>
#include <functional>
#include "core/builtin_palette.h"
#include "core/error_diffusion.h"
#include "core/smooth_scaling.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

using Rgb = std::array<int, 3>;

// A 24-bit picture as bottom-up DIB rows, from its colours (x, y from the top).
std::vector<std::uint8_t> TrueColourRows(int width, int height, const std::function<Rgb(int, int)>& colour) {
    return PixelRows(width, height, 24, [&](int x, int y) {
        const Rgb c = colour(x, y);
        return static_cast<std::uint32_t>(c[0] << 16 | c[1] << 8 | c[2]);
    });
}

// The means worked out by hand, in 256ths of a level. A shrunk side averages
// the area each target pixel covers, counting a cut source pixel by the part
// covered; a side that is not shrunk keeps whole pixels. Rows fed from the
// top or from the bottom give the same picture.
TEST(SmoothScaling, EachPixelIsTheMeanOfTheAreaItCovers) {
    const Rgb a{10, 20, 30}, b{50, 100, 70};
    const struct {
        const char* what;
        int source_width, source_height, bits, width, height;
        std::function<Rgb(int, int)> source;     // the colour, or for 1 bit the index into {a, b}
        std::function<Rgb(int, int)> expected;   // in 256ths
    } rows[] = {
        {"checkerboard 512 to 256", 512, 512, 24, 256, 256, [&](int x, int y) { return (x + y) % 2 ? a : b; },
         [](int, int) { return Rgb{30 * 256, 60 * 256, 50 * 256}; }},
        {"1-bit checkerboard 512 to 256", 512, 512, 1, 256, 256, [](int x, int y) { return Rgb{(x + y) % 2, 0, 0}; },
         [](int, int) { return Rgb{30 * 256, 60 * 256, 50 * 256}; }},
        // Columns 0, 90, 180 and rows 0, 30, 60: two-thirds of the outer pixel and one third of the middle one.
        {"3 to 2", 3, 3, 24, 2, 2, [](int x, int y) { return Rgb{90 * x, 30 * y, 200}; },
         [](int x, int y) { return Rgb{(x ? 150 : 30) * 256, (y ? 50 : 10) * 256, 200 * 256}; }},
        // (2 x 0 + 1) / 3 = 85.33 and (1 + 2 x 2) / 3 = 426.67 256ths; one row is not shrunk.
        {"thirds of a level", 3, 1, 24, 2, 1, [](int x, int) { return Rgb{x, 0, 0}; },
         [](int x, int) { return Rgb{x ? 427 : 85, 0, 0}; }},
        // 2 levels over 1024 pixels: half a 256th, rounded up.
        {"half a 256th", 1024, 1, 24, 1, 1, [](int x, int) { return Rgb{x < 2, 0, 0}; }, [](int, int) { return Rgb{1, 0, 0}; }},
        // Columns are doubled, pairs of rows averaged.
        {"128 x 512 to 256", 128, 512, 24, 256, 256, [](int x, int y) { return Rgb{2 * x, y % 2 ? 100 : 0, 7}; },
         [](int x, int) { return Rgb{x / 2 * 2 * 256, 50 * 256, 7 * 256}; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const BitmapInfoHeader header = InfoHeader(row.source_width, row.source_height, static_cast<std::uint16_t>(row.bits));
        const std::vector<std::uint8_t> pixels =
            row.bits == 1 ? PixelRows(row.source_width, row.source_height, 1, [&](int x, int y) { return row.source(x, y)[0]; })
                          : TrueColourRows(row.source_width, row.source_height, row.source);
        std::vector<std::uint8_t> table;
        if (row.bits == 1) {
            table = {static_cast<std::uint8_t>(a[2]), static_cast<std::uint8_t>(a[1]), static_cast<std::uint8_t>(a[0]), 0,
                     static_cast<std::uint8_t>(b[2]), static_cast<std::uint8_t>(b[1]), static_cast<std::uint8_t>(b[0]), 0};
        }
        const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
        for (const bool from_top : {true, false}) {
            SmoothScaler scaler(row.source_width, row.source_height, {static_cast<std::uint16_t>(row.bits), table}, row.width,
                                row.height, true);
            for (int i = 0; i < row.source_height; ++i) {
                const int y = from_top ? i : row.source_height - 1 - i;
                scaler.AddRow(y, &pixels[static_cast<std::size_t>(row.source_height - 1 - y) * stride]);
            }
            int wrong = 0;
            for (int y = 0; y < row.height; ++y) {
                for (int x = 0; x < row.width; ++x) {
                    const std::uint16_t* got = &scaler.Picture()[(static_cast<std::size_t>(y) * row.width + x) * 3];
                    const Rgb want = row.expected(x, y);
                    wrong += got[0] != want[0] || got[1] != want[1] || got[2] != want[2];
                }
            }
            EXPECT_EQ(wrong, 0) << (from_top ? "from the top" : "from the bottom");
        }
    }
}

// A palette of black (entry 0) and white (every other entry).
TexturePalette BlackAndWhite() {
    TexturePalette palette{};
    for (std::size_t entry = 1; entry < 256; ++entry) palette[entry * 4] = palette[entry * 4 + 1] = palette[entry * 4 + 2] = 255;
    return palette;
}

// Grey 64 over 4 x 2 pixels, worked through by hand: the top row runs right and
// stays black while its error grows (64, 92, 104.25, 109.6 levels wanted); the
// bottom row runs left and gets 98.3 (black), 167.0 (white), 80.3 (black)
// and 142.1 (white): two white pixels of eight, for a mean of 63.75.
TEST(Dithering, ASmallGreyDithersAsWorkedOutByHand) {
    const std::vector<std::uint16_t> grey(4 * 2 * 3, 64 * 256);
    const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(BlackAndWhite());
    std::vector<std::uint8_t> indices(8, 9);
    MapToPalette(grey, 4, 2, *nearest, true, indices);
    EXPECT_EQ(indices, (std::vector<std::uint8_t>{1, 0, 1, 0, 0, 0, 0, 0}));  // bottom row first
    MapToPalette(grey, 4, 2, *nearest, false, indices);
    EXPECT_EQ(indices, std::vector<std::uint8_t>(8, 0));
}

// Grey 100 of the built-in palette (entry 231, between greys 93 and 106)
// beside a bluish grey that dithers with errors of about 25 levels of blue:
// every other row carries 7/16 of one into the grey, which would turn grey
// 106 there, but it is exactly a palette colour and stays flat.
TEST(Dithering, AreasOfPaletteColoursStayFlat) {
    const TexturePalette& palette = BuiltinTexturePalette();
    std::vector<std::uint16_t> picture(64 * 64 * 3);
    for (std::size_t pixel = 0; pixel < 64 * 64; ++pixel) {
        const bool left = pixel % 64 < 32;
        picture[pixel * 3] = picture[pixel * 3 + 1] = 100 * 256;
        picture[pixel * 3 + 2] = static_cast<std::uint16_t>((left ? 100 : 125) * 256);
    }
    std::vector<std::uint8_t> indices(64 * 64);
    MapToPalette(picture, 64, 64, *SharedNearestColour(palette), true, indices);
    int off_flat = 0;
    double blue = 0;
    for (std::size_t pixel = 0; pixel < indices.size(); ++pixel) {
        if (pixel % 64 < 32) off_flat += indices[pixel] != 231;
        if (pixel % 64 >= 32) blue += palette[indices[pixel] * 4u];
    }
    EXPECT_EQ(off_flat, 0);
    EXPECT_NEAR(blue / (32 * 64), 125, 1);
}

// A gradient over the built-in palette, with whole pixels or averaged: the
// mean colour of every 16 x 16 block of the texture stays within a level of
// the source's, where the plain nearest colour is off by several levels.
TEST(Dithering, AGradientKeepsTheMeanColourOfEveryBlock) {
    const TexturePalette& palette = BuiltinTexturePalette();
    const auto gradient = [](int x, int y) { return Rgb{60 + x / 4, 50 + y / 3, 150 - x / 5}; };
    const PackedDib source = MakeDib(InfoHeader(512, 512, 24), {}, TrueColourRows(512, 512, gradient));
    for (const TextureOptions options : {TextureOptions{true, true}, TextureOptions{false, true}, TextureOptions{true, false}}) {
        SCOPED_TRACE(testing::Message() << "smooth " << options.smooth << ", dither " << options.dither);
        const std::optional<PackedDib> texture = ConvertToTexture(source, palette, options);
        ASSERT_TRUE(texture);
        double worst = 0;
        for (int block = 0; block < 256; ++block) {
            std::array<double, 3> got{}, wanted{};
            for (int y = block / 16 * 16; y < block / 16 * 16 + 16; ++y) {
                for (int x = block % 16 * 16; x < block % 16 * 16 + 16; ++x) {
                    const std::uint8_t index = texture->Pixels()[static_cast<std::size_t>(255 - y) * 256 + static_cast<std::size_t>(x)];
                    for (int c = 0; c < 3; ++c) {
                        got[c] += palette[index * 4u + 2 - c];
                        // Whole pixels: column 2x + 1 and row 2y; averaged: the 2 x 2 block.
                        wanted[c] += options.smooth ? (gradient(2 * x, 2 * y)[c] + gradient(2 * x + 1, 2 * y)[c] +
                                                       gradient(2 * x, 2 * y + 1)[c] + gradient(2 * x + 1, 2 * y + 1)[c]) / 4.0
                                                    : gradient(2 * x + 1, 2 * y)[c];
                    }
                }
            }
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(got[c] - wanted[c]) / 256);
        }
        if (options.dither) {
            EXPECT_LT(worst, 2.0);
        } else {
            EXPECT_GT(worst, 5.0);
        }
    }
}

}  // namespace
