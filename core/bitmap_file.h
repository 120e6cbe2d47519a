// BMP files: a 14-byte file header in front of a packed DIB with a 40-byte
// BITMAPINFOHEADER. Only uncompressed, bottom-up images of 1, 4, 8, 16, 24 or
// 32 bits are read.
#pragma once
#include <optional>
#include "core/packed_dib.h"

inline constexpr std::size_t kFileHeaderBytes = 14;
inline constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"
// Larger pixel rows than this are refused before anything is allocated.
inline constexpr std::size_t kMaxBitmapPixelBytes = 256u << 20;

// Reads the file into a packed DIB. On failure the user has been told and
// nothing is returned.
std::optional<PackedDib> ReadBitmapFile(const char* path);

// Writes dib behind a correct file header; the old file, if any, stays as it
// was unless every byte was written. False after telling the user.
bool WriteBitmapFile(const char* path, const PackedDib& dib);
