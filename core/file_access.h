// The file seam of the portable core: Win32 CreateFileA without sharing on
// Windows, POSIX elsewhere, and a failing one in tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // Reads up to buffer.size() bytes; the count read, or nothing when the read fails.
    virtual std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) = 0;
    // Moves to an absolute offset from the start of the file; false when that fails.
    virtual bool Seek(std::uint32_t offset) = 0;
    // Reads up to buffer.size() bytes from an absolute offset; the count read,
    // or nothing when the read fails. Where the file position is afterwards
    // is left open. One call instead of a move and a read for each of many
    // pieces where the platform has it.
    virtual std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
        if (offset > UINT32_MAX || !Seek(static_cast<std::uint32_t>(offset))) return std::nullopt;
        return Read(buffer);
    }
};

// True when the read filled the whole buffer.
inline bool ReadExactly(ReadableFile& file, std::span<std::uint8_t> buffer) {
    const std::optional<std::size_t> got = file.Read(buffer);
    return got && *got == buffer.size();
}

// The same from an absolute offset.
inline bool ReadExactlyAt(ReadableFile& file, std::uint64_t offset, std::span<std::uint8_t> buffer) {
    const std::optional<std::size_t> got = file.ReadAt(offset, buffer);
    return got && *got == buffer.size();
}

enum class WriteOutcome { Written, CreateFailed, WriteFailed };

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading, shared with nobody; null when that fails.
    virtual std::unique_ptr<ReadableFile> OpenForReading(const char* path) = 0;
    // Writes the pieces, in order, as the whole new content of path. The old
    // file, if any, stays untouched unless every byte was written: the bytes go
    // to a temporary file beside the target, which then replaces it.
    virtual WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) = 0;
};

// The temporary file a write of target goes through: the target's own path
// with its last character changed, so it fits wherever the target fits and a
// write cut short by a crash leaves at most one per target, reused by the
// next write. Empty for an empty path.
std::string TemporaryPathFor(std::string_view target);

FileSystem& Files();
// Replaces the file system; nullptr puts the default back. Returns the one in place.
FileSystem* SetFileSystem(FileSystem* files);
