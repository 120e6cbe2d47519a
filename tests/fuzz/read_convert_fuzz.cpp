// The bitmap reader and the conversion fed arbitrary bytes, through the file
// seam: the readers take the same paths as from a file on disk, without one
// being written and read back for every input.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/file_access.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

namespace {

// The input's bytes as an open file.
class InputFile final : public ReadableFile {
public:
    explicit InputFile(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        const std::optional<std::size_t> got = ReadAt(at_, buffer);
        at_ += got.value_or(0);
        return got;
    }
    bool Seek(std::uint32_t offset) override {
        at_ = offset;
        return true;
    }
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        if (offset >= bytes_.size()) return 0;
        const std::size_t count = std::min<std::size_t>(buffer.size(), bytes_.size() - offset);
        std::memcpy(buffer.data(), bytes_.data() + offset, count);
        return count;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::uint64_t at_ = 0;
};

// Every path opens the current input; nothing is written.
class InputFiles final : public FileSystem {
public:
    std::span<const std::uint8_t> input;
    std::unique_ptr<ReadableFile> OpenForReading(const char*) override { return std::make_unique<InputFile>(input); }
    std::unique_ptr<WritableFile> CreateTemporary(const char*, const std::string&) override { return nullptr; }
    bool MoveTemporary(const std::string&, const char*) override { return false; }
    void RemoveTemporary(const std::string&) override {}
    void FlushFolder(const char*) override {}
};

// A packed DIB handed out by the reader must hold exactly what its header says.
void CheckHeld(const PackedDib& dib) {
    const std::optional<std::size_t> image = DibImageBytes(dib.Header());
    if (!image || *image != dib.size() || dib.Image().size() != dib.size()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static InputFiles files;
    SetFileSystem(&files);
    files.input = {data, size};
    Result<PackedDib> dib = ReadBitmapFile("input.bmp");
    // Reading only the rows and columns a texture shows succeeds exactly when reading every row does.
    Result<PackedDib> shown = ReadBitmapFileForSize("input.bmp", kTextureSide, kTextureSide);
    if (static_cast<bool>(dib) != static_cast<bool>(shown)) std::abort();
    if (!dib) {
        // Every failure names something; an empty message would be a fault.
        if (dib.Problem().Text().empty() || dib.Problem().Caption().empty()) std::abort();
        return 0;
    }
    CheckHeld(*dib);
    CheckHeld(*shown);
    // Everything the reader accepts must convert, and to the same texture
    // from the part shown: a picture that needed no cutting down is the same
    // picture byte for byte, any other converts to the same texture.
    std::optional<PackedDib> from_shown = ConvertToTexture(*shown, BuiltinTexturePalette());
    if (!from_shown || from_shown->size() != kTextureDibBytes) std::abort();
    const BitmapInfoHeader whole = dib->Header(), part = shown->Header();
    if (whole.biWidth == part.biWidth && whole.biHeight == part.biHeight) {
        if (!std::ranges::equal(dib->Image(), shown->Image())) std::abort();
        return 0;
    }
    std::optional<PackedDib> texture = ConvertToTexture(*dib, BuiltinTexturePalette());
    if (!texture || !std::ranges::equal(texture->Pixels(), from_shown->Pixels())) std::abort();
    return 0;
}
