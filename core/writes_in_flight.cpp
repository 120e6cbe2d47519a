#include "core/writes_in_flight.h"
#include <algorithm>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>
#include "core/messages.h"
#include "core/path_buffer.h"

namespace {
// What a write came to; one that throws (no memory for a name, say) failed.
std::optional<Failure> FailureOf(const std::string& path, const std::function<Result<Done>()>& work) {
    try {
        const Result<Done> outcome = work();
        if (outcome) return std::nullopt;
        return outcome.Problem();
    } catch (const std::exception&) {
        return Failure{&kWriteFailed, path};
    }
}

}  // namespace

WritesInFlight::~WritesInFlight() {
    {
        std::unique_lock<std::mutex> guard(lock_);
        ended_.wait(guard, [&] { return std::all_of(writes_.begin(), writes_.end(), [](const Write& write) { return write.ended; }); });
        ending_ = true;
    }
    work_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

bool WritesInFlight::Writing(std::string_view path) {
    const std::lock_guard<std::mutex> guard(lock_);
    const std::string folded = FoldedCase(path);
    return std::any_of(writes_.begin(), writes_.end(), [&](const Write& write) { return FoldedCase(write.path) == folded; });
}

std::vector<Failure> WritesInFlight::Ended() {
    std::unique_lock<std::mutex> guard(lock_);
    return TakeEnded(guard, 0);
}

std::vector<Failure> WritesInFlight::WaitForAll() {
    std::unique_lock<std::mutex> guard(lock_);
    return TakeEnded(guard, writes_.size());
}

// Hands back the oldest writes that have ended, waiting for the oldest
// at_least of them to end first.
std::vector<Failure> WritesInFlight::TakeEnded(std::unique_lock<std::mutex>& guard, std::size_t at_least) {
    std::vector<Failure> failures;
    for (std::size_t taken = 0; !writes_.empty(); ++taken) {
        if (taken < at_least) ended_.wait(guard, [&] { return writes_.front().ended; });
        if (!writes_.front().ended) break;
        if (writes_.front().failure) failures.push_back(std::move(*writes_.front().failure));
        writes_.pop_front();
    }
    return failures;
}

std::vector<Failure> WritesInFlight::Start(std::string path, std::function<Result<Done>()> work) {
    std::unique_lock<std::mutex> guard(lock_);
    std::vector<Failure> failures = TakeEnded(guard, writes_.size() >= most_ ? writes_.size() - most_ + 1 : 0);
    writes_.push_back(Write{std::move(path), std::move(work), false, false, std::nullopt});
    if (idle_threads_ == 0 && threads_.size() < most_) {
        try {
            threads_.emplace_back([this] { Run(); });
        } catch (const std::exception&) {
            if (threads_.empty()) {  // no thread at all: written here
                Write& write = writes_.back();
                write.started = true;
                guard.unlock();
                std::optional<Failure> failure = FailureOf(write.path, write.work);
                guard.lock();
                write.failure = std::move(failure);
                write.ended = true;
                std::vector<Failure> ended = TakeEnded(guard, 0);
                failures.insert(failures.end(), ended.begin(), ended.end());
                return failures;
            }
        }
    }
    guard.unlock();
    work_.notify_one();
    return failures;
}

void WritesInFlight::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        ++idle_threads_;
        Write* next = nullptr;
        work_.wait(guard, [&] {
            const auto waiting = std::find_if(writes_.begin(), writes_.end(), [](const Write& write) { return !write.started; });
            next = waiting == writes_.end() ? nullptr : &*waiting;
            return next || ending_;
        });
        --idle_threads_;
        if (!next) return;
        next->started = true;
        const std::function<Result<Done>()> work = std::move(next->work);
        const std::string& path = next->path;
        guard.unlock();
        std::optional<Failure> failure = FailureOf(path, work);
        guard.lock();
        // Writes are only handed back once ended, so next is still in place.
        next->failure = std::move(failure);
        next->ended = true;
        ended_.notify_all();
    }
}
