// Deciding when a file that another program writes is finished, so that it is
// read whole and once: a file is due when nobody holds it open for writing
// and its size and time have stayed the same for a quiet while. A pause of
// the writer alone never makes it due while the writer still holds the file.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A file's size and last-write time, as the platform tells them.
struct FileStamp {
    std::uint64_t size = 0;
    std::int64_t time = 0;
    bool operator==(const FileStamp&) const = default;
};

// What a look at a file finds: its stamp, and whether a writer still holds it
// (where the platform can tell); nothing when the file is gone.
struct FileLook {
    FileStamp stamp;
    bool held_by_writer = false;
};

class SettlingFiles {
public:
    using Clock = std::chrono::steady_clock;
    using Look = std::function<std::optional<FileLook>(const std::string& name)>;

    explicit SettlingFiles(std::chrono::milliseconds quiet) : quiet_(quiet) {}

    // The file may have changed: it waits until it is finished.
    void Touched(const std::string& name, Clock::time_point now);
    // Looks at every waiting file and returns those that are finished, in
    // name order; they wait no more. A file that is gone, or is still the
    // version last done (its writer opened it and changed nothing), waits no
    // more either.
    std::vector<std::string> TakeDue(Clock::time_point now, const Look& look);
    // When the waiting files should be looked at again; nothing when none waits.
    std::optional<Clock::time_point> NextLook() const;
    bool Waiting() const { return !waiting_.empty(); }

    // What became of a due file: read and written (ok), or not. before and
    // after are its stamps around the attempt. Answers whether the failure is
    // to be reported: not when the file changed meanwhile (its writer is not
    // done: it waits again, quietly), and only once for one version of it.
    bool Finished(const std::string& name, bool ok, const std::optional<FileStamp>& before,
                  const std::optional<FileStamp>& after, Clock::time_point now);

private:
    struct Pending {
        std::optional<FileStamp> stamp;  // as last seen; nothing before the first look
        Clock::time_point since;         // when it was first seen so
    };
    std::chrono::milliseconds quiet_;
    std::map<std::string, Pending> waiting_;
    std::map<std::string, FileStamp> reported_;  // the version whose failure was told
    std::map<std::string, FileStamp> done_;      // the version last read and written
};
