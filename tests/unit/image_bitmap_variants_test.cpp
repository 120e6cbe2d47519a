// The BMP variants paint programs write, each built here byte by byte and read
// into the one held form; every pixel is checked against the picture the file
// was made from.
#include <gtest/gtest.h>
#include "core/bitmap_file.h"
#include "image_test_support.h"

namespace {

constexpr std::uint32_t kRle8 = 1, kRle4 = 2, kFields = 3, kJpeg = 4, kPng = 5, kAlphaFields = 6;

struct Masks {
    std::uint32_t red = 0, green = 0, blue = 0, alpha = 0;
};

// One file to build: info header size, depth, compression, masks and row order.
struct Variant {
    const char* name;
    std::uint32_t header_size;
    std::uint16_t bits;
    std::uint32_t compression = 0;
    Masks masks = {};
    bool top_down = false;
    std::uint32_t colours_used = 0;
};

void Put16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    Put16(bytes, static_cast<std::uint16_t>(value));
    Put16(bytes, static_cast<std::uint16_t>(value >> 16));
}

// The whole file: file header, info header of the variant's size (masks inside
// it from 52 bytes on, behind a 40-byte one), colour table, pixel bytes.
std::vector<std::uint8_t> VariantFile(const Variant& v, std::int32_t width, std::int32_t height, std::span<const std::uint8_t> table,
                                      std::span<const std::uint8_t> pixels, std::uint32_t pixel_offset = 0xFFFFFFFF) {
    std::vector<std::uint8_t> info;
    Put32(info, v.header_size);
    if (v.header_size == 12) {
        Put16(info, static_cast<std::uint16_t>(width));
        Put16(info, static_cast<std::uint16_t>(height));
        Put16(info, 1);
        Put16(info, v.bits);
    } else {
        Put32(info, static_cast<std::uint32_t>(width));
        Put32(info, static_cast<std::uint32_t>(v.top_down ? -height : height));
        Put16(info, 1);
        Put16(info, v.bits);
        Put32(info, v.compression);
        for (std::uint32_t field : {0u, 2835u, 2835u, v.colours_used, 0u}) Put32(info, field);
        const bool fields = v.compression == kFields || v.compression == kAlphaFields;
        if ((v.header_size > 40 && v.header_size != 64) || (fields && v.header_size == 40)) {
            for (std::uint32_t mask : {v.masks.red, v.masks.green, v.masks.blue}) Put32(info, mask);
            if (v.header_size > 52 || v.compression == kAlphaFields) Put32(info, v.masks.alpha);
        }
        if (v.header_size == 124) Put32(info, 0x73524742);  // "sRGB", as ImageMagick writes
        info.resize(std::max<std::size_t>(info.size(), v.header_size));
    }
    std::vector<std::uint8_t> file{'B', 'M'};
    const std::uint32_t offset = pixel_offset != 0xFFFFFFFF ? pixel_offset : static_cast<std::uint32_t>(14 + info.size() + table.size());
    Put32(file, static_cast<std::uint32_t>(14 + info.size() + table.size() + pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    file.insert(file.end(), info.begin(), info.end());
    file.insert(file.end(), table.begin(), table.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};

// A channel of width bits at 8 bits: its bits repeated below it (the binary
// fraction value / (2^width - 1)), or its top 8 bits when wider.
int EightBitsOf(std::uint32_t value, int width) {
    if (width == 0) return 0;
    if (width > 8) return static_cast<int>(value >> (width - 8));
    return static_cast<int>(std::min<std::uint32_t>(255, value * 256 / ((1u << width) - 1)));
}

int MaskWidth(std::uint32_t mask) { return std::popcount(mask); }
int MaskShift(std::uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }

// A picture of one variant: the value stored for each pixel, top row first,
// and the colour it stands for.
struct Picture {
    std::int32_t width = 7, height = 5;
    std::vector<std::uint32_t> values;  // per pixel, top row first
    std::vector<std::uint8_t> table;    // as written in the file
    std::vector<Rgb> colours;           // per pixel, top row first
};

Picture MakePicture(const Variant& v, unsigned seed) {
    Picture picture;
    const std::size_t count = static_cast<std::size_t>(picture.width * picture.height);
    const std::vector<std::uint8_t> noise = PatternBytes(count * 4, seed);
    const std::size_t entry_bytes = v.header_size == 12 ? 3 : 4;
    const std::uint32_t entries = v.bits <= 8 ? (v.colours_used ? v.colours_used : 1u << v.bits) : 0;
    picture.table = PatternBytes(entries * entry_bytes, seed + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* n = &noise[i * 4];
        const std::uint32_t random = n[0] | n[1] << 8 | n[2] << 16 | std::uint32_t{n[3]} << 24;
        if (v.bits <= 8) {
            const std::uint32_t index = random % entries;
            picture.values.push_back(index);
            const std::uint8_t* entry = &picture.table[index * entry_bytes];
            picture.colours.push_back({entry[2], entry[1], entry[0]});
        } else if (v.bits == 24 || (v.bits == 32 && v.compression == 0)) {
            picture.values.push_back(random);  // blue, green, red, and a fourth byte that is ignored
            picture.colours.push_back({n[2], n[1], n[0]});
        } else {
            const Masks m = v.compression ? v.masks : Masks{0x7C00, 0x03E0, 0x001F};
            const std::uint32_t used = m.red | m.green | m.blue | m.alpha;
            const std::uint32_t value = random & used & (v.bits == 16 ? 0xFFFFu : 0xFFFFFFFFu);
            picture.values.push_back(value);
            auto channel = [&](std::uint32_t mask) { return EightBitsOf((value & mask) >> MaskShift(mask), MaskWidth(mask)); };
            picture.colours.push_back({channel(m.red), channel(m.green), channel(m.blue)});
        }
    }
    return picture;
}

// The pixel rows as the file stores them, in its row order.
std::vector<std::uint8_t> StoredRows(const Variant& v, const Picture& picture) {
    const std::size_t stride = (static_cast<std::size_t>(picture.width) * v.bits + 31) / 32 * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(picture.height), 0xA5);  // padding is anything
    for (std::int32_t y = 0; y < picture.height; ++y) {
        std::uint8_t* row = &rows[static_cast<std::size_t>(v.top_down ? y : picture.height - 1 - y) * stride];
        std::fill(row, row + (picture.width * v.bits + 7) / 8, 0);
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t value = picture.values[static_cast<std::size_t>(y * picture.width + x)];
            const std::size_t bit = static_cast<std::size_t>(x) * v.bits;
            if (v.bits < 8) {
                row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - v.bits - bit % 8));
            } else {
                for (unsigned byte = 0; byte < v.bits / 8u; ++byte) row[bit / 8 + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
            }
        }
    }
    return rows;
}

