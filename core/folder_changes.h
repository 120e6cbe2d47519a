// Waiting for the files of one folder to change: inotify on Linux (a file
// counts once its writer has closed it, or once it is moved in), and
// ReadDirectoryChangesW on Windows (every write counts; whether the writer
// still holds the file is asked with WriterHoldsFile). The same wait ends
// when the user presses Ctrl+C.
#pragma once
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include "core/file_settling.h"

struct FolderChange {
    std::vector<std::string> names;  // files that changed or came in, by name within the folder
    bool lost_track = false;         // too many changes to tell: look at every file again
    bool interrupted = false;        // Ctrl+C, or the console's control event
};

class FolderChanges {
public:
    virtual ~FolderChanges() = default;
    // Waits until something changes, Ctrl+C is pressed or the timeout has
    // passed (none: no end), and tells what happened.
    virtual FolderChange Wait(std::optional<std::chrono::milliseconds> timeout) = 0;
};

// Starts following the folder, and catches Ctrl+C from now on so that it ends
// the wait instead of the process; null when the folder cannot be followed.
std::unique_ptr<FolderChanges> FollowFolder(const std::string& folder);
// True when another program holds the file open so that it cannot be opened
// without sharing (a writer that has not finished); always false where the
// platform tells the end of a write by an event instead.
bool WriterHoldsFile(const std::string& path);
// The file's size and last-write time to the finest step the platform keeps
// (the standard library's time on Windows counts whole seconds, in which a
// paint program saves twice); nothing when the file cannot be seen.
std::optional<FileStamp> StampOfFile(const std::string& path);
// What a look at the file finds: its stamp and whether a writer holds it.
inline std::optional<FileLook> LookAtFile(const std::string& path) {
    const std::optional<FileStamp> stamp = StampOfFile(path);
    if (!stamp) return std::nullopt;
    return FileLook{*stamp, WriterHoldsFile(path)};
}
