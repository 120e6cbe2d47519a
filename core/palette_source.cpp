#include "core/palette_source.h"
#include "core/messages.h"

namespace {
PaletteSource* g_palette = nullptr;
}

bool LoadTexturePalette(WindowRef owner, std::span<std::uint8_t, kTexturePaletteBytes> destination) {
    if (!g_palette) {
        ShowMessage(owner, kPaletteNotFound);
        return false;
    }
    return g_palette->Load(owner, destination);
}

PaletteSource* SetPaletteSource(PaletteSource* source) {
    PaletteSource* previous = g_palette;
    g_palette = source;
    return previous;
}
