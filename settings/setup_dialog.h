// The Setup dialog: the two folders, the external bitmap tool, the default
// names option and the gallery's thumbnail size, stored only on OK.
#pragma once
#include <windows.h>

inline constexpr char kSetupDialogTemplate[] = "Setup";

// Runs the Setup dialog, modal over the main window.
void ShowSetupDialog(HWND owner);
// The dialog's procedure; the dialog's parent must be the main window, whose
// lists OK refills.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
