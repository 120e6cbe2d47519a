#include <gtest/gtest.h>
#include <tuple>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/file_access.h"
#include "core/texture_conversion.h"
#include "image_test_support.h"

namespace {

// Counts the bytes the reader takes from files, through the real file system.
class CountingFiles final : public FileSystem {
public:
    CountingFiles() : underlying_(Files()), previous_(SetFileSystem(this)) {}
    ~CountingFiles() override { SetFileSystem(previous_); }
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        std::unique_ptr<ReadableFile> file = underlying_.OpenForReading(path);
        return file ? std::make_unique<Counted>(std::move(file), bytes_read) : nullptr;
    }
    WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) override {
        return underlying_.ReplaceFile(path, pieces);
    }
    std::size_t bytes_read = 0;

private:
    class Counted final : public ReadableFile {
    public:
        Counted(std::unique_ptr<ReadableFile> file, std::size_t& count) : file_(std::move(file)), count_(count) {}
        std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override { return Counting(file_->Read(buffer)); }
        bool Seek(std::uint32_t offset) override { return file_->Seek(offset); }
        std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
            return Counting(file_->ReadAt(offset, buffer));
        }

    private:
        std::optional<std::size_t> Counting(std::optional<std::size_t> got) {
            count_ += got.value_or(0);
            return got;
        }
        std::unique_ptr<ReadableFile> file_;
        std::size_t& count_;
    };
    FileSystem& underlying_;
    FileSystem* previous_;
};

TEST(BitmapShownRows, TallBitmapsReadOnlyTheRowsTheTextureShowsAndConvertTheSame) {
    ScratchFolder folder;
    const std::vector<std::uint8_t> grey_table = [] {
        std::vector<std::uint8_t> table(1024);
        for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 0 : i / 4);
        return table;
    }();
    // Height, bits, pixel offset (0: right after the table), and whether fewer bytes are read.
    for (const auto& [height, bits, offset, fewer] : {std::tuple{1000, 24, 0xFFFFFFFFu, true}, {1000, 8, 0u, true}, {513, 32, 2000u, true},
                                                      {257, 4, 0xFFFFFFFFu, false}, {256, 24, 0xFFFFFFFFu, false}, {100, 24, 0u, false}}) {
        SCOPED_TRACE(testing::Message() << height << " rows of " << bits << " bits");
        const BitmapInfoHeader header = InfoHeader(301, height, static_cast<std::uint16_t>(bits));
        const std::vector<std::uint8_t> table = bits <= 8 ? std::vector<std::uint8_t>(grey_table.begin(), grey_table.begin() + (4 << bits)) : std::vector<std::uint8_t>();
        const std::vector<std::uint8_t> gap(offset == 2000u ? 2000 - 54 : 0, 0xEE);
        const std::string path = folder / "tall.bmp";
        WriteWholeFile(path, BuildBitmapFile({header, table, gap, PatternBytes(static_cast<std::size_t>(DibRowStride(header)) * height, 3), offset}));

        const std::optional<PackedDib> from_mapping = ReadBitmapFileForHeight(path.c_str(), 256);  // the platform maps the file
        CountingFiles files;  // which maps nothing: positioned reads
        const std::optional<PackedDib> whole = ReadBitmapFile(path.c_str());
        const std::size_t whole_bytes = std::exchange(files.bytes_read, 0);
        const std::optional<PackedDib> shown = ReadBitmapFileForHeight(path.c_str(), 256);
        ASSERT_TRUE(whole && shown && from_mapping);
        EXPECT_EQ(shown->Header().biHeight, std::min(height, 256));
        EXPECT_EQ(files.bytes_read < whole_bytes / 2 + 1000, fewer) << files.bytes_read << " of " << whole_bytes;
        EXPECT_TRUE(std::ranges::equal(shown->Image(), from_mapping->Image()));
        const std::optional<PackedDib> from_whole = ConvertToTexture(*whole, BuiltinTexturePalette());
        const std::optional<PackedDib> from_shown = ConvertToTexture(*shown, BuiltinTexturePalette());
        ASSERT_TRUE(from_whole && from_shown);
        EXPECT_TRUE(std::ranges::equal(from_whole->Pixels(), from_shown->Pixels()));
    }
}

TEST(BitmapShownRows, ATallBitmapCutShortFailsAsWhenReadWhole) {
    ScratchFolder folder;
    const BitmapInfoHeader header = InfoHeader(300, 600, 24);
    std::vector<std::uint8_t> file = BuildBitmapFile({header, {}, {}, PatternBytes(900u * 600u, 4)});
    file.pop_back();
    const std::string path = folder / "short.bmp";
    WriteWholeFile(path, file);
    RecordingSink sink;
    EXPECT_FALSE(ReadBitmapFile(path.c_str()));
    EXPECT_FALSE(ReadBitmapFileForHeight(path.c_str(), 256));  // from the mapped file
    {
        CountingFiles positioned_reads;
        EXPECT_FALSE(ReadBitmapFileForHeight(path.c_str(), 256));
    }
    ASSERT_EQ(sink.messages.size(), 3u);
    EXPECT_EQ(sink.messages[0].caption, "Error reading file");
    EXPECT_EQ(sink.messages[0].text, path);
    for (const RecordedMessage& message : sink.messages) EXPECT_EQ(std::tie(message.text, message.caption), std::tie(path, sink.messages[0].caption));
}

}  // namespace
