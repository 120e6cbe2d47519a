#include "browser/folder_watch.h"
#include <commctrl.h>
#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>
#include "browser/folder_lists.h"
#include "core/file_settling.h"
#include "core/folder_changes.h"
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "platform/list_item_text.h"
#include "preview/preview_panes.h"
#include "preview/preview_requests.h"

namespace {

constexpr UINT_PTR kFollowTimerId = 0x4C56;
constexpr UINT kPollPeriod = 500;    // folders that give no notifications
constexpr UINT kSettlePeriod = 100;  // a followed file whose writer is not done
constexpr DWORD kBurstMilliseconds = 50;
constexpr std::chrono::milliseconds kQuiet{150};
constexpr DWORD kWatchedChanges =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

// What the watcher thread reads; its notifications are closed only after the thread has ended.
struct Watcher {
    HWND window = nullptr;
    std::vector<ChangeNotification> notifications;
    std::atomic<bool> posted{false};
    JoinedThread thread;  // declared last: joined before the rest goes
};

DWORD WINAPI WatchFolders(void* argument) {
    Watcher& watcher = *static_cast<Watcher*>(argument);
    const HANDLE stop = watcher.thread.StopEvent();
    std::vector<HANDLE> waits{stop};
    for (const ChangeNotification& notification : watcher.notifications) waits.push_back(notification.Get());
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
        const DWORD index = woken - WAIT_OBJECT_0;
        if (index == 0 || index >= waits.size()) return 0;
        // A folder that cannot be followed any more is dropped; the look
        // that follows finds it gone and the timer takes it over.
        if (!FindNextChangeNotification(waits[index])) waits.erase(waits.begin() + index);
        // A burst of changes (a file written in pieces, many files copied) is one look.
        if (WaitForSingleObject(stop, kBurstMilliseconds) == WAIT_OBJECT_0) return 0;
        if (!watcher.posted.exchange(true)) PostMessageA(watcher.window, kFoldersChangedMessage, 0, 0);
    }
}

// The folder without its trailing separator, but a drive's root whole.
std::string FolderName(const char* folder) {
    std::string name(folder);
    if (name.size() > 3 && (name.back() == '\\' || name.back() == '/')) name.pop_back();
    return name;
}

bool FolderPresent(const char* folder) {
    const DWORD attributes = GetFileAttributesA(FolderName(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A network folder may give no notification of what other machines change.
bool OnNetwork(const char* folder) {
    const std::string text(folder);
    if (text.starts_with("\\\\")) return true;
    return text.size() >= 3 && GetDriveTypeA(text.substr(0, 3).c_str()) == DRIVE_REMOTE;
}

struct Follower {
    explicit Follower(HWND main_window) : window(main_window), timer(main_window, kFollowTimerId) {}
    HWND window;
    std::array<std::string, 2> folders;
    std::array<bool, 2> present{};
    std::array<bool, 2> notified{};
    std::unique_ptr<Watcher> watcher;
    WindowTimer timer;
    SettlingFiles followed_file{kQuiet};
    bool waiting_for_modal_loop = false;
    bool looking = false;
    bool in_menu = false;
};

std::unique_ptr<Follower> g_follower;

std::size_t IndexOf(Side side) { return side == Side::Bitmaps ? 0 : 1; }

void StartWatcher(Follower& follower) {
    follower.watcher.reset();
    auto watcher = std::make_unique<Watcher>();
    watcher->window = follower.window;
    for (Side side : kBothSides) {
        const std::size_t i = IndexOf(side);
        follower.notified[i] = false;
        if (!follower.present[i] || OnNetwork(follower.folders[i].c_str())) continue;
        ChangeNotification notification(FindFirstChangeNotificationA(FolderName(follower.folders[i].c_str()).c_str(), FALSE, kWatchedChanges));
        if (!notification) continue;
        watcher->notifications.push_back(std::move(notification));
        follower.notified[i] = true;
    }
    if (watcher->notifications.empty()) return;
    if (!watcher->thread.Start(&WatchFolders, watcher.get())) {
        follower.notified = {};
        return;
    }
    follower.watcher = std::move(watcher);
}

void SetTimerPeriod(Follower& follower) {
    const bool polled = !follower.notified[0] || !follower.notified[1];
    follower.timer.Set(follower.followed_file.Waiting() ? kSettlePeriod : polled ? kPollPeriod : 0);
}

// The names the side's list shows of its folder now, as RefillList finds them.
std::set<std::string> NamesInFolder(Side side) {
    std::set<std::string> names;
    const std::optional<PathBuffer> pattern = JoinPath(ListedFolder(side).data(), TraitsOf(side).file_pattern);
    if (!pattern) return names;
    WIN32_FIND_DATAA found{};
    const FindHandle search(FindFirstFileA(pattern->data(), &found));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.Get(), &found) != FALSE) {
        names.insert(found.cFileName);
    }
    return names;
}

int TopIndex(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)); }

