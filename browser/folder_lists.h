// The Bitmaps list and the Textures list of the main window: filling them from
// their folders, following the user's clicks and previewing the focused file.
#pragma once
#include <windows.h>
#include <optional>
#include "core/path_buffer.h"
#include "core/sides.h"
#include "core/uncopyable.h"

// Empties and refills the side's list from its folder; returns 1. The panes
// let go of a file of that side, which the list no longer shows.
int RefillList(HWND main_window, Side side);
// True when the side's list was last filled from this folder. A folder that
// vanished is replaced by the program folder when it is next asked for; the
// names still listed are then not the names of files in the folder now set.
bool ListShowsFolder(Side side, const char* folder);
// The folder the side's list was last filled from, as it was set then.
PathBuffer ListedFolder(Side side);
// While one lives, the lists' own notifications of items taken out or put in
// run no selection step: a list that follows its folder changes under the
// user without moving the buttons or the preview.
class QuietListChanges : Uncopyable {
public:
    QuietListChanges();
    ~QuietListChanges();
};
// The main window hands every WM_NOTIFY here: a change of a list's items or a
// right-click in it runs the selection step (the list's convert button on,
// the other one off, its focused item previewed).
void HandleListNotify(HWND main_window, const NMHDR& header);
// The focused item's text, or nothing when no item has the focus.
std::optional<PathBuffer> FocusedItemName(HWND main_window, Side side);
// The focused item's path in the side's folder; nothing without a focused
// item or when the path would not fit.
std::optional<PathBuffer> FocusedItemPath(HWND main_window, Side side);
// Previews the focused item of the side's list; nothing when no item has the focus.
void PreviewFocusedItem(HWND main_window, Side side);
