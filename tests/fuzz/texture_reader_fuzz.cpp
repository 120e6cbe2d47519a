#include "fuzz_input.h"
#include "core/texture_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ServeInput(data, size);
    std::optional<PackedDib> dib = ReadTextureFile("input.af");
    if (dib.has_value() != (size >= kTexturePixelBytes)) std::abort();
    if (dib) {
        CheckHeld(*dib);
        if (std::memcmp(dib->Pixels().data(), data, kTexturePixelBytes) != 0) std::abort();
    }
    return 0;
}
