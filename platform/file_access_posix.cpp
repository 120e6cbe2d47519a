#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include "core/file_access.h"
#include "platform/piece_reads.h"

namespace {

class PosixReadableFile final : public ReadableFile {
public:
    explicit PosixReadableFile(int fd) : fd_(fd) {}
    ~PosixReadableFile() override { close(fd_); }
    PosixReadableFile(const PosixReadableFile&) = delete;
    PosixReadableFile& operator=(const PosixReadableFile&) = delete;

    std::optional<std::size_t> Read(std::span<std::uint8_t> buffer) override {
        std::size_t total = 0;
        while (total < buffer.size()) {
            const ssize_t got = read(fd_, buffer.data() + total, buffer.size() - total);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return std::nullopt;
            if (got == 0) break;
            total += static_cast<std::size_t>(got);
        }
        return total;
    }

    bool Seek(std::uint32_t offset) override { return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0; }

    std::optional<std::size_t> ReadAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
        return ReadFileAt(fd_, offset, buffer);
    }

    bool ReadPieces(std::span<const FilePiece> pieces) override {
        if (pieces.size() > 1) {
            if (const std::optional<bool> read = ReadPiecesTogether(fd_, pieces)) return *read;
        }
        return ReadableFile::ReadPieces(pieces);  // one call each
    }
    bool ReadsPiecesTogether() override { return ThisThreadReadsPiecesTogether(); }

    // The hint walks every page of the range even when all are in memory
    // already: the kept rows of a 1024 x 1024 picture span some 770 pages,
    // about 50 microseconds on a Zen 3 server. Asking whether the pages of
    // the range's first, middle and last byte are costs three calls, a
    // microsecond or two there.
    void WillRead(std::uint64_t offset, std::uint64_t bytes) override {
        if (bytes == 0) return;
        const auto in_memory = [&](std::uint64_t at) { return PageInMemory(fd_, at).value_or(false); };
        if (in_memory(offset) && in_memory(offset + bytes / 2) && in_memory(offset + bytes - 1)) return;
        posix_fadvise(fd_, static_cast<off_t>(offset), static_cast<off_t>(bytes), POSIX_FADV_WILLNEED);
    }

private:
    int fd_;
};

class PosixWritableFile final : public WritableFile {
public:
    explicit PosixWritableFile(int fd) : fd_(fd) {}
    ~PosixWritableFile() override { Close(); }
    PosixWritableFile(const PosixWritableFile&) = delete;
    PosixWritableFile& operator=(const PosixWritableFile&) = delete;

    bool Write(std::span<const std::uint8_t> bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = write(fd_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes = bytes.subspan(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool Flush() override { return fsync(fd_) == 0; }

    bool Close() override {
        if (fd_ < 0) return true;
        return close(std::exchange(fd_, -1)) == 0;
    }

private:
    int fd_;
};

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat info {};
        if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
            close(fd);
            return nullptr;
        }
        return std::make_unique<PosixReadableFile>(fd);
    }

    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        struct stat target {};
        const bool target_exists = stat(path, &target) == 0;
        if (target_exists && S_ISDIR(target.st_mode)) return nullptr;
        // A file nobody may write is read-only, as on Windows, where it is
        // never replaced; root could replace it, so the mode decides.
        if (target_exists && (target.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return nullptr;
        // O_NOFOLLOW: a link planted under the temporary's name is refused, not written through.
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return nullptr;
        // The replaced file's permissions go to the new one.
        fchmod(fd, target_exists ? (target.st_mode & 07777) : 0644);
        return std::make_unique<PosixWritableFile>(fd);
    }

    bool MoveTemporary(const std::string& temporary, const char* path) override {
        // The file replaced is freed when its last reference goes. Were that
        // the rename, the kernel would free its blocks (on a disk mounted
        // with discard, waiting for the disk) while it still holds the
        // folder locked, and every other create and rename in the folder
        // would wait too. Holding it open moves that to the close below,
        // after the folder is unlocked.
        const int replaced = open(path, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        const bool moved = rename(temporary.c_str(), path) == 0;
        if (replaced >= 0) close(replaced);
        return moved;
    }

    void RemoveTemporary(const std::string& temporary) override { unlink(temporary.c_str()); }

    void FlushFolder(const char* path) override {
        const std::string_view whole(path);
        const std::size_t slash = whole.find_last_of('/');
        const std::string folder = slash == std::string_view::npos ? "." : slash == 0 ? "/" : std::string(whole.substr(0, slash));
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return;
        fsync(fd);
        close(fd);
    }
};

}  // namespace

FileSystem& DefaultFileSystem() {
    static PosixFileSystem files;
    return files;
}
