#include "core/file_access.h"
#include <mutex>
#include <set>
#include <utility>

FileSystem& DefaultFileSystem();  // one per platform

namespace {
FileSystem* g_files = nullptr;

// The folders whose flush the live FolderFlushes owes, each by one path in it.
std::mutex g_flush_lock;
bool g_deferring = false;
std::set<std::string> g_folders_owed;
std::set<std::string> g_paths_owed;  // one path in each folder owed

std::string FolderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? std::string_view() : path.substr(0, slash));
}

// True when the live FolderFlushes takes over the flush of path's folder.
bool DeferFolderFlush(const char* path) {
    const std::lock_guard<std::mutex> guard(g_flush_lock);
    if (!g_deferring) return false;
    if (g_folders_owed.insert(FolderOf(path)).second) g_paths_owed.insert(path);
    return true;
}
}  // namespace

bool ReadableFile::ReadPieces(std::span<const FilePiece> pieces) {
    for (const FilePiece& piece : pieces) {
        if (!ReadExactlyAt(*this, piece.offset, piece.into)) return false;
    }
    return true;
}

WriteOutcome FileSystem::ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces,
                                     const std::function<void()>& written) {
    const std::string temporary = TemporaryPathFor(path);
    if (temporary.empty()) return WriteOutcome::CreateFailed;
    std::unique_ptr<WritableFile> file = CreateTemporary(path, temporary);
    if (!file) return WriteOutcome::CreateFailed;
    bool complete = true;
    for (std::span<const std::uint8_t> piece : pieces) {
        if (!file->Write(piece)) {
            complete = false;
            break;
        }
    }
    if (complete && written) written();
    // The flush before the move is what keeps the old file safe: without it
    // the new name may reach the disk before the new bytes do.
    complete = complete && file->Flush();
    const bool moved = complete && file->MoveWhileOpen(path);
    // Once the flushed bytes have the target's name, a close has nothing
    // left to lose.
    if (!file->Close() && !moved) complete = false;
    file.reset();
    if (!complete) {
        RemoveTemporary(temporary);
        return WriteOutcome::WriteFailed;
    }
    // A target that cannot be replaced (held open by another program) is
    // one that could not have been created either.
    if (!moved && !MoveTemporary(temporary, path)) {
        RemoveTemporary(temporary);
        return WriteOutcome::CreateFailed;
    }
    if (!DeferFolderFlush(path)) FlushFolder(path);
    return WriteOutcome::Written;
}

FolderFlushes::FolderFlushes() {
    const std::lock_guard<std::mutex> guard(g_flush_lock);
    g_deferring = true;
}

FolderFlushes::~FolderFlushes() {
    std::set<std::string> paths;
    {
        const std::lock_guard<std::mutex> guard(g_flush_lock);
        g_deferring = false;
        paths.swap(g_paths_owed);
        g_folders_owed.clear();
    }
    for (const std::string& path : paths) Files().FlushFolder(path.c_str());
}

std::string TemporaryPathFor(std::string_view target) {
    std::string temporary(target);
    if (!temporary.empty()) temporary.back() = temporary.back() == '~' ? '$' : '~';
    return temporary;
}

FileSystem& Files() { return g_files ? *g_files : DefaultFileSystem(); }

FileSystem* SetFileSystem(FileSystem* files) {
    return std::exchange(g_files, files);
}
