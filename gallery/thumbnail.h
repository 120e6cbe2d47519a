// One file of the gallery turned into a square thumbnail in an image list.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstddef>
#include <optional>
#include "core/sides.h"

// Header, a 256-entry colour table and 4 spare bytes: the block that describes
// a thumbnail bitmap to CreateDIBSection.
inline constexpr std::size_t kThumbnailHeaderBytes = 40 + 1024 + 4;

// The thumbnail side in pixels for a "Thumbs" index: 60 for 1, 80 for 2 and
// 32 for anything else.
int ThumbnailSizeFor(DWORD thumbs_index);

// Where thumbnails go: drawn with the screen's context (none when it could
// not be had), size x size, into images.
struct ThumbnailTarget {
    HDC screen;
    int size;
    HIMAGELIST images;
};

// Reads the file with the reader of its side and squeezes the whole picture
// into the target's square (nothing cropped, the aspect not kept), which is
// added to its images. Returns the image index, or nothing when the file gets
// no picture: the reader or the palette lookup (owned by gallery) has then
// told the user, except when memory, the screen or a DIB section could not be had.
std::optional<int> RenderThumbnail(HWND gallery, const char* path, Side side, const ThumbnailTarget& target);
