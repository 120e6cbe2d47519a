#include <gtest/gtest.h>
#include <array>
#include <random>
#include <thread>
#include "core/builtin_nearest_colour.h"
#include "core/builtin_palette.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "image_test_support.h"
#include "tests/unit/brute_force_nearest.h"
#include "tests/unit/guarded_bytes.h"

namespace {

// The source position (from the left or the top) each of the 256 texture
// positions shows. Enlarging, the one under the target pixel's centre.
// Shrinking, source pixel s falls on target pixel ceil((2s + 1) 256 / 2S) - 1;
// a column shows the last source pixel on it, a row the first.
std::vector<std::int32_t> Shown(std::int64_t source, bool rows) {
    std::vector<std::int32_t> shown(256, -1);
    for (std::int64_t t = 0; source <= 256 && t < 256; ++t) shown[t] = static_cast<std::int32_t>((2 * t + 1) * source / 512);
    for (std::int64_t s = 0; source > 256 && s < source; ++s) {
        const std::int64_t t = ((2 * s + 1) * 256 + 2 * source - 1) / (2 * source) - 1;
        if (!rows || shown[t] < 0) shown[t] = static_cast<std::int32_t>(s);
    }
    return shown;
}

// Every pixel of the texture is the palette entry nearest to the source pixel
// stretching picks, for every depth the readers hand out, whether the search
// was worked out now or (for the built-in palette) by the build. A source of
// 256 x 256 shows every pixel; its odd rows begin with the colours that make
// the search work hardest: a grid of every 9th level and 255 (which meets each
// place in a 4 x 4 x 4 corner) and the palettes' own colours.
TEST(Conversion, EveryPixelIsTheExactNearestColourOfTheStretchedSource) {
    // Palettes that make the search work: the real one, an arbitrary one, one
    // with many repeated colours (ties), one of two greens only (40, 200), one
    // of two pairs that differ in green, the higher first: greens 202 and 42
    // (122 as near to either), and red with greens 203 and 42 (an odd sum),
    // one of grey 13 at 0 and grey 1 at 1, equally near to grey 7 (which is
    // entry 0's), among eight more dark colours, so that many entries compete
    // there.
    const std::uint8_t dark[10][3] = {{13, 13, 13}, {1, 1, 1}, {0, 0, 0}, {15, 0, 0}, {0, 15, 0},
                                      {0, 0, 15}, {15, 15, 0}, {15, 0, 15}, {0, 15, 15}, {15, 15, 15}};
    TexturePalette repeated{};
    TexturePalette two{};
    TexturePalette higher_first{};
    TexturePalette tie{};
    TexturePalette random{};  // one of random colours, and a ramp of greys, whose
    TexturePalette ramp{};    // colours on a line make long lists of candidates
    std::mt19937 levels(22);
    for (int entry = 0; entry < 256; ++entry) {
        const int shade = (entry % 17) * 15;
        repeated[entry * 4 + 0] = repeated[entry * 4 + 1] = repeated[entry * 4 + 2] = static_cast<std::uint8_t>(shade);
        two[entry * 4 + 1] = entry % 2 ? 200 : 40;
        higher_first[entry * 4 + 1] = static_cast<std::uint8_t>(entry % 2 ? 42 : 202 + (entry / 2 % 2));
        higher_first[entry * 4 + 2] = static_cast<std::uint8_t>(entry / 2 % 2 * 255);
        for (int channel = 0; channel < 3; ++channel) tie[entry * 4 + channel] = entry < 10 ? dark[entry][channel] : 255;
        for (int channel = 0; channel < 3; ++channel) random[entry * 4 + channel] = static_cast<std::uint8_t>(levels() % 256);
        ramp[entry * 4 + 0] = ramp[entry * 4 + 1] = ramp[entry * 4 + 2] = static_cast<std::uint8_t>(entry);
    }
    const TexturePalette palettes[] = {BuiltinTexturePalette(), MadeUpPalette(), repeated, two, tie, random, ramp, higher_first};
    // A colour is compared with a few candidates at most, never with the
    // whole palette.
    for (const TexturePalette& palette : palettes) {
        const NearestPaletteColour made(palette);
        made.Complete();
        const NearestPaletteColour& nearest = &palette == &palettes[0] ? BuiltinNearestColour() : made;
        std::size_t longest = 0;
        for (const std::uint32_t cell : nearest.Cells()) {
            if (NearestPaletteColour::HoldsRecord(cell) && NearestPaletteColour::KindOf(cell) == NearestPaletteColour::kLongList) {
                longest = std::max<std::size_t>(longest, nearest.Lists()[NearestPaletteColour::RecordAt(cell)] + 1u);
            }
        }
        EXPECT_LE(longest, 33u) << "palette " << &palette - palettes;
    }
    std::vector<std::array<std::uint8_t, 3>> hardest{{7, 7, 7}};  // blue, green, red
    const auto level = [](int value) { return static_cast<std::uint8_t>(std::min(value, 255)); };
    for (int red = 0; red < 265; red += 9) {
        for (int green = 0; green < 265; green += 9) {
            for (int blue = 0; blue < 265; blue += 9) hardest.push_back({level(blue), level(green), level(red)});
        }
    }
    for (const TexturePalette& palette : palettes) {
        for (int entry = 0; entry < 256; ++entry) {
            hardest.push_back({palette[entry * 4], palette[entry * 4 + 1], palette[entry * 4 + 2]});
        }
    }
    // Palette, size, depth and colours in the table.
    for (const auto& [which, width, height, bits, colours] :
         {std::tuple{0, 256, 256, 24, 0}, {1, 256, 256, 24, 0}, {2, 256, 256, 24, 0}, {3, 256, 256, 24, 0}, {1, 300, 200, 24, 0},
          {2, 37, 1000, 32, 0}, {1, 9, 3, 1, 0}, {0, 3, 5, 4, 0}, {1, 4, 7, 16, 0}, {1, 512, 256, 8, 0}, {0, 5, 2, 8, 1}, {1, 5, 2, 8, 1},
          {4, 256, 256, 24, 0}, {1, 301, 257, 24, 0}, {5, 256, 256, 24, 0}, {6, 256, 256, 24, 0}, {7, 256, 256, 24, 0}, {0, 100, 60, 24, 0}}) {
        SCOPED_TRACE(testing::Message() << "palette " << which << ", " << width << " x " << height << " at " << bits);
        const TexturePalette& palette = palettes[which];
        const BitmapInfoHeader header = InfoHeader(width, height, static_cast<std::uint16_t>(bits), static_cast<std::uint32_t>(colours));
        const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
        std::vector<std::uint8_t> pixels = PatternBytes(stride * static_cast<std::size_t>(height), static_cast<unsigned>(width));
        // Half the rows of true colour are smooth gradients, where neighbouring colours share cells.
        for (std::size_t row = 0; bits >= 24 && row < static_cast<std::size_t>(height); row += 2) {
            for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
                std::uint8_t* pixel = &pixels[row * stride + x * static_cast<std::size_t>(bits / 8)];
                pixel[0] = static_cast<std::uint8_t>(x);
                pixel[1] = static_cast<std::uint8_t>(row);
                pixel[2] = static_cast<std::uint8_t>(x + row);
            }
        }
        for (std::size_t i = 0; width == 256 && height == 256 && bits == 24 && i < hardest.size(); ++i) {
            std::memcpy(&pixels[(2 * (i / 256) + 1) * stride + i % 256 * 3], hardest[i].data(), 3);
        }
        const PackedDib source = MakeDib(header, PatternBytes(DibColorTableBytes(header), 9), pixels);
        std::optional<PackedDib> texture = ConvertToTexture(source, palette);
        ASSERT_TRUE(texture);
        ASSERT_EQ(texture->size(), 66600u);
        EXPECT_TRUE(std::equal(palette.begin(), palette.end(), texture->ColorTable().begin()));
        const auto columns = Shown(width, false);
        const auto rows = Shown(height, true);
        int wrong = 0;
        for (std::size_t y = 0; y < 256; ++y) {
            for (std::size_t x = 0; x < 256; ++x) {
                const std::uint8_t held = texture->Pixels()[(255 - y) * 256 + x];  // rows stay bottom-up
                wrong += held != BruteForceNearest(palette, ColourAt(source, columns[x], rows[y]));
            }
        }
        EXPECT_EQ(wrong, 0);
    }
    // A block of a depth or compression the converter does not know, or one
    // byte short of its pixels, is refused.
    for (const auto& [bits, compression, bytes] : {std::tuple<std::uint16_t, std::uint32_t, std::size_t>{2, 0, 16}, {8, 1, 16}, {8, 0, 15}}) {
        BitmapInfoHeader header = InfoHeader(4, 4, bits);
        header.biCompression = compression;
        const PackedDib odd = MakeDib(header, PatternBytes(DibColorTableBytes(header), 9), std::vector<std::uint8_t>(bytes, 1));
        EXPECT_FALSE(ConvertToTexture(odd, BuiltinTexturePalette())) << bits << " bits, compression " << compression << ", " << bytes << " bytes";
    }
}

