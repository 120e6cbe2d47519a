// AF texture files: 65,536 bare palette indices, 256 rows of 256, bottom row
// first. The colours come from the texture palette, never from the file.
#pragma once
#include "core/failure.h"
#include "core/packed_dib.h"

inline constexpr int kTextureSide = 256;
inline constexpr std::size_t kTexturePixelBytes = 65536;
inline constexpr std::size_t kTextureDibBytes = 40 + 1024 + kTexturePixelBytes;  // 66,600

// 256 x 256 at 8 bits, uncompressed, every other field zero.
BitmapInfoHeader TextureHeader();

// Reads the file into a 256 x 256, 8-bit packed DIB carrying the texture
// palette, or says why not.
Result<PackedDib> ReadTextureFile(const char* path);

// Writes the pixel rows of dib as the whole file; the old file, if any, stays
// as it was unless every byte was written.
Result<Done> WriteTextureFile(const char* path, const PackedDib& dib);
// The same, giving dib's block back once every byte is written, before the
// wait for the disk: a batch's files waiting for their flushes hold no
// picture, and the next file's conversion takes the same block again.
Result<Done> WriteTextureFile(const char* path, PackedDib&& dib);
