// Reads a bitmap or texture, converts it to a 256 x 256 texture in the texture
// palette, shows both pictures in the main window's panes and then, by the
// mode, writes the result or puts an image on the clipboard.
#pragma once
#include <windows.h>
#include <cstdint>
#include "core/packed_dib.h"

inline constexpr std::uint32_t kPreviewBitmap = 1;
inline constexpr std::uint32_t kPreviewTexture = 2;
inline constexpr std::uint32_t kBitmapToTexture = 3;
inline constexpr std::uint32_t kTextureToBitmap = 4;
inline constexpr std::uint32_t kCopyTextureToClipboard = 0x10005;
inline constexpr std::uint32_t kCopyBitmapToClipboard = 0x20005;

// target_path is used by kBitmapToTexture and kTextureToBitmap only; any other
// mode than the six above does nothing. True when the source was read and
// drawn; every failure has been reported to the user before it returns.
bool RunConversion(HWND main_window, const char* source_path, const char* target_path, std::uint32_t mode);

// True while a conversion runs, including the message boxes it shows.
bool IsConversionRunning();

// Hands a copy of the packed DIB to the open, emptied clipboard as CF_DIB.
bool PutDibOnClipboard(const PackedDib& dib);
