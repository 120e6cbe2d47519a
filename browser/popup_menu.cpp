#include "browser/popup_menu.h"

namespace {

PopupMenuRunner g_popup_menu = nullptr;

}  // namespace

PopupMenuRunner SetPopupMenuRunner(PopupMenuRunner runner) {
    PopupMenuRunner previous = g_popup_menu;
    g_popup_menu = runner;
    return previous;
}

BOOL RunPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner) {
    if (g_popup_menu) return g_popup_menu(menu, flags, x, y, owner);
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}
