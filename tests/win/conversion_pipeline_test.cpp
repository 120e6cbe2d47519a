// The conversion pipeline in the real main window, and the converter's
// scaler against the platform: it stretches pictures by whole pixels as
// StretchBlt does in COLORONCOLOR mode; here the platform is the reference.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/stretch_map.h"
#include "core/texture_conversion.h"
#include "preview/conversion_pipeline.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "tests/unit/bitmap_file_builder.h"
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

using ConversionPipelineTest = WindowTest;

// The panes keep the last picture shown; an unknown request or a file that
// cannot be read leaves them, the files and the clipboard as they were.
TEST_F(ConversionPipelineTest, TexturePreviewShowsInBothPanesUntilAGoodRequestReplacesIt) {
    const std::string plane = textures_.Write("plane.oaf", Texture(Diagonals)).string();
    const std::string target = (bitmaps_.Path() / "x.bmp").string();
    StartMainWindow();
    // The picture as an 8-bit bitmap file with the texture palette: its DIB from offset 14.
    const Bytes shown = Bmp8(256, 256, CompanionPalette(), Diagonals);
    const long gdi_before = LiveGdiObjectCount();
    for (int preview = 0; preview < 3; ++preview) {
        EXPECT_TRUE(RunConversion(Main(), plane.c_str(), nullptr, kPreviewTexture));
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2) << "the panes keep two pictures, no more";
    }
    PumpMessages();  // a later paint of a pane must not wipe its picture
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }

    const std::uint8_t kept_text[] = "keep me";
    ASSERT_TRUE(PutOnClipboard(nullptr, CF_TEXT, kept_text));
    for (std::uint32_t mode : {0u, 5u, 6u, 0x30005u, 0x10004u}) {
        EXPECT_FALSE(RunConversion(Main(), plane.c_str(), target.c_str(), mode)) << mode;
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(messages_.Messages().empty());
    const std::string bad = bitmaps_.Write("bad.bmp", {'B', 'M', 1, 2, 3}).string();
    EXPECT_FALSE(RunConversion(Main(), bad.c_str(), nullptr, kCopyBitmapToClipboard));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Error reading file");
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }
    EXPECT_TRUE(ClipboardBlock(CF_TEXT).has_value());
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 2);
}

// The Source pane shows the picture as read, the Destination pane its
// conversion to the texture palette, each stretched whole over the pane; a
// picture much larger than the pane is cut down first, to the same pixels.
TEST_F(ConversionPipelineTest, EachPaneShowsTheSystemsStretchOfItsPicture) {
    const std::string large = bitmaps_.Write("large.bmp", Bmp24(1500, 1100, [](int x, int y) {
        return static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u) ^ (x * y)) & 0xFFFFFF;
    })).string();
    StartMainWindow();
    ASSERT_TRUE(RunConversion(Main(), large.c_str(), nullptr, kPreviewBitmap));
    const std::optional<PackedDib> source = ReadBitmapFile(large.c_str());
    ASSERT_TRUE(source.has_value());
    const std::optional<PackedDib> texture = ConvertToTexture(*source, BuiltinTexturePalette());
    ASSERT_TRUE(texture.has_value());
    for (const auto& [pane, picture] : {std::pair{IDC_SOURCE_PANE, &*source}, {IDC_DESTINATION_PANE, &*texture}}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), picture->data(), picture->Pixels().data()), 0) << pane;
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST(ScalingVsGdi, StretchBltInColorOnColorPicksTheSourcePixelsOurScalerPicks) {
    const SIZE sources[] = {{300, 200}, {37, 1000}, {1, 1}, {257, 255}, {512, 256}, {128, 128},
                            {384, 640}, {1000, 37}, {4095, 3}, {2, 511}, {256, 256}, {255, 257}};
    Canvas target(256, 256);
    for (const SIZE& size : sources) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        // Every source pixel carries its own position: x in the low 12 bits, y from the top in the high 12.
        const std::size_t stride = (static_cast<std::size_t>(size.cx) * 3 + 3) / 4 * 4;
        std::vector<std::uint8_t> pixels(stride * static_cast<std::size_t>(size.cy));
        for (LONG y = 0; y < size.cy; ++y) {
            std::uint8_t* row = pixels.data() + static_cast<std::size_t>(size.cy - 1 - y) * stride;
            for (LONG x = 0; x < size.cx; ++x) {
                const std::uint32_t position = static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 12;
                std::memcpy(row + 3 * x, &position, 3);
            }
        }
        Canvas source(size.cx, size.cy);
        const BitmapInfoHeader header = InfoHeader(size.cx, size.cy, 24);
        SetDIBitsToDevice(source.Dc(), 0, 0, size.cx, size.cy, 0, 0, 0, size.cy, pixels.data(),
                          reinterpret_cast<const BITMAPINFO*>(&header), DIB_RGB_COLORS);
        SetStretchBltMode(target.Dc(), COLORONCOLOR);
        ASSERT_TRUE(StretchBlt(target.Dc(), 0, 0, 256, 256, source.Dc(), 0, 0, size.cx, size.cy, SRCCOPY));
        GdiFlush();
        const std::vector<std::int32_t> columns = StretchedColumns(size.cx, 256);
        const std::vector<std::int32_t> rows = StretchedRows(size.cy, 256);
        int differences = 0;
        for (std::size_t y = 0; y < 256; ++y) {
            for (std::size_t x = 0; x < 256; ++x) {
                differences += Rgb(target.At(static_cast<int>(x), static_cast<int>(y))) !=
                               static_cast<std::uint32_t>(columns[x] | rows[y] << 12);
            }
        }
        EXPECT_EQ(differences, 0) << "target pixels showing another source pixel than ours";
    }
}

}  // namespace
