#include "browser/folder_lists.h"
#include <commctrl.h>
#include <array>
#include <cstring>
#include <string_view>
#include "app/app_globals.h"
#include "browser/context_menu.h"
#include "image/conversion_pipeline.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

std::array<char, MAX_PATH> g_focused_item_text{};

// folder + name into path, refused when it would not fit.
bool JoinPath(std::span<char, MAX_PATH> path, std::string_view folder, std::string_view name) {
    if (folder.size() + name.size() >= path.size()) return false;
    folder.copy(path.data(), folder.size());
    name.copy(path.data() + folder.size(), name.size());
    path[folder.size() + name.size()] = '\0';
    return true;
}

void RunSelectionStep(HWND main_window, int list_id) {
    if (list_id != IDC_BITMAPS_LIST && list_id != IDC_TEXTURES_LIST) return;
    const bool bitmaps = list_id == IDC_BITMAPS_LIST;
    EnableWindow(GetDlgItem(main_window, IDC_AF_TO_BMP), bitmaps ? FALSE : TRUE);
    EnableWindow(GetDlgItem(main_window, IDC_BMP_TO_AF), bitmaps ? TRUE : FALSE);
    PreviewFocusedItem(main_window, list_id);
    g_active_list = list_id;
}

}  // namespace

int RefillList(HWND main_window, int which) {
    HWND bitmaps_list = GetDlgItem(main_window, IDC_BITMAPS_LIST);
    HWND textures_list = GetDlgItem(main_window, IDC_TEXTURES_LIST);
    const bool bitmaps = which == kRefillBitmaps;
    HWND list = bitmaps ? bitmaps_list : textures_list;
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);

    std::array<char, MAX_PATH> pattern{};
    const char* folder = bitmaps ? GetBitmapsFolder() : GetTexturesFolder();
    if (!JoinPath(pattern, folder, bitmaps ? "*.bmp" : "*.*af")) return 1;

    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern.data(), &found);
    if (search == INVALID_HANDLE_VALUE) return 1;
    int inserted = 0;
    do {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = inserted++;
        item.pszText = found.cFileName;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return 1;
}

void HandleListNotify(HWND main_window, const NMHDR& header) {
    const int sender = static_cast<int>(header.idFrom);
    if (header.code == LVN_ITEMCHANGED) {
        RunSelectionStep(main_window, sender);
    } else if (header.code == NM_RCLICK) {
        RunSelectionStep(main_window, sender);
        ShowListContextMenu(main_window, header);
    }
}

const char* GetFocusedItemText(HWND main_window, int list_id) {
    HWND list = GetDlgItem(main_window, list_id);
    const LRESULT focused = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (focused == -1) return nullptr;
    g_focused_item_text.fill('\0');
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = g_focused_item_text.data();
    item.cchTextMax = MAX_PATH;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(focused), reinterpret_cast<LPARAM>(&item));
    return g_focused_item_text.data();
}

void PreviewFocusedItem(HWND main_window, int list_id) {
    const bool bitmaps = list_id == IDC_BITMAPS_LIST;
    std::array<char, MAX_PATH> folder{};
    const std::string_view stored = bitmaps ? GetBitmapsFolder() : GetTexturesFolder();
    if (stored.size() >= folder.size()) return;
    stored.copy(folder.data(), stored.size());

    const char* name = GetFocusedItemText(main_window, list_id);
    if (!name) return;
    std::array<char, MAX_PATH> path{};
    if (!JoinPath(path, folder.data(), name)) return;
    RunConversion(main_window, path.data(), nullptr, bitmaps ? kPreviewBitmap : kPreviewTexture);
}
