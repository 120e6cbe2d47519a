// Starting the real program and finding its windows from another process,
// with the scratch folders and settings it is started over.
#pragma once
#include <windows.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>
#include "platform/guards.h"
#include "tests/unit/test_files.h"

constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";

// Asks again every 50 ms; false when the condition did not hold in time.
inline bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 20000) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(50)) {
        if (GetTickCount() - start > milliseconds) return false;
    }
    return true;
}

inline void DeleteProgramSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

class RunningProgram {
public:
    // Started in its own folder, as from the desktop.
    explicit RunningProgram(const std::filesystem::path& program) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        // No command line: the program takes none, and gets its own name.
        if (CreateProcessA(program.string().c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                           program.parent_path().string().c_str(), &startup, &started)) {
            process_.Reset(started.hProcess);
            CloseHandle(started.hThread);  // not needed
        }
    }
    // Ends the program if it still runs.
    ~RunningProgram() {
        TerminateProcess(process_.Get(), 99);  // refused when it has ended already
        WaitForSingleObject(process_.Get(), 5000);
    }

    // The program's visible top-level windows of the class and caption (null for any).
    std::vector<HWND> Windows(const char* class_name, const char* caption) const {
        std::vector<HWND> found;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, class_name, caption)) != nullptr) {
            DWORD owner_process = 0;
            GetWindowThreadProcessId(window, &owner_process);
            if (owner_process == GetProcessId(process_.Get()) && IsWindowVisible(window)) found.push_back(window);
        }
        return found;
    }
    HWND WaitForWindow(const char* class_name, const char* caption) const {
        std::vector<HWND> found;
        WaitFor([&] { return !(found = Windows(class_name, caption)).empty(); });
        return found.empty() ? nullptr : found.front();
    }
    std::optional<DWORD> WaitForExit(DWORD milliseconds = 20000) const {
        DWORD code = 0;
        const bool ended = WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
        return ended && GetExitCodeProcess(process_.Get(), &code) ? std::optional<DWORD>(code) : std::nullopt;
    }

private:
    OwnedHandle process_;
};