// A row's pixels are searched in groups and runs, and a few rows together:
// any number of them, in any order, up to the row's last byte, in any number
// of rows that lie anywhere, each get the nearest colour, whether the
// table was made by the build, is worked out as they come, holds lists of
// many entries (a ramp of greys), or has room for a few records only (the
// cells past them search every entry), one at a time, eight or sixteen at a
// time: the table read the way this processor is given, by gathers, or by
// plain reads.
TEST(Conversion, AnyNumberOfPixelsAnywhereInARowGetTheirNearestColours) {
    TexturePalette ramp{};
    for (int entry = 0; entry < 256; ++entry) ramp[entry * 4] = ramp[entry * 4 + 1] = ramp[entry * 4 + 2] = static_cast<std::uint8_t>(entry);
    // The texture palette with two entries swapped no longer has its shape.
    TexturePalette swapped = BuiltinTexturePalette();
    std::swap_ranges(&swapped[1 * 4], &swapped[2 * 4], &swapped[2 * 4]);
    const NearestPaletteColour made_up(MadeUpPalette()), greys(ramp), cramped(MadeUpPalette(), 512), reordered(swapped);
    std::mt19937 random(7);
    // Five rows of 100 pixels, handed over in another order than they lie in:
    // the first ends where the readable memory does.
    constexpr std::size_t kRowBytes = 3 * 100;
    std::vector<std::uint8_t> bytes(5 * kRowBytes);
    for (std::uint8_t& byte : bytes) byte = static_cast<std::uint8_t>(random());
    const BytesBeforeAGuardPage guarded(bytes);
    std::array<const std::uint8_t*, 5> rows;
    for (std::size_t r = 0; r < rows.size(); ++r) rows[r] = guarded.Bytes().data() + std::array{4, 1, 3, 0, 2}[r] * kRowBytes;
    for (const auto& [palette, nearest] : {std::pair{BuiltinTexturePalette(), &BuiltinNearestColour()}, {MadeUpPalette(), &made_up}, {ramp, &greys},
                                             {MadeUpPalette(), &cramped}, {swapped, &reordered}}) {
        using enum NearestPaletteColour::Width;
        // Pixels anywhere, or every pixel or every fourth from a byte on, as
        // a picture of the texture's width or four times it gives them, up
        // to the row's end; one of them, odd, may lie elsewhere, as at 62
        // bytes from its group's first pixel: just past what one read of 64
        // bytes from there holds whole.
        struct Run {
            unsigned count;
            NearestPaletteColour::Width width;
            std::uint32_t step = 0, from = 0;  // step 0: anywhere
            unsigned odd = 0;
            std::uint32_t odd_at = 15;
            std::size_t rows = 1;
        };
        for (const Run& run : {Run{0u, kWidest}, {1u, kWidest}, {7u, kWidest}, {8u, kWidest}, {13u, kWidest}, {256u, kWidest}, {300u, kWidest},
                               {13u, kOnePixel}, {300u, kOnePixel}, {96u, kWidest, 3, 12}, {100u, kWidest, 3, 0}, {88u, kWidest, 3, 29},
                               {24u, kWidest, 12, 13}, {25u, kWidest, 12, 0}, {100u, kWidest, 3, 0, 39}, {100u, kWidest, 3, 0, 6},
                               {100u, kWidest, 3, 0, 6, 62}, {25u, kWidest, 12, 0, 20}, {300u, kEightByGathers}, {13u, kEightByGathers},
                               {300u, kEightByLoads}, {13u, kEightByLoads}, {300u, kSixteenByGathers}, {13u, kSixteenByGathers},
                               {300u, kSixteenByLoads}, {13u, kSixteenByLoads}, {300u, kWidest, 0, 0, 0, 15, 5}, {1100u, kWidest, 0, 0, 0, 15, 2},
                               {100u, kSixteenByLoads, 3, 0, 0, 15, 5}, {13u, kEightByLoads, 0, 0, 0, 15, 5}, {7u, kOnePixel, 0, 0, 0, 15, 5}}) {
            const unsigned count = run.count;
            const auto width = run.width;
            SCOPED_TRACE(testing::Message() << count << " pixels, way " << static_cast<int>(width) << ", step " << run.step << ", rows " << run.rows);
            std::vector<std::uint32_t> offsets(count);
            for (std::size_t i = 0; i < count; ++i) offsets[i] = run.step ? run.from + run.step * static_cast<std::uint32_t>(i) : random() % 100 * 3;
            if (count > 0 && run.step == 0) offsets[count - 1] = 99 * 3;  // its last byte is the row's
            if (run.odd) offsets[run.odd] = run.odd_at;
            std::vector<std::uint8_t> out(count * run.rows + 1, 0xEE);
            if (run.rows == 1) {
                nearest->MapBgrPixels({rows[0], kRowBytes}, offsets.data(), count, out.data(), width);
            } else {
                nearest->MapBgrRows({rows.data(), run.rows}, kRowBytes, NearestPaletteColour::RowOffsets(offsets), out.data(), width);
            }
            for (std::size_t r = 0; r < run.rows; ++r) {
                for (std::size_t i = 0; i < count; ++i) {
                    const std::uint8_t* pixel = rows[r] + offsets[i];
                    ASSERT_EQ(out[r * count + i], BruteForceNearest(palette, {pixel[2], pixel[1], pixel[0]})) << "row " << r << ", pixel " << i;
                }
            }
            EXPECT_EQ(out[count * run.rows], 0xEE);
        }
    }
}

