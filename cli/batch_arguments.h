// The command line of lumivane-convert made into a batch request.
#pragma once
#include <optional>
#include <string>
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
