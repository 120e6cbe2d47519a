// The readers: the BMP variants that the paint tools' own files (converted by
// scripts/check_tool_bitmaps.py) do not show, each built here byte by byte and
// read into the one held form with every pixel checked; the run-length escapes;
// and every file the readers refuse, with what the user is told.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <bit>
#include <set>
#include <thread>
#include "cli/fixed_palette.h"
#include "core/bitmap_file.h"
#include "core/bitmap_to_texture.h"
#include "core/builtin_nearest_colour.h"
#include "core/builtin_palette.h"
#include "core/column_picking.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "image_test_support.h"
#include "platform/piece_reads.h"
#include "tests/unit/guarded_bytes.h"

namespace {

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kFields = 3, kJpeg = 4, kPng = 5, kAlphaFields = 6;
constexpr std::int32_t kWidth = 7, kHeight = 5;

// One file to build: info header size, depth, compression, masks (red, green,
// blue, alpha), row order, colour count, bytes between table and pixels, and
// planes (a plain file's count a reader keeps; the others are read as one).
struct Variant {
    const char* name;
    std::uint32_t header_size;
    std::uint16_t bits;
    std::uint32_t compression = 0;
    std::array<std::uint32_t, 4> masks = {};
    bool top_down = false;
    std::uint32_t colours_used = 0;
    int gap = 0;  // -1: bfOffBits 0, the pixels right behind the table
    std::uint16_t planes = 1;
};

void Put(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count = 4) {
    for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// The whole file: file header (bfSize is never looked at), info header of the
// variant's size with the masks inside it from 52 bytes on or behind a
// 40-byte one, colour table, a gap of 0xEE bytes, pixel bytes.
std::vector<std::uint8_t> VariantFile(const Variant& v, std::int32_t width, std::int32_t height, std::span<const std::uint8_t> table,
                                      std::span<const std::uint8_t> pixels) {
    std::vector<std::uint8_t> info;
    Put(info, v.header_size);
    const int field_bytes = v.header_size == 12 ? 2 : 4;
    Put(info, static_cast<std::uint32_t>(width), field_bytes);
    Put(info, static_cast<std::uint32_t>(v.top_down ? -height : height), field_bytes);
    Put(info, v.planes, 2);
    Put(info, v.bits, 2);
    if (v.header_size > 12) {
        for (std::uint32_t field : {v.compression, 0u, 2835u, 2835u, v.colours_used, 0u}) Put(info, field);
        const bool fields = v.compression == kFields || v.compression == kAlphaFields;
        if ((v.header_size > 40 && v.header_size != 64) || (fields && v.header_size == 40)) {
            for (int i = 0; i < 3; ++i) Put(info, v.masks[i]);
            if (v.header_size > 52 || v.compression == kAlphaFields) Put(info, v.masks[3]);
        }
        if (v.header_size == 124) Put(info, 0x73524742);  // "sRGB", as ImageMagick writes
        info.resize(std::max<std::size_t>(info.size(), v.header_size));
    }
    return BuildBitmapFile({info, {table.begin(), table.end()}, std::vector<std::uint8_t>(static_cast<std::size_t>(std::max(v.gap, 0)), 0xEE),
                            {pixels.begin(), pixels.end()}, v.gap < 0 ? 0 : kFromTheParts, 12345});
}

// A channel of a bit-field pixel at 8 bits: its bits repeated below it (the
// binary fraction value / (2^width - 1)), or its top 8 bits when wider.
int Channel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0) return 0;
    const int width = std::popcount(mask);
    const std::uint32_t bits = (value & mask) >> std::countr_zero(mask);
    if (width > 8) return static_cast<int>(bits >> (width - 8));
    return static_cast<int>(std::min<std::uint32_t>(255, bits * 256 / ((1u << width) - 1)));
}

// Refuses every block larger than the limit while in place, and notes the
// largest size anybody asked for and how many new blocks were asked for.
class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t limit) : previous_(SetDibReallocator(&Reallocate)) {
        limit_ = limit;
        largest_ = 0;
        new_blocks_ = 0;
    }
    ~AllocationLimit() { SetDibReallocator(previous_); }
    static std::size_t largest() { return largest_; }
    // The new blocks asked for since the last call.
    static std::size_t TakeNewBlocks() { return std::exchange(new_blocks_, 0); }

private:
    static void* Reallocate(void* block, std::size_t size) {
        if (size > largest_) largest_ = size;
        new_blocks_ += block == nullptr ? 1 : 0;
        return size > limit_ ? nullptr : std::realloc(block, size);
    }
    static inline std::size_t limit_ = 0;
    static inline std::size_t largest_ = 0;
    static inline std::size_t new_blocks_ = 0;
    DibReallocator previous_;
};

