#include "browser/popup_menu.h"
#include <utility>

namespace {

PopupMenuRunner g_popup_menu = nullptr;

}  // namespace

PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner) {
    return std::exchange(g_popup_menu, runner);
}

BOOL RunPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    if (g_popup_menu) return g_popup_menu(menu, flags, x, y, owner);
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
