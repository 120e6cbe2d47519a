#include "core/palette_source.h"

namespace {
PaletteSource* g_palette = nullptr;
}

Result<Done> LoadTexturePalette(std::span<std::uint8_t, kTexturePaletteBytes> destination) {
    if (!g_palette) return Failure{&kPaletteNotFound, {}};
    return g_palette->Load(destination);
}

PaletteSource* SetPaletteSource(PaletteSource* source) {
    PaletteSource* previous = g_palette;
    g_palette = source;
    return previous;
}
