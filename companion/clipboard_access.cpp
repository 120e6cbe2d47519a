#include "companion/clipboard_access.h"
#include <string>
#include "platform/guards.h"

bool PutTextOnClipboard(HWND owner, std::string_view text) {
    const std::string terminated(text);  // CF_TEXT ends at its terminator
    OwnedGlobal block = CopyToGlobal({reinterpret_cast<const std::uint8_t*>(terminated.c_str()), terminated.size() + 1});
    if (!block) return false;
    OpenedClipboard clipboard(owner);
    if (!clipboard || !EmptyClipboard()) return false;
    if (!SetClipboardData(CF_TEXT, block.Get())) return false;
    block.Release();  // the clipboard owns it now
    return true;
}
