#include <windows.h>
#include <array>
#include <string_view>
#include "core/file_access.h"
#include "platform/guards.h"

namespace {

class Win32ReadableFile final : public ReadableFile {
public:
    explicit Win32ReadableFile(OwnedFileHandle handle) : handle_(std::move(handle)) {}

    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        DWORD got = 0;
        const DWORD wanted = buffer.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(buffer.size());
        if (!ReadFile(handle_.Get(), buffer.data(), wanted, &got, nullptr)) return std::nullopt;
        return got;
    }

    bool Seek(std::uint32_t offset) override {
        LONG high = 0;  // with a high part the low part counts as unsigned
        SetLastError(NO_ERROR);
        const DWORD low = SetFilePointer(handle_.Get(), static_cast<LONG>(offset), &high, FILE_BEGIN);
        return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
    }

private:
    OwnedFileHandle handle_;
};

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD wanted = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), wanted, &written, nullptr) || written != wanted) return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

// The folder part of path, for the temporary file that must live beside it.
std::array<char, MAX_PATH> FolderOf(const char* path) {
    std::array<char, MAX_PATH> folder{};
    const std::string_view whole(path);
    const std::size_t cut = whole.find_last_of("\\/:");
    const std::string_view part = cut == std::string_view::npos ? std::string_view(".") : whole.substr(0, cut + 1);
    if (part.size() < folder.size()) part.copy(folder.data(), part.size());
    return folder;
}

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        OwnedFileHandle handle(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) return nullptr;
        return std::make_unique<Win32ReadableFile>(std::move(handle));
    }

    WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) override {
        const std::array<char, MAX_PATH> folder = FolderOf(path);
        char temporary[MAX_PATH] = {};
        if (folder[0] == '\0' || !GetTempFileNameA(folder.data(), "lv", 0, temporary)) return WriteOutcome::CreateFailed;

        OwnedFileHandle file(CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            DeleteFileA(temporary);
            return WriteOutcome::CreateFailed;
        }
        bool complete = true;
        for (std::span<const std::uint8_t> piece : pieces) {
            if (!WriteAll(file.Get(), piece)) {
                complete = false;
                break;
            }
        }
        if (!file.Close()) complete = false;
        if (!complete) {
            DeleteFileA(temporary);
            return WriteOutcome::WriteFailed;
        }
        // A target that cannot be replaced (a folder, read-only, held open by
        // another program) is one that could not have been created either.
        if (!MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
            DeleteFileA(temporary);
            return WriteOutcome::CreateFailed;
        }
        return WriteOutcome::Written;
    }
};

}  // namespace

FileSystem& DefaultFileSystem() {
    static Win32FileSystem files;
    return files;
}
