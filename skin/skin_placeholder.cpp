// The plain look until the skin is drawn: buttons and background are left to
// the system.
#include "skin/bitmap_button.h"
#include "skin/main_skin.h"

BOOL DrawBitmapButton(const DRAWITEMSTRUCT&, int, int, int, int) { return TRUE; }
void InitMainSkin(HWND) {}
void PaintMainWindow(HWND) {}
void ReleaseMainSkin(HWND) {}