// Scrolls a list in list mode, a column at a time, until the column that
// holds the wanted item is the first one shown, or as near as the list goes.
void ScrollToColumnOf(HWND list, int wanted) {
    const auto scroll = [list](int columns) {
        const int before = TopIndex(list);
        SendMessageA(list, LVM_SCROLL, static_cast<WPARAM>(columns), 0);
        return TopIndex(list) != before;
    };
    while (TopIndex(list) > wanted && scroll(-1)) {
    }
    while (TopIndex(list) < wanted && scroll(1)) {
        if (TopIndex(list) > wanted) {
            scroll(-1);
            return;
        }
    }
}

// Takes out the items whose files are gone and puts in those that came, so
// the items that stay keep their selection and focus; the first item that
// stays of those shown stays where it was.
void UpdateList(HWND main_window, Side side) {
    HWND list = DialogItem(main_window, TraitsOf(side).list_id);
    const std::set<std::string> wanted = NamesInFolder(side);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<std::string> shown;
    for (int i = 0; i < count; ++i) shown.emplace_back(ListItemText(list, i).data());
    const std::set<std::string> shown_set(shown.begin(), shown.end());
    if (shown_set == wanted && shown.size() == wanted.size()) return;

    const QuietListChanges quiet;
    const int top = TopIndex(list);
    std::optional<std::string> anchor;
    int anchor_offset = 0;  // how far after the first item shown
    for (int i = std::max(top, 0); i < count && !anchor; ++i) {
        if (wanted.contains(shown[i])) {
            anchor = shown[i];
            anchor_offset = i - top;
        }
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    for (int i = count - 1; i >= 0; --i) {
        if (!wanted.contains(shown[i])) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(i), 0);
    }
    for (const std::string& name : wanted) {
        if (shown_set.contains(name)) continue;
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        item.pszText = const_cast<char*>(name.c_str());
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    if (anchor) {
        LVFINDINFOA find{};
        find.flags = LVFI_STRING;
        find.psz = anchor->c_str();
        const int at = static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        if (at >= 0) ScrollToColumnOf(list, std::max(at - anchor_offset, 0));
    }
    InvalidateRect(list, nullptr, TRUE);
}

// The followed file, once changed: previewed again when its writer is done,
// let go when it is gone.
void LookAtFollowedFile(Follower& follower) {
    const std::optional<FollowedFile> changed = ChangedFollowedFile(follower.window);
    if (!changed) {
        follower.followed_file = SettlingFiles(kQuiet);
        return;
    }
    const std::string path(changed->path.data());
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        ForgetFileOf(follower.window, changed->side);
        return;
    }
    const auto now = SettlingFiles::Clock::now();
    follower.followed_file.Touched(path, now);
    if (!follower.followed_file.TakeDue(now, &LookAtFile).empty()) PreviewFile(follower.window, changed->side, path.c_str());
}

void Look(Follower& follower) {
    // Inside a message box's or a dialog's modal loop (the window is disabled
    // then), or a menu's, the lists stay as they are until it ends.
    if (follower.looking || follower.in_menu || !IsWindowEnabled(follower.window)) {
        follower.waiting_for_modal_loop = true;
        return;
    }
    follower.looking = true;
    if (follower.watcher) follower.watcher->posted = false;
    for (Side side : kBothSides) UpdateList(follower.window, side);
    LookAtFollowedFile(follower);
    follower.looking = false;
    FollowListedFolders(follower.window);
}

void LookAfterModalLoop(Follower& follower) {
    if (!follower.waiting_for_modal_loop) return;
    follower.waiting_for_modal_loop = false;
    PostMessageA(follower.window, kFoldersChangedMessage, 0, 0);
}

}  // namespace

void FollowListedFolders(HWND main_window) {
    if (g_follower && g_follower->window != main_window) g_follower.reset();
    if (!g_follower) g_follower = std::make_unique<Follower>(main_window);
    Follower& follower = *g_follower;
    bool same = true;
    for (Side side : kBothSides) {
        const std::size_t i = IndexOf(side);
        const PathBuffer listed = ListedFolder(side);
        const char* folder = listed.data();
        const bool present = FolderPresent(folder);
        same = same && follower.folders[i] == folder && follower.present[i] == present;
        follower.folders[i] = folder;
        follower.present[i] = present;
    }
    if (!same) StartWatcher(follower);
    SetTimerPeriod(follower);
}

void StopFollowingFolders() { g_follower.reset(); }

std::optional<INT_PTR> HandleFolderFollowMessage(HWND main_window, UINT message, WPARAM wparam) {
    if (!g_follower || g_follower->window != main_window) return std::nullopt;
    Follower& follower = *g_follower;
    switch (message) {
    case kFoldersChangedMessage:
        Look(follower);
        return FALSE;
    case WM_TIMER:
        if (wparam != kFollowTimerId) return std::nullopt;
        Look(follower);
        return FALSE;
    case WM_ENABLE:
        if (wparam) LookAfterModalLoop(follower);
        return std::nullopt;
    case WM_ENTERMENULOOP:
        follower.in_menu = true;
        return std::nullopt;
    case WM_EXITMENULOOP:
        follower.in_menu = false;
        LookAfterModalLoop(follower);
        return std::nullopt;
    default:
        return std::nullopt;
    }
}
