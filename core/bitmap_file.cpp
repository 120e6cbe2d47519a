#include "core/bitmap_file.h"
#include <array>
#include <cstring>
#include "core/file_access.h"
#include "core/message_sink.h"

namespace {
constexpr unsigned kWarning = kMbOk | kMbIconWarning;

std::uint16_t LoadU16(const std::uint8_t* bytes) {
    std::uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::uint32_t LoadU32(const std::uint8_t* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

void StoreU16(std::uint8_t* bytes, std::uint16_t value) { std::memcpy(bytes, &value, sizeof value); }
void StoreU32(std::uint8_t* bytes, std::uint32_t value) { std::memcpy(bytes, &value, sizeof value); }

bool ReadExactly(ReadableFile& file, std::span<std::uint8_t> buffer) {
    const std::optional<std::size_t> got = file.Read(buffer);
    return got && *got == buffer.size();
}

bool IsPaletteDepth(std::uint16_t bits) { return bits == 1 || bits == 4 || bits == 8; }

bool IsReadableDepth(std::uint16_t bits) {
    return IsPaletteDepth(bits) || bits == 16 || bits == 24 || bits == 32;
}

// Why a header with biSize 40 is still refused, as the caption of the message,
// or null when the image can be held and converted. Checked before the block
// is enlarged, so that no header makes the reader allocate or read absurd sizes.
const char* RefusalOf(const BitmapInfoHeader& header) {
    if (header.biCompression != kBiRgb) return "Compressed BMPs Not Supported";
    if (header.biHeight < 0) return "Top-down BMPs Not Supported";
    if (header.biHeight == 0 || header.biWidth <= 0 || header.biPlanes == 0) return "BMPs without pixels Not Supported";
    if (!IsReadableDepth(header.biBitCount)) return "BMP bit depth Not Supported";
    const bool too_many_colours = IsPaletteDepth(header.biBitCount) ? header.biClrUsed > (1u << header.biBitCount)
                                                                    : header.biClrUsed > 0xFFFFu / 4;
    if (too_many_colours) return "BMP colour table Not Supported";
    const std::optional<std::size_t> image = DibImageBytes(header);
    if (!image || *image - kInfoHeaderBytes - DibColorTableBytes(header) > kMaxBitmapPixelBytes) return "BMP too large!";
    return nullptr;
}

class BitmapReader {
public:
    explicit BitmapReader(const char* path) : path_(path) {}

    std::optional<PackedDib> Read() {
        file_ = Files().OpenForReading(path_);
        if (!file_) return Fail("Error opening file", path_);

        std::array<std::uint8_t, kFileHeaderBytes> file_header{};
        if (!ReadExactly(*file_, file_header)) return Fail("Error reading file", path_);
        if (LoadU16(&file_header[0]) != kBitmapFileType || LoadU16(&file_header[6]) != 0 || LoadU16(&file_header[8]) != 0) {
            return Fail(path_, "Not a recognised BMP format file!");
        }
        const std::uint32_t pixel_offset = LoadU32(&file_header[10]);

        std::optional<PackedDib> dib = PackedDib::Allocate(kInfoHeaderBytes + 4);
        if (!dib) return Fail(path_, "Failed to allocate memory for DIB !");
        if (!ReadExactly(*file_, {dib->data(), kInfoHeaderBytes})) return Fail(path_, "Error reading file");
        const BitmapInfoHeader header = dib->Header();
        if (header.biSize != kInfoHeaderBytes) return Fail(path_, "OS/2 style BMPs Not Supported");
        if (const char* refusal = RefusalOf(header)) return Fail(path_, refusal);

        if (!dib->Resize(*DibImageBytes(header))) {
            dib.reset();
            return Fail(path_, "Failed to allocate memory for DIB!");
        }
        const std::span<std::uint8_t> table = dib->ColorTable();
        if (!table.empty() && !ReadExactly(*file_, table)) return Fail(path_, "Error reading file!");
        if (pixel_offset != 0 && !file_->Seek(pixel_offset)) return Fail(path_, "Error reading file!");
        if (!ReadExactly(*file_, dib->Pixels())) return Fail(path_, "Error reading file");
        return dib;
    }

private:
    // Closes the file before the message, as every failure does.
    std::nullopt_t Fail(const char* text, const char* caption) {
        file_.reset();
        ShowMessage(nullptr, text, caption, kWarning);
        return std::nullopt;
    }

    const char* path_;
    std::unique_ptr<ReadableFile> file_;
};
}  // namespace

std::optional<PackedDib> ReadBitmapFile(const char* path) { return BitmapReader(path).Read(); }

bool WriteBitmapFile(const char* path, const PackedDib& dib) {
    const std::span<const std::uint8_t> image = dib.Image();
    if (image.empty()) {
        ShowMessage(nullptr, path, "Error Writing file", kWarning);
        return false;
    }
    const std::uint32_t pixel_offset = static_cast<std::uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + DibColorTableBytes(dib.Header()));
    std::array<std::uint8_t, kFileHeaderBytes> file_header{};
    StoreU16(&file_header[0], kBitmapFileType);
    StoreU32(&file_header[2], static_cast<std::uint32_t>(kFileHeaderBytes + image.size()));
    StoreU32(&file_header[10], pixel_offset);

    const std::span<const std::uint8_t> pieces[] = {file_header, image};
    switch (Files().ReplaceFile(path, pieces)) {
        case WriteOutcome::Written: return true;
        case WriteOutcome::CreateFailed: ShowMessage(nullptr, "Error opening file", path, kMbOk); return false;
        case WriteOutcome::WriteFailed: break;
    }
    ShowMessage(nullptr, path, "Error Writing file", kWarning);
    return false;
}
