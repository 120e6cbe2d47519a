#include "platform/list_item_text.h"
#include <commctrl.h>

PathBuffer ListItemText(HWND list, int item) {
    PathBuffer text{};
    LVITEMA request{};
    request.iSubItem = 0;
    request.pszText = text.data();
    request.cchTextMax = static_cast<int>(text.size());
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&request));
    text.back() = '\0';
    return text;
}
