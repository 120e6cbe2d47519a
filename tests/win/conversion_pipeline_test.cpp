#include <windows.h>
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "preview/conversion_pipeline.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "tests/win/picture_files.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

// Four quadrants of cube colours: top-left red, top-right green, bottom-left
// blue, bottom-right white.
std::uint32_t QuadrantColour(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    if (!right && !bottom) return CubeColour(5, 0, 0);
    if (right && !bottom) return CubeColour(0, 5, 0);
    if (!right) return CubeColour(0, 0, 5);
    return CubeColour(5, 5, 5);
}

std::uint8_t QuadrantIndex(int x, int y) {
    const std::uint32_t rgb = QuadrantColour(x, y, 256, 256);
    return static_cast<std::uint8_t>(CubeIndex((rgb >> 16) / 51, ((rgb >> 8) & 0xFF) / 51, (rgb & 0xFF) / 51));
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

TEST_F(ConversionPipelineTest, TexturePreviewShowsTheSamePictureInBothPanes) {
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
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(ConversionPipelineTest, BitmapColoursBecomeTheNearestPaletteColoursInTheDestinationOnly) {
    // Off-palette colours, each nearest to one cube colour.
    files_.Write("off.bmp", Bmp24(300, 200, [](int x, int y) {
        const std::uint32_t rgb = QuadrantColour(x, y, 300, 200);
        return rgb == CubeColour(5, 5, 5) ? 0xFDFEFCu : (rgb & 0xFEFEFE) - 0x030303 * ((rgb & 0xFF) > 0);
    }));
    EXPECT_TRUE(RunConversion(main_.Get(), PathOf("off.bmp").c_str(), nullptr, kPreviewBitmap));
    const std::array<std::uint32_t, 4> shown = PaneQuadrants(Pane(IDC_DESTINATION_PANE));
    EXPECT_EQ(shown[0], CubeColour(5, 0, 0));
    EXPECT_EQ(shown[1], CubeColour(0, 5, 0));
    EXPECT_EQ(shown[3], CubeColour(5, 5, 5));
    EXPECT_EQ(PaneQuadrants(Pane(IDC_SOURCE_PANE))[3], 0xFDFEFCu);
}

TEST_F(ConversionPipelineTest, OverwritingAnExistingTextureAsksAndOnlyYesReplacesIt) {
    files_.Write("quads.bmp", Bmp24(256, 256, [](int x, int y) { return QuadrantColour(x, y, 256, 256); }));
    const Bytes old_texture(70000, 7);
    files_.Write("quads.bmp.af", old_texture);
    const std::string target = PathOf("quads.bmp.af");

    messages_.QueueAnswer(IDNO);
    RunConversion(main_.Get(), PathOf("quads.bmp").c_str(), target.c_str(), kBitmapToTexture);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, target);
    EXPECT_EQ(messages_.Messages()[0].caption, "Do you want to overwrite existing target?");
    EXPECT_EQ(messages_.Messages()[0].style, static_cast<unsigned>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(messages_.Messages()[0].owner, main_.Get());
    EXPECT_EQ(ReadWholeFile(target), old_texture);

    messages_.QueueAnswer(IDYES);
    RunConversion(main_.Get(), PathOf("quads.bmp").c_str(), target.c_str(), kBitmapToTexture);
    EXPECT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(ReadWholeFile(target), Texture(QuadrantIndex));
}

TEST_F(ConversionPipelineTest, TextureToANewBitmapWritesWithoutAQuestion) {
    const Bytes texture = Texture(QuadrantIndex);
    files_.Write("plane.oaf", texture);
    const std::string target = PathOf("plane.oaf.bmp");
    RunConversion(main_.Get(), PathOf("plane.oaf").c_str(), target.c_str(), kTextureToBitmap);
    EXPECT_TRUE(messages_.Messages().empty());
    const Bytes written = ReadWholeFile(target);
    ASSERT_EQ(written.size(), 66614u);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 14),
              (Bytes{'B', 'M', 0x36, 0x04, 0x01, 0, 0, 0, 0, 0, 0x36, 0x04, 0, 0}));
    const std::array<std::uint8_t, 1024> palette = CompanionPalette();
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), written.begin() + 54));
    EXPECT_TRUE(std::equal(texture.begin(), texture.end(), written.begin() + 1078));
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

// What StretchBlt in COLORONCOLOR mode makes of a bitmap file over the whole canvas.
void StretchBySystem(const Bytes& file, Canvas& canvas) {
    SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(file.data() + 14);
    std::uint32_t offset = 0;
    std::memcpy(&offset, file.data() + 10, 4);
    StretchDIBits(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), 0, 0, info->bmiHeader.biWidth,
                  info->bmiHeader.biHeight, file.data() + offset, info, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
}

TEST_F(ConversionPipelineTest, ALargePictureShowsTheSamePixelsAsTheSystemsStretch) {
    const Bytes file = Bmp24(1500, 1100, [](int x, int y) {
        return static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u) ^ (x * y)) & 0xFFFFFF;
    });
    files_.Write("large.bmp", file);
    ASSERT_TRUE(RunConversion(main_.Get(), PathOf("large.bmp").c_str(), nullptr, kPreviewBitmap));
    RECT client{};
    GetClientRect(Pane(IDC_SOURCE_PANE), &client);
    ASSERT_GT(client.right * client.bottom, 0);
    Canvas expected(client.right, client.bottom);
    StretchBySystem(file, expected);
    Canvas shown(client.right, client.bottom);
    CaptureClient(Pane(IDC_SOURCE_PANE), shown);
    int different = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) different += shown.At(x, y) != expected.At(x, y);
    }
    EXPECT_EQ(different, 0) << "of " << client.right * client.bottom << " pixels";
}

TEST_F(ConversionPipelineTest, UnknownModesAndUnreadableSourcesChangeNothing) {
    files_.Write("quads.oaf", Texture(QuadrantIndex));
    RunConversion(main_.Get(), PathOf("quads.oaf").c_str(), nullptr, kPreviewTexture);
    const std::array<std::uint32_t, 4> before = PaneQuadrants(Pane(IDC_SOURCE_PANE));
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
    EXPECT_EQ(PaneQuadrants(Pane(IDC_SOURCE_PANE)), before);
    EXPECT_FALSE(ClipboardBlock(CF_DIB).has_value());
}

}  // namespace