// Where the processor can, the widest search works out the texture
// palette's entries by arithmetic, sixteen colours together, and skips the
// greys for a group where none can be nearest. Every colour of the cube, each
// alone in whole groups of sixteen (so that it decides that for itself), and
// side by side with its neighbours, gets the entry the table gives one pixel
// at a time; so does the table read eight at a time, either way.
TEST(Conversion, EveryColourGetsItsNearestEntryOfTheTexturePalette) {
    const NearestPaletteColour& nearest = BuiltinNearestColour();
    std::vector<std::uint32_t> side_by_side(256), alone(16 * 256);
    for (std::uint32_t i = 0; i < alone.size(); ++i) alone[i] = 3 * (i / 16);
    for (std::uint32_t i = 0; i < side_by_side.size(); ++i) side_by_side[i] = 3 * i;
    std::array<std::uint8_t, 3 * 256> row;  // the 256 blues of one red and green
    std::array<std::uint8_t, 256> expected, found;
    std::vector<std::uint8_t> found_alone(alone.size());
    for (std::uint32_t red_green = 0; red_green < 1u << 16; ++red_green) {
        for (std::size_t blue = 0; blue < 256; ++blue) {
            row[3 * blue] = static_cast<std::uint8_t>(blue);
            row[3 * blue + 1] = static_cast<std::uint8_t>(red_green);
            row[3 * blue + 2] = static_cast<std::uint8_t>(red_green >> 8);
        }
        nearest.MapBgrPixels(row, side_by_side.data(), side_by_side.size(), expected.data(), NearestPaletteColour::Width::kOnePixel);
        nearest.MapBgrPixels(row, side_by_side.data(), side_by_side.size(), found.data());
        nearest.MapBgrPixels(row, alone.data(), alone.size(), found_alone.data());
        int wrong = 0;
        for (std::size_t i = 0; i < alone.size(); ++i) wrong += found_alone[i] != expected[i / 16];
        ASSERT_EQ(wrong, 0) << "alone; red " << (red_green >> 8) << ", green " << (red_green & 0xFF);
        ASSERT_EQ(found, expected) << "red " << (red_green >> 8) << ", green " << (red_green & 0xFF);
        for (const auto way : {NearestPaletteColour::Width::kEightByLoads, NearestPaletteColour::Width::kEightByGathers}) {
            nearest.MapBgrPixels(row, side_by_side.data(), side_by_side.size(), found.data(), way);
            ASSERT_EQ(found, expected) << "way " << static_cast<int>(way) << "; red " << (red_green >> 8) << ", green " << (red_green & 0xFF);
        }
    }
}

