#include "skin/skinned_dialog.h"
#include "skin/bitmap_button.h"

namespace {

void DrawButton(const SkinnedDialogLook& look, const DRAWITEMSTRUCT& item) {
    for (const ButtonPictures& button : look.buttons) {
        if (button.control_id == kEveryButton || button.control_id == static_cast<int>(item.CtlID)) {
            DrawBitmapButton(item, button.normal_bitmap, button.pressed_bitmap);
            return;
        }
    }
}

}  // namespace

bool AttachDialogOpening(HWND dialog, const SkinnedDialogLook& look, std::unique_ptr<DialogOpening> opening) {
    ReleaseDialogOpening(dialog);
    if (look.pale_background) {
        opening->brushes.static_brush.Reset(CreateSolidBrush(kDialogBackgroundColour));
        opening->brushes.dialog_brush.Reset(CreateSolidBrush(kDialogBackgroundColour));
    }
    // DWLP_USER rather than a window property: Wine reads a window's own
    // bytes without asking its server, and the opening is read for every
    // colour message of every control.
    SetLastError(ERROR_SUCCESS);
    const LONG_PTR held = reinterpret_cast<LONG_PTR>(opening.get());
    if (!SetWindowLongPtrA(dialog, DWLP_USER, held) && GetLastError() != ERROR_SUCCESS) return false;
    opening.release();  // the window holds it now
    return true;
}

DialogOpening* DialogOpeningOf(HWND dialog) {
    return reinterpret_cast<DialogOpening*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void ReleaseDialogOpening(HWND dialog) {
    // Taken off the window first, so a message sent while it is released
    // finds nothing rather than half of it.
    std::unique_ptr<DialogOpening> opening(reinterpret_cast<DialogOpening*>(SetWindowLongPtrA(dialog, DWLP_USER, 0)));
}

void EndSkinnedDialog(HWND dialog) {
    ReleaseDialogOpening(dialog);
    EndDialog(dialog, 1);
}

std::optional<INT_PTR> HandleSkinnedDialogMessage(HWND dialog, const SkinnedDialogLook& look, UINT message,
                                                  WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DRAWITEM:
        DrawButton(look, *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: {
        // The system's colours answered here rather than left to the default
        // dialog procedure: under Wine that asks its server for the theme's
        // dialog texture on every colour message, and no dialog of the
        // program has one.
        if (!look.pale_background) return static_cast<INT_PTR>(DefWindowProcA(dialog, message, wparam, lparam));
        const DialogOpening* opening = DialogOpeningOf(dialog);
        return opening ? AnswerColourMessage(opening->brushes, message, wparam) : INT_PTR{FALSE};
    }
    case WM_SYSCOMMAND:
        // The system's own handling follows in every case.
        if (look.ends_on_close && (wparam & 0xFFF0) == SC_CLOSE) EndSkinnedDialog(dialog);
        return FALSE;
    case WM_DESTROY:
        ReleaseDialogOpening(dialog);
        return FALSE;
    default:
        return std::nullopt;
    }
}

INT_PTR RunSkinnedDialog(HWND dialog, const SkinnedDialogLook& look, const SkinnedDialogSteps& steps, UINT message,
                         WPARAM wparam, LPARAM lparam) {
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        steps.init(dialog);
        return FALSE;
    case WM_COMMAND:
        steps.command(dialog, LOWORD(wparam));
        return FALSE;
    case WM_PAINT:
        if (!steps.paint) break;
        steps.paint(dialog);
        return FALSE;
    default:
        break;
    }
    return HandleSkinnedDialogMessage(dialog, look, message, wparam, lparam).value_or(FALSE);
}
