// The batch converter behind lumivane-convert: the same readers, conversion
// and writers as the program's convert buttons, and the same default names.
#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>
#include "core/jasc_palette.h"

struct BatchRequest {
    int direction = 0;               // kBmpToAf or kAfToBmp
    std::optional<std::string> out;  // folder for every target; beside each source when absent
    bool force = false;              // overwrite existing targets
    std::vector<std::string> files;
};

// Converts every file in turn, printing one line per file on out and the
// reader's or writer's message for a file that fails on errors, then a
// summary line on out. Returns the number of files that failed.
int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors);

// What the command line asks for: a request, the help text, or a mistake.
struct CommandLine {
    BatchRequest request;
    std::optional<std::string> palette_file;
    bool help = false;
    std::string mistake;  // empty when the command line is usable
};
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kBatchUsage[];
