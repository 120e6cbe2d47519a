#include <gtest/gtest.h>
#include <string>
#include "core/target_naming.h"

namespace {

TEST(DotRules, LeadingDotNeverCountsAndSingleDotsCountZero) {
    struct { const char* text; int count; int has; const char* stripped; } cases[] = {
        {"", 0, 0, ""},
        {"plane", 0, 0, ""},
        {"plane.oaf", 0, 1, "plane"},
        {"plane.oaf.bmp", 2, 1, "plane.oaf"},
        {"a.b.c.bmp", 3, 1, "a.b.c"},
        {".x", 0, 0, ""},
        {".x.bmp", 0, 1, ".x"},
        {"..", 0, 1, "."},
        {"x.", 0, 1, "x"},
        {"C:\\Tex.old\\plane", 0, 1, "C:\\Tex"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CountDots(c.text), c.count);
        EXPECT_EQ(HasDot(c.text), c.has);
        EXPECT_EQ(StripLastExtension(c.text), c.stripped);
    }
}

TEST(DotRules, LookAtNoMoreThanAPathBuffer) {
    // Past 259 characters the text is not looked at, as with the 260-byte copies.
    const std::string long_name = std::string(258, 'a') + ".b.c";
    EXPECT_EQ(CountDots(long_name), 0);
    EXPECT_EQ(HasDot(long_name), 1);
    EXPECT_EQ(StripLastExtension(long_name), std::string(258, 'a'));
}

TEST(DefaultTargetName, ConvertButtonsNameTargetsByTheirDots) {
    struct { int direction; const char* item; const char* target; } cases[] = {
        {kAfToBmp, "plane.oaf", "plane.oaf.bmp"},
        {kBmpToAf, "plane.oaf.bmp", "plane.oaf"},
        {kBmpToAf, "plane.bmp", "plane.bmp.af"},
        {kBmpToAf, "a.b.c.bmp", "a.b.c"},
        {kAfToBmp, "plane.new.oaf", "plane.new"},
        {kBmpToAf, ".x.bmp", ".x.bmp.af"},
        {kAfToBmp, "plane", "plane.bmp"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DefaultTargetName(c.item, c.direction), std::optional<std::string>(c.target)) << c.item;
    }
}

TEST(DefaultTargetName, RefusesUnknownDirectionsAndNamesThatOverflowAPath) {
    EXPECT_EQ(DefaultTargetName("plane.oaf", 5), std::nullopt);
    EXPECT_EQ(DefaultTargetName(std::string(256, 'p'), kAfToBmp), std::nullopt);
    EXPECT_EQ(DefaultTargetName(std::string(256, 'p'), kBmpToAf), std::optional<std::string>(std::string(256, 'p') + ".af"));
}

TEST(SaveDialogNaming, ProposedNameAndFinishedPathFollowTheDialogTable) {
    struct { int direction; const char* item; const char* proposed; const char* entry; const char* target; } cases[] = {
        {kAfToBmp, "plane.oaf", "plane", "C:\\Bitmaps\\plane", "C:\\Bitmaps\\plane.bmp"},
        {kBmpToAf, "plane.oaf.bmp", "plane.oaf", "C:\\Textures\\plane.oaf", "C:\\Textures\\plane.oaf"},
        {kBmpToAf, "plane.bmp", "plane", "C:\\Textures\\plane", "C:\\Textures\\plane.af"},
        {kBmpToAf, "a.b.c.bmp", "a", "C:\\Textures\\a", "C:\\Textures\\a.af"},
        {kAfToBmp, "plane.oaf", "plane", "D:\\Chosen\\x.oaf.bmp", "D:\\Chosen\\x.oaf"},
        {kAfToBmp, "plane.oaf", "plane", "D:\\Chosen\\x.tga", "D:\\Chosen\\x.tga"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        EXPECT_EQ(ProposedSaveName(c.item), c.proposed);
        EXPECT_EQ(FinishSavePath(c.entry, c.direction), std::optional<std::string>(c.target));
    }
}

TEST(SaveDialogNaming, DotsInFolderNamesTakeNoPart) {
    EXPECT_EQ(FinishSavePath("C:\\Tex.old\\plane", kBmpToAf), std::optional<std::string>("C:\\Tex.old\\plane.af"));
    EXPECT_EQ(FinishSavePath("C:\\Tex.old\\plane.bmp", kBmpToAf), std::optional<std::string>("C:\\Tex.old\\plane.bmp"));
    EXPECT_EQ(FinishSavePath("C:\\a.b\\c.d\\x", kAfToBmp), std::optional<std::string>("C:\\a.b\\c.d\\x.bmp"));
    EXPECT_EQ(FinishSavePath("/home/u.v/x.y.bmp", kAfToBmp), std::optional<std::string>("/home/u.v/x.y"));
}

TEST(SaveDialogNaming, AddedExtensionMustStillFitThePathBuffer) {
    const std::string folder = "C:\\" + std::string(252, 'f') + "\\";  // 256 characters
    EXPECT_EQ(FinishSavePath(folder + "x", kBmpToAf), std::nullopt);   // 257 + ".af" = 260, no room for the terminator
    EXPECT_EQ(FinishSavePath(folder + "x.a", kBmpToAf), std::optional<std::string>(folder + "x.a"));
    EXPECT_EQ(FinishSavePath("x", 0), std::nullopt);
}

}  // namespace
