#include "settings/tool_pick.h"
#include <array>
#include "resources/resource_ids.h"
#include "settings/shell_dialogs.h"

namespace {

// Pairs of display text and pattern; the literal's own terminator ends the list.
constexpr char kToolFilter[] = "Executable (EXE)\0*.exe\0Executable (COM)\0*.com\0All\0*.*\0";

}  // namespace

void PickBitmapTool(HWND setup_dialog) {
    std::array<char, MAX_PATH> file{};
    OPENFILENAMEA request{};
    // The layout without the Windows 2000 additions: 76 bytes in a 32-bit
    // build, 136 in a 64-bit one, where the dialog refuses 76.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    // No owner: the Setup dialog stays enabled while the Open dialog is shown.
    request.hwndOwner = nullptr;
    request.lpstrFilter = kToolFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = MAX_PATH;
    request.lpstrTitle = "Pick BMP application";
    request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (ShowOpenDialog(request) != 1) return;
    file.back() = '\0';
    SetDlgItemTextA(setup_dialog, IDC_SETUP_TOOL_PATH, file.data());
}
