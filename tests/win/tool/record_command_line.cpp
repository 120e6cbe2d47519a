// A stand-in for the user's bitmap tool. It writes down how it was started
// into the file named by LUMIVANE_TOOL_RECORD, one "key=value" line each:
// the raw command line, the arguments as the C runtime split them, whether
// the window named by LUMIVANE_TOOL_WATCH_WINDOW (a number) was visible, and
// the show request it got. Its last line, "finished=1", is written after a
// short pause, so that a caller that does not wait for the tool to end reads
// a record without it.
#include <windows.h>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string record_path = Environment("LUMIVANE_TOOL_RECORD");
    if (record_path.empty()) return 2;
    std::ofstream record(record_path, std::ios::binary);
    record << "command_line=" << GetCommandLineA() << "\n";
    record << "argc=" << argc << "\n";
    for (int i = 0; i < argc; ++i) record << "argv" << i << "=" << argv[i] << "\n";

    const std::string watched = Environment("LUMIVANE_TOOL_WATCH_WINDOW");
    if (!watched.empty()) {
        const auto window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::stoull(watched)));
        record << "watched_window_visible=" << (IsWindowVisible(window) ? 1 : 0) << "\n";
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    record << "show_window=" << startup.wShowWindow << "\n";
    record.flush();
    Sleep(400);
    record << "finished=1\n";
    return 0;
}
