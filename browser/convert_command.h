// The two convert buttons: the selected items, their target names, the
// conversions and the refill of the target list.
#pragma once
#include <windows.h>
#include "core/sides.h"

// Converts the selection of the side's list into files of the other side.
void ConvertSelection(HWND main_window, Side source);
