// The main window's look: the stretched background and the banner lines.
#pragma once
#include <windows.h>
#include <optional>

// The skin belongs to the main window from InitMainSkin until ReleaseMainSkin
// or the window's destruction, whichever comes first.
void InitMainSkin(HWND main_window);
void PaintMainWindow(HWND main_window);
void ReleaseMainSkin(HWND main_window);
// The buttons' WM_DRAWITEM, the colour messages, WM_ERASEBKGND (nothing to
// erase while the background picture covers the window) and the release at
// WM_DESTROY; nothing for any other message.
std::optional<INT_PTR> HandleMainSkinMessage(HWND main_window, UINT message, WPARAM wparam, LPARAM lparam);

// The main window's fonts, which the About box borrows while the main window
// is open; null before InitMainSkin and after ReleaseMainSkin.
HFONT MainBannerFont(HWND main_window);
HFONT MainTitleFont(HWND main_window);
