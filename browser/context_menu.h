// The lists' context menu and its file commands.
#pragma once
#include <windows.h>

void ShowListContextMenu(HWND main_window, const NMHDR& header);
void CopySelectedToClipboard(HWND main_window, int list_id);
void DeleteSelectedFiles(HWND main_window, int context_list_kind);
void OpenWithBitmapTool(HWND main_window, int context_list_kind);
