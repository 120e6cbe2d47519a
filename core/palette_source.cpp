#include "core/palette_source.h"
#include <utility>

namespace {
PaletteSource* g_palette = nullptr;
}

Result<Done> LoadTexturePalette(std::span<std::uint8_t, kTexturePaletteBytes> destination) {
    if (!g_palette) return Failure{&kPaletteNotFound, {}};
    return g_palette->Load(destination);
}

PaletteSource* SetPaletteSource(PaletteSource* source) {
    return std::exchange(g_palette, source);
}
