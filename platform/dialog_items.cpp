#include "platform/dialog_items.h"
#include <array>
#include <cstddef>

namespace {

struct FoundItem {
    HWND dialog = nullptr;
    int id = 0;
    HWND item = nullptr;
};

// Enough for every control the main window asks for often; the oldest goes
// when it is full. Each thread keeps its own, so no lock is needed.
constexpr std::size_t kRemembered = 32;
thread_local std::array<FoundItem, kRemembered> t_found;
thread_local std::size_t t_next = 0;

// A window gone answers no parent, so this also tells a destroyed control.
bool StillTheItem(const FoundItem& found) {
    return GetParent(found.item) == found.dialog && GetDlgCtrlID(found.item) == found.id;
}

}  // namespace

HWND DialogItem(HWND dialog, int id) {
    for (FoundItem& found : t_found) {
        if (found.dialog != dialog || found.id != id || !found.item) continue;
        if (StillTheItem(found)) return found.item;
        found = {};
    }
    HWND item = GetDlgItem(dialog, id);
    if (item) {
        t_found[t_next] = {dialog, id, item};
        t_next = (t_next + 1) % kRemembered;
    }
    return item;
}
