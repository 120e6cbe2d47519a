#include "app/main_window.h"
#include <commctrl.h>
#include "about/about_box.h"
#include "app/app_globals.h"
#include "app/companion_library.h"
#include "browser/context_menu.h"
#include "browser/convert_command.h"
#include "browser/folder_lists.h"
#include "gallery/gallery.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/setup_dialog.h"
#include "skin/main_skin.h"

namespace {

void InitMainWindow(HWND window) {
    g_active_list = 0;
    QueryPaletteId();
    SetClassLongPtrA(window, GCLP_HICON,
                     reinterpret_cast<LONG_PTR>(LoadIconA(g_program_instance, MAKEINTRESOURCEA(IDI_MAIN))));
    AddSystemMenuExtras(window);
    InitMainSkin(window);
    // The getters store their defaults, so every later reader finds a value.
    GetBitmapsFolder();
    GetTexturesFolder();
    GetThumbs();
    GetDefFileName();
    EnableWindow(GetDlgItem(window, IDC_AF_TO_BMP), FALSE);
    EnableWindow(GetDlgItem(window, IDC_BMP_TO_AF), FALSE);
    RefillList(window, kRefillBitmaps);
    RefillList(window, kRefillTextures);
    g_previous_main_proc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainSubclassProc)));
}

void RunExitSequence(HWND window) {
    if (g_check_mark_bitmap) {
        DeleteObject(g_check_mark_bitmap);
        g_check_mark_bitmap = nullptr;
    }
    ReleaseMainSkin(window);
    if (g_previous_main_proc) {
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous_main_proc));
        g_previous_main_proc = nullptr;
    }
    if (g_companion_library) {
        FreeLibrary(g_companion_library);
        g_companion_library = nullptr;
    }
    EndDialog(window, 1);
}

void RunCommand(HWND window, int command) {
    switch (command) {
    case IDC_AF_TO_BMP:
        ConvertSelection(window, 4);
        EnableWindow(GetDlgItem(window, IDC_AF_TO_BMP), FALSE);
        break;
    case IDC_BMP_TO_AF:
        ConvertSelection(window, 3);
        EnableWindow(GetDlgItem(window, IDC_BMP_TO_AF), FALSE);
        break;
    case IDC_SETUP:
        ShowSetupDialog(window);
        PreviewFocusedItem(window, IDC_BITMAPS_LIST);
        PreviewFocusedItem(window, IDC_TEXTURES_LIST);
        break;
    case IDC_ABOUT:
        ShowAboutBox(window);
        break;
    case IDC_EXIT:
        RunExitSequence(window);
        break;
    case IDM_OPEN_WITH_TOOL:
        OpenWithBitmapTool(window, g_context_list_kind);
        break;
    case IDM_COPY_BMP:
        CopySelectedToClipboard(window, IDC_BITMAPS_LIST);
        break;
    case IDM_DELETE_FILES:
        if (g_context_list_kind == 3 || g_context_list_kind == 4) DeleteSelectedFiles(window, g_context_list_kind);
        break;
    case IDM_COPY_AF:
        CopySelectedToClipboard(window, IDC_TEXTURES_LIST);
        break;
    default:
        break;
    }
}

}  // namespace

void AddSystemMenuExtras(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_CLIPBOARD_VIEWER, "Clipboard Viewer");
    AppendMenuA(menu, MF_STRING, IDM_PALETTE_PICKER, "Palette Picker");
    AppendMenuA(menu, MF_STRING, IDM_SHOW_GALLERY, "Show all textures and bitmaps");
    g_check_mark_bitmap = LoadBitmapA(g_program_instance, MAKEINTRESOURCEA(IDB_MENU_MARK));
    for (UINT command : {IDM_PALETTE_PICKER, IDM_CLIPBOARD_VIEWER, IDM_SHOW_GALLERY}) {
        SetMenuItemBitmaps(menu, command, MF_BYCOMMAND, g_check_mark_bitmap, g_check_mark_bitmap);
    }
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (LOWORD(message)) {
    case WM_INITDIALOG:
        InitMainWindow(window);
        return FALSE;
    case WM_PAINT:
        PaintMainWindow(window);
        return FALSE;
    case WM_NOTIFY:
        HandleListNotify(window, *reinterpret_cast<const NMHDR*>(lparam));
        return FALSE;
    case WM_COMMAND:
        RunCommand(window, LOWORD(wparam));
        return FALSE;
    default:
        return HandleMainSkinMessage(window, message, wparam, lparam).value_or(FALSE);
    }
}

LRESULT CALLBACK MainSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Kept before EndDialog, which may let the Exit path clear it.
    WNDPROC previous = g_previous_main_proc;
    if (message == WM_SYSCOMMAND) {
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
    return CallWindowProcA(previous, window, message, wparam, lparam);
}
