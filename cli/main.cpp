// lumivane-convert: converts bitmaps to AF textures and back from the command line.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#ifdef _WIN32
#include <windows.h>
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
#ifdef _WIN32
// The names arrive and are printed in the process's ANSI code page: UTF-8
// where the application manifest applies. A console shows the bytes in its
// own output code page, so for as long as the program runs that is the same
// one, and every name prints as it is.
class ConsoleSpeaksAnsiCodePage {
public:
    ConsoleSpeaksAnsiCodePage() : previous_(GetConsoleOutputCP()) {
        if (previous_ != 0) SetConsoleOutputCP(GetACP());
    }
    ~ConsoleSpeaksAnsiCodePage() {
        if (previous_ == 0) return;
        // What is still buffered goes out before the console changes back.
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        SetConsoleOutputCP(previous_);
    }
    ConsoleSpeaksAnsiCodePage(const ConsoleSpeaksAnsiCodePage&) = delete;
    ConsoleSpeaksAnsiCodePage& operator=(const ConsoleSpeaksAnsiCodePage&) = delete;

private:
    UINT previous_;
};
#endif
}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    const ConsoleSpeaksAnsiCodePage console;
#endif
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
