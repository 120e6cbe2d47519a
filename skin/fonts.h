// Fonts sized in points, so the banner lines keep their size at any screen
// resolution.
#pragma once
#include <windows.h>
#include "platform/guards.h"

// A font whose character height is points at the vertical resolution of
// window's device context.
OwnedFont CreateFontInPoints(HWND window, int points, int weight, bool italic, bool underline, const char* face);
