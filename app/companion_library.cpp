#include "app/companion_library.h"
#include <cstring>
#include "core/messages.h"
#include "core/palette_source.h"

namespace {

HMODULE g_companion_library = nullptr;
std::uint32_t g_palette_id = 0;  // from QRV3

using PaletteIdExport = DWORD(__cdecl*)();
using ToolWindowExport = int(__cdecl*)(HWND);

// The exports are looked up at every use, as the library may lack any of them.
template <typename Export>
Export FindExport(const char* name) {
    if (!g_companion_library) return nullptr;
    return reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(g_companion_library, name)));
}

class CompanionPaletteSource final : public PaletteSource {
public:
    Result<Done> Load(std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        HRSRC resource = g_companion_library
                             ? FindResourceA(g_companion_library, MAKEINTRESOURCEA(g_palette_id & 0xFFFF), "RT_RCDATA")
                             : nullptr;
        if (!resource) return Failure{&kPaletteNotFound, {}};
        HGLOBAL loaded = LoadResource(g_companion_library, resource);
        const void* bytes = loaded ? LockResource(loaded) : nullptr;
        // A resource shorter than a palette would be read past its end.
        if (!bytes || SizeofResource(g_companion_library, resource) < kTexturePaletteBytes) return Failure{&kPaletteUnusable, {}};
        std::memcpy(destination.data(), bytes, kTexturePaletteBytes);
        return Done{};
    }
};

}  // namespace

bool LoadCompanionLibrary() {
    if (!g_companion_library) g_companion_library = LoadLibraryA(kCompanionLibraryName);
    return g_companion_library != nullptr;
}

void FreeCompanionLibrary() {
    if (!g_companion_library) return;
    FreeLibrary(g_companion_library);
    g_companion_library = nullptr;
}

HMODULE CompanionLibrary() { return g_companion_library; }

std::uint32_t PaletteId() { return g_palette_id; }

void SetPaletteId(std::uint32_t id) { g_palette_id = id; }

void QueryPaletteId() {
    if (auto query = FindExport<PaletteIdExport>("QRV3")) g_palette_id = query();
}

void OpenPalettePicker(HWND main_window) {
    if (auto open = FindExport<ToolWindowExport>("QRV1")) open(main_window);
}

void OpenClipboardViewer(HWND main_window) {
    if (auto open = FindExport<ToolWindowExport>("QRV2")) open(main_window);
}

void UseCompanionPalette() {
    static CompanionPaletteSource source;
    SetPaletteSource(&source);
}
