// A batch's writes, finished on threads of their own while the batch reads
// and converts the next files: writing a file ends with waiting for the disk
// (the flush that keeps the old file safe), and several flushes waiting
// together reach the disk in fewer turns than one after the other. What the
// writes came to is handed back oldest first, each once.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>
#include "core/failure.h"
#include "core/uncopyable.h"

class WritesInFlight : Uncopyable {
public:
    explicit WritesInFlight(std::size_t most = 4) : most_(most) {}
    // Waits for every write; failures not handed back by then are lost.
    ~WritesInFlight();

    // Whether a write to path (whatever the case of its letters) has not
    // been handed back yet.
    bool Writing(std::string_view path);
    // The failures of the writes that have ended, oldest first, up to the
    // oldest still going.
    std::vector<Failure> Ended();
    // The failures of every write, once each has ended.
    std::vector<Failure> WaitForAll();
    // Starts write, which writes path, and returns what Ended returns; while
    // the most writes are going, waits for the oldest first. Without a thread
    // for it, write runs here and now. A write that throws failed as
    // "Error Writing file" does.
    std::vector<Failure> Start(std::string path, std::function<Result<Done>()> write);

private:
    struct Write {
        std::string path;
        std::function<Result<Done>()> work;
        bool started = false;
        bool ended = false;
        std::optional<Failure> failure;
    };
    std::vector<Failure> TakeEnded(std::unique_lock<std::mutex>& guard, std::size_t at_least);
    void Run();

    std::size_t most_;
    std::mutex lock_;
    std::condition_variable work_;   // a write to start, or the end: for the threads
    std::condition_variable ended_;  // a write has ended: for the batch
    std::deque<Write> writes_;  // oldest first, until handed back
    std::size_t idle_threads_ = 0;
    bool ending_ = false;
    std::vector<std::thread> threads_;
};
