#pragma once
#include <windows.h>

// Runs the About box, modal over owner.
void ShowAboutBox(HWND owner);
