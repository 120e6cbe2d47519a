// The plain main window until its skin is drawn.
#include "skin/main_skin.h"

void InitMainSkin(HWND) {}
void PaintMainWindow(HWND) {}
void ReleaseMainSkin(HWND) {}
