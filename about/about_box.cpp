#include "about/about_box.h"
#include <array>
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "skin/background_picture.h"
#include "skin/banner_lines.h"
#include "skin/banner_text.h"
#include "skin/fonts.h"
#include "skin/main_skin.h"
#include "skin/skinned_dialog.h"
#include "version.h"

const std::string_view kOwnerNotice = "(c) 2026 " LUMIVANE_OWNER;
const std::string_view kLicenceNotice = "Free software under the MIT License";

namespace {

// What one opening of the box makes and releases. The banner font and the
// title font are the main window's and stay with it.
struct AboutBoxOpening final : DialogOpening {
    OwnedFont notice_font;
    OwnedFont licence_font;
    RECT client{};
    BackgroundPicture background;
};

// The OK button is the box's only owner-drawn control. Enter ends the box;
// Escape (IDCANCEL) does not; Alt+F4 does, the box having no system menu.
constexpr ButtonPictures kAboutButtons[] = {{kEveryButton, IDB_ABOUT_OK_NORMAL, IDB_ABOUT_OK_PRESSED}};
constexpr SkinnedDialogLook kAboutLook{kAboutButtons, false, true};

std::array<BannerLine, 4> AboutLines(HWND box, const AboutBoxOpening& opening) {
    HWND main_window = GetWindow(box, GW_OWNER);
    return {{
        {IDC_ABOUT_LINE1, kSimulatorName, MainBannerFont(main_window)},
        {IDC_ABOUT_LINE2, kProductTitle, MainTitleFont(main_window)},
        {IDC_ABOUT_LINE3, kOwnerNotice, opening.notice_font.Get()},
        {IDC_ABOUT_LINE4, kLicenceNotice, opening.licence_font.Get()},
    }};
}

void InitAboutBox(HWND box) {
    AboutBoxOpening* opening = AttachNewOpening<AboutBoxOpening>(box, kAboutLook);
    if (!opening) return;
    GetClientRect(box, &opening->client);
    opening->notice_font = CreateFontInPoints(box, 12, FW_BOLD, false, false, "Arial");
    opening->licence_font = CreateFontInPoints(box, 12, FW_MEDIUM, true, false, "Arial");
    KeepBannerLinesVisible(box, AboutLines(box, *opening));
}

void PaintAboutBox(HWND box) {
    const AboutBoxOpening* opening = OpeningOf<AboutBoxOpening>(box);
    if (!opening) return;
    // The picture covers the whole client area, so no strip of the standard
    // face colour shows along the right and bottom edges.
    PaintDialogWithBannerLines(box, AboutLines(box, *opening), [&](HDC dc, const RECT&) {
        opening->background.StretchOver(dc, opening->client.right, opening->client.bottom);
    });
}

void RunAboutCommand(HWND box, int command) {
    if (command == IDOK) EndSkinnedDialog(box);
}

}  // namespace

void ShowAboutBox(HWND owner) { DialogBoxParamA(ProgramInstance(), kAboutTemplate, owner, &AboutDialogProc, 0); }

INT_PTR CALLBACK AboutDialogProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunSkinnedDialog(box, kAboutLook, {InitAboutBox, RunAboutCommand, PaintAboutBox}, message, wparam, lparam);
}
