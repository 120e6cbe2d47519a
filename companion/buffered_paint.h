// Painting a tool window's client area through an off-screen bitmap, so a
// repaint never flickers. WM_PRINTCLIENT is answered the same way, which lets
// anyone ask a window for a picture of what it shows.
#pragma once
#include <windows.h>

using ClientDrawing = void (*)(HWND window, HDC dc, const RECT& client);

// Handles WM_PAINT and WM_PRINTCLIENT (the device context in wparam); returns
// the message's result.
LRESULT PaintClientBuffered(HWND window, UINT message, WPARAM wparam, ClientDrawing draw);
