#include "browser/convert_command.h"
#include <commctrl.h>
#include <optional>
#include <string>
#include "browser/folder_lists.h"
#include "browser/save_dialog.h"
#include "core/messages.h"
#include "platform/dialog_items.h"
#include "platform/message_box.h"
#include "core/path_buffer.h"
#include "core/target_naming.h"
#include "platform/list_item_text.h"
#include "preview/conversion_pipeline.h"
#include "settings/settings_store.h"

namespace {

struct Folders {
    PathBuffer source;
    PathBuffer target;
};

Folders FoldersOf(const SideTraits& from) {
    // Asked in the order the window fills its lists, so that warnings about
    // vanished folders come in that order too.
    const PathBuffer bitmaps = FolderOf(Side::Bitmaps);
    const PathBuffer textures = FolderOf(Side::Textures);
    return from.side == Side::Bitmaps ? Folders{bitmaps, textures} : Folders{textures, bitmaps};
}

int NextSelected(HWND list, int after) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

void ReportPathTooLong(HWND main_window, std::string_view name) {
    ShowMessage(main_window, kTargetPathTooLong, name);
}

// One item under default names; each stands alone, whatever happens to it.
void ConvertWithDefaultName(HWND main_window, const SideTraits& from, const Folders& folders,
                            const PathBuffer& name, ConversionBatch* batch) {
    const std::optional<std::string> target_name = DefaultTargetName(name.data(), from.target_direction);
    const std::optional<PathBuffer> source = JoinPath(folders.source.data(), name.data());
    const std::optional<PathBuffer> target =
        target_name ? JoinPath(folders.target.data(), *target_name) : std::nullopt;
    if (!source || !target) {
        ReportPathTooLong(main_window, name.data());
        return;
    }
    RunConversion(main_window, source->data(), target->data(), from.convert_request, batch);
}

void ConvertSelectionWithDefaultNames(HWND main_window, const SideTraits& from) {
    HWND list = DialogItem(main_window, from.list_id);
    const LRESULT selected = SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0);
    if (selected == 0) return;
    int item = NextSelected(list, -1);
    if (item == -1) return;
    const Folders folders = FoldersOf(from);
    // One file has no next one to convert while it waits for the disk.
    std::optional<ConversionBatch> batch;
    if (selected > 1) batch.emplace(from.side);
    for (; item != -1; item = NextSelected(list, item)) {
        ConvertWithDefaultName(main_window, from, folders, ListItemText(list, item), batch ? &*batch : nullptr);
    }
    if (batch) FinishBatch(main_window, *batch);
    RefillList(main_window, from.other);
}

void ConvertFocusedThroughSaveDialog(HWND main_window, const SideTraits& from) {
    HWND list = DialogItem(main_window, from.list_id);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
    const int item = static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED | LVNI_FOCUSED));
    if (item == -1) return;
    const PathBuffer name = ListItemText(list, item);
    const std::optional<PathBuffer> target = AskTargetPath(main_window, name.data(), from.other);
    if (target) {
        const std::optional<PathBuffer> source = JoinPath(FoldersOf(from).source.data(), name.data());
        if (source) {
            RunConversion(main_window, source->data(), target->data(), from.convert_request);
        } else {
            ReportPathTooLong(main_window, name.data());
        }
    }
    RefillList(main_window, from.other);
}

}  // namespace

void ConvertSelection(HWND main_window, Side source) {
    if (GetDefFileName() != 0) {
        ConvertSelectionWithDefaultNames(main_window, TraitsOf(source));
    } else {
        ConvertFocusedThroughSaveDialog(main_window, TraitsOf(source));
    }
}
