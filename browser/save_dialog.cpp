#include "browser/save_dialog.h"
#include <array>
#include <optional>
#include <string>
#include <utility>
#include "core/messages.h"
#include "platform/message_box.h"
#include "core/path_buffer.h"
#include "core/target_naming.h"
#include "settings/settings_store.h"

namespace {

SaveDialogRunner g_save_dialog = nullptr;

// Pairs of description and pattern, each ending in a zero, the whole in two.
constexpr char kBitmapFilter[] = "Windows bitmaps (BMP)\0*.bmp\0All\0*.*\0";
constexpr char kTextureFilter[] = "FS98 Textures (AF)\0*.*af\0All\0*.*\0";

BOOL RunSaveDialog(OPENFILENAMEA* request) {
    return g_save_dialog ? g_save_dialog(request) : GetSaveFileNameA(request);
}

}  // namespace

SaveDialogRunner SetSaveDialogRunner(SaveDialogRunner runner) {
    return std::exchange(g_save_dialog, runner);
}

std::optional<PathBuffer> AskTargetPath(HWND main_window, std::string_view item_name, Side target_side) {
    const bool to_bitmap = target_side == Side::Bitmaps;
    const Direction direction = TraitsOf(TraitsOf(target_side).other).target_direction;
    const PathBuffer initial_folder = FolderOf(target_side);
    // The dialog proposes the name the convert buttons would give.
    const std::optional<std::string> proposed_name = DefaultTargetName(item_name, direction);
    const std::optional<PathBuffer> proposed = proposed_name ? CopyPath(*proposed_name) : std::nullopt;
    if (!proposed) return std::nullopt;
    PathBuffer chosen = *proposed;
    PathBuffer file_title{};

    OPENFILENAMEA request{};
    // The layout without the fields added in Windows 2000 (76 bytes in a 32-bit program).
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = main_window;
    request.lpstrFilter = to_bitmap ? kBitmapFilter : kTextureFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = chosen.data();
    request.nMaxFile = MAX_PATH;
    request.lpstrFileTitle = file_title.data();
    request.nMaxFileTitle = MAX_PATH;
    request.lpstrInitialDir = initial_folder.data();
    request.lpstrTitle = to_bitmap ? "Save bitmap as ..." : "Save texture as ...";
    request.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (RunSaveDialog(&request) != 1) return std::nullopt;

    chosen.back() = '\0';
    const std::optional<std::string> finished = FinishSavePath(chosen.data(), direction);
    const std::optional<PathBuffer> target = finished ? CopyPath(*finished) : std::nullopt;
    if (!target) ShowMessage(main_window, kTargetPathTooLong, chosen.data());
    return target;
}
