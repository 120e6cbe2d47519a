#include "browser/folder_lists.h"
#include <commctrl.h>
#include <array>
#include <string_view>
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "platform/list_item_text.h"
#include "preview/preview_panes.h"
#include "preview/preview_requests.h"
#include "settings/settings_store.h"

namespace {

// The folder each side's list was last filled from.
std::array<PathBuffer, 2> g_list_folders{};

int g_quiet_list_changes = 0;

PathBuffer& ListFolder(Side side) { return g_list_folders[side == Side::Bitmaps ? 0 : 1]; }

HWND ListOf(HWND main_window, Side side) { return DialogItem(main_window, TraitsOf(side).list_id); }

// Switched only when it changes: disabling a disabled button still asks
// Wine's server about the focus, on every notification of every click.
void SetButtonEnabled(HWND button, bool enabled) {
    if ((IsWindowEnabled(button) != FALSE) != enabled) EnableWindow(button, enabled ? TRUE : FALSE);
}

void RunSelectionStep(HWND main_window, Side side) {
    SetButtonEnabled(DialogItem(main_window, TraitsOf(side).convert_button), true);
    SetButtonEnabled(DialogItem(main_window, TraitsOf(TraitsOf(side).other).convert_button), false);
    PreviewFocusedItem(main_window, side);
}

}  // namespace

int RefillList(HWND main_window, Side side) {
    HWND list = ListOf(main_window, side);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    ForgetFileOf(main_window, side);

    PathBuffer& list_folder = ListFolder(side);
    list_folder = FolderOf(side);
    const std::optional<PathBuffer> pattern = JoinPath(list_folder.data(), TraitsOf(side).file_pattern);
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

bool ListShowsFolder(Side side, const char* folder) { return std::string_view(ListFolder(side).data()) == folder; }

PathBuffer ListedFolder(Side side) { return ListFolder(side); }

QuietListChanges::QuietListChanges() { ++g_quiet_list_changes; }
QuietListChanges::~QuietListChanges() { --g_quiet_list_changes; }

void HandleListNotify(HWND main_window, const NMHDR& header) {
    if (header.code != LVN_ITEMCHANGED && header.code != NM_RCLICK) return;
    if (g_quiet_list_changes > 0 && header.code == LVN_ITEMCHANGED) return;
    if (const std::optional<Side> side = SideOfList(static_cast<int>(header.idFrom))) {
        RunSelectionStep(main_window, *side);
    }
}

std::optional<PathBuffer> FocusedItemName(HWND main_window, Side side) {
    HWND list = ListOf(main_window, side);
    const LRESULT focused = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
    if (focused == -1) return std::nullopt;
    return ListItemText(list, static_cast<int>(focused));
}

// The folder is read only once an item has the focus: with none, nothing at
// all happens, not even the message about a folder that has gone.
std::optional<PathBuffer> FocusedItemPath(HWND main_window, Side side) {
    const std::optional<PathBuffer> name = FocusedItemName(main_window, side);
    if (!name) return std::nullopt;
    const PathBuffer folder = FolderOf(side);
    return JoinPath(folder.data(), name->data());
}

void PreviewFocusedItem(HWND main_window, Side side) {
    if (const std::optional<PathBuffer> path = FocusedItemPath(main_window, side)) {
        PreviewFile(main_window, side, path->data());
    }
}
