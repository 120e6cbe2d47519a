// The text of a list-view item, read into a path buffer: list items are file
// names, so they never exceed a path.
#pragma once
#include <windows.h>
#include "core/path_buffer.h"

PathBuffer ListItemText(HWND list, int item);
