// What the program asks of the companion library Tessaline.dll.
#pragma once
#include <windows.h>

inline constexpr char kCompanionLibraryName[] = "Tessaline.dll";

// Stores the palette id that QRV3 returns; without QRV3 it stays as it was.
void QueryPaletteId();
// Open the library's two tool windows; nothing happens without the export.
void OpenPalettePicker(HWND main_window);
void OpenClipboardViewer(HWND main_window);
// Makes LoadTexturePalette take the palette from the library's resource.
void UseCompanionPalette();
