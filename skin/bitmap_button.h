// Owner-drawn push buttons: a normal and a pressed bitmap, nothing else.
#pragma once
#include <windows.h>

// Draws the pressed bitmap when the item is selected, the normal one otherwise,
// the whole bitmap stretched over the item; returns TRUE, the answer to
// WM_DRAWITEM.
BOOL DrawBitmapButton(const DRAWITEMSTRUCT& item, int normal_bitmap_id, int pressed_bitmap_id);
