#include <gtest/gtest.h>
#include <string>
#include "core/target_naming.h"

namespace {

// The convert buttons' default names (which the Save dialog also proposes)
// and the path taken from what the Save dialog returns. A name keeps or gets
// the extension its list shows, so every converted file can be seen; a
// leading dot starts no extension, case does not matter, and past 259
// characters nothing is looked at.
TEST(TargetNaming, EveryTargetEndsInAnExtensionItsListShows) {
    enum Rule { kDefault, kFinish };
    constexpr Direction kBmpToAf = Direction::BmpToAf, kAfToBmp = Direction::AfToBmp;
    const std::string folder = "C:\\" + std::string(252, 'f') + "\\";        // 256 characters
    const std::string shorter_folder = "C:\\" + std::string(251, 'f') + "\\";  // 255 characters
    const std::string long_name = std::string(258, 'a') + ".b.c";
    const struct { Rule rule; Direction direction; std::string given; std::optional<std::string> target; } rows[] = {
        {kDefault, kAfToBmp, "plane.oaf", "plane.oaf.bmp"},
        {kDefault, kBmpToAf, "plane.oaf.bmp", "plane.oaf"},
        {kDefault, kBmpToAf, "plane.bmp", "plane.bmp.af"},
        {kDefault, kAfToBmp, "plane.bmp.af", "plane.bmp"},
        {kDefault, kAfToBmp, "my.plane.oaf", "my.plane.oaf.bmp"},  // a second dot is no second extension
        {kDefault, kBmpToAf, "my.plane.oaf.bmp", "my.plane.oaf"},
        {kDefault, kBmpToAf, "my.plane.bmp", "my.plane.bmp.af"},
        {kDefault, kBmpToAf, "a.b.c.bmp", "a.b.c.bmp.af"},
        {kDefault, kAfToBmp, "plane.new.oaf", "plane.new.oaf.bmp"},
        {kDefault, kBmpToAf, "Plane.OAF.Bmp", "Plane.OAF"},
        {kDefault, kAfToBmp, "PLANE.BMP.RAF", "PLANE.BMP"},
        {kDefault, kAfToBmp, "x.bmpx.af", "x.bmpx.af.bmp"},
        {kDefault, kBmpToAf, "x.afx.bmp", "x.afx.bmp.af"},
        {kDefault, kBmpToAf, "plane", "plane.af"},
        {kDefault, kBmpToAf, ".x.bmp", ".x.bmp.af"},
        {kDefault, kAfToBmp, ".bmp.af", ".bmp.af.bmp"},  // ".bmp" alone is a name, not an extension
        {kDefault, kAfToBmp, std::string(256, 'p'), std::nullopt},  // ".bmp" leaves no room for the terminator
        {kDefault, kBmpToAf, std::string(256, 'p'), std::string(256, 'p') + ".af"},
        {kDefault, kBmpToAf, std::string(250, 'p') + ".oaf.bmp", std::string(250, 'p') + ".oaf"},
        {kDefault, kAfToBmp, long_name, std::nullopt},  // one dot within 259 characters
        {kFinish, kAfToBmp, "C:\\Bitmaps\\plane", "C:\\Bitmaps\\plane.bmp"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane.oaf", "C:\\Textures\\plane.oaf"},
        {kFinish, kBmpToAf, "C:\\Textures\\plane", "C:\\Textures\\plane.af"},
        {kFinish, kBmpToAf, "C:\\Textures\\my.plane", "C:\\Textures\\my.plane.af"},
        {kFinish, kAfToBmp, "D:\\Chosen\\plane.oaf.bmp", "D:\\Chosen\\plane.oaf.bmp"},  // the proposal as it stands
        {kFinish, kBmpToAf, "D:\\Chosen\\x.oaf.bmp", "D:\\Chosen\\x.oaf"},
        {kFinish, kAfToBmp, "D:\\Chosen\\x.tga", "D:\\Chosen\\x.tga.bmp"},
        {kFinish, kAfToBmp, "D:\\Chosen\\X.BMP", "D:\\Chosen\\X.BMP"},
        {kFinish, kAfToBmp, "D:\\Chosen\\.x", "D:\\Chosen\\.x.bmp"},
        {kFinish, kBmpToAf, "C:\\Tex.old\\plane", "C:\\Tex.old\\plane.af"},  // dots in folder names take no part
        {kFinish, kAfToBmp, "/home/u.v/x.y.bmp", "/home/u.v/x.y.bmp"},
        {kFinish, kAfToBmp, "/home/u.v/x", "/home/u.v/x.bmp"},
        {kFinish, kBmpToAf, folder + "x", std::nullopt},  // 257 + ".af" = 260, no room for the terminator
        {kFinish, kBmpToAf, shorter_folder + "x.af", shorter_folder + "x.af"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rule << " " << static_cast<int>(row.direction) << " " << row.given);
        switch (row.rule) {
            case kDefault: EXPECT_EQ(DefaultTargetName(row.given, row.direction), row.target); break;
            case kFinish: EXPECT_EQ(FinishSavePath(row.given, row.direction), row.target); break;
        }
    }
}

}  // namespace
