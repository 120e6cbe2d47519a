#include <gtest/gtest.h>
#include "core/bitmap_file.h"
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

class BitmapFileTest : public ::testing::Test {
protected:
    void ExpectOneMessage(const std::string& text, const std::string& caption, unsigned style = kMbOk | kMbIconWarning) {
        ASSERT_EQ(sink_.messages.size(), 1u);
        EXPECT_EQ(sink_.messages[0].owner, nullptr);
        EXPECT_EQ(sink_.messages[0].text, text);
        EXPECT_EQ(sink_.messages[0].caption, caption);
        EXPECT_EQ(sink_.messages[0].style, style);
        sink_.messages.clear();
    }
    std::string Store(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder_ / name;
        WriteWholeFile(path, bytes);
        return path;
    }
    // The 8-bit 256 x 256 image every conversion produces.
    PackedDib ConvertedImage(unsigned seed) {
        return MakeDib(TextureHeader(), PatternBytes(1024, seed), PatternBytes(kTexturePixelBytes, seed + 1));
    }

    RecordingSink sink_;
    ScratchFolder folder_;
};

TEST_F(BitmapFileTest, FullPaletteBitmapReadsAsTheFileFromOffset14) {
    BitmapFileParts parts{InfoHeader(256, 256, 8), PatternBytes(1024, 1), {}, PatternBytes(65536, 2)};
    parts.file_size = 12345;  // bfSize is never looked at
    const auto file = BuildBitmapFile(parts);
    const std::string path = Store("full.bmp", file);
    std::optional<PackedDib> dib = ReadBitmapFile(path.c_str());
    ASSERT_TRUE(dib);
    EXPECT_TRUE(sink_.messages.empty());
    ASSERT_EQ(dib->size(), file.size() - 14);
    EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), dib->data()));
}

TEST_F(BitmapFileTest, PixelRowsComeFromOffBitsOrRightBehindTheTable) {
    const auto pixels = PatternBytes(4 * 3, 3);  // 3 rows of 2 pixels at 8 bits: stride 4
    const auto table = PatternBytes(64, 4);
    // 8-bit with biClrUsed 16: 64 table bytes from offset 54, pixels after a gap.
    BitmapFileParts sixteen{InfoHeader(2, 3, 8, 16), table, PatternBytes(30, 5), pixels};
    // bfOffBits 0: the pixels follow the table at once.
    BitmapFileParts zero_offset{InfoHeader(2, 3, 8, 16), table, {}, pixels, 0};
    // 24-bit: no table, pixels at bfOffBits behind a gap of 10 bytes.
    BitmapFileParts true_colour{InfoHeader(4, 1, 24), {}, PatternBytes(10, 6), pixels};
    for (const BitmapFileParts* parts : {&sixteen, &zero_offset, &true_colour}) {
        const std::string path = Store("offsets.bmp", BuildBitmapFile(*parts));
        std::optional<PackedDib> dib = ReadBitmapFile(path.c_str());
        ASSERT_TRUE(dib);
        EXPECT_TRUE(sink_.messages.empty());
        EXPECT_TRUE(std::equal(parts->table.begin(), parts->table.end(), dib->ColorTable().begin(), dib->ColorTable().end()));
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), dib->Pixels().begin(), dib->Pixels().end()));
        EXPECT_EQ(dib->size(), 40 + parts->table.size() + pixels.size());
    }
}

TEST_F(BitmapFileTest, WrongSignatureOrReservedFieldsAreNotABitmap) {
    auto file = BuildBitmapFile({InfoHeader(1, 1, 24), {}, {}, PatternBytes(4, 7)});
    for (std::size_t offset : {std::size_t{0}, std::size_t{1}, std::size_t{6}, std::size_t{9}}) {
        auto damaged = file;
        damaged[offset] ^= 1;
        const std::string path = Store("damaged.bmp", damaged);
        EXPECT_FALSE(ReadBitmapFile(path.c_str()));
        ExpectOneMessage(path, "Not a recognised BMP format file!");
    }
}

TEST_F(BitmapFileTest, ShortFilesFailWhereTheyEndWithThatStepsMessage) {
    BitmapFileParts parts{InfoHeader(4, 4, 8, 4), PatternBytes(16, 8), {}, PatternBytes(16, 9)};
    const auto file = BuildBitmapFile(parts);
    struct { std::size_t length; bool path_is_text; const char* message; } cases[] = {
        {10, false, "Error reading file"},   // inside the file header: text and caption swap
        {30, true, "Error reading file"},    // inside the info header
        {60, true, "BMP colour table outside the file!"},
        {80, true, "Error reading file"},    // inside the pixel rows
    };
    for (const auto& c : cases) {
        const std::string path = Store("cut.bmp", {file.begin(), file.begin() + static_cast<std::ptrdiff_t>(c.length)});
        EXPECT_FALSE(ReadBitmapFile(path.c_str()));
        if (c.path_is_text) {
            ExpectOneMessage(path, c.message);
        } else {
            ExpectOneMessage(c.message, path);
        }
    }
    // bfOffBits beyond the end is refused before the pixels get their room.
    parts.pixel_offset = 1000000;
    const std::string far = Store("far.bmp", BuildBitmapFile(parts));
    AllocationLimit limit(1 << 30);
    EXPECT_FALSE(ReadBitmapFile(far.c_str()));
    EXPECT_EQ(AllocationLimit::largest(), 40u + 16u);  // the colour table's room, no more
    ExpectOneMessage(far, "BMP pixels outside the file!");
}