class ReadingTest : public ::testing::Test {
protected:
    std::string Store(const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder_ / "picture.bmp";
        WriteWholeFile(path, bytes);
        return path;
    }
    // The held image's header is the one form: 40 bytes, one plane, bottom-up, uncompressed, sized exactly.
    static void ExpectHeldForm(const PackedDib& dib, std::int32_t width, std::int32_t height) {
        const BitmapInfoHeader h = dib.Header();
        EXPECT_EQ(std::tie(h.biSize, h.biWidth, h.biHeight, h.biPlanes, h.biCompression), std::make_tuple(40u, width, height, 1, 0u));
        EXPECT_EQ(dib.size(), DibImageBytes(h).value_or(0));
        EXPECT_TRUE(h.biSizeImage == 0 || h.biSizeImage == dib.Pixels().size()) << "biSizeImage " << h.biSizeImage;
        EXPECT_TRUE(std::set<int>({1, 4, 8, 16, 24, 32}).contains(h.biBitCount)) << h.biBitCount;
    }

    ScratchFolder folder_;
};

TEST_F(ReadingTest, EveryVariantReadsEveryPixel) {
    const Variant variants[] = {
        {"2-bit", 40, 2},
        {"4-bit, colour count 0 as Paint writes it", 40, 4},
        {"2-bit, 3 colours, top-down", 40, 2, 0, {}, true, 3},
        {"8-bit, 16 colours, pixels behind a gap", 40, 8, 0, {}, false, 16, 30},
        {"8-bit, 16 colours, bfOffBits 0", 40, 8, 0, {}, false, 16, -1},
        {"16-bit top-down", 40, 16, 0, {}, true},
        {"32-bit top-down", 40, 32, 0, {}, true},
        {"OS/2 1.x 1-bit", 12, 1},
        {"OS/2 1.x 8-bit", 12, 8},
        {"OS/2 2.x 8-bit", 64, 8},
        {"V5 8-bit top-down", 124, 8, 0, {}, true},
        {"fields 5-6-5", 40, 16, kFields, {0xF800, 0x07E0, 0x001F}},
        {"fields 5-6-5, 2 planes", 40, 16, kFields, {0xF800, 0x07E0, 0x001F}, false, 0, 0, 2},
        {"fields 5-5-5 as plain", 40, 16, kFields, {0x7C00, 0x03E0, 0x001F}},
        {"fields 1-5-5-5 with alpha", 40, 16, kAlphaFields, {0x7C00, 0x03E0, 0x001F, 0x8000}},
        {"fields 10-10-10", 40, 32, kFields, {0x3FF00000, 0x000FFC00, 0x000003FF}},
        {"fields 8-8-8 as plain", 40, 32, kFields, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"fields blue high, no green", 40, 32, kFields, {0x000000FF, 0, 0xFF000000}},
        {"alpha fields 8-8-8-8", 40, 32, kAlphaFields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V2 5-6-5", 52, 16, kFields, {0xF800, 0x07E0, 0x001F}},
        {"V3 4-4-4-4 top-down", 56, 16, kFields, {0x0F00, 0x00F0, 0x000F, 0xF000}, true},
        {"V4 3-3-2", 108, 16, kFields, {0x00E0, 0x001C, 0x0003, 0xFF00}},
        {"V5 1-bit channels", 124, 32, kFields, {0x4, 0x2, 0x1}},
        {"24-bit with the largest table, 16383 colours", 40, 24, 0, {}, false, 16383},
    };
    unsigned seed = 100;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::size_t entry_bytes = v.header_size == 12 ? 3 : 4;
        const std::uint32_t entries = v.colours_used ? v.colours_used : v.bits <= 8 ? 1u << v.bits : 0;
        const std::vector<std::uint8_t> table = PatternBytes(entries * entry_bytes, seed += 2);
        const bool fields = v.compression == kFields || v.compression == kAlphaFields;
        const std::array<std::uint32_t, 4> masks = fields         ? v.masks
                                                   : v.bits == 16 ? std::array<std::uint32_t, 4>{0x7C00, 0x03E0, 0x001F}
                                                                  : std::array<std::uint32_t, 4>{0xFF0000, 0x00FF00, 0x0000FF};
        // Random rows, padding and unused bits included.
        const std::size_t stride = (kWidth * v.bits + 31) / 32 * 4;
        const std::vector<std::uint8_t> rows = PatternBytes(stride * kHeight, seed + 1);
        const std::string path = Store(VariantFile(v, kWidth, kHeight, table, rows));
        const Result<PackedDib> dib = ReadBitmapFile(path.c_str());
        ASSERT_TRUE(dib) << Shown(dib).caption;
        ExpectHeldForm(*dib, kWidth, kHeight);
        // The colour table is kept, widened to four bytes an entry.
        std::vector<std::uint8_t> widened;
        for (std::size_t i = 0; i < table.size(); i += entry_bytes) {
            widened.insert(widened.end(), {table[i], table[i + 1], table[i + 2], entry_bytes == 4 ? table[i + 3] : std::uint8_t{0}});
        }
        const std::span<const std::uint8_t> held_table = dib->ColorTable();
        EXPECT_TRUE(std::ranges::equal(held_table.first(std::min(held_table.size(), widened.size())), widened));
        int wrong = 0;
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const std::uint32_t value = ValueInRow(&rows[(v.top_down ? y : kHeight - 1 - y) * stride], x, v.bits);
                std::array<int, 3> colour{};  // an index past the table is black
                if (v.bits > 8) {
                    colour = {Channel(value, masks[0]), Channel(value, masks[1]), Channel(value, masks[2])};
                } else if (value < entries) {
                    colour = {table[value * entry_bytes + 2], table[value * entry_bytes + 1], table[value * entry_bytes]};
                }
                wrong += ColourAt(*dib, x, y) != colour;
                if (v.bits <= 8) wrong += ValueAt(*dib, x, y) != value;  // the index itself is kept
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Streams of every escape, drawn on a 4 x 3 picture of 8-bit (or 4-bit) indices.
TEST_F(ReadingTest, RunLengthStreamsDecodeEveryEscapeAndNeverWriteOutside) {
    const struct {
        const char* name;
        bool four_bits;
        std::vector<std::uint8_t> bytes;
        const char* expected;  // rows top first, one hex digit a pixel
        bool top_down = false;
    } streams[] = {
        {"runs and ends of line", false, {2, 5, 2, 6, 0, 0, 4, 7, 0, 0, 1, 9, 0, 1}, "9000 7777 5566"},
        {"a top-down file's first row is the top", false, {2, 5, 2, 6, 0, 0, 4, 7, 0, 0, 1, 9, 0, 1}, "5566 7777 9000", true},
        {"absolute runs padded to words", false, {0, 3, 1, 2, 3, 0xEE, 1, 4, 0, 0, 0, 4, 5, 6, 7, 8, 0, 1}, "0000 5678 1234"},
        {"delta right and up", false, {1, 1, 0, 2, 2, 1, 1, 2, 0, 0, 1, 3, 0, 1}, "3000 0002 1000"},
        {"delta past the right edge drops the row's rest", false, {1, 1, 0, 2, 9, 0, 3, 2, 0, 0, 1, 3, 0, 1}, "0000 3000 1000"},
        {"delta past the top ends the picture", false, {1, 1, 0, 2, 0, 7, 4, 9, 0, 1}, "0000 0000 1000"},
        {"run past the end of the row is cut, not wrapped", false, {7, 4, 0, 3, 1, 2, 3, 0, 0, 0, 1, 5}, "0000 5000 4444"},
        {"absolute run past the end of the row", false, {0, 6, 1, 2, 3, 4, 5, 6, 1, 7, 0, 1}, "0000 0000 1234"},
        {"rows past the end of the picture", false, {4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 0, 4, 4, 0, 0, 4, 5}, "3333 2222 1111"},
        {"stream cut inside a run", false, {4, 1, 0, 0, 3}, "0000 0000 1111"},
        {"stream cut inside an absolute run", false, {0, 4, 1, 2}, "0000 0000 1200"},
        {"stream cut inside a delta", false, {2, 1, 0, 2, 1}, "0000 0000 1100"},
        {"empty picture marker only", false, {0, 1}, "0000 0000 0000"},
        {"bytes after the end of the picture", false, {4, 1, 0, 1, 0, 0, 4, 2}, "0000 0000 1111"},
        {"4-bit runs alternate high and low", true, {3, 0x12, 0, 0, 4, 0xAB, 0, 1}, "0000 abab 1210"},
        {"4-bit absolute runs padded to words", true, {0, 3, 0x12, 0x30, 1, 0xF0, 0, 0, 0, 4, 0x56, 0x78, 0, 1}, "0000 5678 123f"},
        {"4-bit absolute run of 5 needs a pad byte", true, {0, 5, 0x12, 0x34, 0x50, 0xEE, 0, 0, 1, 0x70, 0, 1}, "0000 7000 1234"},
    };
    for (const auto& s : streams) {
        SCOPED_TRACE(s.name);
        const Variant v{"", 40, static_cast<std::uint16_t>(s.four_bits ? 4 : 8), s.four_bits ? kRle4 : kRle8, {}, s.top_down};
        const Result<PackedDib> dib = ReadBitmapFile(Store(VariantFile(v, 4, 3, PatternBytes(4u << v.bits, 1), s.bytes)).c_str());
        ASSERT_TRUE(dib) << Shown(dib).caption;
        ExpectHeldForm(*dib, 4, 3);
        std::string held;
        for (std::int32_t y = 0; y < 3; ++y) {
            held += y ? " " : "";
            for (std::int32_t x = 0; x < 4; ++x) held += "0123456789abcdef"[ValueAt(*dib, x, y)];
        }
        EXPECT_EQ(held, s.expected);
    }
}

// A bitmap file of header and 2048 bytes of pixels, with biPlanes set to planes.
std::vector<std::uint8_t> Headed(const BitmapInfoHeader& header, std::uint16_t planes = 1) {
    BitmapInfoHeader changed = header;
    changed.biPlanes = planes;
    return BuildBitmapFile({changed, {}, {}, PatternBytes(2048, 12)});
}

std::vector<std::uint8_t> Changed(std::vector<std::uint8_t> file, std::size_t at, std::uint8_t byte, std::size_t length) {
    file[at] = byte;
    file.resize(std::min(file.size(), length));
    return file;
}

// Every refusal of both readers: the text, caption and icon the user is told
// (@ stands for the file's path), and that nothing larger than the header and
// colour table was asked for before the file was known to be good.
TEST_F(ReadingTest, EveryRefusalTellsWhyAndAllocatesNoMoreThanTheHeaderAndTable) {
    const auto cut = BuildBitmapFile({InfoHeader(4, 4, 8, 4), PatternBytes(16, 8), {}, PatternBytes(16, 9)});
    const auto small = BuildBitmapFile({InfoHeader(2, 2, 24), {}, {}, PatternBytes(16, 11)});
    const auto texture = PatternBytes(kTexturePixelBytes, 4);
    const auto big = InfoHeader(8192, 8192, 32);
    const auto v = [](const Variant& variant, std::size_t pixel_bytes = 64, std::int32_t side = 64) {
        const std::size_t table = variant.bits <= 8 ? 4u << variant.bits : 0;
        return VariantFile(variant, side, side, PatternBytes(table, 2), PatternBytes(pixel_bytes, 3));
    };
    const struct {
        const char* name;
        std::optional<std::vector<std::uint8_t>> file;  // nothing: no such file
        const char* text;
        const char* caption;
        std::size_t largest;  // the largest block asked for
        std::size_t limit = std::size_t{1} << 30;  // blocks above it are refused
        bool af = false;
        bool palette = true;
    } rows[] = {
        {"no file", std::nullopt, "Error opening file", "@", 0},
        {"signature B", Changed(small, 0, 'C', 99), "@", "Not a recognised BMP format file!", 0},
        {"reserved 2", Changed(small, 9, 1, 99), "@", "Not a recognised BMP format file!", 0},
        {"OS/2 array", Changed(v({"", 12, 8}), 1, 'A', 999), "@", "OS/2 style BMPs Not Supported", 0},
        // Cut inside the file header, text and caption swap.
        {"cut in the file header", Changed(cut, 0, 'B', 10), "Error reading file", "@", 0},
        {"cut in the info header", Changed(cut, 0, 'B', 30), "@", "Error reading file", 44},
        {"cut in the colour table", Changed(cut, 0, 'B', 60), "@", "BMP colour table outside the file!", 56},
        {"cut in the pixels", Changed(cut, 0, 'B', 80), "@", "Error reading file", 72},
        {"zero height", Headed(InfoHeader(16, 0, 8)), "@", "BMPs without pixels Not Supported", 44},
        {"zero width", Headed(InfoHeader(0, 16, 8)), "@", "BMPs without pixels Not Supported", 44},
        {"no planes", Headed(InfoHeader(16, 16, 8), 0), "@", "BMPs without pixels Not Supported", 44},
        {"0 bits", Headed(InfoHeader(16, 16, 0)), "@", "BMP bit depth Not Supported", 44},
        {"257 colours", Headed(InfoHeader(16, 16, 8, 257)), "@", "BMP colour table Not Supported", 44},
        {"5 colours at 2 bits", v({"", 40, 2, 0, {}, false, 5}), "@", "BMP colour table Not Supported", 44},
        {"16384 colours at 24 bits", Headed(InfoHeader(16, 16, 24, 16384)), "@", "BMP colour table Not Supported", 44},
        {"widest 32 bits", Headed(InfoHeader(0x7FFFFFFF, 16, 32)), "@", "BMP too large!", 44},
        {"lowest height", Headed(InfoHeader(16, INT32_MIN, 8)), "@", "BMP too large!", 44},
        {"a row too many", Headed(InfoHeader(8192, 8193, 32)), "@", "BMP too large!", 44},
        {"planes times width", Headed(InfoHeader(0x10000, 16, 32), 0xFFFF), "@", "BMP too large!", 44},
        {"5-6-5 too large once widened", v({"", 124, 16, kFields, {0xF800, 0x07E0, 0x001F}}, 64, 11000), "@", "BMP too large!", 44},
        // Exactly 256 MiB of pixel rows is within the ceiling: the block is asked for.
        {"largest accepted", Headed(big), "@", "Failed to allocate memory for DIB!", 40 + (256u << 20), 1 << 20},
        {"no room for the header", small, "@", "Failed to allocate memory for DIB !", 44, 43},
        {"shortened OS/2 2.x header", v({"", 16, 24}), "@", "OS/2 style BMPs Not Supported", 44},
        {"unknown header size", v({"", 200, 24}), "@", "BMP header size Not Supported", 44},
        {"JPEG inside", v({"", 124, 0, kJpeg}), "@", "JPEG BMPs Not Supported", 44},
        {"PNG inside", v({"", 124, 0, kPng}), "@", "PNG BMPs Not Supported", 44},
        {"64-bit", v({"", 124, 64}), "@", "64-bit BMPs Not Supported", 44},
        {"OS/2 Huffman", v({"", 64, 4, kFields}), "@", "OS/2 Huffman BMPs Not Supported", 44},
        {"OS/2 Huffman, short header", v({"", 40, 1, kFields}), "@", "OS/2 Huffman BMPs Not Supported", 44},
        {"OS/2 RLE24", v({"", 64, 8, kJpeg}), "@", "OS/2 RLE24 BMPs Not Supported", 44},
        {"24-bit JPEG in a Windows header", v({"", 40, 24, kJpeg}), "@", "OS/2 RLE24 BMPs Not Supported", 44},
        {"RLE8 at 4 bits", v({"", 40, 4, kRle8}), "@", "Compressed BMPs Not Supported", 44},
        {"fields at 24 bits", v({"", 40, 24, kFields, {0xFF0000, 0xFF00, 0xFF}}), "@", "Compressed BMPs Not Supported", 44},
        {"CMYK", v({"", 40, 32, 11}), "@", "Compressed BMPs Not Supported", 44},
        {"mask with a gap", v({"", 40, 16, kFields, {0xF00F, 0x0FF0, 0}}), "@", "BMP colour masks Not Supported", 44},
        {"masks that overlap", v({"", 124, 32, kFields, {0xFF0000, 0x01FF00, 0xFF}}), "@", "BMP colour masks Not Supported", 44},
        {"mask beyond 16 bits", v({"", 56, 16, kFields, {0x1F0000, 0x07E0, 0x1F}}), "@", "BMP colour masks Not Supported", 44},
        {"no pixels at all", v({"", 40, 8}, 0), "@", "BMP pixels outside the file!", 40 + 1024},
        {"pixels inside the V5 header", Changed(v({"", 124, 24}), 10, 54, 99999), "@", "BMP pixels inside the headers!", 44},
        {"pixels inside the masks", Changed(v({"", 40, 16, kFields, {0xF800, 0x07E0, 0x001F}}), 10, 62, 99999), "@",
         "BMP pixels inside the headers!", 44},
        {"pixels inside the colour table", Changed(cut, 10, 69, 99), "@", "BMP pixels inside the headers!", 44},
        {"no AF file", std::nullopt, "@", "Error opening file !", 0, std::size_t{1} << 30, true},
        {".", std::vector<std::uint8_t>(), "@", "Error opening file !", 0, std::size_t{1} << 30, true},
        {"short AF", PatternBytes(65535, 3), "@", "Error reading file!", kTextureDibBytes, std::size_t{1} << 30, true},
        {"no room for the AF header", texture, "@", "Failed to allocate memory for AF !", 44, 43, true},
        {"no room for the AF pixels", texture, "@", "Failed to allocate memory for AF!", kTextureDibBytes, 44, true},
        {"no palette", texture, "Fatal error (PAL1)!", "Application error", kTextureDibBytes, std::size_t{1} << 30, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::optional<FixedPalette> palette;
        if (row.palette) palette.emplace(MadeUpPalette());
        const std::string path = row.name == std::string(".") ? folder_.Path().string() : folder_ / "refused";
        std::filesystem::remove(folder_ / "refused");
        if (row.file && path != folder_.Path().string()) WriteWholeFile(path, *row.file);
        {
            AllocationLimit limit(row.limit);
            ExpectMessage(Shown(row.af ? ReadTextureFile(path.c_str()) : ReadBitmapFile(path.c_str())), row.text, row.caption, kWarning, path);
            EXPECT_EQ(AllocationLimit::largest(), row.largest);
        }
    }
}

// An RLE stream of height rows of width pixels: runs, absolute runs and a delta, row after row.
std::vector<std::uint8_t> RunLengthRows(std::int32_t width, std::int32_t height) {
    std::vector<std::uint8_t> stream;
    const std::vector<std::uint8_t> noise = PatternBytes(static_cast<std::size_t>(height) * 8, 21);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* n = &noise[static_cast<std::size_t>(y) * 8];
        stream.insert(stream.end(), {static_cast<std::uint8_t>(n[0] | 1), n[1], 0, 6, n[2], n[3], n[4], n[5]});
        if (y % 7 == 3) stream.insert(stream.end(), {0, 2, 5, 0});  // five pixels to the right
        if (y % 50 == 20) stream.insert(stream.end(), {0, 2, 0, 3});  // three rows on, left empty
        for (std::int32_t x = 0; x < width; x += 200) stream.insert(stream.end(), {200, static_cast<std::uint8_t>(n[6] + x)});
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    return stream;
}

TEST_F(ReadingTest, LargeBitmapsKeepOnlyWhatTheTextureShowsAndConvertTheSame) {
    const struct {
        std::int32_t width, height;
        std::uint16_t bits;
        std::uint32_t compression = 0;
        std::uint32_t offset = kFromTheParts;  // 0: right after the table
        // Fewer bytes are read than when read whole: kept rows that lie
        // less than 32 KB apart are read in one call, with the rows between.
        bool fewer = false;
    } rows[] = {
        {301, 1000, 24}, {301, -1000, 24}, {301, 1000, 8, 0, 0}, {301, 513, 32, 0, 2000}, {1000, 300, 1}, {999, 999, 4},
        {700, 700, 2}, {700, -600, 16, kFields}, {900, 300, 32, kFields},
        {1500, 1000, 24}, {4000, 1100, 24, 0, kFromTheParts, true}, {6000, -1100, 16, kFields, kFromTheParts, true},
        {700, 600, 8, kRle8}, {1000, -300, 4, kRle4}, {200, 700, 8, kRle8},
        {257, 100, 4}, {256, 256, 24}, {100, 100, 24, 0, 0},
        {21852, 1, 24},  // one unpadded row, its last pixel kept, that ends its room
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.width << " x " << r.height << " of " << r.bits << " bits, compression " << r.compression);
        BitmapInfoHeader header = InfoHeader(r.width, r.height, r.bits);
        header.biCompression = r.compression;
        const std::vector<std::uint8_t> table = PatternBytes(r.bits <= 8 ? 4u << r.bits : r.compression == kFields ? 12 : 0, 5);
        std::vector<std::uint8_t> pixels;
        if (r.compression == kRle8 || r.compression == kRle4) {
            pixels = RunLengthRows(r.width, std::abs(r.height));
        } else {
            if (r.compression == kFields) {  // 5-6-5 or 10-10-10 masks in place of a table
                const std::array<std::uint32_t, 3> masks =
                    r.bits == 16 ? std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F} : std::array<std::uint32_t, 3>{0x3FF00000, 0xFFC00, 0x3FF};
                std::memcpy(const_cast<std::uint8_t*>(table.data()), masks.data(), 12);
            }
            pixels = PatternBytes(static_cast<std::size_t>(DibRowStride(header)) * std::size_t(std::abs(r.height)), 3);
        }
        const std::vector<std::uint8_t> gap(r.offset == 2000u ? 2000 - 54 : 0, 0xEE);
        const std::string path = folder_ / "large.bmp";
        WriteWholeFile(path, BuildBitmapFile({header, table, gap, pixels, r.offset}));

        // The platform's own reads, in pieces where it reads them together.
        const Result<PackedDib> in_pieces = ReadBitmapFileForSize(path.c_str(), 256, 256);
        CountedReads files;
        const Result<PackedDib> whole = ReadBitmapFile(path.c_str());
        const std::size_t whole_bytes = std::exchange(files.bytes_read, 0);
        files.bytes_announced = 0;
        bool kept_whole = false;
        files.pixels_from = 54 + table.size() + gap.size();
        const Result<PackedDib> shown = ReadBitmapFileForSize(path.c_str(), 256, 256, &kept_whole);
        ASSERT_TRUE(whole && shown && in_pieces);
        ExpectHeldForm(*shown, std::min(r.width, 256), std::min(std::abs(r.height), 256));
        EXPECT_TRUE(std::ranges::equal(in_pieces->Image(), shown->Image()));
        EXPECT_EQ(kept_whole, r.width <= 256 && std::abs(r.height) <= 256);
        EXPECT_EQ(files.bytes_read < whole_bytes / 2 + 1000, r.fewer) << files.bytes_read << " of " << whole_bytes;
        // Rows kept apart in the file are announced before they are read, so
        // that a file not in memory is fetched at once, not a row at a time;
        // run-length streams are read straight through.
        if (!kept_whole && r.compression != kRle8 && r.compression != kRle4) {
            EXPECT_EQ(files.unannounced_reads, 0u);
            EXPECT_LE(files.bytes_announced, whole_bytes);
        }
        const std::optional<PackedDib> from_whole = ConvertToTexture(*whole, BuiltinTexturePalette());
        const std::optional<PackedDib> from_shown = ConvertToTexture(*shown, BuiltinTexturePalette());
        ASSERT_TRUE(from_whole && from_shown);
        EXPECT_TRUE(std::ranges::equal(from_whole->Pixels(), from_shown->Pixels()));
        // Averaged from rows streamed one at a time as from the whole picture.
        for (const TextureOptions options : {TextureOptions{true, false}, TextureOptions{true, true}}) {
            const std::optional<PackedDib> averaged = ConvertToTexture(*whole, BuiltinTexturePalette(), options);
            const Result<PackedDib> streamed = ConvertBitmapFile(path.c_str(), BuiltinNearestColour(), options);
            ASSERT_TRUE(averaged && streamed);
            EXPECT_TRUE(std::ranges::equal(averaged->Image(), streamed->Image())) << "dither " << options.dither;
        }
    }
    // Cut short by a byte, in its last row, which stretching does not show, a
    // large file fails as when read whole ("cut in the pixels").
    std::vector<std::uint8_t> file = BuildBitmapFile({InfoHeader(300, -600, 24), {}, {}, PatternBytes(900u * 600u, 4)});
    file.pop_back();
    const std::string path = folder_ / "short.bmp";
    WriteWholeFile(path, file);
    ExpectMessage(Shown(ReadBitmapFileForSize(path.c_str(), 256, 256)), "@", "Error reading file", kWarning, path);
}

// The kept columns of a row of three-byte pixels, however they lie, are
// copied up to the row's last byte, past which nothing may be read, and
// nothing is written past the last pixel kept.
TEST(Reading, KeptColumnsOfThreeBytePixelsAreCopiedUpToTheRowsLastByte) {
    std::vector<std::uint8_t> bytes = PatternBytes(3 * 100, 11);
    const BytesBeforeAGuardPage guarded(bytes);
    const std::span<const std::uint8_t> row = guarded.Bytes();
    const auto spaced = [](std::int32_t from, std::int32_t step, std::int32_t count) {
        std::vector<std::int32_t> columns;
        for (std::int32_t i = 0; i < count; ++i) columns.push_back(from + step * i);
        return columns;
    };
    std::vector<std::int32_t> enlarged = spaced(90, 1, 10);  // the last pixel shown several times
    enlarged.insert(enlarged.end(), 7, 99);
    const std::vector<std::int32_t> uneven = {0, 0, 2, 5, 6, 13, 21, 22, 40, 41, 57, 63, 64, 80, 81, 97, 98, 99};
    for (const std::vector<std::int32_t>& columns : {spaced(3, 4, 25), spaced(69, 4, 8), spaced(1, 3, 33), spaced(0, 1, 100), spaced(92, 1, 8), spaced(99, 0, 1), enlarged, uneven}) {
        SCOPED_TRACE(testing::Message() << columns.size() << " columns from " << columns.front());
        std::vector<std::uint8_t> out(columns.size() * 3 + 1, 0xEE);
        PickColumns(row, 24, columns, out.data());
        for (std::size_t x = 0; x < columns.size(); ++x) {
            ASSERT_TRUE(std::equal(out.begin() + 3 * x, out.begin() + 3 * x + 3, bytes.begin() + 3 * columns[x])) << "pixel " << x;
        }
        EXPECT_EQ(out.back(), 0xEE);
    }
}

// A file of under 1 KB that claims 16384 x 16384 pixels converts holding only
// the rows and columns the texture shows: nothing larger than the texture.
// Averaged, it is read one row at a time, each row handed to the scaler, and
// takes as little: 64 white rows of 64 pixels in the middle, reached by
// jumps, make one texture pixel white; the rows jumped over and those never
// reached stay black.
TEST_F(ReadingTest, AHugeClaimOfAFewBytesConvertsInLittleMemoryWholeOrAveraged) {
    BitmapInfoHeader header = InfoHeader(16384, 16384, 8, 2);
    header.biCompression = kRle8;
    std::vector<std::uint8_t> stream;
    for (int jump = 0; jump < 32; ++jump) stream.insert(stream.end(), {0, 2, 0, 255});  // to row 8160 from the bottom
    for (int row = 0; row < 32; ++row) stream.insert(stream.end(), {0, 0});
    for (int row = 0; row < 64; ++row) stream.insert(stream.end(), {0, 2, 192, 0, 64, 1, 0, 0});  // columns 192 to 255 white
    stream.insert(stream.end(), {0, 1});
    const std::vector<std::uint8_t> file = BuildBitmapFile({header, {0, 0, 0, 0, 255, 255, 255, 0}, {}, stream});
    ASSERT_LT(file.size(), 1024u);
    const std::string path = folder_ / "claim.bmp";
    WriteWholeFile(path, file);
    AllocationLimit limit(8u << 20);
    const Result<PackedDib> shown = ReadBitmapFileForSize(path.c_str(), 256, 256);
    ASSERT_TRUE(shown);
    ExpectHeldForm(*shown, 256, 256);
    EXPECT_TRUE(ConvertToTexture(*shown, BuiltinTexturePalette()));
    EXPECT_EQ(AllocationLimit::largest(), kTextureDibBytes);
    const Result<PackedDib> averaged = ConvertBitmapFile(path.c_str(), BuiltinNearestColour(), {true, false});
    ASSERT_TRUE(averaged);
    EXPECT_LE(AllocationLimit::largest(), kTextureDibBytes);
    // Source rows 8192 to 8255 from the bottom are texture row 128 from the
    // bottom, source columns 192 to 255 its column 3.
    const std::span<const std::uint8_t> texture = averaged->Pixels();
    const std::size_t white = 128 * 256 + 3;
    EXPECT_NE(texture[white], texture[0]);
    EXPECT_EQ(std::count(texture.begin(), texture.end(), texture[0]), 65535);
}

// Pieces read together, more than are asked for in one call, in any order
// and of any size, each get exactly their bytes; a piece the file ends
// inside fails the whole read.
TEST_F(ReadingTest, PiecesOfAFileGetTheirBytesOrTheReadFails) {
    const std::vector<std::uint8_t> bytes = PatternBytes(300000, 9);
    const std::string path = Store(bytes);
    const std::unique_ptr<ReadableFile> file = Files().OpenForReading(path.c_str());
    ASSERT_TRUE(file);
    // One room, each piece followed by a byte no read may touch.
    constexpr std::uint8_t kUntouched = 0xA5;
    std::vector<std::uint8_t> room(150 * 9001, kUntouched);
    std::vector<FilePiece> pieces;
    for (std::size_t i = 0, used = 0; i < 150; ++i) {
        const std::uint64_t offset = (i * 7919 * 13) % 290000;  // scattered, not in order
        const std::size_t size = i % 10 == 0 ? 0 : i % 7 == 0 ? 1 : (i * 37) % 9000;
        pieces.push_back({offset, {room.data() + used, size}});
        used += size + 1;
    }
    const auto expected = [&](const FilePiece& piece) {
        return std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(piece.offset),
                                         bytes.begin() + static_cast<std::ptrdiff_t>(piece.offset + piece.into.size()));
    };
    EXPECT_TRUE(file->ReadPieces(pieces));
    for (const FilePiece& piece : pieces) {
        EXPECT_EQ(std::vector<std::uint8_t>(piece.into.begin(), piece.into.end()), expected(piece));
        EXPECT_EQ(*(piece.into.data() + piece.into.size()), kUntouched);
    }
    std::vector<std::uint8_t> last(10);
    for (const std::uint64_t offset : {299995u, 300000u, 400000u}) {
        std::vector<FilePiece> past_the_end = pieces;  // the bad one among the first asked for at once
        past_the_end.insert(past_the_end.begin() + 1, {offset, last});
        EXPECT_FALSE(file->ReadPieces(past_the_end)) << offset;
    }
}

