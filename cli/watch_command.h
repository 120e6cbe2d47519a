// lumivane-convert watch: converts every bitmap (or texture) of a folder that
// is newer than its target, then each one that is saved into the folder, once
// its writer has finished with it, until Ctrl+C.
#pragma once
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>
#include "core/jasc_palette.h"
#include "core/target_naming.h"

struct WatchRequest {
    Direction direction = Direction::BmpToAf;
    std::string folder;  // the folder followed
    std::string out;     // where the targets go
    unsigned jobs = 0;   // files converted at a time; 0 for one more than the processors
    // How long a finished file's size and time must stay the same.
    std::chrono::milliseconds quiet{100};
};

struct WatchLine {
    WatchRequest request;
    std::optional<std::string> palette_file;
    bool help = false;
    std::string mistake;  // empty when the command line is usable
};
// The arguments after "watch".
WatchLine ParseWatchLine(const std::vector<std::string>& arguments);

// Follows the folder until Ctrl+C: one line on out for each file converted,
// one line on errors for a file that cannot be converted once its writer has
// finished. Returns 0 when stopped by Ctrl+C, 2 when the folder cannot be followed.
int RunWatch(const WatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors);

extern const char kWatchUsage[];