TEST_F(BitmapFileTest, HeadersThatCannotBeHeldAreRefusedBeforeAnythingIsAllocated) {
    auto header_with = [](auto change) {
        BitmapInfoHeader header = InfoHeader(16, 16, 8);
        change(header);
        return header;
    };
    struct { BitmapInfoHeader header; const char* caption; } cases[] = {
        {header_with([](auto& h) { h.biHeight = 0; }), "BMPs without pixels Not Supported"},
        {header_with([](auto& h) { h.biWidth = 0; }), "BMPs without pixels Not Supported"},
        {header_with([](auto& h) { h.biWidth = -5; }), "BMPs without pixels Not Supported"},
        {header_with([](auto& h) { h.biPlanes = 0; }), "BMPs without pixels Not Supported"},
        {header_with([](auto& h) { h.biBitCount = 0; }), "BMP bit depth Not Supported"},
        {header_with([](auto& h) { h.biBitCount = 48; }), "BMP bit depth Not Supported"},
        {header_with([](auto& h) { h.biClrUsed = 257; }), "BMP colour table Not Supported"},
        {header_with([](auto& h) { h.biBitCount = 4; h.biClrUsed = 17; }), "BMP colour table Not Supported"},
        {header_with([](auto& h) { h.biBitCount = 1; h.biClrUsed = 3; }), "BMP colour table Not Supported"},
        {header_with([](auto& h) { h.biBitCount = 24; h.biClrUsed = 16384; }), "BMP colour table Not Supported"},
        {header_with([](auto& h) { h.biWidth = 0x7FFFFFFF; h.biBitCount = 32; }), "BMP too large!"},
        {header_with([](auto& h) { h.biHeight = INT32_MIN; }), "BMP too large!"},
        {header_with([](auto& h) { h.biHeight = -8193; h.biWidth = 8192; h.biBitCount = 32; }), "BMP too large!"},
        {header_with([](auto& h) { h.biWidth = 65536; h.biHeight = 65536; h.biBitCount = 32; }), "BMP too large!"},
        {header_with([](auto& h) { h.biWidth = 8192; h.biHeight = 8193; h.biBitCount = 32; }), "BMP too large!"},
        {header_with([](auto& h) { h.biPlanes = 0xFFFF; h.biWidth = 0x10000; h.biBitCount = 32; }), "BMP too large!"},
    };
    for (const auto& c : cases) {
        const std::string path = Store("refused.bmp", BuildBitmapFile({c.header, {}, {}, PatternBytes(2048, 12)}));
        AllocationLimit limit(1 << 30);
        EXPECT_FALSE(ReadBitmapFile(path.c_str()));
        EXPECT_EQ(AllocationLimit::largest(), 44u) << c.caption;
        ExpectOneMessage(path, c.caption);
    }
}

TEST_F(BitmapFileTest, LargestAcceptedHeadersStillRead) {
    // Exactly 256 MiB of pixel rows is within the ceiling; a 24-bit image may
    // carry a table of up to 16,383 entries, which is read and kept.
    BitmapInfoHeader big = InfoHeader(8192, 8192, 32);
    BitmapInfoHeader table = InfoHeader(1, 1, 24, 16383);
    const std::string big_path = Store("big.bmp", BuildBitmapFile({big, {}, {}, PatternBytes(1, 12)}));
    {
        AllocationLimit limit(1 << 20);  // refuse the big block: proves it was asked for
        EXPECT_FALSE(ReadBitmapFile(big_path.c_str()));
        EXPECT_EQ(AllocationLimit::largest(), 40u + (256u << 20));
    }
    ExpectOneMessage(big_path, "Failed to allocate memory for DIB!");
    const std::string table_path = Store("table.bmp", BuildBitmapFile({table, PatternBytes(65532, 13), {}, PatternBytes(4, 14)}));
    std::optional<PackedDib> dib = ReadBitmapFile(table_path.c_str());
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->size(), 40u + 65532u + 4u);
}

TEST_F(BitmapFileTest, WritesTheConvertedImageBehindACorrectFileHeaderAndReadsItBack) {
    const std::string path = folder_ / "plane.oaf.bmp";
    WriteWholeFile(path, PatternBytes(100000, 15));
    const PackedDib image = ConvertedImage(16);
    EXPECT_TRUE(WriteBitmapFile(path.c_str(), image));
    EXPECT_TRUE(sink_.messages.empty());
    const auto file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 66614u);
    // "BM", the file size 66614, reserved zero, the pixels at 1078.
    const std::vector<std::uint8_t> file_header{'B', 'M', 0x36, 0x04, 0x01, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 14), file_header);
    EXPECT_TRUE(std::equal(file.begin() + 14, file.end(), image.data()));
    std::optional<PackedDib> back = ReadBitmapFile(path.c_str());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), image.size());
    EXPECT_EQ(std::memcmp(back->data(), image.data(), image.size()), 0);
    EXPECT_EQ(folder_.EntryCount(), 1u);
}

TEST_F(BitmapFileTest, TrueColourImageIsWrittenWithoutTable) {
    const std::string path = folder_ / "rgb.bmp";
    const PackedDib image = MakeDib(InfoHeader(3, 2, 24), {}, PatternBytes(24, 17));
    EXPECT_TRUE(WriteBitmapFile(path.c_str(), image));
    const auto file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 14u + 40u + 24u);
    EXPECT_EQ(file[10], 54);
    EXPECT_EQ(file[2], 78);
}

}  // namespace
