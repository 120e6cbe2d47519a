#include <windows.h>
#include <gtest/gtest.h>
#include <vector>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/texture_conversion.h"
#include "preview/conversion_pipeline.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "tests/win/picture_files.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

// Four quadrants of cube colours: top-left red, top-right green, bottom-left
// blue, bottom-right white.
std::uint8_t QuadrantIndex(int x, int y) {
    const int levels[4][3] = {{5, 0, 0}, {0, 5, 0}, {0, 0, 5}, {5, 5, 5}};
    const int* level = levels[(y >= 128) * 2 + (x >= 128)];
    return static_cast<std::uint8_t>(CubeIndex(level[0], level[1], level[2]));
}

// The colours at the middle of the four quadrants of a pane.
std::array<std::uint32_t, 4> PaneQuadrants(HWND pane) {
    RECT client{};
    GetClientRect(pane, &client);
    const int w = client.right;
    const int h = client.bottom;
    return {ColourAt(pane, w / 4, h / 4), ColourAt(pane, 3 * w / 4, h / 4), ColourAt(pane, w / 4, 3 * h / 4),
            ColourAt(pane, 3 * w / 4, 3 * h / 4)};
}

class ConversionPipelineTest : public ::testing::Test {
protected:
    CleanSettingsKey clean_;
    ScratchFolder files_{"pipeline"};
    MainWindowUnderTest main_;
    RecordingMessageSink messages_;  // after the window: its start-up asks nothing
    HWND Pane(int id) { return main_.Item(id); }
    std::string PathOf(const std::string& name) { return (files_.Path() / name).string(); }
};

// The panes keep the last picture shown; an unknown request or a file that
// cannot be read leaves them, the files and the clipboard as they were.
TEST_F(ConversionPipelineTest, TexturePreviewShowsInBothPanesUntilAGoodRequestReplacesIt) {
    files_.Write("quads.oaf", Texture(QuadrantIndex));
    const long gdi_before = LiveGdiObjectCount();
    for (int preview = 0; preview < 3; ++preview) {
        EXPECT_TRUE(RunConversion(main_.Get(), PathOf("quads.oaf").c_str(), nullptr, kPreviewTexture));
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2) << "the panes keep two pictures, no more";
    }
    const std::array<std::uint32_t, 4> expected = {CubeColour(5, 0, 0), CubeColour(0, 5, 0), CubeColour(0, 0, 5),
                                                   CubeColour(5, 5, 5)};
    EXPECT_EQ(PaneQuadrants(Pane(IDC_SOURCE_PANE)), expected);
    EXPECT_EQ(PaneQuadrants(Pane(IDC_DESTINATION_PANE)), expected);
    PumpMessages();
    EXPECT_EQ(PaneQuadrants(Pane(IDC_DESTINATION_PANE)), expected) << "a later paint of the pane wiped the picture";

    const std::uint8_t kept_text[] = "keep me";
    ASSERT_TRUE(PutOnClipboard(nullptr, CF_TEXT, kept_text));
    for (std::uint32_t mode : {0u, 5u, 6u, 0x30005u, 0x10004u}) {
        EXPECT_FALSE(RunConversion(main_.Get(), PathOf("quads.oaf").c_str(), PathOf("x.bmp").c_str(), mode)) << mode;
    }
    EXPECT_FALSE(std::filesystem::exists(files_.Path() / "x.bmp"));
    EXPECT_TRUE(messages_.Messages().empty());
    files_.Write("bad.bmp", {'B', 'M', 1, 2, 3});
    EXPECT_FALSE(RunConversion(main_.Get(), PathOf("bad.bmp").c_str(), nullptr, kCopyBitmapToClipboard));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Error reading file");
    EXPECT_EQ(PaneQuadrants(Pane(IDC_SOURCE_PANE)), expected);
    EXPECT_EQ(PaneQuadrants(Pane(IDC_DESTINATION_PANE)), expected);
    EXPECT_TRUE(ClipboardBlock(CF_TEXT).has_value());
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2);
}

TEST_F(ConversionPipelineTest, AFolderInTheTargetsPlaceGetsNoQuestionAndTheOpenMessage) {
    files_.Write("plane.oaf", Texture(QuadrantIndex));
    std::filesystem::create_directory(files_.Path() / "plane.oaf.bmp");
    const std::string target = PathOf("plane.oaf.bmp");
    RunConversion(main_.Get(), PathOf("plane.oaf").c_str(), target.c_str(), kTextureToBitmap);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Error opening file");
    EXPECT_EQ(messages_.Messages()[0].caption, target);
    EXPECT_TRUE(std::filesystem::is_directory(files_.Path() / "plane.oaf.bmp"));
}

// What StretchDIBits in COLORONCOLOR mode makes of a packed DIB over the whole canvas.
void StretchBySystem(const PackedDib& dib, Canvas& canvas) {
    SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
    StretchDIBits(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), 0, 0, dib.Header().biWidth,
                  dib.Header().biHeight, dib.Pixels().data(), reinterpret_cast<const BITMAPINFO*>(dib.data()),
                  DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
}

// The Source pane shows the picture as read, the Destination pane its
// conversion to the texture palette, each stretched whole over the pane; a
// picture much larger than the pane is cut down first, to the same pixels.
TEST_F(ConversionPipelineTest, EachPaneShowsTheSystemsStretchOfItsPicture) {
    files_.Write("large.bmp", Bmp24(1500, 1100, [](int x, int y) {
        return static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u) ^ (x * y)) & 0xFFFFFF;
    }));
    ASSERT_TRUE(RunConversion(main_.Get(), PathOf("large.bmp").c_str(), nullptr, kPreviewBitmap));
    const std::optional<PackedDib> source = ReadBitmapFile(PathOf("large.bmp").c_str());
    ASSERT_TRUE(source.has_value());
    const std::optional<PackedDib> texture = ConvertToTexture(*source, BuiltinTexturePalette());
    ASSERT_TRUE(texture.has_value());
    for (const auto& [pane, picture] : {std::pair{IDC_SOURCE_PANE, &*source}, {IDC_DESTINATION_PANE, &*texture}}) {
        RECT client{};
        GetClientRect(Pane(pane), &client);
        ASSERT_GT(client.right * client.bottom, 0);
        Canvas expected(client.right, client.bottom);
        StretchBySystem(*picture, expected);
        Canvas shown(client.right, client.bottom);
        CaptureClient(Pane(pane), shown);
        int different = 0;
        for (int y = 0; y < client.bottom; ++y) {
            for (int x = 0; x < client.right; ++x) different += shown.At(x, y) != expected.At(x, y);
        }
        EXPECT_EQ(different, 0) << "of " << client.right * client.bottom << " pixels of pane " << pane;
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
