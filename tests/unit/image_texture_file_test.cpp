#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

class TextureFileTest : public ::testing::Test {
protected:
    void ExpectOneWarning(const std::string& text, const std::string& caption) {
        ASSERT_EQ(sink_.messages.size(), 1u);
        EXPECT_EQ(sink_.messages[0].owner, nullptr);
        EXPECT_EQ(sink_.messages[0].text, text);
        EXPECT_EQ(sink_.messages[0].caption, caption);
        EXPECT_EQ(sink_.messages[0].style, kMbOk | kMbIconWarning);
    }
    PackedDib Texture(unsigned seed) {
        return MakeDib(TextureHeader(), palette_, PatternBytes(kTexturePixelBytes, seed));
    }

    RecordingSink sink_;
    TexturePalette palette_ = MadeUpPalette();
    FixedPaletteSource source_{palette_};
    ScratchFolder folder_;
};

TEST_F(TextureFileTest, ReadsTheFileBytesBehindHeaderAndTexturePalette) {
    const auto bytes = PatternBytes(kTexturePixelBytes, 1);
    WriteWholeFile(folder_ / "plane.af", bytes);
    std::optional<PackedDib> dib = ReadTextureFile((folder_ / "plane.af").c_str());
    ASSERT_TRUE(dib);
    EXPECT_TRUE(sink_.messages.empty());
    ASSERT_EQ(dib->size(), 66600u);
    const BitmapInfoHeader header = dib->Header();
    EXPECT_EQ(header.biSize, 40u);
    EXPECT_EQ(header.biWidth, 256);
    EXPECT_EQ(header.biHeight, 256);
    EXPECT_EQ(header.biPlanes, 1);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biCompression | header.biSizeImage | header.biClrUsed | header.biClrImportant, 0u);
    EXPECT_EQ(header.biXPelsPerMeter | header.biYPelsPerMeter, 0);
    EXPECT_TRUE(std::equal(palette_.begin(), palette_.end(), dib->data() + 40));
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), DibPixels(dib->data())));
}

TEST_F(TextureFileTest, LongerFileReadsItsFirst65536BytesWithoutAWord) {
    const auto bytes = PatternBytes(70000, 2);
    WriteWholeFile(folder_ / "long.af", bytes);
    std::optional<PackedDib> dib = ReadTextureFile((folder_ / "long.af").c_str());
    ASSERT_TRUE(dib);
    EXPECT_TRUE(sink_.messages.empty());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 65536, dib->Pixels().begin()));
}

TEST_F(TextureFileTest, ShortOrEmptyFileIsAReadError) {
    for (std::size_t length : {std::size_t{65535}, std::size_t{0}}) {
        sink_.messages.clear();
        const std::string path = folder_ / ("short" + std::to_string(length) + ".af");
        WriteWholeFile(path, PatternBytes(length, 3));
        EXPECT_FALSE(ReadTextureFile(path.c_str()));
        ExpectOneWarning(path, "Error reading file!");
    }
}

TEST_F(TextureFileTest, MissingFileOrFolderIsAnOpenError) {
    const std::string missing = folder_ / "missing.af";
    EXPECT_FALSE(ReadTextureFile(missing.c_str()));
    ExpectOneWarning(missing, "Error opening file !");
    sink_.messages.clear();
    EXPECT_FALSE(ReadTextureFile(folder_.path().c_str()));
    ExpectOneWarning(folder_.path().string(), "Error opening file !");
}

TEST_F(TextureFileTest, EachAllocationFailureHasItsOwnCaption) {
    const std::string path = folder_ / "plane.af";
    WriteWholeFile(path, PatternBytes(kTexturePixelBytes, 4));
    {
        AllocationLimit limit(43);
        EXPECT_FALSE(ReadTextureFile(path.c_str()));
    }
    ExpectOneWarning(path, "Failed to allocate memory for AF !");
    sink_.messages.clear();
    {
        AllocationLimit limit(44);
        EXPECT_FALSE(ReadTextureFile(path.c_str()));
    }
    ExpectOneWarning(path, "Failed to allocate memory for AF!");
}

TEST_F(TextureFileTest, MissingPaletteShowsOnlyThePaletteMessage) {
    const std::string path = folder_ / "plane.af";
    WriteWholeFile(path, PatternBytes(kTexturePixelBytes, 5));
    PaletteSource* installed = SetPaletteSource(nullptr);
    EXPECT_FALSE(ReadTextureFile(path.c_str()));
    SetPaletteSource(installed);
    ExpectOneWarning("Fatal error (PAL1)!", "Application error");
}

TEST_F(TextureFileTest, WritesExactlyThePixelRowsOverALongerFileAndReadsThemBack) {
    const std::string path = folder_ / "out.af";
    WriteWholeFile(path, PatternBytes(100000, 6));
    const PackedDib texture = Texture(7);
    EXPECT_TRUE(WriteTextureFile(path.c_str(), texture));
    EXPECT_TRUE(sink_.messages.empty());
    const auto written = ReadWholeFile(path);
    ASSERT_EQ(written.size(), 65536u);
    EXPECT_TRUE(std::equal(written.begin(), written.end(), texture.Pixels().begin()));
    std::optional<PackedDib> back = ReadTextureFile(path.c_str());
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::equal(back->Pixels().begin(), back->Pixels().end(), texture.Pixels().begin()));
    EXPECT_EQ(folder_.EntryCount(), 1u);
}

TEST_F(TextureFileTest, WriteIntoMissingFolderIsAnOpenError) {
    const std::string path = folder_ / "nowhere/out.af";
    EXPECT_FALSE(WriteTextureFile(path.c_str(), Texture(8)));
    ExpectOneWarning(path, "Error opening file!");
}

TEST_F(TextureFileTest, FailedWriteLeavesTheOldTextureAndNoTemporary) {
    // The file size limit makes the real write fail half-way, as a full disk would.
    const std::string path = folder_ / "good.af";
    const auto good = PatternBytes(kTexturePixelBytes, 9);
    WriteWholeFile(path, good);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small = old_limit;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteTextureFile(path.c_str(), Texture(10));
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_FALSE(written);
    ExpectOneWarning(path, "Error Writing file");
    EXPECT_EQ(ReadWholeFile(path), good);
    EXPECT_EQ(folder_.EntryCount(), 1u);
}

TEST_F(TextureFileTest, WriteOutcomesOfTheFileSeamMapToTheirMessages) {
    const std::string path = folder_ / "t.af";
    {
        FailingWrites files(WriteOutcome::WriteFailed);
        EXPECT_FALSE(WriteTextureFile(path.c_str(), Texture(11)));
    }
    ExpectOneWarning(path, "Error Writing file");
    sink_.messages.clear();
    {
        FailingWrites files(WriteOutcome::CreateFailed);
        EXPECT_FALSE(WriteTextureFile(path.c_str(), Texture(11)));
    }
    ExpectOneWarning(path, "Error opening file!");
}

}  // namespace
