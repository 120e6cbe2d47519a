#pragma once
#include <windows.h>

// Runs the Setup dialog, modal over the main window.
void ShowSetupDialog(HWND owner);
