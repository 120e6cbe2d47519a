#include <windows.h>
// <windows.h> names its own ReplaceFile as a macro for ReplaceFileA; the file
// system's replace of the portable core is meant here.
#undef ReplaceFile
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>
#include "core/file_access.h"
#include "platform/guards.h"

namespace {

// The attributes of the file that path replaces (hidden, system...), to
// give back to the new one, or INVALID_FILE_ATTRIBUTES when there is none;
// nothing when it is a read-only file or a folder, which are not replaced
// (Wine would replace a read-only file). Asked at the move only, not before
// the temporary is made as well: under Wine each look-up of a name not yet
// in the folder reads the whole folder.
std::optional<DWORD> AttributesToKeep(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return std::nullopt;
    return attributes;
}

// The name a rename through a handle takes: the full path in the system's
// own form, \??\C:\..., as a move by name passes it on Windows and under
// Wine alike. Empty for a path on no drive letter (a share named \\server\...,
// \\?\...), or one the ANSI code page does not convert whole: such a file is
// moved by name.
std::wstring SystemPathOf(const char* path) {
    const UINT code_page = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    const int length = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length) != length) return {};
    const DWORD room = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (room == 0) return {};
    std::wstring full(room, L'\0');
    const DWORD written = GetFullPathNameW(wide.c_str(), room, full.data(), nullptr);
    if (written == 0 || written >= room) return {};
    full.resize(written);
    // A full path on a drive is C:\...
    return full.size() >= 3 && full[1] == L':' ? L"\\??\\" + full : std::wstring();
}

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

    // Renamed through the handle it was written by: a move by name opens the
    // file again, which under Wine costs three requests to its server. It
    // asks for no write-through, and loses nothing by that (see MoveTemporary).
    // A target not there yet is taken without a replace, with nothing to ask
    // of it first: under Wine each look-up of a name not in the folder reads
    // the whole folder. Only a target that is there has its attributes asked.
    bool MoveWhileOpen(const char* path) override {
        const std::wstring target = SystemPathOf(path);
        if (target.empty()) return false;
        if (RenameTo(target, false)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
        const std::optional<DWORD> kept_attributes = AttributesToKeep(path);
        if (!kept_attributes || !RenameTo(target, true)) return false;
        if (*kept_attributes != INVALID_FILE_ATTRIBUTES) {
            FILE_BASIC_INFO basic{};  // times of 0 stay as they are
            basic.FileAttributes = *kept_attributes;
            SetFileInformationByHandle(handle_.Get(), FileBasicInfo, &basic, sizeof basic);
        }
        return true;
    }

private:
    bool RenameTo(const std::wstring& target, bool replace) {
        const std::size_t name_bytes = target.size() * sizeof(wchar_t);
        // Zeroed, so the name ends in a null as well; words of eight bytes
        // keep the structure's handle aligned.
        std::vector<std::uint64_t> room((sizeof(FILE_RENAME_INFO) + name_bytes + 7) / 8);
        auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(room.data());
        rename->ReplaceIfExists = replace ? TRUE : FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = static_cast<DWORD>(name_bytes);
        std::memcpy(rename->FileName, target.data(), name_bytes);
        return SetFileInformationByHandle(handle_.Get(), FileRenameInfo, rename, static_cast<DWORD>(room.size() * 8)) != FALSE;
    }

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
            CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return nullptr;
        return std::make_unique<Win32WritableFile>(std::move(file));
    }

    bool MoveTemporary(const std::string& temporary, const char* path) override {
        const std::optional<DWORD> kept_attributes = AttributesToKeep(path);
        if (!kept_attributes) return false;
        // Write-through changes only a move between volumes, made as a copy.
        // The temporary lies beside its target, so this is a rename, which
        // lasts once the file system's journal reaches the disk; the bytes
        // were flushed before it, so the target is whole, old or new.
        if (!MoveFileExA(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return false;
        if (*kept_attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path, *kept_attributes);
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
