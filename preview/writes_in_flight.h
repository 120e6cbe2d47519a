// A batch's writes, each finished on a thread of its own while the batch reads
// and converts the next file: writing a file ends with waiting for the disk
// (the flush that keeps the old file safe), and that wait no longer holds up
// the next file. One write is in flight at a time, and the batch hears what
// it came to before it checks or writes the next target, and at its end.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include "core/failure.h"
#include "core/uncopyable.h"

class WritesInFlight : Uncopyable {
public:
    WritesInFlight() = default;
    // Waits for the write in flight; what it came to is lost unless Wait was
    // asked first.
    ~WritesInFlight();

    // Waits for the write in flight, if any: what it came to, Done when none.
    Result<Done> Wait();
    // Starts write, once the one before has ended (Wait first to hear of
    // that one). Without a thread for it, write runs here and now.
    void Start(std::function<Result<Done>()> write);

private:
    void Run();

    std::mutex lock_;
    std::condition_variable changed_;
    std::function<Result<Done>()> next_;
    std::optional<Result<Done>> outcome_;
    bool busy_ = false;
    bool ending_ = false;
    std::optional<std::thread> thread_;
};
