#include "cli/batch_scheduler.h"
#include <algorithm>
#include <chrono>
#include <map>
#include <thread>
#include "core/native_path.h"
#include "core/path_buffer.h"

std::vector<std::size_t> ItemsToWaitFor(const std::vector<std::vector<std::string>>& files_of_items) {
    std::vector<std::size_t> waits(files_of_items.size(), kWaitsForNone);
    std::map<std::string, std::size_t> last_user;
    for (std::size_t i = 0; i < files_of_items.size(); ++i) {
        for (const std::string& file : files_of_items[i]) {
            const std::string key = FoldedCase(NarrowText(NativePath(file).lexically_normal()));
            const auto [at, first] = last_user.try_emplace(key, i);
            if (!first && at->second != i) {
                waits[i] = waits[i] == kWaitsForNone ? at->second : std::max(waits[i], at->second);
                at->second = i;
            }
        }
    }
    return waits;
}

BatchScheduler::BatchScheduler(std::vector<std::size_t> waits, std::function<Outcome(std::size_t)> convert)
    : waits_(std::move(waits)), convert_(std::move(convert)), outcomes_(waits_.size()) {}

bool BatchScheduler::WorkOne() {
    std::unique_lock<std::mutex> guard(lock_);
    if (next_ == outcomes_.size()) return false;
    const std::size_t i = next_++;
    const std::size_t wait = waits_[i];
    changed_.wait(guard, [&] { return wait == kWaitsForNone || outcomes_[wait].done; });
    guard.unlock();
    Outcome outcome = convert_(i);
    guard.lock();
    outcomes_[i] = std::move(outcome);
    outcomes_[i].done = true;
    ++done_;
    changed_.notify_all();
    return true;
}

const Outcome& BatchScheduler::WaitFor(std::size_t i, const std::function<void(std::size_t done)>& tick) {
    std::unique_lock<std::mutex> guard(lock_);
    while (!outcomes_[i].done) {
        changed_.wait_for(guard, std::chrono::milliseconds(100));
        const std::size_t done = done_;
        guard.unlock();
        tick(done);
        guard.lock();
    }
    return outcomes_[i];
}

unsigned DefaultJobs() { return std::clamp(std::thread::hardware_concurrency() + 1, 2u, 256u); }
