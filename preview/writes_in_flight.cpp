#include "preview/writes_in_flight.h"
#include <system_error>
#include <utility>

WritesInFlight::~WritesInFlight() {
    {
        const std::lock_guard<std::mutex> guard(lock_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_) thread_->join();
}

Result<Done> WritesInFlight::Wait() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return !busy_; });
    Result<Done> outcome = outcome_ ? std::move(*outcome_) : Result<Done>(Done{});
    outcome_.reset();
    return outcome;
}

void WritesInFlight::Start(std::function<Result<Done>()> write) {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [&] { return !busy_; });
    if (!thread_) {
        try {
            thread_.emplace([this] { Run(); });
        } catch (const std::system_error&) {
            guard.unlock();
            Result<Done> outcome = write();
            guard.lock();
            outcome_.emplace(std::move(outcome));
            return;
        }
    }
    next_ = std::move(write);
    busy_ = true;
    guard.unlock();
    changed_.notify_all();
}

void WritesInFlight::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [&] { return next_ || ending_; });
        if (!next_) return;
        const std::function<Result<Done>()> write = std::exchange(next_, nullptr);
        guard.unlock();
        Result<Done> outcome = write();
        guard.lock();
        outcome_.emplace(std::move(outcome));
        busy_ = false;
        changed_.notify_all();
    }
}
