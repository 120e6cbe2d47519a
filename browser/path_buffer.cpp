#include "browser/path_buffer.h"
#include <commctrl.h>

std::optional<PathBuffer> JoinPath(std::string_view folder, std::string_view name) {
    PathBuffer path{};
    if (folder.size() + name.size() >= path.size()) return std::nullopt;
    folder.copy(path.data(), folder.size());
    name.copy(path.data() + folder.size(), name.size());
    return path;
}

std::optional<PathBuffer> CopyPath(std::string_view text) { return JoinPath(text, {}); }

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
