// BMP files: a 14-byte file header in front of a packed DIB. The reader takes
// the headers of Windows (40, 52, 56, 108 and 124 bytes) and of OS/2 (12 and
// 64 bytes), bit fields, top-down rows, RLE8 and RLE4, and 1, 2, 4, 8, 16, 24
// and 32 bits; it hands out the one form the program holds: a 40-byte header,
// bottom-up, uncompressed rows of 1, 4, 8, 16 (5-5-5), 24 or 32 bits.
#pragma once
#include <functional>
#include <span>
#include "core/failure.h"
#include "core/packed_dib.h"
#include "core/row_sink.h"

// Reads the file into a packed DIB, with positioned reads and no mapping, so
// a file that changes meanwhile is at worst a read error; or why not.
Result<PackedDib> ReadBitmapFile(const char* path);

// The same for a picture that will be stretched to width x height: of a
// longer or wider picture only the rows and columns that stretching shows are
// read and kept, into a picture of at most width x height that stretches to
// the same one. The memory taken follows the size shown, not the size the
// file claims. With whole, tells whether what was kept is the whole picture.
Result<PackedDib> ReadBitmapFileForSize(const char* path, std::int32_t width, std::int32_t height, bool* whole = nullptr);

// For a consumer of every row that need not hold the picture: once the
// headers and the colour table are read, start is given the header of the
// held form and the colour table, and returns where the rows go, or null when
// there is no room for it. The rows are then read one at a time into a reused
// row and handed to that sink in the order they lie in the file, so that the
// memory taken is a row or two whatever the file claims. A failure has the
// messages of ReadBitmapFile.
using BitmapRowsStart = std::function<RowSink*(const BitmapInfoHeader& header, std::span<const std::uint8_t> colour_table)>;
Result<Done> ReadBitmapFileRows(const char* path, const BitmapRowsStart& start);

// Writes dib behind a correct file header; the old file, if any, stays as it
// was unless every byte was written.
Result<Done> WriteBitmapFile(const char* path, const PackedDib& dib);
// The same, giving dib's block back once written, as WriteTextureFile does.
Result<Done> WriteBitmapFile(const char* path, PackedDib&& dib);
