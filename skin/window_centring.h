#pragma once
#include <windows.h>

// Moves window to the centre of reference, kept on the primary screen; the
// window keeps its size and place in the z-order.
void CenterWindowOver(HWND window, HWND reference);
