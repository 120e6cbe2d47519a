// The companion library Tessaline.dll through real messages and the real
// clipboard: its exports and palette, the Palette Picker's swatches and Copy,
// the Clipboard Viewer following the clipboard, the library's own count of
// live GDI objects, and unloading it while its windows are open.
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include "app/companion_library.h"
#include "companion/tool_window_ids.h"
#include "core/builtin_palette.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr char kTextureStatus[] = "256 x 256 pixels, 8 bits per pixel";

std::string TextOf(HWND window, int id) {
    char text[256] = {};
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

std::string ClipboardText() {
    const std::optional<Bytes> block = ClipboardBlock(CF_TEXT);
    return block ? std::string(block->begin(), std::find(block->begin(), block->end(), 0)) : "(no text)";
}

long LibraryGdiObjects(HWND tool) {
    return static_cast<long>(SendMessageA(tool, RegisterWindowMessageA(kLiveGdiObjectsMessage), 0, 0));
}

POINT SwatchCentre(int index) {
    const SwatchRect cell = SwatchCell(index);
    return {cell.left + kSwatchCell / 2, cell.top + kSwatchCell / 2};
}

LPARAM At(POINT point) { return MAKELPARAM(point.x, point.y); }

class CompanionTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureCompanionLibrary();
        QueryPaletteId();
        owner_ = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 300, nullptr, nullptr,
                               nullptr, nullptr);
    }
    void TearDown() override {
        for (const char* tool : {kPalettePickerClass, kClipboardViewerClass}) {
            if (HWND open = FindWindowA(tool, nullptr)) DestroyWindow(open);
        }
        DestroyWindow(owner_);
        PumpMessages();
        QueryPaletteId();
    }
    HWND Open(void (*open)(HWND), const char* tool_class, const char* title) {
        open(owner_);
        PumpMessages();
        return FindWindowA(tool_class, title);
    }
    HWND OpenPicker() { return Open(&OpenPalettePicker, kPalettePickerClass, kPalettePickerTitle); }
    HWND OpenViewer() { return Open(&OpenClipboardViewer, kClipboardViewerClass, kClipboardViewerTitle); }
    // A texture as the converter copies it: 256 x 256, 8 bits, the texture
    // palette; index 37 in the upper half, 200 in the lower.
    static Bytes CopiedTexture() {
        return DibBytes(InfoHeader(256, 256, 8), CompanionPalette(), PixelRows(256, 256, 8, [](int, int y) { return y < 128 ? 37 : 200; }));
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

    HWND owner_ = nullptr;
    MessageRecorder messages_;
};

// QRV3 gave the palette id (QRV1 and QRV2 are called by name below); the
// palette is a resource of the named type "RT_RCDATA", not the numeric RT_RCDATA.
// An unknown id gives the first fatal error.
TEST_F(CompanionTest, ThePaletteIdNamesThePaletteFileAndAnUnknownOneIsAFatalError) {
    ASSERT_NE(PaletteId(), 0u);
    ASSERT_NE(FindResourceA(CompanionLibrary(), MAKEINTRESOURCEA(PaletteId() & 0xFFFF), "RT_RCDATA"), nullptr);
    EXPECT_EQ(FindResourceA(CompanionLibrary(), MAKEINTRESOURCEA(PaletteId() & 0xFFFF), RT_RCDATA), nullptr);
    EXPECT_EQ(std::optional<TexturePalette>(CompanionPalette()), ParseJascPalette(kBuiltinPaletteText));
    EXPECT_TRUE(messages_.Messages().empty());

    SetPaletteId(0);
    TexturePalette palette{};
    palette.fill(0xAB);
    ExpectMessage(Shown(LoadTexturePalette(palette)), "Fatal error (PAL1)!", "Application error", MB_OK | MB_ICONEXCLAMATION);
    EXPECT_EQ(palette[0], 0xAB);
}

