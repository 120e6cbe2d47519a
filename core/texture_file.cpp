#include "core/texture_file.h"
#include <functional>
#include "core/file_access.h"
#include "core/messages.h"
#include "core/palette_source.h"

BitmapInfoHeader TextureHeader() {
    BitmapInfoHeader header{};
    header.biSize = kInfoHeaderBytes;
    header.biWidth = kTextureSide;
    header.biHeight = kTextureSide;
    header.biPlanes = 1;
    header.biBitCount = 8;
    return header;
}

Result<PackedDib> ReadTextureFile(const char* path) {
    std::unique_ptr<ReadableFile> file = Files().OpenForReading(path);
    if (!file) return Failure{&kTextureNotOpened, path};

    std::optional<PackedDib> dib = PackedDib::Allocate(kInfoHeaderBytes + 4);
    if (!dib) return Failure{&kTextureNoMemory, path};

    const BitmapInfoHeader header = TextureHeader();
    dib->SetHeader(header);
    if (!dib->Resize(kTextureDibBytes)) return Failure{&kTexturePixelsNoMemory, path};

    const Result<Done> palette =
        LoadTexturePalette(std::span<std::uint8_t, kTexturePaletteBytes>(dib->data() + kInfoHeaderBytes, kTexturePaletteBytes));
    if (!palette) return palette.Problem();
    const std::optional<std::size_t> got = file->Read(dib->Pixels());
    if (!got || *got != kTexturePixelBytes) return Failure{&kTextureShort, path};

    return *std::move(dib);
}

namespace {

Result<Done> WriteTexture(const char* path, const PackedDib& dib, const std::function<void()>& written) {
    const std::span<const std::uint8_t> pieces[] = {dib.Pixels()};
    switch (Files().ReplaceFile(path, pieces, written)) {
        case WriteOutcome::Written: return Done{};
        case WriteOutcome::CreateFailed: return Failure{&kTextureNotCreated, path};
        case WriteOutcome::WriteFailed: break;
    }
    return Failure{&kWriteFailed, path};
}

}  // namespace

Result<Done> WriteTextureFile(const char* path, const PackedDib& dib) { return WriteTexture(path, dib, nullptr); }

Result<Done> WriteTextureFile(const char* path, PackedDib&& dib) {
    return WriteTexture(path, dib, [&dib] { dib.Release(); });
}
