#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <string>
#include "core/file_access.h"

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
        std::size_t total = 0;
        while (total < buffer.size()) {
            const ssize_t got = pread(fd_, buffer.data() + total, buffer.size() - total, static_cast<off_t>(offset + total));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return std::nullopt;
            if (got == 0) break;
            total += static_cast<std::size_t>(got);
        }
        return total;
    }

private:
    int fd_;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

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

    WriteOutcome ReplaceFile(const char* path, std::span<const std::span<const std::uint8_t>> pieces) override {
        const std::string temporary = TemporaryPathFor(path);
        if (temporary.empty()) return WriteOutcome::CreateFailed;
        struct stat target {};
        const bool target_exists = stat(path, &target) == 0;
        if (target_exists && S_ISDIR(target.st_mode)) return WriteOutcome::CreateFailed;
        // O_NOFOLLOW: a link planted under the temporary's name is refused, not written through.
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return WriteOutcome::CreateFailed;
        bool complete = true;
        for (std::span<const std::uint8_t> piece : pieces) {
            if (!WriteAll(fd, piece)) {
                complete = false;
                break;
            }
        }
        // The replaced file's permissions go to the new one.
        fchmod(fd, target_exists ? (target.st_mode & 07777) : 0644);
        if (close(fd) != 0) complete = false;
        if (!complete) {
            unlink(temporary.c_str());
            return WriteOutcome::WriteFailed;
        }
        if (rename(temporary.c_str(), path) != 0) {
            unlink(temporary.c_str());
            return WriteOutcome::CreateFailed;
        }
        return WriteOutcome::Written;
    }
};

}  // namespace

FileSystem& DefaultFileSystem() {
    static PosixFileSystem files;
    return files;
}
