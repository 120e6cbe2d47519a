#include "browser/context_menu.h"
#include <commctrl.h>
#include <windowsx.h>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include "app/app_globals.h"
#include "browser/bitmap_tool.h"
#include "browser/folder_lists.h"
#include "core/path_buffer.h"
#include "platform/list_item_text.h"
#include "browser/popup_menu.h"
#include "preview/conversion_pipeline.h"
#include "core/message_sink.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

constexpr char kContextMenuName[] = "MENU1";
constexpr int kBitmapsKind = 3;
constexpr int kTexturesKind = 4;

HWND ListOf(HWND main_window, int list_id) { return GetDlgItem(main_window, list_id); }

int ListIdOfKind(int context_list_kind) {
    return context_list_kind == kTexturesKind ? IDC_TEXTURES_LIST : IDC_BITMAPS_LIST;
}

int SelectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

int NextSelected(HWND list, int after) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

// The list's folder, copied at once: the getters share one buffer.
std::optional<PathBuffer> FolderOf(int list_id) {
    return CopyPath(list_id == IDC_BITMAPS_LIST ? GetBitmapsFolder() : GetTexturesFolder());
}

void Grey(HMENU menu, UINT command) { EnableMenuItem(menu, command, MF_BYCOMMAND | MF_GRAYED); }

// Greys what does not apply to the list and its selection at this moment,
// and records the list the menu comes from.
void PrepareMenu(HMENU menu, HWND main_window, int sender_id) {
    g_context_list_kind = 0;
    if (sender_id == IDC_TEXTURES_LIST) {
        g_context_list_kind = kTexturesKind;
        if (SelectedCount(ListOf(main_window, IDC_TEXTURES_LIST)) == 0) {
            Grey(menu, IDM_DELETE_FILES);
            Grey(menu, IDM_COPY_AF);
        }
        Grey(menu, IDM_COPY_BMP);
        Grey(menu, IDM_OPEN_WITH_TOOL);
    } else if (sender_id == IDC_BITMAPS_LIST) {
        g_context_list_kind = kBitmapsKind;
        if (!IsExistingFile(GetBMPTool())) Grey(menu, IDM_OPEN_WITH_TOOL);
        if (SelectedCount(ListOf(main_window, IDC_BITMAPS_LIST)) == 0) {
            Grey(menu, IDM_DELETE_FILES);
            Grey(menu, IDM_COPY_BMP);
        }
        Grey(menu, IDM_COPY_AF);
    }
}

void ReportPathTooLong(HWND main_window, const char* name) {
    ShowMessage(main_window, name, "Path too long!", MB_ICONWARNING);
}

// Deletes one file; a file that stays is named in a warning of its own.
void DeleteOneFile(HWND main_window, const PathBuffer& folder, const PathBuffer& name) {
    const std::optional<PathBuffer> path = JoinPath(folder.data(), name.data());
    if (path && DeleteFileA(path->data())) return;
    std::string text = "Cannot delete:\n\n ";
    text += folder.data();
    text += name.data();
    ShowMessage(main_window, text, "Non critical warning!", MB_ICONWARNING);
}

}  // namespace

void ShowListContextMenu(HWND main_window, const NMHDR& header) {
    const DWORD position = GetMessagePos();
    const OwnedMenu loaded(LoadMenuA(g_program_instance, kContextMenuName));
    if (!loaded) return;
    HMENU menu = GetSubMenu(loaded.Get(), 0);
    PrepareMenu(menu, main_window, static_cast<int>(header.idFrom));
    RunPopupMenu(menu, TPM_RIGHTBUTTON, GET_X_LPARAM(position), GET_Y_LPARAM(position), main_window);
}

void CopySelectedToClipboard(HWND main_window, int list_id) {
    HWND list = ListOf(main_window, list_id);
    const int selected = SelectedCount(list);
    const int item = NextSelected(list, -1);
    if (selected == 0 || item == -1) return;
    if (selected > 1) {
        ShowMessage(main_window, "Cannot place multiple files!", "Clipboard error!", MB_ICONWARNING);
        return;
    }
    const std::optional<PathBuffer> folder = FolderOf(list_id);
    const PathBuffer name = ListItemText(list, item);
    const std::optional<PathBuffer> path = folder ? JoinPath(folder->data(), name.data()) : std::nullopt;
    if (!path) {
        ReportPathTooLong(main_window, name.data());
        return;
    }
    RunConversion(main_window, path->data(), nullptr,
                  list_id == IDC_BITMAPS_LIST ? kCopyBitmapToClipboard : kCopyTextureToClipboard);
}

void DeleteSelectedFiles(HWND main_window, int context_list_kind) {
    const int list_id = ListIdOfKind(context_list_kind);
    HWND list = ListOf(main_window, list_id);
    const int selected = SelectedCount(list);
    int item = NextSelected(list, -1);
    if (selected == 0 || item == -1) return;
    // The names listed belong to the folder the list was filled from. When
    // that folder has vanished, the folder now set is another one, where
    // files of the same names must not be deleted: the list shows it instead.
    const std::optional<PathBuffer> folder = FolderOf(list_id);
    const bool same_folder = folder && ListShowsFolder(list_id, folder->data());
    if (same_folder) {
        const char* caption = selected == 1 ? "Confirm deleting selected file!" : "Confirm deleting multiple selection!";
        if (ShowMessage(main_window, "Are you sure?", caption, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        for (; item != -1; item = NextSelected(list, item)) {
            DeleteOneFile(main_window, *folder, ListItemText(list, item));
        }
    }
    RefillList(main_window, list_id == IDC_BITMAPS_LIST ? kRefillBitmaps : kRefillTextures);
    EnableWindow(GetDlgItem(main_window, IDC_BMP_TO_AF), FALSE);
    EnableWindow(GetDlgItem(main_window, IDC_AF_TO_BMP), FALSE);
    InvalidateRect(main_window, nullptr, FALSE);
}

void OpenWithBitmapTool(HWND main_window, int context_list_kind) {
    const int list_id = ListIdOfKind(context_list_kind);
    if (SelectedCount(ListOf(main_window, list_id)) == 0) return;
    const std::optional<PathBuffer> folder = FolderOf(list_id);
    // The focused item, which need not be a selected one.
    const char* name = GetFocusedItemText(main_window, list_id);
    if (!folder || !name) return;
    const std::optional<PathBuffer> path = JoinPath(folder->data(), name);
    if (!path) {
        ReportPathTooLong(main_window, name);
        return;
    }
    RunBitmapTool(main_window, BitmapToolCommandLine(path->data()));
}
