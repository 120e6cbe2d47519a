// The companion library's tool windows, driven through real messages: the
// Palette Picker's swatches and Copy, the Clipboard Viewer following the real
// clipboard, and the library's own count of live GDI objects.
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>
#include "app/companion_library.h"
#include "companion/tool_window_ids.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr COLORREF kAroundPicture = RGB(96, 96, 96);
constexpr RGBQUAD kRed{0, 0, 255, 0}, kBlue{255, 0, 0, 0};

std::string TextOf(HWND window, int id) {
    char text[256] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

long LibraryGdiObjects(HWND tool) {
    return static_cast<long>(SendMessageA(tool, RegisterWindowMessageA(kLiveGdiObjectsMessage), 0, 0));
}

POINT SwatchCentre(int index) {
    return {kSwatchGridLeft + (index % kSwatchColumns) * kSwatchCell + kSwatchCell / 2,
            kSwatchGridTop + (index / kSwatchColumns) * kSwatchCell + kSwatchCell / 2};
}

LPARAM At(POINT point) { return MAKELPARAM(point.x, point.y); }

// A BI_RGB packed DIB: header, colour table, then the rows as given (bottom row first).
Bytes PackedDib(LONG width, LONG height, WORD bits, const std::vector<RGBQUAD>& table, const Bytes& rows) {
    const BITMAPINFOHEADER header{sizeof header, width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
    Bytes dib(sizeof header + table.size() * sizeof(RGBQUAD));
    std::memcpy(dib.data(), &header, sizeof header);
    if (!table.empty()) std::memcpy(dib.data() + sizeof header, table.data(), table.size() * sizeof(RGBQUAD));
    dib.insert(dib.end(), rows.begin(), rows.end());
    return dib;
}

BITMAPINFOHEADER& HeaderOf(Bytes& dib) { return *reinterpret_cast<BITMAPINFOHEADER*>(dib.data()); }

std::string ClipboardText() {
    const std::optional<Bytes> block = ClipboardBlock(CF_TEXT);
    if (!block) return "(no text)";
    const std::string whole(block->begin(), block->end());
    return whole.c_str();  // up to the terminator
}

class CompanionToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCompanionLibrary();
        QueryPaletteId();
        ASSERT_TRUE(LoadTexturePalette(nullptr, palette_));
        owner_ = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr,
                               nullptr, nullptr);
    }
    void TearDown() override {
        for (const char* tool : {kPalettePickerClass, kClipboardViewerClass}) {
            if (HWND open = FindWindowA(tool, nullptr)) DestroyWindow(open);
        }
        DestroyWindow(owner_);
        PumpMessages();
    }
    HWND OpenPicker() {
        OpenPalettePicker(owner_);
        PumpMessages();
        return FindWindowA(kPalettePickerClass, kPalettePickerTitle);
    }
    HWND OpenViewer() {
        OpenClipboardViewer(owner_);
        PumpMessages();
        return FindWindowA(kClipboardViewerClass, kClipboardViewerTitle);
    }
    COLORREF PaletteColour(int index) const {
        return RGB(palette_[index * 4 + 2], palette_[index * 4 + 1], palette_[index * 4]);
    }
    // A texture as the converter copies it: 256 x 256, 8 bits, the texture
    // palette; index 37 in the upper half, 200 in the lower (rows bottom first).
    Bytes CopiedTexture() const {
        Bytes rows(256 * 256, 37);
        std::memset(rows.data(), 200, 128 * 256);
        std::vector<RGBQUAD> table(256);
        std::memcpy(table.data(), palette_.data(), palette_.size());
        return PackedDib(256, 256, 8, table, rows);
    }
    // A point of the viewer's picture area (above the status line, inside the
    // sunken edge), counted in eighths of its width and height from its centre.
    static POINT PictureSpot(HWND viewer, int eighths_right, int eighths_down) {
        RECT client{}, status{};
        GetClientRect(viewer, &client);
        GetWindowRect(GetDlgItem(viewer, kClipboardStatusTextId), &status);
        MapWindowPoints(nullptr, viewer, reinterpret_cast<POINT*>(&status), 2);
        const RECT area{10, 10, client.right - 10, status.top - 10};
        const LONG width = area.right - area.left, height = area.bottom - area.top;
        const LONG x = area.left + width / 2 + eighths_right * width / 8;
        const LONG y = area.top + height / 2 + eighths_down * height / 8;
        return {std::clamp(x, area.left, area.right - 1), std::clamp(y, area.top, area.bottom - 1)};
    }

    std::array<std::uint8_t, kTexturePaletteBytes> palette_{};
    HWND owner_ = nullptr;
};

