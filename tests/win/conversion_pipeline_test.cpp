// The conversion pipeline in the real main window: each pane shows what
// StretchDIBits in COLORONCOLOR mode makes of its picture.
#include <windows.h>
#include <gtest/gtest.h>
#include <random>
#include <vector>
#include "core/bitmap_file.h"
#include "core/builtin_nearest_colour.h"
#include "core/builtin_palette.h"
#include "core/packed_dib.h"
#include "core/texture_conversion.h"
#include "preview/conversion_pipeline.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/unit/brute_force_nearest.h"
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
    const Bytes shown = BitmapFile(256, 256, 8, CompanionPalette(), Diagonals);
    const long gdi_before = LiveGdiObjectCount();
    for (int preview = 0; preview < 3; ++preview) {
        EXPECT_TRUE(RunConversion(Main(), plane.c_str(), nullptr, PipelineRequest::PreviewTexture));
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 4) << "the panes keep two pictures, each in its DC, no more";
    }
    PumpMessages();
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        // The pane's own paint, as when it is uncovered, shows its picture again.
        RedrawWindow(Item(pane), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }

    const std::uint8_t kept_text[] = "keep me";
    ASSERT_TRUE(PutOnClipboard(nullptr, CF_TEXT, kept_text));
    for (std::uint32_t mode : {0u, 5u, 6u, 0x30005u, 0x10004u}) {
        EXPECT_FALSE(RunConversion(Main(), plane.c_str(), target.c_str(), PipelineRequest{mode})) << mode;
    }
    EXPECT_FALSE(std::filesystem::exists(target));
    EXPECT_TRUE(messages_.Messages().empty());
    const std::string bad = bitmaps_.Write("bad.bmp", {'B', 'M', 1, 2, 3}).string();
    EXPECT_FALSE(RunConversion(Main(), bad.c_str(), nullptr, PipelineRequest::CopyBitmapToClipboard));
    ASSERT_EQ(messages_.Messages().size(), 1u);
    ExpectMessage(messages_.Messages()[0], "Error reading file", "@", MB_ICONWARNING, bad);
    for (int pane : {IDC_SOURCE_PANE, IDC_DESTINATION_PANE}) {
        EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), shown.data() + 14, shown.data() + 1078), 0) << pane;
    }
    EXPECT_TRUE(ClipboardBlock(CF_TEXT).has_value());
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before + 4);
}

// The Source pane shows the picture as read, the Destination pane its
// conversion to the texture palette, each stretched whole over the pane, at
// every depth, larger or smaller than the pane; a picture larger than the
// pane or the texture is read cut down to what each shows, to the same pixels.
TEST_F(ConversionPipelineTest, EachPaneShowsTheSystemsStretchOfItsPicture) {
    const auto noise = [](int x, int y) { return static_cast<std::uint32_t>((x * 2654435761u) ^ (y * 40503u) ^ (x * y)) & 0xFFFFFF; };
    const auto table = [](std::size_t entries) {
        std::vector<std::uint8_t> colours(4 * entries);
        for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<std::uint8_t>(i % 4 == 3 ? 0 : i * 97 + 13);
        return colours;
    };
    const auto values = [&](std::uint32_t count) { return [=](int x, int y) { return noise(x, y) % count; }; };
    const std::string pictures[] = {
        bitmaps_.Write("large.bmp", BitmapFile(1500, 1100, 24, {}, noise)).string(),
        bitmaps_.Write("medium.bmp", BitmapFile(300, 270, 24, {}, noise)).string(),
        bitmaps_.Write("texture.bmp", BitmapFile(256, 256, 24, {}, noise)).string(),
        bitmaps_.Write("small.bmp", BitmapFile(37, 23, 24, {}, noise)).string(),
        bitmaps_.Write("ones.bmp", BitmapFile(70, 300, 1, table(2), values(2))).string(),
        bitmaps_.Write("fours.bmp", BitmapFile(301, 99, 4, table(16), values(16))).string(),
        bitmaps_.Write("eights.bmp", BitmapFile(90, 700, 8, table(256), values(256))).string(),
        bitmaps_.Write("twenty.bmp", BuildBitmapFile({InfoHeader(120, 80, 8, 20), table(20), {}, PixelRows(120, 80, 8, values(20))})).string(),
        bitmaps_.Write("sixteens.bmp", BitmapFile(180, 150, 16, {}, values(0x8000))).string(),
        bitmaps_.Write("wide.bmp", BitmapFile(640, 480, 32, {}, noise)).string()};
    StartMainWindow();
    for (const std::string& path : pictures) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(RunConversion(Main(), path.c_str(), nullptr, PipelineRequest::PreviewBitmap));
        const Result<PackedDib> source = ReadBitmapFile(path.c_str());
        ASSERT_TRUE(source);
        const std::optional<PackedDib> texture = ConvertToTexture(*source, BuiltinTexturePalette());
        ASSERT_TRUE(texture.has_value());
        for (const auto& [pane, picture] : {std::pair{IDC_SOURCE_PANE, &*source}, {IDC_DESTINATION_PANE, &*texture}}) {
            EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(pane), picture->data(), picture->Pixels().data()), 0) << pane;
        }
    }
    // With smooth scaling the texture averages every row of the large
    // picture, not the rows cut down for whole-pixel stretching.
    WriteSettingDword("Smooth", 1);
    ASSERT_TRUE(RunConversion(Main(), pictures[0].c_str(), nullptr, PipelineRequest::PreviewBitmap));
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "Smooth");
    const Result<PackedDib> whole = ReadBitmapFile(pictures[0].c_str());
    ASSERT_TRUE(whole);
    const std::optional<PackedDib> averaged = ConvertToTexture(*whole, BuiltinTexturePalette(), {true, false});
    ASSERT_TRUE(averaged.has_value());
    EXPECT_EQ(PixelsUnlikeTheSystemsStretch(Item(IDC_DESTINATION_PANE), averaged->data(), averaged->Pixels().data()), 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

// The program built for Windows searches rows of true colour as the
// processor allows (eight pixels at a time where it has AVX2); each pixel
// gets the entry a search of the whole palette finds, ties to the first.
TEST(NearestColourOnWindows, RowsOfRandomColoursGetTheNearestEntries) {
    std::mt19937 random(98);
    std::vector<std::uint8_t> row(3 * 4096);
    for (std::uint8_t& byte : row) byte = static_cast<std::uint8_t>(random());
    std::vector<std::uint32_t> offsets(4096);
    for (std::uint32_t i = 0; i < offsets.size(); ++i) offsets[i] = 3 * i;
    for (int pass = 0; pass < 16; ++pass) {
        std::shuffle(offsets.begin(), offsets.end(), random);
        std::vector<std::uint8_t> found(offsets.size());
        BuiltinNearestColour().MapBgrPixels(row, offsets.data(), offsets.size(), found.data());
        int wrong = 0;
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            const std::uint8_t* pixel = &row[offsets[i]];
            wrong += found[i] != BruteForceNearest(BuiltinTexturePalette(), {pixel[2], pixel[1], pixel[0]});
        }
        EXPECT_EQ(wrong, 0) << "pass " << pass;
        std::generate(row.begin(), row.end(), [&] { return static_cast<std::uint8_t>(random()); });
    }
}

}  // namespace