// A palette that differs from the texture palette's shape in one entry, of
// the cube or of the greys, in one channel or (a grey of another level) in
// all three, is searched exactly: the changed entry's own colour, sixteen
// times over, gets that entry, and random colours their nearest.
TEST(Conversion, APaletteOneEntryAwayFromTheTexturePalettesShapeIsSearchedExactly) {
    std::mt19937 random(11);
    for (const auto& [entry, channels] : {std::pair{100, 1}, {100, 2}, {100, 4}, {230, 1}, {230, 2}, {230, 4}, {230, 7}}) {
        SCOPED_TRACE(testing::Message() << "entry " << entry << ", channels " << channels);
        TexturePalette palette = BuiltinTexturePalette();
        for (int channel = 0; channel < 3; ++channel) {
            if (channels >> channel & 1) palette[entry * 4 + channel] = static_cast<std::uint8_t>(palette[entry * 4 + channel] + 30);
        }
        const NearestPaletteColour nearest(palette);
        std::array<std::uint8_t, 3 * 64> row;
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = i < 3 * 16 ? palette[entry * 4 + i % 3] : static_cast<std::uint8_t>(random());
        std::array<std::uint32_t, 64> offsets;
        for (std::uint32_t i = 0; i < offsets.size(); ++i) offsets[i] = 3 * i;
        std::array<std::uint8_t, 64> found;
        nearest.MapBgrPixels(row, offsets.data(), offsets.size(), found.data());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const std::uint8_t* pixel = &row[3 * i];
            ASSERT_EQ(found[i], BruteForceNearest(palette, {pixel[2], pixel[1], pixel[0]})) << "pixel " << i;
        }
        EXPECT_EQ(found[0], entry);
    }
}

