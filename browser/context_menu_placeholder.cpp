#include "browser/context_menu.h"

void ShowListContextMenu(HWND, const NMHDR&) {}
void CopySelectedToClipboard(HWND, int) {}
void DeleteSelectedFiles(HWND, int) {}
void OpenWithBitmapTool(HWND, int) {}
