// The main window's two panes, Source and Destination. Each keeps the picture
// it shows, already stretched to its size, and paints it on WM_PAINT. The
// Source pane also remembers the file those pictures come from (or that
// failed to give any) with its size and time stamp and the texture options
// it was converted with, so that a repaint reads that file again only when
// it or the options have changed.
#pragma once
#include <windows.h>
#include <optional>
#include "core/packed_dib.h"
#include "core/path_buffer.h"
#include "core/sides.h"
#include "core/texture_conversion.h"

struct FollowedFile {
    Side side;
    PathBuffer path;
};

// The panes now show, or try to show, this file as it is at this moment,
// converted with these options.
void FollowFile(HWND main_window, Side side, const char* path, TextureOptions options);
// The size of the Source pane's picture in pixels: a picture larger than
// that may be read cut down to it, by the rule that stretches it.
SIZE SourcePaneSize(HWND main_window);
// Replaces both pictures and paints them at once.
void ShowPictures(HWND main_window, const PackedDib& source, const PackedDib& converted);
// True when the panes follow this file of the side and neither it nor the
// options have changed since it was last read.
bool FollowsUnchanged(HWND main_window, Side side, const char* path);
// The file the panes follow, when it or the options have changed since it was last read.
std::optional<FollowedFile> ChangedFollowedFile(HWND main_window);
// Paints the kept pictures now, over whatever the main window painted beneath them.
void RedrawPanes(HWND main_window);
// Forgets a file of the side, whose list no longer shows it: both pictures
// go and the panes show the window's background again.
void ForgetFileOf(HWND main_window, Side side);
