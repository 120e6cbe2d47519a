// The jobs of a batch over worker threads: items are converted several at
// once and handed out, in the order given, to the thread that prints them,
// so that what is printed and written is that of converting one after the
// other.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// What converting one item came to, printed once every item before it is.
struct Outcome {
    std::string errors;  // for standard error
    std::string line;    // for standard output
    bool converted = false;
    bool done = false;
};

inline constexpr std::size_t kWaitsForNone = std::string::npos;

// For each item, given the files it reads or writes, the last item before it
// that reads or writes one of them (a source or target named twice), which
// must be done first; kWaitsForNone for none. Names match whatever their case.
std::vector<std::size_t> ItemsToWaitFor(const std::vector<std::vector<std::string>>& files_of_items);

class BatchScheduler {
public:
    // convert(i) converts item i; waits from ItemsToWaitFor.
    BatchScheduler(std::vector<std::size_t> waits, std::function<Outcome(std::size_t)> convert);

    // Converts the next item; false when none is left.
    bool WorkOne();
    // Waits for item i, calling tick(done) now and then while it waits.
    const Outcome& WaitFor(std::size_t i, const std::function<void(std::size_t done)>& tick);

private:
    std::vector<std::size_t> waits_;
    std::function<Outcome(std::size_t)> convert_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Outcome> outcomes_;
    std::size_t next_ = 0;
    std::size_t done_ = 0;
};

// The number of files converted at a time when no -j is given: one more
// than the processors (whose count may be unknown, 0), since a file being
// written may wait for the file system's journal with its slot held; at
// least two, at most the 256 that -j allows. A file waiting for the disk to
// flush it counts for none (see ConversionSlots).
unsigned DefaultJobs();