TEST_F(CompanionToolsTest, PickerShowsThePointedSwatchAndDrawsAndRingsTheClickedOne) {
    HWND picker = OpenPicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(GetWindow(picker, GW_OWNER), owner_);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(picker, kCopySwatchButtonId)));
    const std::pair<int, const char*> pointed[] = {{0, "Index 0 (0x00): RGB 0, 0, 0 = #000000"},
                                                   {37, "Index 37 (0x25): RGB 51, 0, 51 = #330033"},
                                                   {200, "Index 200 (0xC8): RGB 255, 153, 102 = #FF9966"},
                                                   {255, "Index 255 (0xFF): RGB 249, 249, 249 = #F9F9F9"}};
    for (auto [index, text] : pointed) {
        SendMessageA(picker, WM_MOUSEMOVE, 0, At(SwatchCentre(index)));
        EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), text);
    }
    // The last pixel of swatch 15 still counts; one further is off the grid.
    const int right_edge = kSwatchGridLeft + kSwatchColumns * kSwatchCell;
    SendMessageA(picker, WM_MOUSEMOVE, 0, MAKELPARAM(right_edge - 1, kSwatchGridTop));
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId).substr(0, 15), "Index 15 (0x0F)");
    SendMessageA(picker, WM_MOUSEMOVE, 0, MAKELPARAM(right_edge, kSwatchGridTop));
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), "Point at a colour to see its values.");

    EXPECT_EQ(TextOf(picker, kSelectedSwatchTextId), "Click a colour to select it.");
    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(200)));
    EXPECT_EQ(TextOf(picker, kSelectedSwatchTextId), "Index 200 (0xC8): RGB 255, 153, 102 = #FF9966");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(picker, kCopySwatchButtonId)));

    const PrintedClient picture(picker);
    for (int index = 0; index < 256; ++index) {
        ASSERT_EQ(picture.At(SwatchCentre(index)), PaletteColour(index)) << "swatch " << index;
    }
    const POINT corner{SwatchCentre(200).x - kSwatchCell / 2, SwatchCentre(200).y - kSwatchCell / 2};
    EXPECT_EQ(picture.At(corner), RGB(0, 0, 0));  // the selection's rings, black then white
    EXPECT_EQ(picture.At({corner.x + 1, corner.y + 1}), RGB(255, 255, 255));
    EXPECT_EQ(picture.At({corner.x + kSwatchCell, corner.y}), GetSysColor(COLOR_BTNFACE));
}

TEST_F(CompanionToolsTest, PickerCopiesTheSelectedSwatchTextAndKeepsEscapeWorking) {
    HWND picker = OpenPicker();
    ASSERT_NE(picker, nullptr);
    PutOnClipboard(owner_, CF_TEXT, Bytes{'k', 'e', 'p', 't', 0});
    SendMessageA(picker, WM_CHAR, 3, 0);  // Ctrl+C with nothing selected
    EXPECT_EQ(ClipboardText(), "kept");

    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(37)));
    SendMessageA(GetDlgItem(picker, kCopySwatchButtonId), BM_CLICK, 0, 0);
    EXPECT_EQ(ClipboardText(), "Index 37 (0x25): RGB 51, 0, 51 = #330033");
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), "Copied to the clipboard.");
    EXPECT_EQ(GetFocus(), picker);  // the button took it to be clicked; Escape must still reach the window
    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(255)));
    SendMessageA(picker, WM_CHAR, 3, 0);
    EXPECT_EQ(ClipboardText(), "Index 255 (0xFF): RGB 249, 249, 249 = #F9F9F9");

    SendMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(picker));
    EXPECT_TRUE(IsWindowEnabled(owner_));
    picker = OpenPicker();
    SendMessageA(picker, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(picker));
    EXPECT_TRUE(IsWindow(owner_) && IsWindowEnabled(owner_) && IsWindowVisible(owner_));
}

