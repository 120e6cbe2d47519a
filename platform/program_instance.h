// The module whose resources the program loads: the executable, or the test
// program that links the same resources.
#pragma once
#include <windows.h>

HINSTANCE ProgramInstance();
// Set once at start, before the first window is made.
void SetProgramInstance(HINSTANCE instance);