// The rows as an RLE stream of single-pixel runs, each row closed by an end of line.
std::vector<std::uint8_t> RunRows(const Variant& v, const Picture& picture) {
    std::vector<std::uint8_t> stream;
    for (std::int32_t row = 0; row < picture.height; ++row) {
        const std::int32_t y = v.top_down ? row : picture.height - 1 - row;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::uint32_t value = picture.values[static_cast<std::size_t>(y * picture.width + x)];
            stream.insert(stream.end(), {1, static_cast<std::uint8_t>(v.bits == 4 ? value << 4 : value)});
        }
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    return stream;
}

// What the held image shows at x, y (y from the top), and the index for palette images.
std::uint32_t HeldValue(const PackedDib& dib, std::int32_t x, std::int32_t y) {
    const BitmapInfoHeader h = dib.Header();
    const std::uint8_t* row = dib.Pixels().data() + static_cast<std::size_t>(h.biHeight - 1 - y) * static_cast<std::size_t>(DibRowStride(h));
    const std::size_t bit = static_cast<std::size_t>(x) * h.biBitCount;
    if (h.biBitCount < 8) return (row[bit / 8] >> (8 - h.biBitCount - bit % 8)) & ((1u << h.biBitCount) - 1);
    std::uint32_t value = 0;
    for (unsigned byte = 0; byte < h.biBitCount / 8u; ++byte) value |= std::uint32_t{row[bit / 8 + byte]} << (8 * byte);
    return value;
}

