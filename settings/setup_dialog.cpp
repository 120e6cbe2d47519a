#include "settings/setup_dialog.h"
#include <array>
#include "platform/dialog_items.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/folder_browse.h"
#include "settings/settings_store.h"
#include "settings/tool_pick.h"
#include "skin/skinned_dialog.h"
#include "skin/window_centring.h"

namespace {

// At the index "Thumbs" stores.
constexpr const char* kThumbnailSizes[] = {"32 x 32", "60 x 60", "80 x 80"};

// The three browse buttons share one picture; any other owner-drawn id draws nothing.
constexpr ButtonPictures kSetupButtons[] = {
    {IDC_SETUP_BROWSE_BITMAPS, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED},
    {IDC_SETUP_BROWSE_TEXTURES, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED},
    {IDC_SETUP_PICK_TOOL, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED},
    {IDC_SETUP_OK, IDB_SETUP_OK_NORMAL, IDB_SETUP_OK_PRESSED},
    {IDC_SETUP_CANCEL, IDB_SETUP_CANCEL_NORMAL, IDB_SETUP_CANCEL_PRESSED},
};
// Close stores nothing, as Cancel.
constexpr SkinnedDialogLook kSetupLook{kSetupButtons, true, true};

// Where Setup shows each setting, in the order OK stores them: the texts in
// statics, the numbers in check boxes, but for the size list.
constexpr struct {
    Setting setting;
    int control;
} kShownSettings[] = {
    {Setting::Bitmaps, IDC_SETUP_BITMAPS_FOLDER}, {Setting::Textures, IDC_SETUP_TEXTURES_FOLDER},
    {Setting::BMPTool, IDC_SETUP_TOOL_PATH},      {Setting::DefFileName, IDC_SETUP_DEFAULT_NAMES},
    {Setting::Smooth, IDC_SETUP_SMOOTH},          {Setting::Dither, IDC_SETUP_DITHER},
    {Setting::Thumbs, IDC_SETUP_THUMB_SIZE},
};

bool IsText(Setting setting) { return TraitsOf(setting).type == REG_SZ; }

void FillThumbnailSizes(HWND dialog) {
    HWND sizes = DialogItem(dialog, IDC_SETUP_THUMB_SIZE);
    SendMessageA(sizes, CB_RESETCONTENT, 0, 0);
    for (WPARAM index = 0; index < std::size(kThumbnailSizes); ++index) {
        SendMessageA(sizes, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(kThumbnailSizes[index]));
    }
    // An index outside the list leaves it without a selection.
    const DWORD selected = GetThumbs();
    SendMessageA(sizes, CB_SETTOPINDEX, selected, 0);
    SendMessageA(sizes, CB_SETCURSEL, selected, 0);
}

void InitSetupDialog(HWND dialog) {
    // The text getters come first: each may warn and store its default
    // before the dialog shows it.
    for (const auto& shown : kShownSettings) {
        if (IsText(shown.setting)) SetDlgItemTextA(dialog, shown.control, GetTextSetting(shown.setting).data());
    }
    for (const auto& shown : kShownSettings) {
        if (IsText(shown.setting) || shown.control == IDC_SETUP_THUMB_SIZE) continue;
        CheckDlgButton(dialog, shown.control, GetNumberSetting(shown.setting) != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
    AttachNewOpening<DialogOpening>(dialog, kSetupLook);
    FillThumbnailSizes(dialog);
    CenterWindowOver(dialog, GetParent(dialog));
}

// The text as shown, changed or not: a folder that is gone is caught by its
// getter at the next use.
void StoreShownText(HWND dialog, int static_id, const char* setting) {
    std::array<char, MAX_PATH> text{};
    GetDlgItemTextA(dialog, static_id, text.data(), MAX_PATH);
    WriteSettingString(setting, text.data());
}

DWORD ShownNumber(HWND dialog, int control) {
    // CB_ERR (-1) when no size is selected, which the getter reads as missing.
    if (control == IDC_SETUP_THUMB_SIZE) return static_cast<DWORD>(SendDlgItemMessageA(dialog, control, CB_GETCURSEL, 0, 0));
    return IsDlgButtonChecked(dialog, control) == BST_CHECKED ? 1 : 0;
}

void AcceptSetup(HWND dialog) {
    for (const auto& shown : kShownSettings) {
        const char* name = TraitsOf(shown.setting).name;
        if (IsText(shown.setting)) {
            StoreShownText(dialog, shown.control, name);
        } else {
            WriteSettingDword(name, ShownNumber(dialog, shown.control));
        }
    }
    SendMessageA(GetParent(dialog), kSettingsStoredMessage, 0, 0);
    EndSkinnedDialog(dialog);
}

void RunSetupCommand(HWND dialog, int command) {
    switch (command) {
    case IDC_SETUP_BROWSE_BITMAPS:
        BrowseForFolder(dialog, IDC_SETUP_BITMAPS_FOLDER);
        break;
    case IDC_SETUP_BROWSE_TEXTURES:
        BrowseForFolder(dialog, IDC_SETUP_TEXTURES_FOLDER);
        break;
    case IDC_SETUP_PICK_TOOL:
        PickBitmapTool(dialog);
        break;
    case IDC_SETUP_OK:
        AcceptSetup(dialog);
        break;
    case IDC_SETUP_CANCEL:
        EndSkinnedDialog(dialog);
        break;
    default:
        break;
    }
}

}  // namespace

void ShowSetupDialog(HWND owner) {
    DialogBoxParamA(ProgramInstance(), kSetupDialogTemplate, owner, &SetupDialogProc, 0);
}

INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    return RunSkinnedDialog(dialog, kSetupLook, {InitSetupDialog, RunSetupCommand}, message, wparam, lparam);
}