TEST_F(CompanionToolsTest, ViewerFollowsTheClipboardToACopiedTextureAndToNothing) {
    PutOnClipboard(owner_, CF_DIB, PackedDib(1, 1, 24, {}, {1, 2, 3, 0}));
    HWND viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), owner_);
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "1 x 1 pixels, 24 bits per pixel");

    PutOnClipboard(owner_, CF_DIB, CopiedTexture());
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "256 x 256 pixels, 8 bits per pixel");
    const PrintedClient texture(viewer);
    EXPECT_EQ(texture.At(PictureSpot(viewer, 0, -2)), PaletteColour(37));  // the right way up
    EXPECT_EQ(texture.At(PictureSpot(viewer, 0, 2)), PaletteColour(200));
    EXPECT_EQ(texture.At(PictureSpot(viewer, -4, 0)), kAroundPicture);  // square in a wider area

    PutOnClipboard(owner_, 0, {});
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "The clipboard holds no image.");
    PutOnClipboard(owner_, CF_TEXT, Bytes{'h', 'i', 0});
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "The clipboard holds no image.");
    EXPECT_EQ(PrintedClient(viewer).At(PictureSpot(viewer, 0, 2)), kAroundPicture);
}

TEST_F(CompanionToolsTest, ViewerDrawsEveryDepthWholeAndInItsShape) {
    std::vector<RGBQUAD> sixteen(16), full(256);
    sixteen[3] = full[37] = kRed;
    sixteen[9] = full[200] = kBlue;
    Bytes reduced_rows;  // larger than the window: red left half, blue right half
    for (int pixel = 0; pixel < 1024 * 512; ++pixel) {
        const std::uint8_t red = pixel % 1024 < 512 ? 255 : 0;
        reduced_rows.insert(reduced_rows.end(), {static_cast<std::uint8_t>(255 - red), 0, red});
    }
    const std::pair<Bytes, const char*> cases[] = {  // red then blue
        {PackedDib(2, 1, 1, {kRed, kBlue}, {0x40, 0, 0, 0}), "2 x 1 pixels, 1 bit per pixel"},
        {PackedDib(2, 1, 4, sixteen, {0x39, 0, 0, 0}), "2 x 1 pixels, 4 bits per pixel"},
        {PackedDib(2, 1, 8, full, {37, 200, 0, 0}), "2 x 1 pixels, 8 bits per pixel"},
        {PackedDib(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00}), "2 x 1 pixels, 16 bits per pixel"},
        {PackedDib(2, 1, 24, {}, {0, 0, 255, 255, 0, 0, 0, 0}), "2 x 1 pixels, 24 bits per pixel"},
        {PackedDib(2, 1, 32, {}, {0, 0, 255, 0, 255, 0, 0, 0}), "2 x 1 pixels, 32 bits per pixel"},
        {PackedDib(1024, 512, 24, {}, reduced_rows), "1024 x 512 pixels, 24 bits per pixel"},
    };
    HWND viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    for (const auto& [dib, status] : cases) {
        PutOnClipboard(owner_, CF_DIB, dib);
        EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), status);
        const PrintedClient picture(viewer);
        EXPECT_EQ(picture.At(PictureSpot(viewer, -2, 0)), RGB(255, 0, 0)) << status;
        EXPECT_EQ(picture.At(PictureSpot(viewer, 2, 0)), RGB(0, 0, 255)) << status;
        EXPECT_EQ(picture.At(PictureSpot(viewer, 0, -4)), kAroundPicture) << status;  // twice as wide as high
    }
    // A table shorter than the depth allows: the missing entries draw black.
    Bytes short_table = PackedDib(2, 1, 8, {kRed}, {0, 200, 0, 0});
    HeaderOf(short_table).biClrUsed = 1;
    PutOnClipboard(owner_, CF_DIB, short_table);
    EXPECT_EQ(PrintedClient(viewer).At(PictureSpot(viewer, 2, 0)), RGB(0, 0, 0));
}

