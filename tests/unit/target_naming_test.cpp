#include <gtest/gtest.h>
#include <string>
#include "core/target_naming.h"

namespace {

// The convert buttons' default names, the name the Save dialog proposes and
// the path taken from what it returns. A name's leading dot never counts, a
// single dot counts as none, and past 259 characters nothing is looked at.
TEST(TargetNaming, EachRuleNamesTargetsByTheirDots) {
    enum Rule { kDefault, kProposed, kFinish };
    const std::string folder = "C:\\" + std::string(252, 'f') + "\\";  // 256 characters
    const std::string long_name = std::string(258, 'a') + ".b.c";
    const struct { Rule rule; int direction; std::string given; std::optional<std::string> target; } rows[] = {
        {kDefault, kAfToBmp, "plane.oaf", "plane.oaf.bmp"},
        {kDefault, kBmpToAf, "plane.oaf.bmp", "plane.oaf"},
        {kDefault, kBmpToAf, "plane.bmp", "plane.bmp.af"},
        {kDefault, kBmpToAf, "a.b.c.bmp", "a.b.c"},
        {kDefault, kBmpToAf, ".x.bmp", ".x.bmp.af"},
        {kDefault, 5, "plane.oaf", std::nullopt},
        {kDefault, kAfToBmp, std::string(256, 'p'), std::nullopt},  // ".bmp" leaves no room for the terminator
        {kDefault, kBmpToAf, std::string(256, 'p'), std::string(256, 'p') + ".af"},
        {kDefault, kAfToBmp, long_name, std::nullopt},  // one dot within 259 characters
        {kProposed, 0, "plane.oaf", "plane"},
        {kProposed, 0, "plane.oaf.bmp", "plane.oaf"},
        {kProposed, 0, "a.b.c.bmp", "a"},
        {kProposed, 0, long_name, std::string(258, 'a')},
        {kFinish, kAfToBmp, "C:\\Bitmaps\\plane", "C:\\Bitmaps\\plane.bmp"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane.oaf", "C:\\Textures\\plane.oaf"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane", "C:\\Textures\\plane.af"},
        {kFinish, kAfToBmp, "D:\\Chosen\\x.oaf.bmp", "D:\\Chosen\\x.oaf"},
        {kFinish, kAfToBmp, "D:\\Chosen\\.x", "D:\\Chosen\\.x.bmp"},
        {kFinish, kBmpToAf, "C:\\Tex.old\\plane", "C:\\Tex.old\\plane.af"},  // dots in folder names take no part
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
