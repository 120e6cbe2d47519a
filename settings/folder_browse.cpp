#include "settings/folder_browse.h"
#include <array>
#include <span>
#include <string_view>
#include "core/messages.h"
#include "platform/message_box.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/shell_dialogs.h"
#include "skin/window_centring.h"

namespace {

// Read by the browser's callback, which has no other way to learn which
// folder it is choosing; one browse runs at a time.
int g_browse_target = 0;
std::array<char, MAX_PATH> g_browse_result{};

// The shell's allocator, released on every path.
class ShellAllocator {
public:
    ShellAllocator() {
        if (FAILED(SHGetMalloc(&allocator_))) allocator_ = nullptr;
    }
    ~ShellAllocator() {
        if (allocator_) allocator_->Release();
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;
    explicit operator bool() const { return allocator_ != nullptr; }
    void Free(void* block) const { allocator_->Free(block); }

private:
    IMalloc* allocator_ = nullptr;
};

// The folder as the settings hold it, ending in one backslash. A drive's root
// comes back from the browser with its backslash already. False when the
// result would not fit.
bool FolderWithBackslash(std::string_view picked, std::span<char, MAX_PATH> folder) {
    const bool has_backslash = !picked.empty() && picked.back() == '\\';
    const std::size_t length = picked.size() + (has_backslash ? 0 : 1);
    if (length >= folder.size()) return false;
    picked.copy(folder.data(), picked.size());
    folder[length - 1] = '\\';
    folder[length] = '\0';
    return true;
}

int CALLBACK FolderBrowseCallback(HWND browser, UINT notification, LPARAM item, LPARAM setup_dialog) {
    // The browser moves itself while it settles, so it is put back every time.
    CenterWindowOver(browser, reinterpret_cast<HWND>(setup_dialog));
    if (notification == BFFM_INITIALIZED) {
        // The stored folder, not one picked earlier in this opening and not yet stored.
        const PathBuffer stored = FolderOf(g_browse_target == IDC_SETUP_BITMAPS_FOLDER ? Side::Bitmaps : Side::Textures);
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(stored.data()));
    } else if (notification == BFFM_SELCHANGED) {
        std::array<char, MAX_PATH> path{};
        if (SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(item), path.data())) {
            SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path.data()));
        }
    }
    return 0;
}

}  // namespace

void BrowseForFolder(HWND setup_dialog, int target_static_id) {
    g_browse_target = target_static_id;
    const ShellAllocator allocator;
    if (!allocator) return;

    BROWSEINFOA request{};
    request.hwndOwner = setup_dialog;
    request.lpszTitle = "Current selected directory:";
    request.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    request.lpfn = &FolderBrowseCallback;
    request.lParam = reinterpret_cast<LPARAM>(setup_dialog);
    PIDLIST_ABSOLUTE item = ShowFolderBrowser(request);
    if (!item) return;

    g_browse_result.fill('\0');
    const bool has_path = SHGetPathFromIDListA(item, g_browse_result.data()) != FALSE;
    allocator.Free(item);
    g_browse_result.back() = '\0';
    if (!has_path) return;

    std::array<char, MAX_PATH> folder{};
    if (!FolderWithBackslash(g_browse_result.data(), folder)) {
        ShowMessage(setup_dialog, kChosenFolderTooLong);
        return;
    }
    SetDlgItemTextA(setup_dialog, target_static_id, folder.data());
}
