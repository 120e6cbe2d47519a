#include "settings/shell_dialogs.h"
#include <utility>

namespace {

class ShellFolderBrowser final : public FolderBrowser {
public:
    PIDLIST_ABSOLUTE Browse(BROWSEINFOA& request) override { return SHBrowseForFolderA(&request); }
};

class CommonOpenDialog final : public OpenDialog {
public:
    BOOL Open(OPENFILENAMEA& request) override { return GetOpenFileNameA(&request); }
};

ShellFolderBrowser g_shell_folder_browser;
CommonOpenDialog g_common_open_dialog;
FolderBrowser* g_folder_browser = &g_shell_folder_browser;
OpenDialog* g_open_dialog = &g_common_open_dialog;

}  // namespace

PIDLIST_ABSOLUTE ShowFolderBrowser(BROWSEINFOA& request) { return g_folder_browser->Browse(request); }

BOOL ShowOpenDialog(OPENFILENAMEA& request) { return g_open_dialog->Open(request); }

FolderBrowser* SetFolderBrowser(FolderBrowser* browser) {
    return std::exchange(g_folder_browser, browser ? browser : &g_shell_folder_browser);
}

OpenDialog* SetOpenDialog(OpenDialog* dialog) {
    return std::exchange(g_open_dialog, dialog ? dialog : &g_common_open_dialog);
}
