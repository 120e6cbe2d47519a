#include "browser/folder_lists.h"
#include <commctrl.h>
#include <array>
#include <cstring>
#include <optional>
#include <string_view>
#include "app/app_globals.h"
#include "browser/context_menu.h"
#include "core/path_buffer.h"
#include "platform/guards.h"
#include "preview/conversion_pipeline.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

std::array<char, MAX_PATH> g_focused_item_text{};
PathBuffer g_bitmaps_list_folder{};
PathBuffer g_textures_list_folder{};

// The last preview that failed to read its file. Repaints do not retry it;
// neither do the further notifications that one click of the user sends,
// which all carry the time of that click.
struct FailedPreview {
    int list_id = 0;
    PathBuffer path{};
    LONG message_time = 0;

    bool Covers(int list, const PathBuffer& file) const { return list_id == list && path == file; }
};
std::optional<FailedPreview> g_failed_preview;

// The path of the list's focused item, or nothing without focus or room.
std::optional<PathBuffer> FocusedItemPath(HWND main_window, int list_id) {
    const std::optional<PathBuffer> folder =
        CopyPath(list_id == IDC_BITMAPS_LIST ? GetBitmapsFolder() : GetTexturesFolder());
    const char* name = GetFocusedItemText(main_window, list_id);
    if (!folder || !name) return std::nullopt;
    return JoinPath(folder->data(), name);
}

void Preview(HWND main_window, int list_id, const PathBuffer& path) {
    const bool shown = RunConversion(main_window, path.data(), nullptr,
                                     list_id == IDC_BITMAPS_LIST ? kPreviewBitmap : kPreviewTexture);
    if (shown) {
        g_failed_preview.reset();
    } else {
        g_failed_preview = FailedPreview{list_id, path, GetMessageTime()};
    }
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

    PathBuffer& list_folder = bitmaps ? g_bitmaps_list_folder : g_textures_list_folder;
    list_folder = CopyPath(bitmaps ? GetBitmapsFolder() : GetTexturesFolder()).value_or(PathBuffer{});
    const std::optional<PathBuffer> pattern = JoinPath(list_folder.data(), bitmaps ? "*.bmp" : "*.*af");
    if (!pattern) return 1;

    WIN32_FIND_DATAA found{};
    FindHandle search(FindFirstFileA(pattern->data(), &found));
    if (!search) return 1;
    // Drawn once at the end: a list that redraws after every insert takes
    // seconds over a folder of a few hundred files.
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int inserted = 0;
    do {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = inserted++;
        item.pszText = found.cFileName;
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    } while (FindNextFileA(search.Get(), &found));
    search.Close();
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return 1;
}

bool ListShowsFolder(int list_id, const char* folder) {
    const PathBuffer& list_folder = list_id == IDC_BITMAPS_LIST ? g_bitmaps_list_folder : g_textures_list_folder;
    return std::string_view(list_folder.data()) == folder;
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
    const std::optional<PathBuffer> path = FocusedItemPath(main_window, list_id);
    if (!path) return;
    if (g_failed_preview && g_failed_preview->Covers(list_id, *path) &&
        g_failed_preview->message_time == GetMessageTime()) {
        return;
    }
    Preview(main_window, list_id, *path);
}

void RepeatPreviewOnRepaint(HWND main_window, int list_id) {
    if (IsConversionRunning()) return;
    const std::optional<PathBuffer> path = FocusedItemPath(main_window, list_id);
    if (!path) return;
    if (g_failed_preview && g_failed_preview->Covers(list_id, *path)) return;
    Preview(main_window, list_id, *path);
}