Rgb HeldColour(const PackedDib& dib, std::int32_t x, std::int32_t y) {
    const std::uint32_t value = HeldValue(dib, x, y);
    switch (dib.Header().biBitCount) {
        case 16: return {EightBitsOf(value >> 10 & 31, 5), EightBitsOf(value >> 5 & 31, 5), EightBitsOf(value & 31, 5)};
        case 24:
        case 32: return {static_cast<int>(value >> 16 & 255), static_cast<int>(value >> 8 & 255), static_cast<int>(value & 255)};
        default: {
            const std::uint8_t* entry = &dib.ColorTable()[value * 4];
            return {entry[2], entry[1], entry[0]};
        }
    }
}

class BitmapVariantTest : public ::testing::Test {
protected:
    std::string Store(const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder_ / "variant.bmp";
        WriteWholeFile(path, bytes);
        return path;
    }
    // The held image's header is the one form: 40 bytes, bottom-up, uncompressed, sized exactly.
    void ExpectHeldForm(const PackedDib& dib, std::int32_t width, std::int32_t height) {
        const BitmapInfoHeader h = dib.Header();
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, width);
        EXPECT_EQ(h.biHeight, height);
        EXPECT_EQ(h.biCompression, 0u);
        EXPECT_EQ(dib.size(), DibImageBytes(h).value_or(0));
        EXPECT_TRUE(h.biBitCount == 1 || h.biBitCount == 4 || h.biBitCount == 8 || h.biBitCount == 16 || h.biBitCount == 24 ||
                    h.biBitCount == 32);
    }

    RecordingSink sink_;
    ScratchFolder folder_;
};

