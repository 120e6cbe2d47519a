// The paint of a dialog that carries banner lines. A banner static has no text
// of its own: its line exists only because the dialog draws it after its own
// paint, so everything here keeps the static from painting over that line.
#pragma once
#include <windows.h>
#include <functional>
#include <span>
#include <string_view>

struct BannerLine {
    int control_id;
    std::string_view text;
    HFONT font;  // null draws in the static's current font
};

// Makes each banner static leave its own painting to the dialog: when the
// platform repaints a static alone, the dialog repaints the area beneath it,
// which draws the line again.
void KeepBannerLinesVisible(HWND dialog, std::span<const BannerLine> lines);

// The dialog's WM_PAINT: paint_background fills the invalid part of the paint
// DC between BeginPaint and EndPaint; after EndPaint each line is drawn. The
// invalid part always covers the banner statics whole, so every line is drawn
// over fresh background and never over its own earlier drawing.
void PaintDialogWithBannerLines(HWND dialog, std::span<const BannerLine> lines,
                                const std::function<void(HDC paint_dc, const RECT& invalid)>& paint_background);
