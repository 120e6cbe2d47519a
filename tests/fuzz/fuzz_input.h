// What every fuzz target shares: the input served as the only file there is,
// messages swallowed, and the built-in texture palette.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <algorithm>
#include <memory>
#include <optional>
#include "core/builtin_palette.h"
#include "core/packed_dib.h"
#include "core/file_access.h"
#include "core/message_sink.h"
#include "core/palette_source.h"

class InputFile final : public ReadableFile {
public:
    explicit InputFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        const std::size_t count = std::min(buffer.size(), bytes_.size() - std::min(position_, bytes_.size()));
        if (count) std::memcpy(buffer.data(), bytes_.data() + position_, count);
        position_ += count;
        return count;
    }
    bool Seek(std::uint32_t offset) override {
        position_ = offset;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class InputFileSystem final : public FileSystem {
public:
    std::span<const std::uint8_t> input;
    std::unique_ptr<ReadableFile> OpenForReading(const char*) override { return std::make_unique<InputFile>(input); }
    WriteOutcome ReplaceFile(const char*, std::span<const std::span<const std::uint8_t>>) override { return WriteOutcome::CreateFailed; }
};

class SilentSink final : public MessageSink {
public:
    int Show(WindowRef, std::string_view text, std::string_view caption, unsigned) override {
        // Every message names something; an empty one would be a fault.
        if (text.empty() || caption.empty()) std::abort();
        return kIdOk;
    }
};

class BuiltinPalette final : public PaletteSource {
public:
    bool Load(WindowRef, std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        std::memcpy(destination.data(), BuiltinTexturePalette().data(), destination.size());
        return true;
    }
};

// Serves data as the file every reader opens.
inline void ServeInput(const std::uint8_t* data, std::size_t size) {
    static InputFileSystem files;
    static SilentSink sink;
    static BuiltinPalette palette;
    files.input = {data, size};
    SetFileSystem(&files);
    SetMessageSink(&sink);
    SetPaletteSource(&palette);
}

// A packed DIB handed out by a reader must hold exactly what its header says.
inline void CheckHeld(const PackedDib& dib) {
    const std::optional<std::size_t> image = DibImageBytes(dib.Header());
    if (!image || *image != dib.size() || dib.Image().size() != dib.size()) std::abort();
}
