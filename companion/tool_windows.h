// The library's two tool windows, each opened at most once at a time.
#pragma once
#include <windows.h>

extern HINSTANCE g_library_instance;

inline constexpr char kPalettePickerTitle[] = "Palette Picker";
inline constexpr char kClipboardViewerTitle[] = "Clipboard Viewer";

HWND OpenPalettePickerWindow(HWND owner);
HWND OpenClipboardViewerWindow(HWND owner);
