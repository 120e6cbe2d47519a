#include "companion/texture_palette.h"
#include <cstring>
#include "companion/palette_id.h"
#include "companion/tool_windows.h"

std::optional<TexturePalette> LoadOwnTexturePalette() {
    HRSRC resource = FindResourceA(g_library_instance, MAKEINTRESOURCEA(TESSALINE_PALETTE_ID), "RT_RCDATA");
    if (!resource || SizeofResource(g_library_instance, resource) < sizeof(TexturePalette)) return std::nullopt;
    HGLOBAL loaded = LoadResource(g_library_instance, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    TexturePalette palette;
    std::memcpy(palette.data(), bytes, sizeof palette);
    return palette;
}
