// Shared pieces of the image, conversion and batch tests: a recording message
// sink, a fixed palette source, a scratch folder and builders for test files.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "core/jasc_palette.h"
#include "core/packed_dib.h"
#include "core/file_access.h"
#include "core/message_sink.h"
#include "core/palette_source.h"
#include "tests/unit/bitmap_file_builder.h"

struct RecordedMessage {
    WindowRef owner;
    std::string text;
    std::string caption;
    unsigned style;
};

class RecordingSink final : public MessageSink {
public:
    RecordingSink() : previous_(SetMessageSink(this)) {}
    ~RecordingSink() override { SetMessageSink(previous_); }
    int Show(WindowRef owner, std::string_view text, std::string_view caption, unsigned style) override {
        messages.push_back({owner, std::string(text), std::string(caption), style});
        return kIdOk;
    }
    std::vector<RecordedMessage> messages;

private:
    MessageSink* previous_;
};

class FixedPaletteSource final : public PaletteSource {
public:
    explicit FixedPaletteSource(const TexturePalette& palette) : palette_(palette), previous_(SetPaletteSource(this)) {}
    ~FixedPaletteSource() override { SetPaletteSource(previous_); }
    bool Load(WindowRef, std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        std::memcpy(destination.data(), palette_.data(), palette_.size());
        return true;
    }

private:
    TexturePalette palette_;
    PaletteSource* previous_;
};

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

// A folder of its own for each test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = std::filesystem::temp_directory_path() /
                ("lumivane-" + std::string(test->test_suite_name()) + "-" + test->name() + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator()));
    }

private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A packed DIB made from a header and the bytes behind it.
inline PackedDib MakeDib(const BitmapInfoHeader& header, std::span<const std::uint8_t> table, std::span<const std::uint8_t> pixels) {
    std::optional<PackedDib> dib = PackedDib::Allocate(40 + table.size() + pixels.size());
    std::memcpy(dib->data(), &header, 40);
    if (!table.empty()) std::memcpy(dib->data() + 40, table.data(), table.size());
    if (!pixels.empty()) std::memcpy(dib->data() + 40 + table.size(), pixels.data(), pixels.size());
    return std::move(*dib);
}

inline std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

// Refuses every block larger than the limit while in place, and notes the
// largest size anybody asked for.
class AllocationLimit {
public:
    explicit AllocationLimit(std::size_t limit) : previous_(SetDibReallocator(&Reallocate)) {
        limit_ = limit;
        largest_ = 0;
    }
    ~AllocationLimit() { SetDibReallocator(previous_); }
    static std::size_t largest() { return largest_; }

private:
    static void* Reallocate(void* block, std::size_t size) {
        if (size > largest_) largest_ = size;
        return size > limit_ ? nullptr : std::realloc(block, size);
    }
    static inline std::size_t limit_ = 0;
    static inline std::size_t largest_ = 0;
    DibReallocator previous_;
};

// Reads from the real files, but every write ends with the given outcome and
// touches nothing, as a full disk or a vanished share would on Windows.
class FailingWrites final : public FileSystem {
public:
    explicit FailingWrites(WriteOutcome outcome) : outcome_(outcome), previous_(SetFileSystem(this)) {}
    ~FailingWrites() override { SetFileSystem(previous_); }
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        return (previous_ ? *previous_ : real()).OpenForReading(path);
    }
    WriteOutcome ReplaceFile(const char*, std::span<const std::span<const std::uint8_t>>) override { return outcome_; }

private:
    static FileSystem& real() {
        FileSystem* current = SetFileSystem(nullptr);
        FileSystem& files = Files();
        SetFileSystem(current);
        return files;
    }
    WriteOutcome outcome_;
    FileSystem* previous_;
};
