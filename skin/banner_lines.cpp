#include "skin/banner_lines.h"
#include <commctrl.h>
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "skin/banner_text.h"

namespace {

constexpr UINT_PTR kBannerSubclassId = 1;

// Invalidates the part of the static's parent beneath the static, without
// touching the static itself, so the two cannot keep invalidating each other.
void InvalidateParentBeneath(HWND banner) {
    HWND parent = GetParent(banner);
    RECT beneath{};
    GetClientRect(banner, &beneath);
    MapWindowPoints(banner, parent, reinterpret_cast<POINT*>(&beneath), 2);
    RedrawWindow(parent, &beneath, nullptr, RDW_INVALIDATE | RDW_NOCHILDREN);
}

LRESULT CALLBACK BannerStaticProc(HWND banner, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PaintSession{banner};  // paints nothing: validates the static
        InvalidateParentBeneath(banner);
        return 0;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(banner, &BannerStaticProc, kBannerSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(banner, message, wparam, lparam);
}

}  // namespace

void KeepBannerLinesVisible(HWND dialog, std::span<const BannerLine> lines) {
    for (const BannerLine& line : lines) {
        if (HWND banner = DialogItem(dialog, line.control_id)) {
            SetWindowSubclass(banner, &BannerStaticProc, kBannerSubclassId, 0);
        }
    }
}

void PaintDialogWithBannerLines(HWND dialog, std::span<const BannerLine> lines,
                                const std::function<void(HDC paint_dc, const RECT& invalid)>& paint_background) {
    for (const BannerLine& line : lines) {
        if (HWND banner = DialogItem(dialog, line.control_id)) InvalidateParentBeneath(banner);
    }
    {
        const PaintSession paint(dialog);
        if (paint.Dc()) paint_background(paint.Dc(), paint.Invalid());
    }
    for (const BannerLine& line : lines) {
        // The paint above has just covered the static whole; a repaint of
        // its own still pending would only ask for the same paint again.
        if (HWND banner = DialogItem(dialog, line.control_id)) ValidateRect(banner, nullptr);
        DrawBannerText(dialog, line.control_id, line.text, line.font);
    }
}
