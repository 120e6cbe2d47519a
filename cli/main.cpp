// lumivane-convert: converts bitmaps to AF textures and back from the command line.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif
#include "cli/batch_convert.h"
#include "cli/progress_line.h"
#include "core/builtin_palette.h"
#include "core/messages.h"

namespace {
bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}
}  // namespace

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::cout << kBatchUsage;
        return 0;
    }
    if (!line.mistake.empty()) {
        std::cerr << line.mistake << "\n\n" << kBatchUsage;
        return 2;
    }
    TexturePalette palette = BuiltinTexturePalette();
    if (line.palette_file) {
        std::ifstream file(*line.palette_file, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        const std::optional<TexturePalette> parsed = file ? ParseJascPalette(text.str()) : std::nullopt;
        if (!parsed) {
            std::cerr << FilledLine(kBadPaletteLine, {{"palette", *line.palette_file}}) << "\n";
            return 2;
        }
        palette = *parsed;
    }
    std::ios::sync_with_stdio(false);
    ProgressLine progress(std::cerr, IsTerminal(stdout));
    const bool show_progress = IsTerminal(stderr) && !line.request.quiet;
    return ConvertFiles(line.request, palette, std::cout, std::cerr, show_progress ? &progress : nullptr) == 0 ? 0 : 1;
}
