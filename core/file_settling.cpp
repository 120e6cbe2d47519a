#include "core/file_settling.h"

void SettlingFiles::Touched(const std::string& name, Clock::time_point now) {
    // A file already waiting keeps what was seen of it: the next look tells
    // whether it changed.
    waiting_.try_emplace(name, Pending{std::nullopt, now});
}

std::vector<std::string> SettlingFiles::TakeDue(Clock::time_point now, const Look& look) {
    std::vector<std::string> due;
    for (auto at = waiting_.begin(); at != waiting_.end();) {
        const std::optional<FileLook> seen = look(at->first);
        Pending& waiting = at->second;
        if (!seen) {
            at = waiting_.erase(at);
            continue;
        }
        if (seen->held_by_writer || waiting.stamp != seen->stamp) {
            // Still being written, or changed since the last look: the quiet
            // while starts again.
            waiting.stamp = seen->held_by_writer ? std::nullopt : std::optional<FileStamp>(seen->stamp);
            waiting.since = now;
        } else if (now - waiting.since >= quiet_) {
            const auto done = done_.find(at->first);
            if (done == done_.end() || done->second != seen->stamp) due.push_back(at->first);
            at = waiting_.erase(at);
            continue;
        }
        ++at;
    }
    return due;
}

std::optional<SettlingFiles::Clock::time_point> SettlingFiles::NextLook() const {
    std::optional<Clock::time_point> next;
    for (const auto& [name, waiting] : waiting_) {
        // A file not yet seen, or held, is looked at again after a quiet while
        // too: a writer's handle gives no sign when it closes.
        const Clock::time_point at = waiting.since + quiet_;
        if (!next || at < *next) next = at;
    }
    return next;
}

bool SettlingFiles::Finished(const std::string& name, bool ok, const std::optional<FileStamp>& before,
                             const std::optional<FileStamp>& after, Clock::time_point now) {
    if (ok) {
        reported_.erase(name);
        if (before) done_[name] = *before;
        return false;
    }
    if (!before || !after || *before != *after) {
        if (after) Touched(name, now);
        return false;
    }
    const auto [at, first] = reported_.try_emplace(name, *after);
    if (!first && at->second == *after) return false;
    at->second = *after;
    return true;
}
