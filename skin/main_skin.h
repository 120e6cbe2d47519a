// The main window's look: the stretched background and the banner lines.
#pragma once
#include <windows.h>

void InitMainSkin(HWND main_window);
void PaintMainWindow(HWND main_window);
void ReleaseMainSkin(HWND main_window);

// The main window's fonts, which the About box borrows while the main window
// is open; null before InitMainSkin and after ReleaseMainSkin.
HFONT MainBannerFont();
HFONT MainTitleFont();
