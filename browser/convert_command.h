// The two convert buttons: the selected items, their target names, the
// conversions and the refill of the target list.
#pragma once
#include <windows.h>

// direction 4 converts textures to bitmaps, 3 bitmaps to textures.
void ConvertSelection(HWND main_window, int direction);
