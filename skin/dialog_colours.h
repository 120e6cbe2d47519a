// The pale yellow look of the Setup dialog and the gallery: two brushes of the
// dialog background colour, which each opening of the dialog holds.
#pragma once
#include <windows.h>
#include <optional>
#include "platform/guards.h"

inline constexpr COLORREF kDialogBackgroundColour = RGB(244, 237, 176);
inline constexpr COLORREF kBannerHighlightColour = RGB(100, 190, 255);

struct DialogBrushes {
    OwnedBrush static_brush;  // answers WM_CTLCOLORSTATIC
    OwnedBrush dialog_brush;  // answers WM_CTLCOLORBTN and WM_CTLCOLORDLG
};

// The answer to a colour message, or nothing when the message is no colour message.
std::optional<INT_PTR> AnswerColourMessage(const DialogBrushes& brushes, UINT message, WPARAM wparam);
