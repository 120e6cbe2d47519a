#include <windows.h>
#include <array>
#include <atomic>
#include "core/folder_changes.h"
#include "platform/guards.h"

namespace {

// Set by Ctrl+C or Ctrl+Break, so that it ends a wait; lives with the
// follower. The system runs the handler on a thread of its own: the event is
// closed only once no handler is running, so that a late Ctrl+C never sets a
// handle closed and perhaps given meanwhile to something else.
std::atomic<HANDLE> g_interrupted{nullptr};
std::atomic<int> g_interrupts_running{0};

BOOL WINAPI OnConsoleControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    ++g_interrupts_running;
    if (HANDLE interrupted = g_interrupted.load()) SetEvent(interrupted);
    --g_interrupts_running;
    return TRUE;
}

constexpr DWORD kWatchedChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

class DirectoryChanges final : public FolderChanges {
public:
    DirectoryChanges(OwnedFileHandle folder, OwnedHandle changed, OwnedHandle interrupted)
        : folder_(std::move(folder)), changed_(std::move(changed)), interrupted_(std::move(interrupted)) {
        g_interrupted = interrupted_.Get();
        SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
        watching_ = StartRead();
    }
    ~DirectoryChanges() override {
        SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
        g_interrupted = nullptr;
        // A handler that read the event before it was taken away counted
        // itself first: its SetEvent is over once the count is back to zero.
        while (g_interrupts_running.load() != 0) Sleep(0);
        if (watching_) {
            // The system writes into the buffer until the read is cancelled.
            CancelIo(folder_.Get());
            DWORD ignored = 0;
            GetOverlappedResult(folder_.Get(), &overlapped_, &ignored, TRUE);
        }
    }

    FolderChange Wait(std::optional<std::chrono::milliseconds> timeout) override {
        FolderChange change;
        const std::array<HANDLE, 2> waits{interrupted_.Get(), changed_.Get()};
        const DWORD milliseconds = timeout ? static_cast<DWORD>(timeout->count()) : INFINITE;
        const DWORD woken = WaitForMultipleObjects(watching_ ? 2 : 1, waits.data(), FALSE, milliseconds);
        if (woken == WAIT_OBJECT_0) {
            change.interrupted = true;
            return change;
        }
        if (woken != WAIT_OBJECT_0 + 1) return change;
        DWORD got = 0;
        if (!GetOverlappedResult(folder_.Get(), &overlapped_, &got, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) {
                // Woken by an event left set: the read is still waiting.
                ResetEvent(changed_.Get());
                return change;
            }
            change.lost_track = true;
        } else if (got == 0) {
            // The system had more changes than the buffer holds.
            change.lost_track = true;
        } else {
            ReadNames(got, change);
        }
        watching_ = StartRead();
        if (!watching_) change.lost_track = true;
        return change;
    }

private:
    bool StartRead() {
        ResetEvent(changed_.Get());
        overlapped_ = OVERLAPPED{};
        overlapped_.hEvent = changed_.Get();
        return ReadDirectoryChangesW(folder_.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), FALSE,
                                     kWatchedChanges, nullptr, &overlapped_, nullptr) != FALSE;
    }

    void ReadNames(DWORD got, FolderChange& change) const {
        for (DWORD at = 0; at + sizeof(FILE_NOTIFY_INFORMATION) <= got;) {
            const auto* entry = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_.data() + at);
            if (entry->Action != FILE_ACTION_REMOVED && entry->Action != FILE_ACTION_RENAMED_OLD_NAME) {
                std::array<char, MAX_PATH> name{};
                const int length = WideCharToMultiByte(CP_ACP, 0, entry->FileName, static_cast<int>(entry->FileNameLength / sizeof(WCHAR)),
                                                       name.data(), MAX_PATH - 1, nullptr, nullptr);
                if (length > 0) change.names.emplace_back(name.data(), static_cast<std::size_t>(length));
            }
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }

    OwnedFileHandle folder_;
    OwnedHandle changed_;
    OwnedHandle interrupted_;
    OVERLAPPED overlapped_{};
    bool watching_ = false;
    alignas(DWORD) std::array<std::uint8_t, 32768> buffer_{};
};

}  // namespace

std::unique_ptr<FolderChanges> FollowFolder(const std::string& folder) {
    OwnedFileHandle handle(CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr));
    OwnedHandle changed(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    OwnedHandle interrupted(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!handle || !changed || !interrupted) return nullptr;
    auto changes = std::make_unique<DirectoryChanges>(std::move(handle), std::move(changed), std::move(interrupted));
    return changes;
}

bool WriterHoldsFile(const std::string& path) {
    const OwnedFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}

std::optional<FileStamp> StampOfFile(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    const ULARGE_INTEGER time{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}};
    return FileStamp{(std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow, static_cast<std::int64_t>(time.QuadPart)};
}
