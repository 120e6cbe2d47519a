// What the program asks of the companion library Tessaline.dll, which it
// loads at start and frees when the main window goes.
#pragma once
#include <windows.h>
#include <cstdint>

inline constexpr char kCompanionLibraryName[] = "Tessaline.dll";

// Loads the library beside the program; false when it is missing or broken.
bool LoadCompanionLibrary();
// Frees it; safe to call when it is not loaded.
void FreeCompanionLibrary();
// The loaded library, or null.
HMODULE CompanionLibrary();

// Stores the palette id that QRV3 returns; without QRV3 it stays as it was.
void QueryPaletteId();
// The palette id in use; 0 before QRV3 answered.
std::uint32_t PaletteId();
// Replaces the palette id, as QRV3 would.
void SetPaletteId(std::uint32_t id);
// Open the library's two tool windows; nothing happens without the export.
void OpenPalettePicker(HWND main_window);
void OpenClipboardViewer(HWND main_window);
// Makes LoadTexturePalette take the palette from the library's resource.
void UseCompanionPalette();
