// The context menu's popup call, behind a seam so that tests can read the
// menu as it is shown, and choose an entry or dismiss it.
#pragma once
#include <windows.h>

// Stands in for TrackPopupMenuEx without an exclusion rectangle. A chosen
// entry reaches the owner as a posted WM_COMMAND, as with the real menu.
using PopupMenuRunner = BOOL (*)(HMENU menu, UINT flags, int x, int y, HWND owner);
// Replaces TrackPopupMenuEx; nullptr puts it back. Returns the one in place.
PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner);

BOOL RunPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);
