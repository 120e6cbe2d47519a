// Reading a BMP file's pixel rows, in whatever encoding its layout names, into
// the bottom-up, uncompressed rows of its packed DIB.
#pragma once
#include <span>
#include "core/bitmap_layout.h"
#include "core/file_access.h"

// Reads from the file's position, which is where the pixels start, into
// pixels, sized for layout.header. False when the file ends inside an
// uncompressed row or a read fails; a compressed stream that ends early is
// kept as far as it goes.
bool ReadPixelRows(ReadableFile& file, const BitmapLayout& layout, std::span<std::uint8_t> pixels);
