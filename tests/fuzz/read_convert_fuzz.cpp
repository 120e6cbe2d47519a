// The bitmap reader and the conversion fed arbitrary bytes: the input is
// served as the only file there is, and messages are swallowed.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/file_access.h"
#include "core/message_sink.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

namespace {

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
    WriteOutcome ReplaceFile(const char*, std::span<const std::span<const std::uint8_t>>) override {
        return WriteOutcome::CreateFailed;
    }
};

class SilentSink final : public MessageSink {
public:
    int Show(WindowRef, std::string_view text, std::string_view caption, unsigned) override {
        // Every message names something; an empty one would be a fault.
        if (text.empty() || caption.empty()) std::abort();
        return kIdOk;
    }
};

// A packed DIB handed out by the reader must hold exactly what its header says.
void CheckHeld(const PackedDib& dib) {
    const std::optional<std::size_t> image = DibImageBytes(dib.Header());
    if (!image || *image != dib.size() || dib.Image().size() != dib.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static InputFileSystem files;
    static SilentSink sink;
    files.input = {data, size};
    SetFileSystem(&files);
    SetMessageSink(&sink);
    std::optional<PackedDib> dib = ReadBitmapFile("input.bmp");
    // Reading only the rows a texture shows succeeds exactly when reading every row does.
    std::optional<PackedDib> shown = ReadBitmapFileForHeight("input.bmp", kTextureSide);
    if (dib.has_value() != shown.has_value()) std::abort();
    if (!dib) return 0;
    CheckHeld(*dib);
    CheckHeld(*shown);
    // Everything the reader accepts must convert, and to the same texture from the rows shown.
    std::optional<PackedDib> texture = ConvertToTexture(*dib, BuiltinTexturePalette());
    if (!texture || texture->size() != kTextureDibBytes) std::abort();
    std::optional<PackedDib> from_shown = ConvertToTexture(*shown, BuiltinTexturePalette());
    if (!from_shown || !std::ranges::equal(texture->Pixels(), from_shown->Pixels())) std::abort();
    return 0;
}
