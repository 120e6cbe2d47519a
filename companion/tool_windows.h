// The library's two tool windows. Each is open at most once at a time, owned by
// the window that asked for it; asking again brings the open one to the front.
// Once one has opened, the library stays loaded until the process ends, so a
// FreeLibrary while a tool window is open never takes away the code of its
// window procedure, and unloading never has to touch a window.
#pragma once
#include <windows.h>
#include "companion/tool_window_ids.h"

extern HINSTANCE g_library_instance;

HWND OpenPalettePickerWindow(HWND owner);
HWND OpenClipboardViewerWindow(HWND owner);

enum class ToolWindowKind { kPalettePicker, kClipboardViewer };

// What tells the two tool windows apart: their class, title, procedure, frame
// and where they open.
struct ToolWindowDescription {
    ToolWindowKind kind;
    const char* class_name;
    const char* title;
    WNDPROC procedure;
    DWORD style;
    SIZE client_size;
    bool level_with_owner_bottom;  // else level with its top, so two tools don't cover each other
};

// Brings the open window of the description's kind to the front, or creates it beside
// its owner.
HWND OpenToolWindow(const ToolWindowDescription& description, HWND owner);

// Where each tool window procedure sends what it leaves: Escape closes the
// window, the live-GDI question gets its answer, and a destroyed window is
// forgotten so the next request opens a new one.
LRESULT DefaultToolWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
