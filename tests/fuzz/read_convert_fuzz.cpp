#include "fuzz_input.h"
#include "core/bitmap_file.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ServeInput(data, size);
    std::optional<PackedDib> dib = ReadBitmapFile("input.bmp");
    // Reading only the rows a texture shows succeeds exactly when reading every row does.
    std::optional<PackedDib> shown = ReadBitmapFileForHeight("input.bmp", kTextureSide);
    if (dib.has_value() != shown.has_value()) std::abort();
    if (!dib) return 0;
    // Everything the reader accepts must convert, and to the same texture from the rows shown.
    std::optional<PackedDib> texture = ConvertToTexture(*dib, BuiltinTexturePalette());
    if (!texture || texture->size() != kTextureDibBytes) std::abort();
    std::optional<PackedDib> from_shown = ConvertToTexture(*shown, BuiltinTexturePalette());
    if (!from_shown || !std::ranges::equal(texture->Pixels(), from_shown->Pixels())) std::abort();
    return 0;
}
