#include "core/texture_file.h"
#include "core/file_access.h"
#include "core/messages.h"
#include "core/palette_source.h"

namespace {
void Complain(const char* path, const Message& message) { ShowMessage(nullptr, message, path); }
}  // namespace

BitmapInfoHeader TextureHeader() {
    BitmapInfoHeader header{};
    header.biSize = kInfoHeaderBytes;
    header.biWidth = kTextureSide;
    header.biHeight = kTextureSide;
    header.biPlanes = 1;
    header.biBitCount = 8;
    return header;
}

std::optional<PackedDib> ReadTextureFile(const char* path) {
    std::unique_ptr<ReadableFile> file = Files().OpenForReading(path);
    if (!file) {
        Complain(path, kTextureNotOpened);
        return std::nullopt;
    }
    std::optional<PackedDib> dib = PackedDib::Allocate(kInfoHeaderBytes + 4);
    if (!dib) {
        file.reset();
        Complain(path, kTextureNoMemory);
        return std::nullopt;
    }
    const BitmapInfoHeader header = TextureHeader();
    dib->SetHeader(header);
    if (!dib->Resize(kTextureDibBytes)) {
        file.reset();
        dib.reset();
        Complain(path, kTexturePixelsNoMemory);
        return std::nullopt;
    }
    if (!LoadTexturePalette(nullptr, std::span<std::uint8_t, kTexturePaletteBytes>(dib->data() + kInfoHeaderBytes, kTexturePaletteBytes))) {
        return std::nullopt;  // the palette lookup has told the user
    }
    const std::optional<std::size_t> got = file->Read(dib->Pixels());
    if (!got || *got != kTexturePixelBytes) {
        file.reset();
        dib.reset();
        Complain(path, kTextureShort);
        return std::nullopt;
    }
    return dib;
}

bool WriteTextureFile(const char* path, const PackedDib& dib) {
    const std::span<const std::uint8_t> pieces[] = {dib.Pixels()};
    switch (Files().ReplaceFile(path, pieces)) {
        case WriteOutcome::Written: return true;
        case WriteOutcome::CreateFailed: Complain(path, kTextureNotCreated); return false;
        case WriteOutcome::WriteFailed: break;
    }
    Complain(path, kWriteFailed);
    return false;
}
