// The image on the clipboard (CF_DIB), once its block has passed the checks of
// core/clipboard_dib_check.h, copied into a bitmap the viewer keeps while it shows it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <span>
#include <string>
#include "platform/guards.h"

struct ClipboardImage {
    OwnedBitmap picture;  // a DIB section, when there is an image to show
    SIZE size{};
    std::string status;  // size and depth, or why there is nothing to show
    bool clipboard_busy = false;
};

// The picture in a CF_DIB block, or the reason it can't be shown. Nothing
// outside the block is read, whatever its header claims.
ClipboardImage ReadDibBlock(std::span<const std::uint8_t> block);
// Opens the clipboard for the viewer and reads its CF_DIB image, if any.
ClipboardImage ReadClipboardImage(HWND viewer);
