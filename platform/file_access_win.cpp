#include <windows.h>
#include <string>
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

    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD got = 0;
        const DWORD wanted = buffer.size() > MAXDWORD ? MAXDWORD : static_cast<DWORD>(buffer.size());
        if (!ReadFile(handle_.Get(), buffer.data(), wanted, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) return 0;  // past the end: nothing read
            return std::nullopt;
        }
        return got;
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

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        OwnedFileHandle handle(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) return nullptr;
        return std::make_unique<Win32ReadableFile>(std::move(handle));
    }

    WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) override {
        const std::string temporary = TemporaryPathFor(path);
        if (temporary.empty()) return WriteOutcome::CreateFailed;
        // The attributes of the file being replaced (hidden, system...), to give back to the new one.
        const DWORD kept_attributes = GetFileAttributesA(path);
        // A read-only file or a folder is refused as opening it for writing
        // would be; Wine's MoveFileExA would replace a read-only file.
        if (kept_attributes != INVALID_FILE_ATTRIBUTES &&
            (kept_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            return WriteOutcome::CreateFailed;
        }

        OwnedFileHandle file(
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return WriteOutcome::CreateFailed;
        bool complete = true;
        for (std::span<const std::uint8_t> piece : pieces) {
            if (!WriteAll(file.Get(), piece)) {
                complete = false;
                break;
            }
        }
        if (!file.Close()) complete = false;
        if (!complete) {
            DeleteFileA(temporary.c_str());
            return WriteOutcome::WriteFailed;
        }
        // A target that cannot be replaced (held open by another program) is
        // one that could not have been created either.
        if (!MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING)) {
            DeleteFileA(temporary.c_str());
            return WriteOutcome::CreateFailed;
        }
        if (kept_attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, kept_attributes);
        return WriteOutcome::Written;
    }
};

}  // namespace

FileSystem& DefaultFileSystem() {
    static Win32FileSystem files;
    return files;
}
