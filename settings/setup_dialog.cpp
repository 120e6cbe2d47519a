#include "settings/setup_dialog.h"
#include <array>
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/folder_browse.h"
#include "settings/settings_store.h"
#include "settings/tool_pick.h"
#include "skin/bitmap_button.h"
#include "skin/dialog_colours.h"
#include "skin/window_centring.h"

namespace {

DialogBrushes g_setup_brushes;

// At the index "Thumbs" stores.
constexpr const char* kThumbnailSizes[] = {"32 x 32", "60 x 60", "80 x 80"};

// The three browse buttons share one picture; any other owner-drawn id draws nothing.
void DrawSetupButton(const DRAWITEMSTRUCT& item) {
    switch (item.CtlID) {
    case IDC_SETUP_BROWSE_BITMAPS:
    case IDC_SETUP_BROWSE_TEXTURES:
    case IDC_SETUP_PICK_TOOL:
        DrawBitmapButton(item, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED, 63, 31);
        break;
    case IDC_SETUP_OK:
        DrawBitmapButton(item, IDB_SETUP_OK_NORMAL, IDB_SETUP_OK_PRESSED, 75, 47);
        break;
    case IDC_SETUP_CANCEL:
        DrawBitmapButton(item, IDB_SETUP_CANCEL_NORMAL, IDB_SETUP_CANCEL_PRESSED, 75, 47);
        break;
    default:
        break;
    }
}

void FillThumbnailSizes(HWND dialog) {
    HWND sizes = GetDlgItem(dialog, IDC_SETUP_THUMB_SIZE);
    SendMessageA(sizes, CB_RESETCONTENT, 0, 0);
    for (WPARAM index = 0; index < std::size(kThumbnailSizes); ++index) {
        SendMessageA(sizes, CB_INSERTSTRING, index, reinterpret_cast<LPARAM>(kThumbnailSizes[index]));
    }
    // An index outside the list leaves it without a selection.
    SendMessageA(sizes, CB_SETTOPINDEX, GetThumbs(), 0);
    SendMessageA(sizes, CB_SETCURSEL, GetThumbs(), 0);
}

void InitSetupDialog(HWND dialog) {
    // Each getter may warn and store its default before the dialog shows it.
    SetDlgItemTextA(dialog, IDC_SETUP_BITMAPS_FOLDER, GetBitmapsFolder());
    SetDlgItemTextA(dialog, IDC_SETUP_TEXTURES_FOLDER, GetTexturesFolder());
    SetDlgItemTextA(dialog, IDC_SETUP_TOOL_PATH, GetBMPTool());
    CheckDlgButton(dialog, IDC_SETUP_DEFAULT_NAMES, GetDefFileName() != 0 ? BST_CHECKED : BST_UNCHECKED);
    CreateDialogBrushes(g_setup_brushes);
    FillThumbnailSizes(dialog);
    CenterWindowOver(dialog, GetParent(dialog));
}

void CloseSetupDialog(HWND dialog) {
    DeleteDialogBrushes(g_setup_brushes);
    EndDialog(dialog, 1);
}

// The text as shown, changed or not: a folder that is gone is caught by its
// getter at the next use.
void StoreShownText(HWND dialog, int static_id, const char* setting) {
    std::array<char, MAX_PATH> text{};
    GetDlgItemTextA(dialog, static_id, text.data(), MAX_PATH);
    WriteSettingString(setting, text.data());
}

void AcceptSetup(HWND dialog) {
    StoreShownText(dialog, IDC_SETUP_BITMAPS_FOLDER, "Bitmaps");
    StoreShownText(dialog, IDC_SETUP_TEXTURES_FOLDER, "Textures");
    StoreShownText(dialog, IDC_SETUP_TOOL_PATH, "BMPTool");
    WriteSettingDword("DefFileName", IsDlgButtonChecked(dialog, IDC_SETUP_DEFAULT_NAMES) == BST_CHECKED ? 1 : 0);
    // CB_ERR (-1) when nothing is selected, which the getter reads as missing.
    WriteSettingDword("Thumbs", static_cast<DWORD>(SendDlgItemMessageA(dialog, IDC_SETUP_THUMB_SIZE, CB_GETCURSEL, 0, 0)));
    SendMessageA(GetParent(dialog), kSettingsStoredMessage, 0, 0);
    CloseSetupDialog(dialog);
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
        CloseSetupDialog(dialog);
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
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        InitSetupDialog(dialog);
        return FALSE;
    case WM_COMMAND:
        RunSetupCommand(dialog, LOWORD(wparam));
        return FALSE;
    case WM_SYSCOMMAND:
        // The system's own handling follows in every case.
        if ((wparam & 0xFFF0) == SC_CLOSE) CloseSetupDialog(dialog);
        return FALSE;
    case WM_DESTROY:
        // Only if the dialog went without OK, Cancel or Close, which delete them.
        DeleteDialogBrushes(g_setup_brushes);
        return FALSE;
    case WM_DRAWITEM:
        DrawSetupButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        return AnswerColourMessage(g_setup_brushes, message, wparam).value_or(FALSE);
    default:
        return FALSE;
    }
}
