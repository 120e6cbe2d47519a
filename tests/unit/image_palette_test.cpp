#include <gtest/gtest.h>
#include <string>
#include "core/builtin_palette.h"
#include "core/jasc_palette.h"

namespace {

std::string PaletteText(int count, const std::string& line_end = "\n") {
    std::string text = "JASC-PAL" + line_end + "0100" + line_end + std::to_string(count) + line_end;
    for (int entry = 0; entry < count; ++entry) {
        text += std::to_string(entry) + " " + std::to_string(255 - entry) + " " + std::to_string(entry / 2) + line_end;
    }
    return text;
}

TEST(JascPalette, ReadsRedGreenBlueLinesIntoBlueGreenRedQuads) {
    for (const std::string line_end : {"\n", "\r\n"}) {
        const std::optional<TexturePalette> palette = ParseJascPalette(PaletteText(256, line_end) + line_end);
        ASSERT_TRUE(palette);
        EXPECT_EQ((*palette)[7 * 4 + 0], 3);    // blue
        EXPECT_EQ((*palette)[7 * 4 + 1], 248);  // green
        EXPECT_EQ((*palette)[7 * 4 + 2], 7);    // red
        EXPECT_EQ((*palette)[7 * 4 + 3], 0);
    }
}

TEST(JascPalette, RefusesAnythingButExactly256ColoursInRange) {
    std::string out_of_range = PaletteText(256);
    out_of_range.replace(out_of_range.find("\n10 245 5\n") + 1, 8, "10 256 5");
    std::string short_line = PaletteText(256);
    short_line.replace(short_line.find("\n10 245 5\n") + 1, 8, "10 245  ");
    const std::string cases[] = {
        "",
        PaletteText(255),
        PaletteText(256).substr(0, PaletteText(256).size() - 9),
        "JASC-PAX" + PaletteText(256).substr(8),
        PaletteText(256) + "1 2 3\n",
        out_of_range,
        short_line,
    };
    for (const std::string& text : cases) EXPECT_FALSE(ParseJascPalette(text)) << text.substr(0, 40);
}

TEST(JascPalette, BuiltInPaletteIsTheCompanionFile) {
    const TexturePalette& palette = BuiltinTexturePalette();
    // The file begins "0 0 0" then "0 0 51".
    EXPECT_EQ(palette[0] | palette[1] | palette[2], 0);
    EXPECT_EQ(palette[4], 51);
    EXPECT_EQ(ParseJascPalette(kBuiltinPaletteText), std::optional<TexturePalette>(palette));
}

}  // namespace
