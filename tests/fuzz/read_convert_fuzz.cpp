// The bitmap reader and the conversion fed arbitrary bytes: the input is
// written to a file of its own and read from there, and messages are swallowed.
#include <unistd.h>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/message_sink.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

namespace {

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
    static SilentSink sink;
    static const struct Input {
        std::string path = std::filesystem::temp_directory_path() / ("lumivane-fuzz-" + std::to_string(getpid()) + ".bmp");
        ~Input() { std::filesystem::remove(path); }
    } input;
    SetMessageSink(&sink);
    std::ofstream(input.path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::optional<PackedDib> dib = ReadBitmapFile(input.path.c_str());
    // Reading only the rows and columns a texture shows succeeds exactly when reading every row does.
    std::optional<PackedDib> shown = ReadBitmapFileForSize(input.path.c_str(), kTextureSide, kTextureSide);
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