TEST_F(CompanionToolsTest, ViewerRefusesMalformedImagesWithAReasonAndRecovers) {
    const std::string cant = "The clipboard image can't be shown: ";
    const Bytes texture = CopiedTexture();
    auto edited = [&](auto edit) {
        Bytes dib = texture;
        edit(HeaderOf(dib));
        return dib;
    };
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes(texture.begin(), texture.begin() + 40 + 1024 + 100),
         cant + "it holds fewer bytes than its header says."},
        {edited([](BITMAPINFOHEADER& h) { h.biWidth = h.biHeight = 65535, h.biBitCount = 32, h.biClrUsed = 0; }),
         cant + "it holds fewer bytes than its header says."},
        {Bytes(texture.begin(), texture.begin() + 20), cant + "its header is incomplete."},
        {edited([](BITMAPINFOHEADER& h) { h.biSize = 12; }), cant + "its header is of an unknown kind."},
        {edited([](BITMAPINFOHEADER& h) { h.biPlanes = 3; }), cant + "its header is damaged."},
        {edited([](BITMAPINFOHEADER& h) { h.biCompression = BI_RLE8; }), cant + "it is compressed."},
        {edited([](BITMAPINFOHEADER& h) { h.biCompression = BI_BITFIELDS; }), cant + "its colours are bit masks."},
        {edited([](BITMAPINFOHEADER& h) { h.biBitCount = 2; }), cant + "its bit depth is not one this viewer draws."},
        {edited([](BITMAPINFOHEADER& h) { h.biHeight = -256; }), cant + "its rows are stored top down."},
        {edited([](BITMAPINFOHEADER& h) { h.biWidth = 0; }), cant + "it has no pixels."},
        {edited([](BITMAPINFOHEADER& h) { h.biWidth = 70000; }), cant + "it is too large."},
        {edited([](BITMAPINFOHEADER& h) { h.biClrUsed = 0xFFFFFFFF; }), cant + "its colour table is too long."},
    };
    HWND viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    for (const auto& [dib, status] : cases) {
        PutOnClipboard(owner_, CF_DIB, texture);
        PutOnClipboard(owner_, CF_DIB, dib);
        ASSERT_TRUE(IsWindow(viewer)) << status;
        EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), status);
        EXPECT_EQ(PrintedClient(viewer).At(PictureSpot(viewer, 0, 0)), kAroundPicture) << status;
    }
    PutOnClipboard(owner_, CF_DIB, texture);
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "256 x 256 pixels, 8 bits per pixel");
}

TEST_F(CompanionToolsTest, ViewerWaitsWhileAnotherThreadHoldsTheClipboardOpen) {
    HWND viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    PutOnClipboard(owner_, CF_DIB, CopiedTexture());
    std::atomic<int> stage{0};  // 1: the other thread holds the clipboard open; 2: it may let go
    std::thread holder([&] {
        const OpenedClipboard held(nullptr);
        stage = 1;
        while (stage != 2) Sleep(1);
    });
    while (stage != 1) Sleep(1);
    SendMessageA(viewer, WM_CLIPBOARDUPDATE, 0, 0);
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "Waiting for another program to let go of the clipboard...");
    stage = 2;
    holder.join();
    for (int round = 0; round < 100 && TextOf(viewer, kClipboardStatusTextId)[0] == 'W'; ++round) PumpMessages();
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "256 x 256 pixels, 8 bits per pixel");
}

