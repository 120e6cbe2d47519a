// The pale yellow look of the Setup dialog and the gallery: two brushes of the
// dialog background colour, made when the dialog opens and deleted when it ends.
#pragma once
#include <windows.h>
#include <optional>
#include "platform/gdi_objects.h"

inline constexpr COLORREF kDialogBackgroundColour = RGB(244, 237, 176);
inline constexpr COLORREF kBannerHighlightColour = RGB(100, 190, 255);

struct DialogBrushes {
    OwnedBrush static_brush;  // answers WM_CTLCOLORSTATIC
    OwnedBrush dialog_brush;  // answers WM_CTLCOLORBTN and WM_CTLCOLORDLG
};

// Makes the static brush, then the dialog brush.
void CreateDialogBrushes(DialogBrushes& brushes);
void DeleteDialogBrushes(DialogBrushes& brushes);
// The answer to a colour message, or nothing when the message is no colour message.
std::optional<INT_PTR> AnswerColourMessage(const DialogBrushes& brushes, UINT message, WPARAM wparam);
