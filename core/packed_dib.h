// The one in-memory image record: a BITMAPINFOHEADER, its colour table and the
// pixel rows in one heap block, laid out exactly as CreateDIBSection, CF_DIB and
// a BMP file (after its 14-byte file header) expect them.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

static_assert(std::endian::native == std::endian::little, "image headers are copied to and from files as they are");

struct BitmapInfoHeader {
    std::uint32_t biSize;
    std::int32_t biWidth;
    std::int32_t biHeight;
    std::uint16_t biPlanes;
    std::uint16_t biBitCount;
    std::uint32_t biCompression;
    std::uint32_t biSizeImage;
    std::int32_t biXPelsPerMeter;
    std::int32_t biYPelsPerMeter;
    std::uint32_t biClrUsed;
    std::uint32_t biClrImportant;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

inline constexpr std::size_t kInfoHeaderBytes = 40;
inline constexpr std::uint32_t kBiRgb = 0;

// biClrUsed (low 16 bits) when set, else 2, 16 or 256 for 1, 4 or 8 bits, else 0.
std::uint16_t DibColorCount(const BitmapInfoHeader& header);
// DibColorCount x 4, kept in 16 bits.
std::uint16_t DibColorTableBytes(const BitmapInfoHeader& header);
// Bytes per pixel row, padded to whole 32-bit words.
std::int32_t DibRowStride(const BitmapInfoHeader& header);
// The value of pixel x of a row of 1, 4 or 8 bits, the leftmost pixel in
// the top bits of its byte.
template <unsigned Bits>
inline unsigned DibPixelValue(const std::uint8_t* row, std::size_t x) {
    static_assert(Bits == 1 || Bits == 4 || Bits == 8);
    constexpr unsigned kPerByte = 8 / Bits;
    return row[x / kPerByte] >> ((kPerByte - 1 - x % kPerByte) * Bits) & ((1u << Bits) - 1);
}
// The pixel rows of the packed DIB starting at block: biSize + the 16-bit table size in.
std::uint8_t* DibPixels(std::uint8_t* block);
const std::uint8_t* DibPixels(const std::uint8_t* block);

// 40 + colour table + stride x height, or nothing when the header gives no
// sensible size (negative or overflowing).
std::optional<std::size_t> DibImageBytes(const BitmapInfoHeader& header);

// Owns one packed DIB block. Move-only; the block is released with it, and a
// large one kept a while for the next picture of about its size.
class PackedDib {
public:
    // A block of size uninitialised bytes, or nothing when allocation fails.
    static std::optional<PackedDib> Allocate(std::size_t size);

    PackedDib(PackedDib&& other) noexcept;
    PackedDib& operator=(PackedDib&& other) noexcept;
    PackedDib(const PackedDib&) = delete;
    PackedDib& operator=(const PackedDib&) = delete;
    ~PackedDib();

    // Enlarges or shrinks the block, which may move; on failure it stays as it was.
    bool Resize(std::size_t size);
    // Gives the block back now, leaving nothing, as a moved-from one is left.
    void Release();

    std::uint8_t* data() { return block_; }
    const std::uint8_t* data() const { return block_; }
    std::size_t size() const { return size_; }

    BitmapInfoHeader Header() const;
    void SetHeader(const BitmapInfoHeader& header);

    // The colour table (40 bytes in) and the pixel rows, as the header sizes
    // them; empty when the header asks for more than the block holds.
    std::span<std::uint8_t> ColorTable();
    std::span<const std::uint8_t> ColorTable() const;
    std::span<std::uint8_t> Pixels();
    std::span<const std::uint8_t> Pixels() const;
    // Header, colour table and pixel rows: what a BMP file and the clipboard carry.
    std::span<const std::uint8_t> Image() const;

private:
    PackedDib(std::uint8_t* block, std::size_t size, std::size_t capacity) : block_(block), size_(size), capacity_(capacity) {}
    std::uint8_t* block_;
    std::size_t size_;
    std::size_t capacity_;  // what the block holds, at least size_
};

// Every packed DIB block is (re)allocated through this function, realloc by
// default; tests put in one that fails to reach the readers' allocation messages.
using DibReallocator = void* (*)(void* block, std::size_t size);
// nullptr puts realloc back. Returns the one in place. Frees the blocks kept
// for reuse, and none is kept while a function other than realloc is in place.
DibReallocator SetDibReallocator(DibReallocator reallocate);
