// Picking the Bitmaps or Textures folder in the Setup dialog with the shell's
// folder browser.
#pragma once
#include <windows.h>

// Shows the picked folder, ending in one backslash, in the dialog's static
// target_static_id (the Bitmaps or the Textures folder text). A cancelled
// browse, or an item that is no file-system folder, changes nothing; a folder
// too long to take its backslash is refused with a message.
void BrowseForFolder(HWND setup_dialog, int target_static_id);
