#include "browser/context_menu.h"
#include <commctrl.h>
#include <windowsx.h>
#include <optional>
#include <string>
#include "browser/bitmap_tool.h"
#include "browser/folder_lists.h"
#include "browser/popup_menu.h"
#include "core/context_menu_entries.h"
#include "core/messages.h"
#include "platform/dialog_items.h"
#include "platform/message_box.h"
#include "core/path_buffer.h"
#include "platform/guards.h"
#include "platform/list_item_text.h"
#include "platform/program_instance.h"
#include "preview/conversion_pipeline.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

constexpr char kContextMenuName[] = "MENU1";

// The list the menu last came from.
std::optional<Side> g_context_side;

HWND ListOf(HWND main_window, Side side) { return DialogItem(main_window, TraitsOf(side).list_id); }

int SelectedCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

int NextSelected(HWND list, int after) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

// Greys what does not apply to the list and its selection at this moment,
// and records the list the menu comes from.
void PrepareMenu(HMENU menu, HWND main_window, int sender_id) {
    g_context_side = SideOfList(sender_id);
    if (!g_context_side) return;
    const Side side = *g_context_side;
    const bool has_selection = SelectedCount(ListOf(main_window, side)) != 0;
    // The tool setting is read only where a tool may open the list's files.
    const bool tool_exists = side == Side::Bitmaps && IsExistingFile(GetBMPTool().data());
    for (int command : kContextMenuCommands) {
        if (!ContextMenuEntryApplies(command, side, has_selection, tool_exists)) {
            EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | MF_GRAYED);
        }
    }
}

void ReportPathTooLong(HWND main_window, const char* name) {
    ShowMessage(main_window, kFilePathTooLong, name);
}

// Deletes one file; a file that stays is named in a warning of its own.
void DeleteOneFile(HWND main_window, const PathBuffer& folder, const PathBuffer& name) {
    const std::optional<PathBuffer> path = JoinPath(folder.data(), name.data());
    if (path && DeleteFileA(path->data())) return;
    std::string whole = folder.data();
    whole += name.data();
    ShowMessage(main_window, kCannotDelete, whole);
}

}  // namespace

void ShowListContextMenu(HWND main_window, const NMHDR& header) {
    const DWORD position = GetMessagePos();
    const OwnedMenu loaded(LoadMenuA(ProgramInstance(), kContextMenuName));
    if (!loaded) return;
    HMENU menu = GetSubMenu(loaded.Get(), 0);
    PrepareMenu(menu, main_window, static_cast<int>(header.idFrom));
    RunPopupMenu(menu, TPM_RIGHTBUTTON, GET_X_LPARAM(position), GET_Y_LPARAM(position), main_window);
}

bool RunContextMenuCommand(HWND main_window, int command) {
    switch (command) {
    case IDM_OPEN_WITH_TOOL:
        OpenWithBitmapTool(main_window, g_context_side.value_or(Side::Bitmaps));
        return true;
    case IDM_DELETE_FILES:
        if (g_context_side) DeleteSelectedFiles(main_window, *g_context_side);
        return true;
    default:
        break;
    }
    for (Side side : kBothSides) {
        if (command == TraitsOf(side).copy_command) {
            CopySelectedToClipboard(main_window, side);
            return true;
        }
    }
    return false;
}

std::optional<Side> ContextMenuSide() { return g_context_side; }

void ForgetContextMenuSide() { g_context_side.reset(); }

void CopySelectedToClipboard(HWND main_window, Side side) {
    HWND list = ListOf(main_window, side);
    const int selected = SelectedCount(list);
    const int item = NextSelected(list, -1);
    if (selected == 0 || item == -1) return;
    if (selected > 1) {
        ShowMessage(main_window, kMultipleToClipboard);
        return;
    }
    const PathBuffer folder = FolderOf(side);
    const PathBuffer name = ListItemText(list, item);
    const std::optional<PathBuffer> path = JoinPath(folder.data(), name.data());
    if (!path) {
        ReportPathTooLong(main_window, name.data());
        return;
    }
    RunConversion(main_window, path->data(), nullptr, TraitsOf(side).copy_request);
}

void DeleteSelectedFiles(HWND main_window, Side side) {
    HWND list = ListOf(main_window, side);
    const int selected = SelectedCount(list);
    int item = NextSelected(list, -1);
    if (selected == 0 || item == -1) return;
    // The names listed belong to the folder the list was filled from. When
    // that folder has vanished, the folder now set is another one, where
    // files of the same names must not be deleted: the list shows it instead.
    const PathBuffer folder = FolderOf(side);
    if (ListShowsFolder(side, folder.data())) {
        if (ShowMessage(main_window, selected == 1 ? kConfirmDeleteOne : kConfirmDeleteMany) != IDYES) return;
        for (; item != -1; item = NextSelected(list, item)) {
            DeleteOneFile(main_window, folder, ListItemText(list, item));
        }
    }
    RefillList(main_window, side);
    for (Side each : kBothSides) {
        EnableWindow(DialogItem(main_window, TraitsOf(each).convert_button), FALSE);
    }
    InvalidateRect(main_window, nullptr, FALSE);
}

void OpenWithBitmapTool(HWND main_window, Side side) {
    if (SelectedCount(ListOf(main_window, side)) == 0) return;
    const PathBuffer folder = FolderOf(side);
    // The focused item, which need not be a selected one.
    const std::optional<PathBuffer> name = FocusedItemName(main_window, side);
    if (!name) return;
    const std::optional<PathBuffer> path = JoinPath(folder.data(), name->data());
    if (!path) {
        ReportPathTooLong(main_window, name->data());
        return;
    }
    RunBitmapTool(main_window, BitmapToolCommandLine(path->data()));
}
