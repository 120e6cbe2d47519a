// The main window: a modal dialog from the template "Dijalog" that routes
// every message to the feature that handles it.
#pragma once
#include <windows.h>

inline constexpr char kMainDialogTemplate[] = "Dijalog";

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
