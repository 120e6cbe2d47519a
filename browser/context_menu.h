// The lists' context menu and its file commands.
#pragma once
#include <windows.h>
#include "core/sides.h"

// Opens the menu of the list that was right-clicked, at the pointer.
void ShowListContextMenu(HWND main_window, const NMHDR& header);
// Runs a command of the menu (IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_COPY_AF,
// IDM_DELETE_FILES) on the list the menu last came from; false for any other
// command. Deleting needs a menu opened first; the tool takes the Bitmaps
// list until one was.
bool RunContextMenuCommand(HWND main_window, int command);
// The side of the list the menu last came from; nothing before the first
// opening or after one from another control.
std::optional<Side> ContextMenuSide();
// A main window that starts has had no menu opened yet.
void ForgetContextMenuSide();

void CopySelectedToClipboard(HWND main_window, Side side);
void DeleteSelectedFiles(HWND main_window, Side side);
void OpenWithBitmapTool(HWND main_window, Side side);