// The first colour asked of a search works out the part of its table
// around it, and gets its answer from what was just worked out.
TEST(Conversion, TheFirstColourAskedOfASearchGetsItsNearestColour) {
    std::mt19937 random(5);
    for (int i = 0; i < 500; ++i) {
        const NearestPaletteColour fresh(BuiltinTexturePalette());
        const std::uint32_t colour = random() & 0xFFFFFF;
        ASSERT_EQ(fresh.Find(colour), BruteForceNearest(BuiltinTexturePalette(), {int(colour >> 16), int(colour >> 8 & 0xFF), int(colour & 0xFF)}))
            << std::hex << colour;
    }
}

// A search works out its table as colours come. Threads that share one, each
// asking for colours in its own order, get what a search used by one thread
// alone gives, whose answers the test above holds to the whole palette's.
TEST(Conversion, ASearchSharedByThreadsAnswersAsOneUsedAlone) {
    const TexturePalette palette = MadeUpPalette();
    const NearestPaletteColour alone(palette);
    const NearestPaletteColour shared(palette);
    constexpr int kThreads = 4;
    std::vector<std::vector<std::uint32_t>> colours(kThreads);
    std::vector<std::vector<std::uint8_t>> found(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        std::mt19937 random(static_cast<unsigned>(t));
        for (int i = 0; i < 100000; ++i) colours[t].push_back(random() & 0xFFFFFF);
    }
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (const std::uint32_t colour : colours[t]) found[t].push_back(shared.Find(colour));
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        for (std::size_t i = 0; i < colours[t].size(); ++i) {
            ASSERT_EQ(found[t][i], alone.Find(colours[t][i])) << "thread " << t << ", colour " << std::hex << colours[t][i];
        }
    }
}

// Of a table that differs from the palette only in entry 77's red, only the
// pixels of that entry are mapped to the nearest colour.
TEST(Conversion, SourceInTheTexturePaletteKeepsEveryIndexEvenWhenColoursRepeat) {
    TexturePalette repeated = BuiltinTexturePalette();
    std::memcpy(&repeated[200 * 4], &repeated[3 * 4], 4);  // entry 200 repeats entry 3
    TexturePalette table = repeated;
    table[77 * 4 + 2] ^= 0x80;
    for (int entry = 0; entry < 256; ++entry) table[entry * 4 + 3] = 0xA5;  // not part of the colour
    const std::uint8_t nearest = BruteForceNearest(repeated, {table[77 * 4 + 2], table[77 * 4 + 1], table[77 * 4]});
    ASSERT_NE(nearest, 77);
    const PackedDib source = MakeDib(InfoHeader(256, 256, 8), table, PatternBytes(kTexturePixelBytes, 5));
    std::optional<PackedDib> texture = ConvertToTexture(source, repeated);
    ASSERT_TRUE(texture);
    std::vector<std::uint8_t> expected(source.Pixels().begin(), source.Pixels().end());
    std::replace(expected.begin(), expected.end(), std::uint8_t{77}, nearest);
    EXPECT_TRUE(std::ranges::equal(expected, texture->Pixels()));
}

}  // namespace
