#include "app/app_globals.h"

HINSTANCE g_program_instance = nullptr;
HMODULE g_companion_library = nullptr;
std::uint32_t g_palette_id = 0;
WNDPROC g_previous_main_proc = nullptr;
int g_active_list = 0;
int g_context_list_kind = 0;
HBITMAP g_check_mark_bitmap = nullptr;
