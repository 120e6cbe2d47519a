#include "browser/convert_command.h"
#include <commctrl.h>
#include <optional>
#include <string>
#include "browser/folder_lists.h"
#include "core/path_buffer.h"
#include "platform/list_item_text.h"
#include "browser/save_dialog.h"
#include "core/target_naming.h"
#include "preview/conversion_pipeline.h"
#include "core/message_sink.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

struct Direction {
    int mode;
    int source_list;
    int target_refill;
    bool to_bitmap;
};

Direction DirectionOf(int direction) {
    if (direction == kAfToBmp) return {kAfToBmp, IDC_TEXTURES_LIST, kRefillBitmaps, true};
    return {kBmpToAf, IDC_BITMAPS_LIST, kRefillTextures, false};
}

// The two folders, copied at once: each getter reuses one buffer.
struct Folders {
    PathBuffer source;
    PathBuffer target;
};

std::optional<Folders> FoldersOf(const Direction& direction) {
    const std::optional<PathBuffer> bitmaps = CopyPath(GetBitmapsFolder());
    const std::optional<PathBuffer> textures = CopyPath(GetTexturesFolder());
    if (!bitmaps || !textures) return std::nullopt;
    return direction.to_bitmap ? Folders{*textures, *bitmaps} : Folders{*bitmaps, *textures};
}

int NextSelected(HWND list, int after) {
    return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(after), LVNI_SELECTED));
}

void ReportPathTooLong(HWND main_window, std::string_view name) {
    const std::string text(name);
    ShowMessage(main_window, text, "Target path too long!", MB_OK | MB_ICONWARNING);
}

// One item under default names; each stands alone, whatever happens to it.
void ConvertWithDefaultName(HWND main_window, const Direction& direction, const Folders& folders,
                            const PathBuffer& name) {
    const std::optional<std::string> target_name = DefaultTargetName(name.data(), direction.mode);
    const std::optional<PathBuffer> source = JoinPath(folders.source.data(), name.data());
    const std::optional<PathBuffer> target =
        target_name ? JoinPath(folders.target.data(), *target_name) : std::nullopt;
    if (!source || !target) {
        ReportPathTooLong(main_window, name.data());
        return;
    }
    RunConversion(main_window, source->data(), target->data(), static_cast<std::uint32_t>(direction.mode));
}

void ConvertSelectionWithDefaultNames(HWND main_window, const Direction& direction) {
    HWND list = GetDlgItem(main_window, direction.source_list);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
    int item = NextSelected(list, -1);
    if (item == -1) return;
    const std::optional<Folders> folders = FoldersOf(direction);
    if (folders) {
        for (; item != -1; item = NextSelected(list, item)) {
            ConvertWithDefaultName(main_window, direction, *folders, ListItemText(list, item));
        }
    }
    RefillList(main_window, direction.target_refill);
}

void ConvertFocusedThroughSaveDialog(HWND main_window, const Direction& direction) {
    HWND list = GetDlgItem(main_window, direction.source_list);
    if (SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) == 0) return;
    const int item = static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED | LVNI_FOCUSED));
    if (item == -1) return;
    const PathBuffer name = ListItemText(list, item);
    const std::optional<PathBuffer> target = CopyPath(AskTargetPath(main_window, name.data(), direction.mode));
    if (target && (*target)[0] != '\0') {
        const std::optional<Folders> folders = FoldersOf(direction);
        const std::optional<PathBuffer> source = folders ? JoinPath(folders->source.data(), name.data()) : std::nullopt;
        if (source) {
            RunConversion(main_window, source->data(), target->data(), static_cast<std::uint32_t>(direction.mode));
        } else {
            ReportPathTooLong(main_window, name.data());
        }
    }
    RefillList(main_window, direction.target_refill);
}

}  // namespace

void ConvertSelection(HWND main_window, int direction) {
    const Direction chosen = DirectionOf(direction);
    if (GetDefFileName() != 0) {
        ConvertSelectionWithDefaultNames(main_window, chosen);
    } else {
        ConvertFocusedThroughSaveDialog(main_window, chosen);
    }
}
