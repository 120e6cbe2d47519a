#include "about/about_box.h"
#include <array>
#include <optional>
#include "platform/program_instance.h"
#include "platform/gdi_objects.h"
#include "resources/resource_ids.h"
#include "skin/background_picture.h"
#include "skin/banner_lines.h"
#include "skin/banner_text.h"
#include "skin/bitmap_button.h"
#include "skin/fonts.h"
#include "skin/main_skin.h"
#include "version.h"

const std::string_view kOwnerNotice = "(c) 2026 " LUMIVANE_OWNER;
const std::string_view kLicenceNotice = "Free software under the MIT License";

namespace {

// What one opening of the box makes and releases. The banner font and the
// title font are the main window's and stay with it.
struct AboutBoxObjects {
    OwnedFont notice_font;
    OwnedFont licence_font;
    RECT client{};
    BackgroundPicture background;
};

std::optional<AboutBoxObjects> g_about_box;

std::array<BannerLine, 4> AboutLines(const AboutBoxObjects& objects) {
    return {{
        {IDC_ABOUT_LINE1, kSimulatorName, MainBannerFont()},
        {IDC_ABOUT_LINE2, kProductTitle, MainTitleFont()},
        {IDC_ABOUT_LINE3, kOwnerNotice, objects.notice_font.Get()},
        {IDC_ABOUT_LINE4, kLicenceNotice, objects.licence_font.Get()},
    }};
}

void InitAboutBox(HWND box) {
    AboutBoxObjects& objects = g_about_box.emplace();
    GetClientRect(box, &objects.client);
    objects.notice_font = CreateFontInPoints(box, 12, FW_BOLD, false, false, "Arial");
    objects.licence_font = CreateFontInPoints(box, 12, FW_MEDIUM, true, false, "Arial");
    KeepBannerLinesVisible(box, AboutLines(objects));
}

void PaintAboutBox(HWND box) {
    if (!g_about_box) return;
    const AboutBoxObjects& objects = *g_about_box;
    // The picture covers the whole client area, so no strip of the standard
    // face colour shows along the right and bottom edges.
    PaintDialogWithBannerLines(box, AboutLines(objects), [&](HDC dc, const RECT&) {
        objects.background.StretchOver(dc, objects.client.right, objects.client.bottom);
    });
}

void EndAboutBox(HWND box) {
    g_about_box.reset();
    EndDialog(box, 1);
}

}  // namespace

void ShowAboutBox(HWND owner) { DialogBoxParamA(ProgramInstance(), kAboutTemplate, owner, &AboutDialogProc, 0); }

INT_PTR CALLBACK AboutDialogProc(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        InitAboutBox(box);
        return FALSE;
    case WM_PAINT:
        PaintAboutBox(box);
        return FALSE;
    case WM_DRAWITEM:
        // The OK button is the box's only owner-drawn control.
        return DrawBitmapButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam), IDB_ABOUT_OK_NORMAL,
                                IDB_ABOUT_OK_PRESSED, 59, 33);
    case WM_COMMAND:
        // Enter ends the box; Escape (IDCANCEL) does not.
        if (LOWORD(wparam) == IDOK) EndAboutBox(box);
        return FALSE;
    case WM_SYSCOMMAND:
        // The box has no system menu; this is Alt+F4.
        if ((wparam & 0xFFF0) == SC_CLOSE) EndAboutBox(box);
        return FALSE;
    case WM_DESTROY:
        // A box destroyed without being ended, with its owner for instance,
        // lets go of its objects too.
        g_about_box.reset();
        return FALSE;
    default:
        return FALSE;
    }
}
