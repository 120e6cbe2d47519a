#include <gtest/gtest.h>
#include <string>
#include "core/target_naming.h"

namespace {

TEST(DotRules, LeadingDotNeverCountsAndSingleDotsCountZero) {
    const std::string long_name = std::string(258, 'a') + ".b.c";  // past 259 characters nothing is looked at
    const struct { std::string text; int count; int has; std::string stripped; } cases[] = {
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
        {long_name, 0, 1, std::string(258, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CountDots(c.text), c.count);
        EXPECT_EQ(HasDot(c.text), c.has);
        EXPECT_EQ(StripLastExtension(c.text), c.stripped);
    }
}

// The convert buttons' default names, the name the Save dialog proposes and
// the path taken from what it returns.
TEST(TargetNaming, EachRuleNamesTargetsByTheirDots) {
    enum Rule { kDefault, kProposed, kFinish };
    const std::string folder = "C:\\" + std::string(252, 'f') + "\\";  // 256 characters
    const struct { Rule rule; int direction; std::string given; std::optional<std::string> target; } rows[] = {
        {kDefault, kAfToBmp, "plane.oaf", "plane.oaf.bmp"},
        {kDefault, kBmpToAf, "plane.oaf.bmp", "plane.oaf"},
        {kDefault, kBmpToAf, "plane.bmp", "plane.bmp.af"},
        {kDefault, kBmpToAf, "a.b.c.bmp", "a.b.c"},
        {kDefault, kAfToBmp, "plane.new.oaf", "plane.new"},
        {kDefault, kBmpToAf, ".x.bmp", ".x.bmp.af"},
        {kDefault, kAfToBmp, "plane", "plane.bmp"},
        {kDefault, 5, "plane.oaf", std::nullopt},
        {kDefault, kAfToBmp, std::string(256, 'p'), std::nullopt},  // ".bmp" leaves no room for the terminator
        {kDefault, kBmpToAf, std::string(256, 'p'), std::string(256, 'p') + ".af"},
        {kProposed, 0, "plane.oaf", "plane"},
        {kProposed, 0, "plane.oaf.bmp", "plane.oaf"},
        {kProposed, 0, "plane.bmp", "plane"},
        {kProposed, 0, "a.b.c.bmp", "a"},
        {kFinish, kAfToBmp, "C:\\Bitmaps\\plane", "C:\\Bitmaps\\plane.bmp"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane.oaf", "C:\\Textures\\plane.oaf"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane", "C:\\Textures\\plane.af"},
        {kFinish, kAfToBmp, "D:\\Chosen\\x.oaf.bmp", "D:\\Chosen\\x.oaf"},
        {kFinish, kAfToBmp, "D:\\Chosen\\x.tga", "D:\\Chosen\\x.tga"},
        {kFinish, kBmpToAf, "C:\\Tex.old\\plane", "C:\\Tex.old\\plane.af"},  // dots in folder names take no part
        {kFinish, kBmpToAf, "C:\\Tex.old\\plane.bmp", "C:\\Tex.old\\plane.bmp"},
        {kFinish, kAfToBmp, "C:\\a.b\\c.d\\x", "C:\\a.b\\c.d\\x.bmp"},
        {kFinish, kAfToBmp, "/home/u.v/x.y.bmp", "/home/u.v/x.y"},
        {kFinish, kAfToBmp, "/home/u.v/x", "/home/u.v/x.bmp"},
        {kFinish, kBmpToAf, folder + "x", std::nullopt},  // 257 + ".af" = 260, no room for the terminator
        {kFinish, kBmpToAf, folder + "x.a", folder + "x.a"},
        {kFinish, 0, "x", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rule << " " << row.direction << " " << row.given);
        switch (row.rule) {
            case kDefault: EXPECT_EQ(DefaultTargetName(row.given, row.direction), row.target); break;
            case kProposed: EXPECT_EQ(ProposedSaveName(row.given), row.target.value()); break;
            case kFinish: EXPECT_EQ(FinishSavePath(row.given, row.direction), row.target); break;
        }
    }
}

}  // namespace
