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
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include "cli/batch_arguments.h"
#include "cli/batch_convert.h"
#include "cli/batch_usage.h"
#include "cli/progress_line.h"
#include "cli/watch_command.h"
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

// The threads of a batch share one heap, and the blocks a file takes (a few
// hundred kilobytes to a few megabytes) stay in it when freed, for the next
// file. Otherwise each thread gets a heap of its own, whose pages are new to
// the process, and a block handed back to the system is faulted in afresh.
void KeepOneHeapForAllThreads() {
#ifdef __GLIBC__
    mallopt(M_ARENA_MAX, 1);
    mallopt(M_MMAP_THRESHOLD, 8 << 20);
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
#endif
}

// The palette of the file named, or the built-in one; nothing after telling
// that the file is no palette.
std::optional<TexturePalette> PaletteOf(const std::optional<std::string>& palette_file) {
    if (!palette_file) return BuiltinTexturePalette();
    std::ifstream file(*palette_file, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    const std::optional<TexturePalette> parsed = file ? ParseJascPalette(text.str()) : std::nullopt;
    if (!parsed) std::cerr << FilledLine(kBadPaletteLine, {{"palette", *palette_file}}) << "\n";
    return parsed;
}

// The exit status of a command line that asks for help or holds a mistake,
// once the usage is printed; nothing for a command line to carry out.
std::optional<int> HelpOrMistake(bool help, const std::string& mistake, const char* usage) {
    if (help) {
        std::cout << usage;
        return 0;
    }
    if (mistake.empty()) return std::nullopt;
    std::cerr << mistake << "\n\n" << usage;
    return 2;
}

int Watch(const std::vector<std::string>& arguments) {
    const WatchLine line = ParseWatchLine(arguments);
    const std::string mistake = line.mistake.empty() ? "" : "lumivane-convert: " + line.mistake;
    if (const std::optional<int> status = HelpOrMistake(line.help, mistake, kWatchUsage)) return *status;
    const std::optional<TexturePalette> palette = PaletteOf(line.palette_file);
    return palette ? RunWatch(line.request, *palette, std::cout, std::cerr) : 2;
}
}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    const ConsoleSpeaksAnsiCodePage console;
#endif
    KeepOneHeapForAllThreads();
    if (argc > 1 && std::string(argv[1]) == "watch") return Watch(std::vector<std::string>(argv + 2, argv + argc));
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    const std::string usage = std::string(kBatchUsage) +
                              "\nlumivane-convert watch --help tells how to follow a folder and convert each file saved into it.\n";
    if (const std::optional<int> status = HelpOrMistake(line.help, line.mistake, usage.c_str())) return *status;
    const std::optional<TexturePalette> palette = PaletteOf(line.palette_file);
    if (!palette) return 2;
    std::ios::sync_with_stdio(false);
    ProgressLine progress(std::cerr, IsTerminal(stdout));
    const bool show_progress = IsTerminal(stderr) && !line.request.quiet;
    return ConvertFiles(line.request, *palette, std::cout, std::cerr, show_progress ? &progress : nullptr) == 0 ? 0 : 1;
}
