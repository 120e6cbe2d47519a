#include "skin/main_skin.h"
#include <array>
#include <optional>
#include "platform/gdi_objects.h"
#include "resources/resource_ids.h"
#include "skin/background_picture.h"
#include "skin/banner_lines.h"
#include "skin/banner_text.h"
#include "skin/fonts.h"

namespace {

// Members go in reverse order of declaration: the off-screen bitmap is put out
// of its DC first, then the bitmaps and DCs go, the fonts last.
struct MainSkin {
    OwnedFont banner_font;
    OwnedFont title_font;
    RECT client{};
    WindowDC screen{nullptr};
    BackgroundPicture background;
    MemoryDC offscreen_dc{nullptr};
    OwnedBitmap offscreen_bitmap;
    std::optional<ObjectSelection> offscreen_selection;
};

std::optional<MainSkin> g_main_skin;

std::array<BannerLine, 2> MainBannerLines(const MainSkin& skin) {
    return {{
        {IDC_BANNER_LINE1, kSimulatorName, skin.banner_font.Get()},
        {IDC_BANNER_LINE2, kProductTitle, skin.title_font.Get()},
    }};
}

}  // namespace

void InitMainSkin(HWND main_window) {
    MainSkin& skin = g_main_skin.emplace();
    GetClientRect(main_window, &skin.client);
    // The window never changes size, so the background is stretched once and
    // every repaint is a plain copy.
    skin.offscreen_bitmap.Reset(CreateCompatibleBitmap(skin.screen.Get(), skin.client.right, skin.client.bottom));
    skin.offscreen_selection.emplace(skin.offscreen_dc.Get(), skin.offscreen_bitmap.Get());
    if (skin.offscreen_bitmap) skin.background.StretchOver(skin.offscreen_dc.Get(), skin.client.right, skin.client.bottom);
    skin.banner_font = CreateFontInPoints(main_window, 18, FW_HEAVY, false, false, "Arial");
    skin.title_font = CreateFontInPoints(main_window, 14, FW_HEAVY, false, false, "Arial");
    KeepBannerLinesVisible(main_window, MainBannerLines(skin));
}

void PaintMainWindow(HWND main_window) {
    if (!g_main_skin) return;
    const MainSkin& skin = *g_main_skin;
    PaintDialogWithBannerLines(main_window, MainBannerLines(skin), [&](HDC dc, const RECT& invalid) {
        BitBlt(dc, invalid.left, invalid.top, invalid.right - invalid.left, invalid.bottom - invalid.top,
               skin.offscreen_dc.Get(), invalid.left, invalid.top, SRCCOPY);
    });
}

void ReleaseMainSkin(HWND) { g_main_skin.reset(); }

HFONT MainBannerFont() { return g_main_skin ? g_main_skin->banner_font.Get() : nullptr; }

HFONT MainTitleFont() { return g_main_skin ? g_main_skin->title_font.Get() : nullptr; }
