#include <gtest/gtest.h>
#include <sstream>
#include "core/target_naming.h"
#include "cli/batch_convert.h"
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "image_test_support.h"

namespace {

class BatchConvertTest : public ::testing::Test {
protected:
    int Run(int direction, std::vector<std::string> files, std::optional<std::string> out = std::nullopt, bool force = false,
            const TexturePalette& palette = BuiltinTexturePalette()) {
        out_.str("");
        errors_.str("");
        return ConvertFiles({direction, std::move(out), force, std::move(files)}, palette, out_, errors_);
    }
    std::string Texture(const std::string& name, unsigned seed) {
        const std::string path = folder_ / name;
        WriteWholeFile(path, PatternBytes(65536, seed));
        return path;
    }

    ScratchFolder folder_;
    std::ostringstream out_;
    std::ostringstream errors_;
};

TEST_F(BatchConvertTest, TexturesBecomeBitmapsAndComeBackByteIdenticalUnderDefaultNames) {
    const std::string texture = Texture("plane.oaf", 1);
    const auto original = ReadWholeFile(texture);
    EXPECT_EQ(Run(kAfToBmp, {texture}), 0);
    EXPECT_EQ(out_.str(), texture + " -> " + texture + ".bmp\n1 file converted, 0 failed\n");
    EXPECT_EQ(errors_.str(), "");
    EXPECT_EQ(ReadWholeFile(texture + ".bmp").size(), 66614u);

    std::filesystem::remove(texture);
    EXPECT_EQ(Run(kBmpToAf, {texture + ".bmp"}), 0);
    EXPECT_EQ(ReadWholeFile(texture), original);
}

TEST_F(BatchConvertTest, OutFolderTakesEveryTargetAndBitmapsCarryTheGivenPalette) {
    std::filesystem::create_directory(folder_.path() / "out");
    const TexturePalette palette = MadeUpPalette();
    EXPECT_EQ(Run(kAfToBmp, {Texture("a.af", 2), Texture("b.x.af", 3)}, folder_ / "out", false, palette), 0);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "out/a.af.bmp"));
    const auto bitmap = ReadWholeFile(folder_ / "out/b.x");  // two dots: the last extension goes
    ASSERT_EQ(bitmap.size(), 66614u);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), bitmap.begin() + 54));
}

TEST_F(BatchConvertTest, ExistingTargetsAreRefusedUnlessForced) {
    const std::string texture = Texture("plane.af", 4);
    const auto old_bitmap = PatternBytes(10, 5);
    WriteWholeFile(texture + ".bmp", old_bitmap);
    EXPECT_EQ(Run(kAfToBmp, {texture}), 1);
    EXPECT_EQ(ReadWholeFile(texture + ".bmp"), old_bitmap);
    EXPECT_NE(errors_.str().find(texture + ".bmp exists"), std::string::npos) << errors_.str();
    EXPECT_EQ(Run(kAfToBmp, {texture}, std::nullopt, true), 0);
    EXPECT_EQ(ReadWholeFile(texture + ".bmp").size(), 66614u);
}

TEST_F(BatchConvertTest, BadFilesAreReportedWithTheReadersMessageAndTheRestGoOn) {
    const std::string broken = folder_ / "broken.bmp";
    WriteWholeFile(broken, PatternBytes(100, 6));
    const std::string missing = folder_ / "missing.bmp";
    const std::string good = folder_ / "good.bmp";
    const std::vector<std::uint8_t> pixels(12, 0x80);
    WriteWholeFile(good, BuildBitmapFile({InfoHeader(4, 1, 24), {}, {}, pixels}));

    EXPECT_EQ(Run(kBmpToAf, {broken, missing, good}), 2);
    EXPECT_EQ(errors_.str(), broken + ": Not a recognised BMP format file!\n" + missing + ": Error opening file\n");
    EXPECT_EQ(out_.str(), broken + ": failed\n" + missing + ": failed\n" + good + " -> " + good + ".af\n1 file converted, 2 failed\n");
    EXPECT_EQ(ReadWholeFile(good + ".af").size(), 65536u);
    EXPECT_FALSE(std::filesystem::exists(broken + ".af"));
}

TEST_F(BatchConvertTest, UnwritableTargetIsReportedWithTheWritersMessage) {
    const std::string texture = Texture("t.af", 7);
    EXPECT_EQ(Run(kAfToBmp, {texture}, folder_ / "no/such/folder"), 1);
    EXPECT_EQ(errors_.str(), folder_ / "no/such/folder/t.af.bmp" + ": Error opening file\n");
}

TEST(BatchCommandLine, ReadsDirectionOptionsAndFiles) {
    const CommandLine line = ParseCommandLine({"to-af", "--force", "a.bmp", "--out", "dir", "--palette", "p.pal", "--", "--odd.bmp"});
    EXPECT_EQ(line.mistake, "");
    EXPECT_EQ(line.request.direction, kBmpToAf);
    EXPECT_TRUE(line.request.force);
    EXPECT_EQ(line.request.out, std::optional<std::string>("dir"));
    EXPECT_EQ(line.palette_file, std::optional<std::string>("p.pal"));
    EXPECT_EQ(line.request.files, (std::vector<std::string>{"a.bmp", "--odd.bmp"}));
    EXPECT_EQ(ParseCommandLine({"to-bmp", "x"}).request.direction, kAfToBmp);
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"to-bmp", "--help"}).help);
}

TEST(BatchCommandLine, NamesEachMistake) {
    EXPECT_EQ(ParseCommandLine({}).mistake, "the first argument must be to-af or to-bmp");
    EXPECT_EQ(ParseCommandLine({"to-png", "a"}).mistake, "the first argument must be to-af or to-bmp");
    EXPECT_EQ(ParseCommandLine({"to-af"}).mistake, "no files to convert");
    EXPECT_EQ(ParseCommandLine({"to-af", "a", "--out"}).mistake, "--out needs a value");
    EXPECT_EQ(ParseCommandLine({"to-af", "--quiet", "a"}).mistake, "unknown option --quiet");
}

}  // namespace