// Whether a page is in memory, as the reads ask before they announce
// themselves, against what the pages of a mapping of the file say.
TEST_F(ReadingTest, APageIsSeenInMemoryExactlyWhenItIs) {
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), pages = 8;
    const std::string path = Store(PatternBytes(page * pages, 4));
    const int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::vector<std::uint8_t> bytes(page * pages);
    EXPECT_EQ(ReadFileAt(fd, 0, bytes), bytes.size());
    // The first half dropped from memory (where the file system can), the rest kept.
    EXPECT_EQ(fsync(fd), 0);
    EXPECT_EQ(posix_fadvise(fd, 0, static_cast<off_t>(page * pages / 2), POSIX_FADV_DONTNEED), 0);
    void* const mapped = mmap(nullptr, page * pages, PROT_READ, MAP_SHARED, fd, 0);
    std::vector<unsigned char> before(pages), after(pages);
    const bool told = PageInMemory(fd, 0).has_value();
    if (told && mapped != MAP_FAILED) {
        EXPECT_EQ(mincore(mapped, page * pages, before.data()), 0);
        std::vector<std::optional<bool>> answers;
        for (std::size_t p = 0; p < pages; ++p) answers.push_back(PageInMemory(fd, p * page + page / 2));
        EXPECT_EQ(mincore(mapped, page * pages, after.data()), 0);
        // A page the system let go of meanwhile (a virtual machine's may) says nothing.
        std::size_t compared_in_memory = 0;
        for (std::size_t p = 0; p < pages; ++p) {
            if ((before[p] & 1) != (after[p] & 1)) continue;
            EXPECT_EQ(answers[p], (before[p] & 1) != 0) << "page " << p;
            compared_in_memory += before[p] & 1;
        }
        EXPECT_GT(compared_in_memory, 0u);
    }
    EXPECT_NE(mapped, MAP_FAILED);
    if (mapped != MAP_FAILED) munmap(mapped, page * pages);
    close(fd);
    if (!told) GTEST_SKIP() << "this kernel cannot tell";
}

// The room rows are read into outlives the reading and serves the next one,
// whichever thread reads it: a batch's threads take turns, and each new
// block would fault in its pages again.
TEST_F(ReadingTest, TheRoomRowsAreReadIntoServesTheNextReadingOnAnyThread) {
    const std::string path = Store(BitmapFile(600, 1000, 24, {}, [](int x, int y) { return static_cast<std::uint32_t>(x * 7 ^ y); }));
    const auto read = [&] { EXPECT_TRUE(ReadBitmapFileForSize(path.c_str(), 256, 256)); };
    read();
    const AllocationLimit counting(SIZE_MAX);
    read();
    EXPECT_EQ(AllocationLimit::TakeNewBlocks(), 1u);  // the kept picture alone
    for (int i = 0; i < 3; ++i) {
        std::thread(read).join();
        EXPECT_EQ(AllocationLimit::TakeNewBlocks(), 1u);
    }
}

}  // namespace
