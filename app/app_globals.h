// The process-wide values the main window holds for the whole program.
#pragma once
#include <windows.h>
#include <cstdint>

extern HINSTANCE g_program_instance;     // every resource load uses it
extern HMODULE g_companion_library;      // Tessaline.dll, loaded at start
extern std::uint32_t g_palette_id;       // from QRV3; 0 when the export is missing
extern WNDPROC g_previous_main_proc;     // the dialog's own window procedure
extern int g_active_list;                // 0, or the id of the list last clicked
extern int g_context_list_kind;          // 0, 3 (Bitmaps list) or 4 (Textures list)
extern HBITMAP g_check_mark_bitmap;      // beside the system-menu extras