TEST_F(CompanionTest, PickerDrawsThePaletteAndCopiesTheSelectedSwatchKeepingEscapeWorking) {
    HWND picker = OpenPicker();
    ASSERT_NE(picker, nullptr);
    SendMessageA(picker, WM_MOUSEMOVE, 0, At(SwatchCentre(37)));
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), "Index 37 (0x25): RGB 51, 0, 51 = #330033");
    SendMessageA(picker, WM_MOUSEMOVE, 0, MAKELPARAM(kSwatchGridLeft + kSwatchGridSize, kSwatchGridTop));
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), "Point at a colour to see its values.");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(picker, kCopySwatchButtonId)));
    PutOnClipboard(owner_, CF_TEXT, Bytes{'k', 'e', 'p', 't', 0});
    SendMessageA(picker, WM_CHAR, 3, 0);  // Ctrl+C with nothing selected
    EXPECT_EQ(ClipboardText(), "kept");

    EXPECT_EQ(TextOf(picker, kSelectedSwatchTextId), "Click a colour to select it.");
    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(200)));
    EXPECT_EQ(TextOf(picker, kSelectedSwatchTextId), "Index 200 (0xC8): RGB 255, 153, 102 = #FF9966");
    const PrintedClient picture(picker);
    for (int index = 0; index < 256; ++index) {
        ASSERT_EQ(Rgb(picture.At(SwatchCentre(index))), PaletteColour(index)) << "swatch " << index;
    }
    const POINT corner{SwatchCell(200).left, SwatchCell(200).top};
    EXPECT_EQ(picture.At(corner), RGB(0, 0, 0));  // the selection's rings, black then white
    EXPECT_EQ(picture.At({corner.x + 1, corner.y + 1}), RGB(255, 255, 255));
    EXPECT_EQ(picture.At({corner.x + kSwatchCell, corner.y}), GetSysColor(COLOR_BTNFACE));

    SendMessageA(GetDlgItem(picker, kCopySwatchButtonId), BM_CLICK, 0, 0);
    EXPECT_EQ(ClipboardText(), "Index 200 (0xC8): RGB 255, 153, 102 = #FF9966");
    EXPECT_EQ(TextOf(picker, kPointedSwatchTextId), "Copied to the clipboard.");
    EXPECT_EQ(GetFocus(), picker);  // the button took it to be clicked; Escape must still reach the window
    SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(255)));
    SendMessageA(picker, WM_CHAR, 3, 0);
    EXPECT_EQ(ClipboardText(), "Index 255 (0xFF): RGB 249, 249, 249 = #F9F9F9");
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(IsWindow(picker));
    EXPECT_TRUE(IsWindowEnabled(owner_));
}

// The viewer follows the clipboard through the rows in turn, each read at four
// spots of the picture area: upper left, lower right, top middle, left middle.
// The picture it keeps is the library's only GDI object, and goes with it.
// Rows: a table copied in, short or whole; no table; enlarged sharp or reduced.
// At the end it waits while another thread holds the clipboard open.
TEST_F(CompanionTest, ViewerShowsEveryDepthWholeInItsShapeAndWaitsForABusyClipboard) {
    const Bytes texture = CopiedTexture();
    const std::uint32_t red = 0xFF0000, blue = 0x0000FF, black = 0, around = 0x606060;
    const std::uint32_t top = PaletteColour(37), bottom = PaletteColour(200);
    const std::array<std::uint32_t, 4> nothing{around, around, around, around}, red_blue{red, blue, around, red};
    const struct {
        UINT format;
        Bytes bytes;
        const char* status;
        std::array<std::uint32_t, 4> spots;
    } rows[] = {
        {CF_DIB, texture, kTextureStatus, {top, bottom, top, around}},  // a square in a wider area
        {CF_DIB, Bytes(texture.begin(), texture.begin() + 40 + 1024 + 100),  // the clipboard block's own size
         "The clipboard image can't be shown: it holds fewer bytes than its header says.", nothing},
        {CF_DIB, DibBytes(InfoHeader(2, 1, 1), Bytes{0, 0, 255, 0, 255, 0, 0, 0}, Bytes{0x40, 0, 0, 0}), "2 x 1 pixels, 1 bit per pixel",
         red_blue},
        {CF_DIB, DibBytes(InfoHeader(2, 1, 8, 1), Bytes{0, 0, 255, 0}, Bytes{0, 200, 0, 0}), "2 x 1 pixels, 8 bits per pixel",
         {red, black, around, red}},  // entries missing from a short table draw black
        {CF_DIB, DibBytes(InfoHeader(2, 1, 32), Bytes{}, Bytes{0, 0, 255, 0, 255, 0, 0, 0}), "2 x 1 pixels, 32 bits per pixel", red_blue},
        {CF_DIB, DibBytes(InfoHeader(1024, 512, 24), {}, PixelRows(1024, 512, 24, [](int x, int) { return x < 512 ? 0xFF0000u : 0x0000FFu; })),
         "1024 x 512 pixels, 24 bits per pixel", red_blue},  // larger than the window
        {CF_TEXT, {'h', 'i', 0}, "The clipboard holds no image.", nothing},
    };
    HWND viewer = OpenViewer();
    ASSERT_NE(viewer, nullptr);
    for (const auto& row : rows) {
        PutOnClipboard(owner_, row.format, row.bytes);
        EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), row.status);
        EXPECT_EQ(LibraryGdiObjects(viewer), row.spots == nothing ? 0 : 1) << row.status;
        const PrintedClient picture(viewer);
        const POINT spots[] = {PictureSpot(viewer, -2, -2), PictureSpot(viewer, 2, 2), PictureSpot(viewer, 0, -4),
                               PictureSpot(viewer, -4, 0)};
        for (int spot = 0; spot < 4; ++spot) {
            EXPECT_EQ(Rgb(picture.At(spots[spot])), row.spots[spot]) << row.status << spot;
        }
    }

    PutOnClipboard(owner_, CF_DIB, texture);
    std::atomic<int> stage{0};  // 1: another thread holds the clipboard open; 2: it may let go
    std::thread holder([&] {
        const OpenedClipboard held(nullptr);
        stage = 1;
        while (stage != 2) Sleep(1);
    });
    while (stage != 1) Sleep(1);
    SendMessageA(viewer, WM_CLIPBOARDUPDATE, 0, 0);
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), "Waiting for another program to let go of the clipboard...");
    EXPECT_EQ(LibraryGdiObjects(viewer), 1) << "the picture shown stays while it waits";
    stage = 2;
    holder.join();
    for (int round = 0; round < 100 && TextOf(viewer, kClipboardStatusTextId)[0] == 'W'; ++round) PumpMessages();
    EXPECT_EQ(TextOf(viewer, kClipboardStatusTextId), kTextureStatus);
}

