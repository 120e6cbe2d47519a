// Shared pieces of the image, conversion and batch tests: the message check,
// a fixed palette source, file seams (one that counts what is read) and pixel readers.
#pragma once
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "core/file_access.h"
#include "core/jasc_palette.h"
#include "core/packed_dib.h"
#include "core/messages.h"
#include "core/palette_source.h"
#include "tests/unit/message_check.h"
#include "tests/unit/test_files.h"

inline constexpr unsigned kWarning = kMbOk | kMbIconWarning;

// A palette of 256 different colours, none of them the built-in palette's order.
inline TexturePalette MadeUpPalette() {
    TexturePalette palette{};
    for (int i = 0; i < 256; ++i) {
        palette[i * 4 + 0] = static_cast<std::uint8_t>(i * 7);
        palette[i * 4 + 1] = static_cast<std::uint8_t>(255 - i);
        palette[i * 4 + 2] = static_cast<std::uint8_t>(i * 13 + 5);
    }
    return palette;
}

// The real file system, put in place of it while alive, for a test's own
// file system to change one thing of: every call goes on to the real one,
// and replaces take the steps of FileSystem::ReplaceFile through it.
class ForwardingFileSystem : public FileSystem {
public:
    ForwardingFileSystem() : previous_(SetFileSystem(this)) {}
    ~ForwardingFileSystem() override { SetFileSystem(previous_); }
    ForwardingFileSystem(const ForwardingFileSystem&) = delete;
    ForwardingFileSystem& operator=(const ForwardingFileSystem&) = delete;
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override { return real_.OpenForReading(path); }
    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        return real_.CreateTemporary(path, temporary);
    }
    bool MoveTemporary(const std::string& temporary, const char* path) override { return real_.MoveTemporary(temporary, path); }
    void RemoveTemporary(const std::string& temporary) override { real_.RemoveTemporary(temporary); }
    void FlushFolder(const char* path) override { real_.FlushFolder(path); }

protected:
    FileSystem& real_ = Files();  // taken before this one is put in place

private:
    FileSystem* previous_;
};

// The real files, with the bytes read counted, and the reads of more than a
// byte from pixels_from on that no announcement (WillRead) covered before.
class CountedReads final : public ForwardingFileSystem {
public:
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        std::unique_ptr<ReadableFile> file = real_.OpenForReading(path);
        return file ? std::make_unique<Counted>(std::move(file), *this) : nullptr;
    }
    std::size_t bytes_read = 0, bytes_announced = 0, unannounced_reads = 0;
    std::uint64_t pixels_from = UINT64_MAX;

private:
    class Counted final : public ReadableFile {
    public:
        Counted(std::unique_ptr<ReadableFile> file, CountedReads& counts) : file_(std::move(file)), counts_(counts) {}
        std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
            const std::optional<std::size_t> got = file_->Read(buffer);
            counts_.bytes_read += got.value_or(0);
            const std::uint64_t end = at_ + got.value_or(0);
            const bool announced = std::ranges::any_of(announced_, [&](const auto& range) { return range.first <= at_ && end <= range.second; });
            counts_.unannounced_reads += got.value_or(0) > 1 && at_ >= counts_.pixels_from && !announced;
            at_ = end;
            return got;
        }
        bool Seek(std::uint32_t offset) override {
            at_ = offset;
            return file_->Seek(offset);
        }
        void WillRead(std::uint64_t offset, std::uint64_t bytes) override {
            counts_.bytes_announced += bytes;
            announced_.emplace_back(offset, offset + bytes);
            file_->WillRead(offset, bytes);
        }

    private:
        std::unique_ptr<ReadableFile> file_;
        CountedReads& counts_;
        std::uint64_t at_ = 0;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> announced_;
    };
};

inline std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// The value of pixel x of a row of pixels of the given depth.
inline std::uint32_t ValueInRow(const std::uint8_t* row, std::int32_t x, unsigned bits) {
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    std::uint32_t value = 0;
    for (unsigned byte = 0; byte < (bits + 7) / 8; ++byte) value |= std::uint32_t{row[bit / 8 + byte]} << (8 * byte);
    return bits < 8 ? (value >> (8 - bits - bit % 8)) & ((1u << bits) - 1) : value;
}

// The value of the pixel at x, y (y from the top) of a packed DIB in the form
// the readers hand out: a palette index, or the bytes of a true colour pixel.
inline std::uint32_t ValueAt(const PackedDib& dib, std::int32_t x, std::int32_t y) {
    const BitmapInfoHeader h = dib.Header();
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(h));
    return ValueInRow(dib.Pixels().data() + static_cast<std::size_t>(h.biHeight - 1 - y) * stride, x, h.biBitCount);
}

// The colour (red, green, blue) of that pixel, worked out here from the
// header's definition; an index past the colour table is black.
inline std::array<int, 3> ColourAt(const PackedDib& dib, std::int32_t x, std::int32_t y) {
    const BitmapInfoHeader h = dib.Header();
    const std::uint32_t value = ValueAt(dib, x, y);
    // 5-5-5 channels widen by repeating their top bits below them.
    const auto five = [&](int shift) { return static_cast<int>((value >> shift & 31) << 3 | (value >> shift & 31) >> 2); };
    if (h.biBitCount == 16) return {five(10), five(5), five(0)};
    if (h.biBitCount > 16) return {static_cast<int>(value >> 16 & 255), static_cast<int>(value >> 8 & 255), static_cast<int>(value & 255)};
    // The table holds biClrUsed entries (its low 16 bits), or all the depth allows when it says 0.
    if (value >= (h.biClrUsed != 0 ? h.biClrUsed & 0xFFFF : 1u << h.biBitCount)) return {0, 0, 0};
    const std::uint8_t* entry = &dib.ColorTable()[value * 4];
    return {entry[2], entry[1], entry[0]};
}