TEST_F(BitmapVariantTest, EveryVariantReadsEveryPixel) {
    const Variant variants[] = {
        {"1-bit", 40, 1},
        {"2-bit", 40, 2},
        {"2-bit, 3 colours, top-down", 40, 2, 0, {}, true, 3},
        {"4-bit top-down", 40, 4, 0, {}, true},
        {"8-bit top-down", 40, 8, 0, {}, true},
        {"16-bit top-down", 40, 16, 0, {}, true},
        {"24-bit top-down", 40, 24, 0, {}, true},
        {"32-bit top-down", 40, 32, 0, {}, true},
        {"OS/2 1.x 1-bit", 12, 1},
        {"OS/2 1.x 4-bit", 12, 4},
        {"OS/2 1.x 8-bit", 12, 8},
        {"OS/2 1.x 24-bit", 12, 24},
        {"OS/2 2.x 8-bit", 64, 8},
        {"OS/2 2.x 24-bit", 64, 24},
        {"OS/2 2.x RLE4", 64, 4, kRle4},
        {"V4 8-bit", 108, 8},
        {"V5 8-bit top-down", 124, 8, 0, {}, true},
        {"V5 24-bit", 124, 24},
        {"V5 8-bit RLE8", 124, 8, kRle8},
        {"RLE8", 40, 8, kRle8},
        {"RLE8 top-down", 40, 8, kRle8, {}, true},
        {"RLE4 12 colours", 40, 4, kRle4, {}, false, 12},
        {"fields 5-6-5", 40, 16, kFields, {0xF800, 0x07E0, 0x001F}},
        {"fields 5-5-5 as plain", 40, 16, kFields, {0x7C00, 0x03E0, 0x001F}},
        {"fields 1-5-5-5 with alpha", 40, 16, kAlphaFields, {0x7C00, 0x03E0, 0x001F, 0x8000}},
        {"fields 10-10-10", 40, 32, kFields, {0x3FF00000, 0x000FFC00, 0x000003FF}},
        {"fields 8-8-8 as plain", 40, 32, kFields, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"fields blue high, no green", 40, 32, kFields, {0x000000FF, 0, 0xFF000000}},
        {"alpha fields 8-8-8-8", 40, 32, kAlphaFields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V2 5-6-5", 52, 16, kFields, {0xF800, 0x07E0, 0x001F}},
        {"V3 4-4-4-4 top-down", 56, 16, kFields, {0x0F00, 0x00F0, 0x000F, 0xF000}, true},
        {"V4 3-3-2", 108, 16, kFields, {0x00E0, 0x001C, 0x0003, 0xFF00}},
        {"V5 5-6-5 top-down", 124, 16, kFields, {0xF800, 0x07E0, 0x001F}, true},
        {"V5 8-8-8-8", 124, 32, kFields, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}},
        {"V5 1-bit channels", 124, 32, kFields, {0x4, 0x2, 0x1}},
    };
    unsigned seed = 100;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const Picture picture = MakePicture(v, seed += 2);
        const bool runs = v.compression == kRle8 || v.compression == kRle4;
        const std::string path = Store(VariantFile(v, picture.width, picture.height, picture.table,
                                                   runs ? RunRows(v, picture) : StoredRows(v, picture)));
        const std::optional<PackedDib> dib = ReadBitmapFile(path.c_str());
        ASSERT_TRUE(dib);
        EXPECT_TRUE(sink_.messages.empty());
        ExpectHeldForm(*dib, picture.width, picture.height);
        int wrong = 0;
        for (std::int32_t y = 0; y < picture.height; ++y) {
            for (std::int32_t x = 0; x < picture.width; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * picture.width + x);
                wrong += !(HeldColour(*dib, x, y) == picture.colours[i]);
                if (v.bits <= 8) wrong += HeldValue(*dib, x, y) != picture.values[i];  // the index itself is kept
            }
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Streams of every escape, drawn on a 4 x 3 picture of 8-bit (or 4-bit) indices.
TEST_F(BitmapVariantTest, RunLengthStreamsDecodeEveryEscapeAndNeverWriteOutside) {
    struct Stream {
        const char* name;
        bool four_bits;
        std::vector<std::uint8_t> bytes;
        const char* expected;  // rows top first, one hex digit a pixel
    };
    const Stream streams[] = {
        {"runs and ends of line", false, {2, 5, 2, 6, 0, 0, 4, 7, 0, 0, 1, 9, 0, 1}, "9000 7777 5566"},
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
        {"4-bit runs alternate high and low", true, {3, 0x12, 0, 0, 4, 0xAB, 0, 1}, "0000 abab 1210"},
        {"4-bit absolute runs padded to words", true, {0, 3, 0x12, 0x30, 1, 0xF0, 0, 0, 0, 4, 0x56, 0x78, 0, 1}, "0000 5678 123f"},
        {"4-bit absolute run of 5 needs a pad byte", true, {0, 5, 0x12, 0x34, 0x50, 0xEE, 0, 0, 1, 0x70, 0, 1}, "0000 7000 1234"},
    };
    for (const Stream& s : streams) {
        SCOPED_TRACE(s.name);
        const Variant v{"", 40, static_cast<std::uint16_t>(s.four_bits ? 4 : 8), s.four_bits ? kRle4 : kRle8};
        std::vector<std::uint8_t> table(s.four_bits ? 64 : 1024);
        for (std::size_t i = 0; i < table.size(); i += 4) table[i] = static_cast<std::uint8_t>(i / 4);  // blue = index
        const std::string path = Store(VariantFile(v, 4, 3, table, s.bytes));
        const std::optional<PackedDib> dib = ReadBitmapFile(path.c_str());
        ASSERT_TRUE(dib);
        EXPECT_TRUE(sink_.messages.empty());
        ExpectHeldForm(*dib, 4, 3);
        std::string held;
        for (std::int32_t y = 0; y < 3; ++y) {
            if (y) held += ' ';
            for (std::int32_t x = 0; x < 4; ++x) held += "0123456789abcdef"[HeldValue(*dib, x, y) & 15];
        }
        EXPECT_EQ(held, s.expected);
    }
}

TEST_F(BitmapVariantTest, FilesThatCannotBeReadAreRefusedByWhatTheyAreBeforeAnythingLargeIsAllocated) {
    struct Refusal {
        Variant variant;
        const char* caption;
        std::uint32_t pixel_offset = 0xFFFFFFFF;
        std::size_t pixel_bytes = 64;
        std::int32_t side = 64;
    };
    const Refusal refusals[] = {
        {{"shortened OS/2 2.x header", 16, 24}, "OS/2 style BMPs Not Supported"},
        {{"unknown header size", 200, 24}, "BMP header size Not Supported"},
        {{"JPEG inside", 124, 0, kJpeg}, "JPEG BMPs Not Supported"},
        {{"PNG inside", 124, 0, kPng}, "PNG BMPs Not Supported"},
        {{"64-bit", 124, 64}, "64-bit BMPs Not Supported"},
        {{"OS/2 Huffman", 64, 1, kFields}, "OS/2 Huffman BMPs Not Supported"},
        {{"OS/2 Huffman, short header", 40, 1, kFields}, "OS/2 Huffman BMPs Not Supported"},
        {{"OS/2 RLE24", 64, 24, kJpeg}, "OS/2 RLE24 BMPs Not Supported"},
        {{"RLE8 at 4 bits", 40, 4, kRle8}, "Compressed BMPs Not Supported"},
        {{"fields at 24 bits", 40, 24, kFields, {0xFF0000, 0xFF00, 0xFF}}, "Compressed BMPs Not Supported"},
        {{"CMYK", 40, 32, 11}, "Compressed BMPs Not Supported"},
        {{"mask with a gap", 40, 16, kFields, {0xF00F, 0x0FF0, 0}}, "BMP colour masks Not Supported"},
        {{"masks that overlap", 124, 32, kFields, {0xFF0000, 0x01FF00, 0xFF}}, "BMP colour masks Not Supported"},
        {{"mask beyond 16 bits", 56, 16, kFields, {0x1F0000, 0x07E0, 0x1F}}, "BMP colour masks Not Supported"},
        {{"3-bit", 40, 3}, "BMP bit depth Not Supported"},
        {{"2-bit with 5 colours", 40, 2, 0, {}, false, 5}, "BMP colour table Not Supported"},
        {{"pixels beyond the end", 124, 24}, "BMP pixels outside the file!", 100000},
        {{"no pixels at all", 40, 8}, "BMP pixels outside the file!", 0xFFFFFFFF, 0},
        {{"colour table beyond the end", 40, 8, 0, {}, false, 200}, "BMP colour table outside the file!", 0, 0},
        {{"5-6-5 too large once widened", 124, 16, kFields, {0xF800, 0x07E0, 0x001F}}, "BMP too large!", 0xFFFFFFFF, 64, 11000},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.variant.name);
        std::vector<std::uint8_t> table(r.variant.colours_used == 200 ? 100 : r.variant.bits <= 8 ? 4u << r.variant.bits : 0);
        const std::string path = Store(VariantFile(r.variant, r.side, r.side, table, PatternBytes(r.pixel_bytes, 3), r.pixel_offset));
        AllocationLimit limit(1 << 30);
        EXPECT_FALSE(ReadBitmapFile(path.c_str()));
        EXPECT_LE(AllocationLimit::largest(), 40u + 1024u);  // no more than a colour table
        ASSERT_EQ(sink_.messages.size(), 1u);
        EXPECT_EQ(sink_.messages[0].text, path);
        EXPECT_EQ(sink_.messages[0].caption, r.caption);
        EXPECT_EQ(sink_.messages[0].style, kMbOk | kMbIconWarning);
        sink_.messages.clear();
    }
    // OS/2's other bitmap files: arrays, icons and pointers.
    std::vector<std::uint8_t> array = VariantFile({"", 12, 8}, 2, 2, PatternBytes(768, 4), PatternBytes(8, 5));
    array[0] = 'B';
    array[1] = 'A';
    const std::string path = Store(array);
    EXPECT_FALSE(ReadBitmapFile(path.c_str()));
    ASSERT_EQ(sink_.messages.size(), 1u);
    EXPECT_EQ(sink_.messages[0].caption, "OS/2 style BMPs Not Supported");
}

}  // namespace