TEST_F(CompanionTest, TheMainWindowsSystemMenuOpensEachToolOnceOwnedByItAndOutlivesThem) {
    CleanSettingsKey clean;
    MainWindowUnderTest main;
    for (const auto& [entry, tool_class] : {std::pair{"Palette Picker", kPalettePickerClass},
                                            std::pair{"Clipboard Viewer", kClipboardViewerClass}}) {
        const UINT command = SystemMenuCommand(main.Get(), entry);
        ASSERT_NE(command, 0u) << entry;
        SendMessageA(main.Get(), WM_SYSCOMMAND, command, 0);
        PumpMessages();
        HWND tool = FindWindowA(tool_class, nullptr);
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(GetWindow(tool, GW_OWNER), main.Get());
        SetActiveWindow(main.Get());
        SendMessageA(main.Get(), WM_SYSCOMMAND, command, 0);  // again: the same one comes to the front
        PumpMessages();
        EXPECT_EQ(FindWindowA(tool_class, nullptr), tool);
        EXPECT_EQ(FindWindowExA(nullptr, tool, tool_class, nullptr), nullptr);
        EXPECT_EQ(GetActiveWindow(), tool);
        SendMessageA(tool, WM_SYSCOMMAND, SC_CLOSE, 0);
        EXPECT_FALSE(IsWindow(tool));
    }
    EXPECT_TRUE(IsWindow(main.Get()) && IsWindowEnabled(main.Get()) && IsWindowVisible(main.Get()));
}

// Unloading must not take away the code of an open tool window, and must not
// touch windows under the loader lock: the library stays loaded instead, and
// its windows keep working until they close. Its count of live GDI objects,
// compared exactly, shows a leak of one opening or repaint in the next.
TEST_F(CompanionTest, FreeingTheLibraryWithItsToolsOpenLeavesThemWorkingAndOpeningsLeakNothing) {
    PutOnClipboard(owner_, CF_DIB, CopiedTexture());
    char path[MAX_PATH] = {};
    GetModuleFileNameA(CompanionLibrary(), path, MAX_PATH);
    const auto copy = std::filesystem::temp_directory_path() / "TessalineUnloadCheck.dll";
    std::error_code ignored;
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing, ignored);
    for (int load = 0; load < 3; ++load) {  // later loads find its classes still registered
        HMODULE library = LoadLibraryA(copy.string().c_str());
        ASSERT_NE(library, nullptr);
        for (const char* name : {"QRV1", "QRV2"}) {
            reinterpret_cast<int(__cdecl*)(HWND)>(reinterpret_cast<void*>(GetProcAddress(library, name)))(owner_);
        }
        PumpMessages();
        HWND picker = FindWindowA(kPalettePickerClass, nullptr), viewer = FindWindowA(kClipboardViewerClass, nullptr);
        ASSERT_TRUE(picker && viewer);
        SendMessageA(picker, WM_LBUTTONDOWN, MK_LBUTTON, At(SwatchCentre(load)));
        FreeLibrary(library);
        EXPECT_EQ(GetModuleHandleA(copy.string().c_str()), library);
        for (HWND tool : {picker, viewer}) {
            PrintedClient{tool};
            RedrawWindow(tool, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
        PumpMessages();
        EXPECT_TRUE(IsWindowVisible(picker) && IsWindowVisible(viewer));
        EXPECT_EQ(LibraryGdiObjects(picker), 1);  // the picture the viewer shows, nothing more
        SendMessageA(picker, WM_KEYDOWN, VK_ESCAPE, 0);
        SendMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpMessages();
        EXPECT_FALSE(IsWindow(picker) || IsWindow(viewer));
    }
}

}  // namespace
