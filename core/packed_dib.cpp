#include "core/packed_dib.h"
#include <cstdlib>
#include <cstring>
#include <array>
#include <mutex>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define LUMIVANE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIVANE_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef LUMIVANE_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(block, size) ((void)(block), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(block, size) ((void)(block), (void)(size))
#endif

namespace {
DibReallocator g_reallocate = nullptr;

void* Reallocate(void* block, std::size_t size) {
    return g_reallocate ? g_reallocate(block, size) : std::realloc(block, size);
}

// Blocks of a picture's size are kept when freed, for the next picture: a
// heap may hand the pages of a large block freed at its end back to the
// system (Wine's does, and Windows' past its thresholds), and the next
// picture of a batch then faults each of them in again, a trap into the
// kernel apiece. A block more than twice the size asked for is not taken,
// and none is kept or taken while a test's allocator is in place. A kept
// block is poisoned for the address sanitizer, which then still tells a use
// after it was freed.
class FreedBlocks {
public:
    struct Kept {
        void* block = nullptr;
        std::size_t capacity = 0;
    };
    // A kept block of at least size bytes and what it holds; no block when none fits.
    Kept Take(std::size_t size) {
        if (size < kSmallest || size > kLargest || g_reallocate) return {};
        const std::lock_guard<std::mutex> guard(lock_);
        for (Kept& kept : kept_) {
            if (kept.block && kept.capacity >= size && kept.capacity / 2 < size) {
                ASAN_UNPOISON_MEMORY_REGION(kept.block, kept.capacity);
                return std::exchange(kept, Kept{});
            }
        }
        return {};
    }
    // Never allocates, so that it may run as anything unwinds.
    void Free(void* block, std::size_t capacity) {
        if (block && capacity >= kSmallest && capacity <= kLargest && !g_reallocate) {
            const std::lock_guard<std::mutex> guard(lock_);
            std::size_t kept_bytes = 0;
            for (const Kept& kept : kept_) kept_bytes += kept.capacity;
            if (kept_bytes + capacity <= kMostKeptBytes) {
                for (Kept& kept : kept_) {
                    if (!kept.block) {
                        ASAN_POISON_MEMORY_REGION(block, capacity);
                        kept = {block, capacity};
                        return;
                    }
                }
            }
        }
        std::free(block);
    }
    void FreeAll() {
        const std::lock_guard<std::mutex> guard(lock_);
        for (Kept& kept : kept_) {
            ASAN_UNPOISON_MEMORY_REGION(kept.block, kept.capacity);
            std::free(std::exchange(kept, Kept{}).block);
        }
    }

private:
    static constexpr std::size_t kSmallest = 32u << 10;
    static constexpr std::size_t kLargest = 1u << 20;
    static constexpr std::size_t kMostKeptBytes = 2u << 20;
    std::mutex lock_;
    std::array<Kept, 8> kept_{};  // an empty place holds no block and no capacity
};

// Never destroyed: a thread still converting as the program ends may free a block.
FreedBlocks& Freed() {
    static FreedBlocks* const freed = new FreedBlocks;
    return *freed;
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
    if (const FreedBlocks::Kept kept = Freed().Take(size); kept.block) {
        return PackedDib(static_cast<std::uint8_t*>(kept.block), size, kept.capacity);
    }
    void* block = Reallocate(nullptr, size == 0 ? 1 : size);
    if (!block) return std::nullopt;
    return PackedDib(static_cast<std::uint8_t*>(block), size, size == 0 ? 1 : size);
}

PackedDib::PackedDib(PackedDib&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)), size_(std::exchange(other.size_, 0)), capacity_(std::exchange(other.capacity_, 0)) {}

PackedDib& PackedDib::operator=(PackedDib&& other) noexcept {
    if (this != &other) {
        Freed().Free(block_, capacity_);
        block_ = std::exchange(other.block_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

PackedDib::~PackedDib() { Freed().Free(block_, capacity_); }

void PackedDib::Release() {
    Freed().Free(std::exchange(block_, nullptr), std::exchange(capacity_, 0));
    size_ = 0;
}

bool PackedDib::Resize(std::size_t size) {
    if (size > capacity_) {
        if (const FreedBlocks::Kept kept = Freed().Take(size); kept.block) {
            if (size_ > 0) std::memcpy(kept.block, block_, size_);
            Freed().Free(block_, capacity_);
            block_ = static_cast<std::uint8_t*>(kept.block);
            size_ = size;
            capacity_ = kept.capacity;
            return true;
        }
    }
    void* moved = Reallocate(block_, size == 0 ? 1 : size);
    if (!moved) return false;
    block_ = static_cast<std::uint8_t*>(moved);
    size_ = size;
    capacity_ = size == 0 ? 1 : size;
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
    Freed().FreeAll();  // blocks of the allocator that goes
    return std::exchange(g_reallocate, reallocate);
}
