#include "core/packed_dib.h"
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {
DibReallocator g_reallocate = nullptr;

void* Reallocate(void* block, std::size_t size) {
    return g_reallocate ? g_reallocate(block, size) : std::realloc(block, size);
}

BitmapInfoHeader HeaderAt(const std::uint8_t* block) {
    BitmapInfoHeader header;
    std::memcpy(&header, block, sizeof header);
    return header;
}
}  // namespace

std::uint16_t DibColorCount(const BitmapInfoHeader& header) {
    if (header.biClrUsed != 0) return static_cast<std::uint16_t>(header.biClrUsed);
    switch (header.biBitCount) {
        case 1: return 2;
        case 4: return 16;
        case 8: return 256;
        default: return 0;
    }
}

std::uint16_t DibColorTableBytes(const BitmapInfoHeader& header) {
    return static_cast<std::uint16_t>(DibColorCount(header) * 4u);
}

std::int32_t DibRowStride(const BitmapInfoHeader& header) {
    // Worked in 64 bits so that no header can overflow; the result wraps to
    // 32 bits as the platform's own arithmetic does. Readers refuse such headers.
    const std::int64_t bits = static_cast<std::int64_t>(header.biWidth) * header.biBitCount * header.biPlanes;
    return static_cast<std::int32_t>(((bits + 31) >> 3) & ~std::int64_t{3});
}

std::uint8_t* DibPixels(std::uint8_t* block) {
    const BitmapInfoHeader header = HeaderAt(block);
    return block + header.biSize + DibColorTableBytes(header);
}

const std::uint8_t* DibPixels(const std::uint8_t* block) {
    return DibPixels(const_cast<std::uint8_t*>(block));
}

std::optional<std::size_t> DibImageBytes(const BitmapInfoHeader& header) {
    const std::int64_t bits = static_cast<std::int64_t>(header.biWidth) * header.biBitCount * header.biPlanes;
    const std::int64_t stride = ((bits + 31) >> 3) & ~std::int64_t{3};
    if (stride < 0 || header.biHeight < 0 || stride > INT32_MAX) return std::nullopt;
    const std::int64_t pixels = stride * header.biHeight;
    if (pixels > INT32_MAX) return std::nullopt;
    return kInfoHeaderBytes + DibColorTableBytes(header) + static_cast<std::size_t>(pixels);
}

std::optional<PackedDib> PackedDib::Allocate(std::size_t size) {
    void* block = Reallocate(nullptr, size == 0 ? 1 : size);
    if (!block) return std::nullopt;
    return PackedDib(static_cast<std::uint8_t*>(block), size);
}

PackedDib::PackedDib(PackedDib&& other) noexcept : block_(std::exchange(other.block_, nullptr)), size_(std::exchange(other.size_, 0)) {}

PackedDib& PackedDib::operator=(PackedDib&& other) noexcept {
    if (this != &other) {
        std::free(block_);
        block_ = std::exchange(other.block_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

PackedDib::~PackedDib() { std::free(block_); }

bool PackedDib::Resize(std::size_t size) {
    void* moved = Reallocate(block_, size == 0 ? 1 : size);
    if (!moved) return false;
    block_ = static_cast<std::uint8_t*>(moved);
    size_ = size;
    return true;
}

BitmapInfoHeader PackedDib::Header() const {
    BitmapInfoHeader header{};
    if (size_ >= sizeof header) header = HeaderAt(block_);
    return header;
}

void PackedDib::SetHeader(const BitmapInfoHeader& header) {
    if (size_ >= sizeof header) std::memcpy(block_, &header, sizeof header);
}

std::span<std::uint8_t> PackedDib::ColorTable() {
    const std::size_t bytes = DibColorTableBytes(Header());
    if (size_ < kInfoHeaderBytes || size_ - kInfoHeaderBytes < bytes) return {};
    return {block_ + kInfoHeaderBytes, bytes};
}

std::span<const std::uint8_t> PackedDib::ColorTable() const { return const_cast<PackedDib*>(this)->ColorTable(); }

std::span<std::uint8_t> PackedDib::Pixels() {
    const BitmapInfoHeader header = Header();
    const std::optional<std::size_t> image = DibImageBytes(header);
    if (!image || header.biSize != kInfoHeaderBytes || *image > size_) return {};
    const std::size_t offset = kInfoHeaderBytes + DibColorTableBytes(header);
    return {block_ + offset, *image - offset};
}

std::span<const std::uint8_t> PackedDib::Pixels() const { return const_cast<PackedDib*>(this)->Pixels(); }

std::span<const std::uint8_t> PackedDib::Image() const {
    const BitmapInfoHeader header = Header();
    const std::optional<std::size_t> image = DibImageBytes(header);
    if (!image || header.biSize != kInfoHeaderBytes || *image > size_) return {};
    return {block_, *image};
}

DibReallocator SetDibReallocator(DibReallocator reallocate) {
    return std::exchange(g_reallocate, reallocate);
}
