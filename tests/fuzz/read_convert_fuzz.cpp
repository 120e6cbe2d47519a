#include "fuzz_input.h"
#include "core/bitmap_file.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ServeInput(data, size);
    std::optional<PackedDib> dib = ReadBitmapFile("input.bmp");
    if (!dib) return 0;
    // Everything the reader accepts must convert.
    std::optional<PackedDib> texture = ConvertToTexture(*dib, BuiltinTexturePalette());
    if (!texture || texture->size() != kTextureDibBytes) std::abort();
    return 0;
}
