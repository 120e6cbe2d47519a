// What the outside can see of the library's two tool windows: their titles and
// classes, the ids of their controls, the swatch grid's geometry and the
// registered message through which they report the library's live GDI objects.
#pragma once
#include "core/swatch_grid.h"

inline constexpr char kPalettePickerTitle[] = "Palette Picker";
inline constexpr char kPalettePickerClass[] = "TessalinePalettePicker";
inline constexpr char kClipboardViewerTitle[] = "Clipboard Viewer";
inline constexpr char kClipboardViewerClass[] = "TessalineClipboardViewer";

// Answered by both tool windows with the number of GDI objects and device
// contexts the library holds at that moment.
inline constexpr char kLiveGdiObjectsMessage[] = "TessalineLiveGdiObjects";

// Palette Picker, below its grid of swatches.
inline constexpr int kPointedSwatchTextId = 101;
inline constexpr int kSelectedSwatchTextId = 102;
inline constexpr int kCopySwatchButtonId = 103;

// Clipboard Viewer: the line under the picture.
inline constexpr int kClipboardStatusTextId = 201;
