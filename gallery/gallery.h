// The thumbnail gallery: every texture and every bitmap of the main window's
// two lists as a small picture with its name, textures on the left.
#pragma once
#include <windows.h>

inline constexpr char kGalleryTemplate[] = "PREVIEW";

// Runs the thumbnail gallery, modal over the main window.
void ShowGallery(HWND owner);
// The gallery's dialog procedure; the dialog's owner must be the main window,
// whose lists it shows.
INT_PTR CALLBACK GalleryDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
