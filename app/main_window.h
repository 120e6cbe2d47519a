// The main window: a modal dialog from the template "Dijalog" that routes
// every message to the feature that handles it.
#pragma once
#include <windows.h>

inline constexpr char kMainDialogTemplate[] = "Dijalog";
inline constexpr UINT_PTR kMainSubclassId = 1;

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
// Catches the system-menu commands in front of the dialog's own window procedure.
LRESULT CALLBACK MainSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR);
