#include "skin/main_skin.h"
#include <array>
#include <optional>
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "skin/background_picture.h"
#include "skin/banner_lines.h"
#include "skin/banner_text.h"
#include "skin/fonts.h"
#include "skin/skinned_dialog.h"

namespace {

// Members go in reverse order of declaration: the off-screen bitmap is put out
// of its DC first, then the bitmaps and DCs go, the fonts last.
struct MainSkin final : DialogOpening {
    OwnedFont banner_font;
    OwnedFont title_font;
    RECT client{};
    WindowDC screen{nullptr};
    BackgroundPicture background;
    MemoryDC offscreen_dc{nullptr};
    OwnedBitmap offscreen_bitmap;
    std::optional<ObjectSelection> offscreen_selection;
};

constexpr ButtonPictures kMainButtons[] = {
    {IDC_AF_TO_BMP, IDB_AF_TO_BMP_NORMAL, IDB_AF_TO_BMP_PRESSED},
    {IDC_BMP_TO_AF, IDB_BMP_TO_AF_NORMAL, IDB_BMP_TO_AF_PRESSED},
    {IDC_SETUP, IDB_SETUP_NORMAL, IDB_SETUP_PRESSED},
    {IDC_ABOUT, IDB_ABOUT_NORMAL, IDB_ABOUT_PRESSED},
    {IDC_EXIT, IDB_EXIT_NORMAL, IDB_EXIT_PRESSED},
};
// The main window ends by its Exit button and by Close, which the program
// handles itself.
constexpr SkinnedDialogLook kMainWindowLook{kMainButtons, false, false};

std::array<BannerLine, 2> MainBannerLines(const MainSkin& skin) {
    return {{
        {IDC_BANNER_LINE1, kSimulatorName, skin.banner_font.Get()},
        {IDC_BANNER_LINE2, kProductTitle, skin.title_font.Get()},
    }};
}

}  // namespace

void InitMainSkin(HWND main_window) {
    MainSkin* opening = AttachNewOpening<MainSkin>(main_window, kMainWindowLook);
    if (!opening) return;
    MainSkin& skin = *opening;
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
    const MainSkin* opening = OpeningOf<MainSkin>(main_window);
    if (!opening) return;
    const MainSkin& skin = *opening;
    PaintDialogWithBannerLines(main_window, MainBannerLines(skin), [&](HDC dc, const RECT& invalid) {
        BitBlt(dc, invalid.left, invalid.top, invalid.right - invalid.left, invalid.bottom - invalid.top,
               skin.offscreen_dc.Get(), invalid.left, invalid.top, SRCCOPY);
    });
}

void ReleaseMainSkin(HWND main_window) { ReleaseDialogOpening(main_window); }

std::optional<INT_PTR> HandleMainSkinMessage(HWND main_window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_ERASEBKGND) {
        // The paint that follows copies the background over every pixel it
        // may change; erasing first would only make the window flicker.
        const MainSkin* skin = OpeningOf<MainSkin>(main_window);
        if (skin && skin->offscreen_bitmap) return TRUE;
        return std::nullopt;
    }
    return HandleSkinnedDialogMessage(main_window, kMainWindowLook, message, wparam, lparam);
}

HFONT MainBannerFont(HWND main_window) {
    const MainSkin* skin = OpeningOf<MainSkin>(main_window);
    return skin ? skin->banner_font.Get() : nullptr;
}

HFONT MainTitleFont(HWND main_window) {
    const MainSkin* skin = OpeningOf<MainSkin>(main_window);
    return skin ? skin->title_font.Get() : nullptr;
}
