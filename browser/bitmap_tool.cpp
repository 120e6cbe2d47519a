#include "browser/bitmap_tool.h"
#include <optional>
#include <utility>
#include "core/path_buffer.h"
#include "platform/guards.h"
#include "settings/settings_store.h"

namespace {

ProcessStarter g_process_starter = nullptr;

}  // namespace

ProcessStarter SetProcessStarter(ProcessStarter starter) {
    return std::exchange(g_process_starter, starter);
}

std::string BitmapToolCommandLine(std::string_view path) {
    std::string command_line = " \"";
    command_line += path;
    command_line += '"';
    return command_line;
}

int RunBitmapTool(HWND main_window, std::string_view command_line) {
    const PathBuffer tool = GetBMPTool();
    // The tool sees our own start-up information, asked to open maximized;
    // that request only counts where our flags carry STARTF_USESHOWWINDOW.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    startup.wShowWindow = SW_SHOWMAXIMIZED;
    // CreateProcessA may write into the command line it is given.
    std::string writable_command_line(command_line);
    const ProcessStarter start_process = g_process_starter ? g_process_starter : &CreateProcessA;

    ShowWindow(main_window, SW_HIDE);
    PROCESS_INFORMATION started{};
    if (start_process(tool.data(), writable_command_line.data(), nullptr, nullptr, TRUE, HIGH_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &started)) {
        const OwnedHandle process(started.hProcess);
        const OwnedHandle thread(started.hThread);
        WaitForSingleObject(process.Get(), INFINITE);
    }
    ShowWindow(main_window, SW_RESTORE);
    return 1;
}
