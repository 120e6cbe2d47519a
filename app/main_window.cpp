#include "app/main_window.h"
#include <commctrl.h>
#include "about/about_box.h"
#include "app/companion_library.h"
#include "browser/context_menu.h"
#include "browser/convert_command.h"
#include "browser/folder_lists.h"
#include "browser/folder_watch.h"
#include "core/messages.h"
#include "platform/dialog_items.h"
#include "platform/message_box.h"
#include "core/sides.h"
#include "gallery/gallery.h"
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "preview/preview_requests.h"
#include "resources/resource_ids.h"
#include "settings/first_start.h"
#include "settings/settings_store.h"
#include "settings/setup_dialog.h"
#include "skin/main_skin.h"

namespace {

// Posted by the first start, so that its folder check speaks over the shown
// window. The window's other messages of its own: kSettingsStoredMessage
// (WM_APP + 1) and kFoldersChangedMessage (WM_APP + 2).
constexpr UINT kFirstStartCheckMessage = WM_APP + 3;
static_assert(kFirstStartCheckMessage != kSettingsStoredMessage && kFirstStartCheckMessage != kFoldersChangedMessage);

// Beside the system-menu extras; the window's own, released when it goes.
OwnedBitmap g_check_mark;

LRESULT CALLBACK MainSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

void AddSystemMenuExtras(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_CLIPBOARD_VIEWER, "Clipboard Viewer");
    AppendMenuA(menu, MF_STRING, IDM_PALETTE_PICKER, "Palette Picker");
    AppendMenuA(menu, MF_STRING, IDM_SHOW_GALLERY, "Show all textures and bitmaps");
    g_check_mark.Reset(LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(IDB_MENU_MARK)));
    for (UINT command : {IDM_PALETTE_PICKER, IDM_CLIPBOARD_VIEWER, IDM_SHOW_GALLERY}) {
        SetMenuItemBitmaps(menu, command, MF_BYCOMMAND, g_check_mark.Get(), g_check_mark.Get());
    }
}

void InitMainWindow(HWND window) {
    QueryPaletteId();
    ForgetContextMenuSide();
    SetClassLongPtrA(window, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(ProgramInstance(), MAKEINTRESOURCEA(IDI_MAIN))));
    AddSystemMenuExtras(window);
    InitMainSkin(window);
    const bool first_start = IsFirstStart();
    // The getters store their defaults, so every later reader finds a value.
    FolderOf(Side::Bitmaps);
    FolderOf(Side::Textures);
    GetThumbs();
    GetDefFileName();
    for (Side side : kBothSides) EnableWindow(DialogItem(window, TraitsOf(side).convert_button), FALSE);
    for (Side side : kBothSides) RefillList(window, side);
    FollowListedFolders(window);
    // Subclassed the plain way, the previous procedure kept in the window's
    // own user data: the common controls' way looks its data up in a window
    // property for every message, which under Wine is a request to its server.
    SetWindowLongPtrA(window, GWLP_USERDATA, GetWindowLongPtrA(window, GWLP_WNDPROC));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainSubclassProc));
    if (first_start) PostMessageA(window, kFirstStartCheckMessage, 0, 0);
}

// Every way out comes here: the Exit button, Alt+F4, the system menu's Close,
// or the window destroyed by its owner.
void ReleaseMainWindow(HWND window) {
    StopFollowingFolders();
    if (const LONG_PTR previous = GetWindowLongPtrA(window, GWLP_USERDATA)) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, previous);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    g_check_mark.Reset();
    ReleaseMainSkin(window);
    FreeCompanionLibrary();
}

void RunCommand(HWND window, int command) {
    for (Side side : kBothSides) {
        if (command == TraitsOf(side).convert_button) {
            ConvertSelection(window, side);
            EnableWindow(DialogItem(window, command), FALSE);
            return;
        }
    }
    switch (command) {
    case IDC_SETUP:
        ShowSetupDialog(window);
        for (Side side : kBothSides) PreviewFocusedItem(window, side);
        break;
    case IDC_ABOUT:
        ShowAboutBox(window);
        break;
    case IDC_EXIT:
        EndDialog(window, 1);
        break;
    default:
        RunContextMenuCommand(window, command);
        break;
    }
}

// Without this, a program folder the user may not write would leave every
// conversion of the first start failing.
void CheckFirstStartFolders(HWND window) {
    const std::optional<std::string> folder = UnwritableFolder();
    if (!folder) return;
    ShowMessage(window, kFolderNotWritable, *folder);
    RunCommand(window, IDC_SETUP);
}

// Catches the system-menu commands in front of the dialog's own window procedure.
LRESULT CALLBACK MainSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_SYSCOMMAND) {
        // The system's own handling follows in every case.
        if ((wparam & 0xFFF0) == SC_CLOSE) EndDialog(window, 1);
        switch (LOWORD(wparam)) {
        case IDM_PALETTE_PICKER:
            OpenPalettePicker(window);
            break;
        case IDM_CLIPBOARD_VIEWER:
            OpenClipboardViewer(window);
            break;
        case IDM_SHOW_GALLERY:
            ShowGallery(window);
            break;
        default:
            break;
        }
    }
    const auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return previous ? CallWindowProcA(previous, window, message, wparam, lparam) : DefDlgProcA(window, message, wparam, lparam);
}

}  // namespace

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        InitMainWindow(window);
        return FALSE;
    case WM_PAINT:
        PaintMainWindow(window);
        RepaintPreview(window);
        return FALSE;
    case WM_NOTIFY: {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lparam);
        HandleListNotify(window, header);
        if (header.code != NM_RCLICK) return FALSE;
        ShowListContextMenu(window, header);
        // Handled: otherwise the list goes on to send WM_CONTEXTMENU, which
        // opens the system menu when the pointer has reached the caption by then.
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_COMMAND:
        RunCommand(window, LOWORD(wparam));
        return FALSE;
    case kFirstStartCheckMessage:
        CheckFirstStartFolders(window);
        return FALSE;
    case kSettingsStoredMessage:
        for (Side side : kBothSides) RefillList(window, side);
        FollowListedFolders(window);
        return FALSE;
    case WM_DESTROY:
        ReleaseMainWindow(window);
        return FALSE;
    default:
        if (const std::optional<INT_PTR> handled = HandleFolderFollowMessage(window, message, wparam)) return *handled;
        return HandleMainSkinMessage(window, message, wparam, lparam).value_or(FALSE);
    }
}
