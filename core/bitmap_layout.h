// What the headers of a BMP file say about its colour table and pixels, and
// the 40-byte, bottom-up, uncompressed header of the packed DIB they are read
// into. Every header the reader knows is turned into this one form here, so
// that reading the colour table and the pixel rows are steps of their own.
#pragma once
#include <cstdint>
#include <span>
#include "core/bit_fields.h"
#include "core/packed_dib.h"

struct Message;

// How the pixel rows are stored in the file.
enum class PixelEncoding {
    Plain,      // rows as the packed DIB holds them
    BitFields,  // 16 or 32 bits under colour masks, read as 24 or 32 bits
    TwoBits,    // 2-bit indices, read as 4-bit ones
    Rle8,
    Rle4,
};

struct BitmapLayout {
    BitmapInfoHeader header;  // the packed DIB's
    PixelEncoding encoding = PixelEncoding::Plain;
    bool top_down = false;
    std::uint16_t file_bits = 0;  // bits a pixel in the file
    ColourChannels channels;      // for BitFields
    std::uint32_t table_offset = 0;  // in the file
    std::uint32_t entry_bytes = 4;   // 3 in OS/2 1.x files, which leave out the reserved byte
    std::uint32_t pixel_offset = 0;  // in the file
};

// The 14-byte file header in front of every BMP, which starts with "BM".
inline constexpr std::size_t kFileHeaderBytes = 14;
inline constexpr std::uint16_t kBitmapFileType = 0x4D42;

// Larger pixel rows than this, as held in memory, are refused before anything is allocated.
#ifdef LUMIVANE_FUZZ_BUILD
// Fuzz builds take 1 MiB, as image libraries' fuzzers lower their ceilings:
// every input may claim the whole ceiling, and clearing 256 MiB for each
// would leave the fuzzer few inputs a second. Every code path is still
// reached (a megabyte holds pictures larger than a texture both ways).
inline constexpr std::size_t kMaxBitmapPixelBytes = 1u << 20;
#else
inline constexpr std::size_t kMaxBitmapPixelBytes = 256u << 20;
#endif

// The largest info header read, and the most mask bytes that can follow one.
inline constexpr std::size_t kLargestInfoHeaderBytes = 124;
inline constexpr std::size_t kMostMaskBytes = 16;

// Why a file whose info header has this size is refused, or null.
const Message* HeaderSizeRefusal(std::uint32_t size);

// How many mask bytes follow the info header (given whole): the three or four
// masks behind a 40-byte header with bit fields, else none.
std::size_t MaskBytesBehind(std::span<const std::uint8_t> info);

// Fills layout from bfOffBits and the info header with the mask bytes behind
// it; returns why the file is refused, or null.
// Refuses every header whose image would be larger than the reader holds, and
// pixels said to start inside the headers or the colour table.
const Message* ParseBitmapLayout(std::uint32_t pixel_offset, std::span<const std::uint8_t> info, BitmapLayout& layout);
