// The file seam of the portable core: Win32 CreateFileA without sharing on
// Windows, POSIX elsewhere, and a failing one in tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include "core/uncopyable.h"

// Bytes of a file to read: as many as into holds, from offset on.
struct FilePiece {
    std::uint64_t offset;
    std::span<std::uint8_t> into;
};

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
    // Reads every piece in full; false when a read fails or the file ends
    // inside a piece. Pieces may be read in any order.
    virtual bool ReadPieces(std::span<const FilePiece> pieces);
    // Whether ReadPieces asks for many pieces in one call: then pieces apart
    // cost little more than one, and reading the bytes between to save a call
    // does not pay.
    virtual bool ReadsPiecesTogether() { return false; }
    // Says that these bytes will be read soon, so that the platform may
    // fetch them from the disk together, ahead of the reads. A hint only:
    // it reads nothing and cannot fail.
    virtual void WillRead(std::uint64_t /*offset*/, std::uint64_t /*bytes*/) {}
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

// A temporary file being written, closed with it when not closed before.
class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Writes every byte, done with them when it returns (ReplaceFile's caller
    // may free them then); false when that fails.
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Makes the bytes written so far reach the disk; false when that fails.
    virtual bool Flush() = 0;
    // False when closing reports that a write failed.
    virtual bool Close() = 0;
    // Puts this temporary, flushed, in the place of path before it is
    // closed, where the platform can rename a file through its own handle
    // (Windows): the file is not opened again by name for the move. False
    // when it did not; the replace then closes it and moves it by name.
    virtual bool MoveWhileOpen(const char* /*path*/) { return false; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading, shared with nobody; null when that fails.
    virtual std::unique_ptr<ReadableFile> OpenForReading(const char* path) = 0;

    // Writes the pieces, in order, as the whole new content of path. The old
    // file, if any, stays untouched unless every byte was written: the bytes
    // go to a temporary file beside the target, which reaches the disk before
    // it replaces the target, so that after a crash or a power cut the target
    // is the old file or the new one, never an empty or a half one; then the
    // folder is flushed so that the new name lasts (once at the end of a
    // FolderFlushes' life when one is alive). Every platform takes the steps
    // below in this order. Once every byte is written, and before the wait
    // for the disk, written is called (when given), and the pieces are not
    // read again: what they lie in may be freed there.
    virtual WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces,
                                     const std::function<void()>& written);

    // The steps of a replace, one platform's each.
    // Opens temporary, emptied, for the new content of path; null when it
    // cannot be made or path cannot be replaced (a folder, a read-only file).
    virtual std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) = 0;
    // Puts the closed temporary in the place of path, which keeps the old
    // file's permissions or attributes; false when that fails, or when path
    // cannot be replaced and CreateTemporary left that to this step. (The
    // same for WritableFile::MoveWhileOpen.)
    virtual bool MoveTemporary(const std::string& temporary, const char* path) = 0;
    virtual void RemoveTemporary(const std::string& temporary) = 0;
    // Makes the folder that holds path reach the disk with its entries.
    virtual void FlushFolder(const char* path) = 0;
};

// While one is alive, replaces leave the flush of their folders to it, and
// it flushes each of those folders once when it ends: a batch of many files
// into one folder flushes it once, after every rename. Replaces of every
// thread go to the one alive; at most one is alive at a time.
class FolderFlushes : Uncopyable {
public:
    FolderFlushes();
    ~FolderFlushes();
};

// The temporary file a write of target goes through: the target's own path
// with its last character changed, so it fits wherever the target fits and a
// write cut short by a crash leaves at most one per target, reused by the
// next write. Empty for an empty path.
std::string TemporaryPathFor(std::string_view target);

FileSystem& Files();
// Replaces the file system; nullptr puts the default back. Returns the one in place.
FileSystem* SetFileSystem(FileSystem* files);
