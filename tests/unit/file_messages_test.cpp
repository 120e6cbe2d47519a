// What the user is told when a BMP or AF file cannot be read or written: the
// exact text, caption and icon, and on which side of the box the path goes.
#include <gtest/gtest.h>
#include <functional>
#include <optional>
#include "core/bitmap_file.h"
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

constexpr char kPath[] = "@";  // stands for the file's path in the expected text or caption
constexpr unsigned kWarning = kMbOk | kMbIconWarning;

struct Told {
    std::string text;
    std::string caption;
    unsigned style;
};

void ExpectToldOnce(const RecordingSink& sink, const Told& expected, const std::string& path) {
    const auto fill = [&](const std::string& s) { return s == kPath ? path : s; };
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].owner, nullptr);
    EXPECT_EQ(sink.messages[0].text, fill(expected.text));
    EXPECT_EQ(sink.messages[0].caption, fill(expected.caption));
    EXPECT_EQ(sink.messages[0].style, expected.style);
}

TEST(ReaderRefusals, EachFailureHasItsOwnMessageAndNothingIsRead) {
    const auto bitmap = BuildBitmapFile({InfoHeader(2, 2, 24), {}, {}, PatternBytes(16, 11)});
    const auto texture = PatternBytes(kTexturePixelBytes, 4);
    using Reader = std::function<bool(const char*)>;
    const Reader bmp = [](const char* path) { return ReadBitmapFile(path).has_value(); };
    const Reader af = [](const char* path) { return ReadTextureFile(path).has_value(); };
    const std::vector<std::uint8_t> none;
    struct Row {
        const char* name;
        const Reader& read;
        std::optional<std::vector<std::uint8_t>> content;  // nothing: no file; "." names the folder itself
        std::size_t allocation_limit;                      // 0: every block is granted
        bool palette;
        Told told;
    } rows[] = {
        {"none.bmp", bmp, std::nullopt, 0, true, {"Error opening file", kPath, kWarning}},
        {"a.bmp", bmp, bitmap, 43, true, {kPath, "Failed to allocate memory for DIB !", kWarning}},
        {"a.bmp", bmp, bitmap, 44, true, {kPath, "Failed to allocate memory for DIB!", kWarning}},
        {"none.af", af, std::nullopt, 0, true, {kPath, "Error opening file !", kWarning}},
        {".", af, none, 0, true, {kPath, "Error opening file !", kWarning}},
        {"short.af", af, PatternBytes(65535, 3), 0, true, {kPath, "Error reading file!", kWarning}},
        {"empty.af", af, none, 0, true, {kPath, "Error reading file!", kWarning}},
        {"a.af", af, texture, 43, true, {kPath, "Failed to allocate memory for AF !", kWarning}},
        {"a.af", af, texture, 44, true, {kPath, "Failed to allocate memory for AF!", kWarning}},
        {"a.af", af, texture, 0, false, {"Fatal error (PAL1)!", "Application error", kWarning}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " " << row.told.caption);
        ScratchFolder folder;
        RecordingSink sink;
        FixedPaletteSource palette(MadeUpPalette());
        const std::string path = std::string(row.name) == "." ? folder.path().string() : folder / row.name;
        if (row.content && std::string(row.name) != ".") WriteWholeFile(path, *row.content);
        std::optional<AllocationLimit> limit;
        if (row.allocation_limit) limit.emplace(row.allocation_limit);
        PaletteSource* installed = row.palette ? nullptr : SetPaletteSource(nullptr);
        EXPECT_FALSE(row.read(path.c_str()));
        if (!row.palette) SetPaletteSource(installed);
        ExpectToldOnce(sink, row.told, path);
    }
}

TEST(WriterOutcomes, EachFailureHasItsOwnMessage) {
    const PackedDib bitmap = MakeDib(TextureHeader(), PatternBytes(1024, 1), PatternBytes(kTexturePixelBytes, 2));
    const PackedDib texture = MakeDib(TextureHeader(), MadeUpPalette(), PatternBytes(kTexturePixelBytes, 3));
    using Writer = std::function<bool(const char*)>;
    const Writer bmp = [&](const char* path) { return WriteBitmapFile(path, bitmap); };
    const Writer af = [&](const char* path) { return WriteTextureFile(path, texture); };
    struct Row {
        const char* name;
        const Writer& write;
        std::optional<WriteOutcome> outcome;  // nothing: the real file system
        Told told;
    } rows[] = {
        {"nowhere/x.bmp", bmp, std::nullopt, {"Error opening file", kPath, kMbOk}},
        {"x.bmp", bmp, WriteOutcome::WriteFailed, {kPath, "Error Writing file", kWarning}},
        {"nowhere/x.af", af, std::nullopt, {kPath, "Error opening file!", kWarning}},
        {"x.af", af, WriteOutcome::WriteFailed, {kPath, "Error Writing file", kWarning}},
        {"x.af", af, WriteOutcome::CreateFailed, {kPath, "Error opening file!", kWarning}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " " << row.told.caption);
        ScratchFolder folder;
        RecordingSink sink;
        const std::string path = folder / row.name;
        std::optional<FailingWrites> files;
        if (row.outcome) files.emplace(*row.outcome);
        EXPECT_FALSE(row.write(path.c_str()));
        files.reset();
        ExpectToldOnce(sink, row.told, path);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