TEST_F(CompanionToolsTest, OpeningClosingAndRepaintingLeaveTheLibraryGdiCountAsItWas) {
    PutOnClipboard(owner_, CF_DIB, CopiedTexture());
    for (int round = 0; round < 12; ++round) {
        HWND picker = OpenPicker(), viewer = OpenViewer();
        ASSERT_TRUE(picker && viewer);
        SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(round)));
        for (HWND tool : {picker, viewer}) {
            PrintedClient{tool};
            RedrawWindow(tool, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        EXPECT_EQ(LibraryGdiObjects(picker), 1);  // the picture the viewer shows, nothing more
        SendMessageA(picker, WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    HWND viewer = OpenViewer();
    PutOnClipboard(owner_, 0, {});
    EXPECT_EQ(LibraryGdiObjects(viewer), 0);  // the old picture let go
}

TEST_F(CompanionToolsTest, TheMainWindowOpensEachToolOnceAndOutlivesThem) {
    CleanSettingsKey clean;
    RecordingMessageSink messages;
    MainWindowUnderTest main;
    SendMessageA(main.Get(), WM_SYSCOMMAND, 40006, 0);
    SendMessageA(main.Get(), WM_SYSCOMMAND, 40005, 0);
    PumpMessages();
    HWND picker = FindWindowA(kPalettePickerClass, nullptr), viewer = FindWindowA(kClipboardViewerClass, nullptr);
    ASSERT_TRUE(picker && viewer);
    EXPECT_EQ(GetWindow(picker, GW_OWNER), main.Get());
    EXPECT_EQ(GetWindow(viewer, GW_OWNER), main.Get());
    EXPECT_EQ(GetActiveWindow(), viewer);
    // Asked again, each tool comes to the front and no second one opens.
    for (const auto& [command, tool, tool_class] :
         {std::tuple{40006, picker, kPalettePickerClass}, std::tuple{40005, viewer, kClipboardViewerClass}}) {
        SendMessageA(main.Get(), WM_SYSCOMMAND, command, 0);
        PumpMessages();
        EXPECT_EQ(FindWindowA(tool_class, nullptr), tool);
        EXPECT_EQ(FindWindowExA(nullptr, tool, tool_class, nullptr), nullptr);
        EXPECT_EQ(GetActiveWindow(), tool);
    }
    SendMessageA(picker, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(main.Get()) && IsWindowEnabled(main.Get()) && IsWindowVisible(main.Get()));
}

// Unloading must not take away the code of an open tool window, and must not
// touch windows under the loader lock: the library stays loaded instead, and
// its windows keep working until they close.
TEST_F(CompanionToolsTest, FreeingTheLibraryWithItsToolsOpenLeavesThemWorking) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(CompanionLibrary(), path, MAX_PATH);
    const auto copy = std::filesystem::temp_directory_path() / "TessalineUnloadCheck.dll";
    std::error_code ignored;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ignored);
    for (int load = 0; load < 2; ++load) {  // the second load finds its classes still registered
        HMODULE library = LoadLibraryA(copy.string().c_str());
        ASSERT_NE(library, nullptr);
        for (const char* name : {"QRV1", "QRV2"}) {
            reinterpret_cast<int(__cdecl*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(library, name)))(owner_);
        }
        PumpMessages();
        HWND picker = FindWindowA(kPalettePickerClass, nullptr), viewer = FindWindowA(kClipboardViewerClass, nullptr);
        ASSERT_TRUE(picker && viewer);
        FreeLibrary(library);
        EXPECT_EQ(GetModuleHandleA(copy.string().c_str()), library);
        for (HWND tool : {picker, viewer}) {
            RedrawWindow(tool, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        PumpMessages();
        EXPECT_TRUE(IsWindowVisible(picker) && IsWindowVisible(viewer));
        SendMessageA(picker, WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpMessages();
        EXPECT_FALSE(IsWindow(picker) || IsWindow(viewer));
        EXPECT_TRUE(IsWindowEnabled(owner_));
    }
}

}  // namespace
