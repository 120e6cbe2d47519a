#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <atomic>
#include <cerrno>
#include "core/folder_changes.h"

namespace {

// The write end of the pipe a Ctrl+C is written into, so that it wakes a
// wait, and the handlers running: the pipe is closed only once none is, so
// that a late Ctrl+C on another thread never writes into a descriptor closed
// and perhaps opened again for a file meanwhile.
std::atomic<int> g_interrupt_pipe{-1};
std::atomic<int> g_interrupts_running{0};

extern "C" void OnInterrupt(int) {
    const int saved = errno;
    ++g_interrupts_running;
    const int pipe = g_interrupt_pipe.load();
    if (pipe >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t written = write(pipe, &byte, 1);
    }
    --g_interrupts_running;
    errno = saved;
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

class InotifyChanges final : public FolderChanges {
public:
    InotifyChanges(int inotify, int pipe_read, int pipe_write) : inotify_(inotify), pipe_read_(pipe_read), pipe_write_(pipe_write) {
        g_interrupt_pipe = pipe_write;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_int_);
        sigaction(SIGTERM, &action, &previous_term_);
    }
    ~InotifyChanges() override {
        sigaction(SIGINT, &previous_int_, nullptr);
        sigaction(SIGTERM, &previous_term_, nullptr);
        g_interrupt_pipe = -1;
        // A handler that read the pipe before it was taken away counted
        // itself first: its write is over once the count is back to zero.
        while (g_interrupts_running.load() != 0) sched_yield();
    }

    FolderChange Wait(std::optional<std::chrono::milliseconds> timeout) override {
        FolderChange change;
        std::array<pollfd, 2> waits{{{inotify_.Get(), POLLIN, 0}, {pipe_read_.Get(), POLLIN, 0}}};
        const int milliseconds = timeout ? static_cast<int>(timeout->count()) : -1;
        if (poll(waits.data(), waits.size(), milliseconds) <= 0) return change;
        if (waits[1].revents & POLLIN) {
            change.interrupted = true;
            return change;
        }
        alignas(inotify_event) std::array<char, 16384> buffer;
        const ssize_t got = read(inotify_.Get(), buffer.data(), buffer.size());
        for (ssize_t at = 0; got > 0 && at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
            if (event->mask & IN_Q_OVERFLOW) change.lost_track = true;
            if (event->len > 0 && (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO))) change.names.emplace_back(event->name);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        return change;
    }

private:
    Descriptor inotify_;
    Descriptor pipe_read_;
    Descriptor pipe_write_;
    struct sigaction previous_int_ {};
    struct sigaction previous_term_ {};
};

}  // namespace

std::unique_ptr<FolderChanges> FollowFolder(const std::string& folder) {
    const int inotify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (inotify < 0) return nullptr;
    if (inotify_add_watch(inotify, folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO | IN_ONLYDIR) < 0) {
        close(inotify);
        return nullptr;
    }
    int pipe_ends[2];
    if (pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        close(inotify);
        return nullptr;
    }
    return std::make_unique<InotifyChanges>(inotify, pipe_ends[0], pipe_ends[1]);
}

bool WriterHoldsFile(const std::string&) { return false; }

std::optional<FileStamp> StampOfFile(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return std::nullopt;
    return FileStamp{static_cast<std::uint64_t>(status.st_size),
                     static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec};
}
