#include "fuzz_input.h"
#include "core/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ServeInput(data, size);
    if (std::optional<PackedDib> dib = ReadBitmapFile("input.bmp")) CheckHeld(*dib);
    return 0;
}
