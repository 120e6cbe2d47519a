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
    // 256 x 256, 8 bits, one plane, every other field zero.
    const BitmapInfoHeader expected = InfoHeader(256, 256, 8);
    EXPECT_EQ(std::memcmp(dib->data(), &expected, 40), 0);
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

}  // namespace
