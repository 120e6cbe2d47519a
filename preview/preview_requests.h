// What the lists and the main window ask of the preview.
#pragma once
#include <windows.h>
#include "core/sides.h"

// Previews a file of the side in both panes, unless the panes follow that
// very file and it has not changed since: the several notifications of one
// click read it once, and a file that failed tells the user once for each
// version of it.
void PreviewFile(HWND main_window, Side side, const char* path);
// The main window's repaint, after its background: the followed file is read
// again only when its size or time stamp changed (so a file fixed in the
// paint program shows at once), then both panes paint what they keep.
void RepaintPreview(HWND main_window);
