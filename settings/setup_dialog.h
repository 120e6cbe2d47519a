// The Setup dialog: the two folders, the external bitmap tool, the default
// names option and the gallery's thumbnail size, stored only on OK.
#pragma once
#include <windows.h>

inline constexpr char kSetupDialogTemplate[] = "Setup";

// Runs the Setup dialog, modal over the main window.
void ShowSetupDialog(HWND owner);
// Sent to the dialog's parent when OK has stored the settings, before the
// dialog closes: the folders the parent shows may have changed.
inline constexpr UINT kSettingsStoredMessage = WM_APP + 1;

// The dialog's procedure.
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
