#include "cli/progress_line.h"
#include <cstdio>
#include <string>

ProgressLine::ProgressLine(std::ostream& terminal, bool output_on_terminal, Clock clock)
    : terminal_(terminal), output_on_terminal_(output_on_terminal), clock_(std::move(clock)), started_(clock_()) {}

void ProgressLine::Update(std::size_t done, std::size_t total) {
    const auto now = clock_();
    const std::chrono::duration<double> running = now - started_;
    if (running < std::chrono::seconds(1) || (shown_length_ != 0 && now - drawn_ < std::chrono::milliseconds(100))) return;
    char text[96];
    const int length = std::snprintf(text, sizeof text, "%zu of %zu files, %.1f files a second", done, total,
                                     static_cast<double>(done) / running.count());
    if (length <= 0) return;
    std::string line(1, '\r');
    line.append(text, std::min(sizeof text - 1, static_cast<std::size_t>(length)));
    // Spaces over the end of a longer line drawn before.
    if (line.size() - 1 < shown_length_) line.append(shown_length_ - (line.size() - 1), ' ');
    terminal_ << line << std::flush;
    shown_length_ = line.size() - 1;
    drawn_ = now;
}

void ProgressLine::Clear() {
    if (shown_length_ == 0) return;
    terminal_ << '\r' << std::string(shown_length_, ' ') << '\r' << std::flush;
    shown_length_ = 0;
}
