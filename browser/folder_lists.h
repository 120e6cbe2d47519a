// The Bitmaps list and the Textures list of the main window: filling them from
// their folders, following the user's clicks and previewing the focused file.
#pragma once
#include <windows.h>

inline constexpr int kRefillBitmaps = 1;
inline constexpr int kRefillTextures = 2;

// Empties and refills one list (kRefillBitmaps or kRefillTextures); returns 1.
int RefillList(HWND main_window, int which);
// True when the list was last filled from this folder. A folder that vanished
// is replaced by the program folder when it is next asked for; the names
// still listed are then not the names of files in the folder now set.
bool ListShowsFolder(int list_id, const char* folder);
// The main window hands every WM_NOTIFY here.
void HandleListNotify(HWND main_window, const NMHDR& header);
// The focused item's text in a buffer that the next call overwrites, or null.
const char* GetFocusedItemText(HWND main_window, int list_id);
// Previews the focused item of the list, as the user asked for it; nothing
// when no item has the focus.
void PreviewFocusedItem(HWND main_window, int list_id);
// The same for a repaint of the main window. A file that could not be read is
// not tried again by repaints until the user previews it again, and no preview
// starts while a conversion (and its message box) is still running: otherwise
// every repaint behind a message box would show the message once more.
void RepeatPreviewOnRepaint(HWND main_window, int list_id);
