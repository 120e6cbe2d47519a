// The command line of lumivane-convert made into a batch request.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "cli/batch_request.h"

// What the command line asks for: a request, the help text, or a mistake.
struct CommandLine {
    BatchRequest request;
    std::optional<std::string> palette_file;
    bool help = false;
    std::string mistake;  // the line that names it; empty when the command line is usable
};
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The number of files a -j value asks to convert at a time: 1 to 256, or
// nothing for any other text.
std::optional<unsigned> JobCountOf(std::string_view text);
