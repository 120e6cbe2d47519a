#include "platform/guards.h"
#include <cstring>

namespace {
long g_live_gdi_objects = 0;  // the GUI thread is the only one that draws
}

long LiveGdiObjectCount() { return g_live_gdi_objects; }
void CountGdiObjects(int change) { g_live_gdi_objects += change; }

OwnedGlobal CopyToGlobal(std::span<const std::uint8_t> bytes) {
    OwnedGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes.size()));
    if (!block) return block;
    LockedGlobal locked(block.Get());
    if (locked.Bytes().size() < bytes.size()) return OwnedGlobal();
    if (!bytes.empty()) std::memcpy(locked.Bytes().data(), bytes.data(), bytes.size());
    return block;
}
