#include "companion/clipboard_access.h"
#include <cstring>
#include <memory>

namespace {

struct GlobalFreer {
    void operator()(void* block) const { GlobalFree(block); }
};
using OwnedGlobal = std::unique_ptr<void, GlobalFreer>;

}  // namespace

bool PutTextOnClipboard(HWND owner, std::string_view text) {
    OwnedGlobal block(GlobalAlloc(GMEM_MOVEABLE, text.size() + 1));
    if (!block) return false;
    {
        auto* characters = static_cast<char*>(GlobalLock(block.get()));
        if (!characters) return false;
        std::memcpy(characters, text.data(), text.size());
        characters[text.size()] = '\0';
        GlobalUnlock(block.get());
    }
    OpenedClipboard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_TEXT, block.get())) return false;
    block.release();  // the clipboard owns it now
    return true;
}
