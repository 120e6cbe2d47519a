// The batch converter behind lumivane-convert: the same readers, conversion
// and writers as the program's convert buttons, and the same default names.
#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>
#include "core/jasc_palette.h"
#include "core/texture_conversion.h"

struct BatchRequest {
    int direction = 0;               // kBmpToAf or kAfToBmp
    std::optional<std::string> out;  // folder for every target; beside each source when absent
    bool force = false;              // overwrite existing targets
    std::vector<std::string> files;  // files, folders and wildcard patterns
    unsigned jobs = 0;               // files converted at once; 0 for one per processor
    bool quiet = false;              // print the errors only
    TextureOptions texture;          // smooth scaling and dithering of bitmaps made into textures
};

class ProgressLine;

// Converts every file, several at once, and prints as if one after the other:
// for each file in the order given, the reader's or writer's message when it
// fails on errors, then its line on out; then a summary line on out. The
// files written are the same whatever the number of jobs. Returns the number
// of files (and of arguments that named none) that failed. progress, when
// given, is kept up to date and taken away before anything else is printed.
// The words of a reader's or writer's message that are not the file's path:
// the caption where the text is the path, the text where the caption is,
// otherwise "caption: text".
std::string MessageReason(std::string_view text, std::string_view caption, std::string_view path);

int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors,
                 ProgressLine* progress = nullptr);

// What the command line asks for: a request, the help text, or a mistake.
struct CommandLine {
    BatchRequest request;
    std::optional<std::string> palette_file;
    bool help = false;
    std::string mistake;  // the line that names it; empty when the command line is usable
};
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

extern const char kBatchUsage[];
