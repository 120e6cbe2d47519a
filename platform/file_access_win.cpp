#include <windows.h>
// <windows.h> names its own ReplaceFile as a macro for ReplaceFileA; the file
// system's replace of the portable core is meant here.
#undef ReplaceFile
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

    // The file pointer is moved, then read from, rather than the offset given
    // in an OVERLAPPED: under Wine every read given one asks the server to
    // post a completion that nobody waits for, a round trip per row read.
    // The handle is this reader's alone, so nothing moves the pointer between.
    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        if (at.QuadPart < 0 || !SetFilePointerEx(handle_.Get(), at, nullptr, FILE_BEGIN)) return std::nullopt;
        return Read(buffer);  // past the end: nothing read
    }

private:
    OwnedFileHandle handle_;
};

class Win32WritableFile final : public WritableFile {
public:
    explicit Win32WritableFile(OwnedFileHandle handle) : handle_(std::move(handle)) {}

    bool Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const DWORD wanted = bytes.size() > 0x40000000u ? 0x40000000u : static_cast<DWORD>(bytes.size());
            DWORD written = 0;
            if (!WriteFile(handle_.Get(), bytes.data(), wanted, &written, nullptr) || written != wanted) return false;
            bytes = bytes.subspan(written);
        }
        return true;
    }

    bool Flush() override { return FlushFileBuffers(handle_.Get()) != FALSE; }

    bool Close() override { return handle_.Close(); }

private:
    OwnedFileHandle handle_;
};

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        OwnedFileHandle handle(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!handle) return nullptr;
        return std::make_unique<Win32ReadableFile>(std::move(handle));
    }

    std::unique_ptr<WritableFile> CreateTemporary(const char*, const std::string& temporary) override {
        OwnedFileHandle file(
            CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return nullptr;
        return std::make_unique<Win32WritableFile>(std::move(file));
    }

    bool MoveTemporary(const std::string& temporary, const char* path) override {
        // The attributes of the file being replaced (hidden, system...), to
        // give back to the new one. A read-only file or a folder is refused,
        // as opening it for writing would be (Wine's MoveFileExA would replace
        // a read-only file). Asked here only, not before the temporary is
        // made as well: under Wine each look-up of a name not yet in the
        // folder reads the whole folder.
        const DWORD kept_attributes = GetFileAttributesA(path);
        if (kept_attributes != INVALID_FILE_ATTRIBUTES && (kept_attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
            return false;
        }
        // Write-through: the move has reached the disk when it returns, so
        // the folder needs no flush of its own.
        if (!MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
        if (kept_attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, kept_attributes);
        return true;
    }

    void RemoveTemporary(const std::string& temporary) override { DeleteFileA(temporary.c_str()); }

    // The write-through move has put the new entry on the disk already.
    void FlushFolder(const char*) override {}
};

}  // namespace

FileSystem& DefaultFileSystem() {
    static Win32FileSystem files;
    return files;
}
