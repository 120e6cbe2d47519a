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

std::uint8_t Diagonals(int x, int y) { return static_cast<std::uint8_t>((x + 2 * y) % 216); }

// The pixels of the pane that differ from what StretchDIBits in COLORONCOLOR
// mode makes of a DIB over the whole pane; -1 for a pane of no size.
int PixelsUnlikeTheSystemsStretch(HWND pane, const void* info, const void* bits) {
    RECT client{};
    GetClientRect(pane, &client);
    if (client.right * client.bottom <= 0) return -1;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(info);
    Canvas expected(client.right, client.bottom);
    SetStretchBltMode(expected.Dc(), COLORONCOLOR);
    StretchDIBits(expected.Dc(), 0, 0, client.right, client.bottom, 0, 0, header->biWidth, header->biHeight, bits,
                  static_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    Canvas shown(client.right, client.bottom);
    CaptureClient(pane, shown);
    int different = 0;
    for (int y = 0; y < client.bottom; ++y) {
        for (int x = 0; x < client.right; ++x) different += shown.At(x, y) != expected.At(x, y);
    }
    return different;
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
    files_.Write("plane.oaf", Texture(Diagonals));
    // The picture as an 8-bit bitmap file with the texture palette: its DIB from offset 14.
    const Bytes shown = Bmp8(256, 256, CompanionPalette(), Diagonals);
    const long gdi_before = LiveGdiObjectCount();
    for (int preview = 0; preview < 3; ++preview) {
        EXPECT_TRUE(RunConversion(main_.Get(), PathOf("plane.oaf").c_str(), nullptr, kPreviewTexture));
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2) << "the panes keep two pictures, no more";
    }
    PumpMessages();  // a later paint of a pane must not wipe its picture
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Pane(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }

    const std::uint8_t kept_text[] = "keep me";
    ASSERT_TRUE(PutOnClipboard(nullptr, CF_TEXT, kept_text));
    for (std::uint32_t mode : {0u, 5u, 6u, 0x30005u, 0x10004u}) {
        EXPECT_FALSE(RunConversion(main_.Get(), PathOf("plane.oaf").c_str(), PathOf("x.bmp").c_str(), mode)) << mode;
    }
    EXPECT_FALSE(std::filesystem::exists(files_.Path() / "x.bmp"));
    EXPECT_TRUE(messages_.Messages().empty());
    files_.Write("bad.bmp", {'B', 'M', 1, 2, 3});
    EXPECT_FALSE(RunConversion(main_.Get(), PathOf("bad.bmp").c_str(), nullptr, kCopyBitmapToClipboard));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Error reading file");
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Pane(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }
    EXPECT_TRUE(ClipboardBlock(CF_TEXT).has_value());
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2);
}

TEST_F(ConversionPipelineTest, AFolderInTheTargetsPlaceGetsNoQuestionAndTheOpenMessage) {
    files_.Write("plane.oaf", Texture(Diagonals));
    std::filesystem::create_directory(files_.Path() / "plane.oaf.bmp");
    const std::string target = PathOf("plane.oaf.bmp");
    RunConversion(main_.Get(), PathOf("plane.oaf").c_str(), target.c_str(), kTextureToBitmap);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Error opening file");
    EXPECT_EQ(messages_.Messages()[0].caption, target);
    EXPECT_TRUE(std::filesystem::is_directory(files_.Path() / "plane.oaf.bmp"));
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
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Pane(pane), picture->data(), picture->Pixels().data()), 0) << pane;
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
