// Reading a BMP file's pixel rows, in whatever encoding its layout names, into
// the bottom-up, uncompressed rows of its packed DIB: the part of the picture
// that is kept.
#pragma once
#include <cstdint>
#include <span>
#include "core/bitmap_layout.h"
#include "core/file_access.h"
#include "core/kept_part.h"
#include "core/messages.h"
#include "core/row_sink.h"

// Reads the pixels of the file, which start at layout.pixel_offset, into
// pixels, sized for KeptHeader(layout.header, part), with positioned reads.
// Returns why it failed, or null: kBitmapShort when the file ends inside an
// uncompressed row or a read fails, kBitmapPixelsNoMemory without room. A compressed
// stream that ends early is kept as far as it goes.
const Message* ReadPixelRows(ReadableFile& file, const BitmapLayout& layout, const KeptPart& part, std::span<std::uint8_t> pixels);

// Reads the pixels of the file one row at a time into a reused row of the
// held form of layout.header and hands each row sink uses to it, in the order
// the rows lie in the file: memory for a row or two, whatever the picture's
// size. Fails as ReadPixelRows does for the whole picture; rows a compressed
// stream leaves out are handed in as colour index 0.
const Message* StreamPixelRows(ReadableFile& file, const BitmapLayout& layout, RowSink& sink);
