#include <gtest/gtest.h>
#include <string>
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
        EXPECT_EQ(std::vector<int>(palette->begin() + 28, palette->begin() + 32), (std::vector<int>{3, 248, 7, 0}));  // entry 7
    }
}

TEST(JascPalette, RefusesAnythingButExactly256ColoursInRange) {
    const auto changed = [](const std::string& line) {
        std::string text = PaletteText(256);
        return text.replace(text.find("\n10 245 5\n") + 1, 8, line);
    };
    const std::string cases[] = {
        "",
        PaletteText(255),
        PaletteText(256).substr(0, PaletteText(256).size() - 9),
        "JASC-PAX" + PaletteText(256).substr(8),
        PaletteText(256) + "1 2 3\n",
        changed("10 256 5"),
        changed("10 245  "),
    };
    for (const std::string& text : cases) EXPECT_FALSE(ParseJascPalette(text)) << text.substr(0, 40);
}

}  // namespace
