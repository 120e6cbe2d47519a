#pragma once
#include <windows.h>

// Runs the thumbnail gallery, modal over the main window.
void ShowGallery(HWND owner);
