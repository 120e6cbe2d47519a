// The line on a terminal that tells how far a long batch has got, redrawn in
// place: "37 of 100 files, 45.2 files a second".
#pragma once
#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>

class ProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // terminal: where the line goes; output_on_terminal: whether the lines
    // of standard output show on the same terminal; clock: the time now, for tests.
    ProgressLine(std::ostream& terminal, bool output_on_terminal, Clock clock = std::chrono::steady_clock::now);

    // Whether the line must be taken away before a line of standard output.
    bool OutputOnTerminal() const { return output_on_terminal_; }

    // Shows the count once the batch has run for a second, at most ten times a second.
    void Update(std::size_t done, std::size_t total);
    // Takes the line away, so that other output starts at the start of a line.
    void Clear();

private:
    std::ostream& terminal_;
    bool output_on_terminal_;
    Clock clock_;
    std::chrono::steady_clock::time_point started_;
    std::chrono::steady_clock::time_point drawn_;
    std::size_t shown_length_ = 0;
};
