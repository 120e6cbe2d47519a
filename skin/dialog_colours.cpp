#include "skin/dialog_colours.h"

std::optional<INT_PTR> AnswerColourMessage(const DialogBrushes& brushes, UINT message, WPARAM wparam) {
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetBkColor(dc, kDialogBackgroundColour);
        SetTextColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<INT_PTR>(brushes.static_brush.Get());
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        return reinterpret_cast<INT_PTR>(brushes.dialog_brush.Get());
    default:
        return std::nullopt;
    }
}
