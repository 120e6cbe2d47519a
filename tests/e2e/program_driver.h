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

constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";

// Asks again every 50 ms; false when the condition did not hold in time.
inline bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 20000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);
    }
    return true;
}

inline std::filesystem::path BesideThisProgram(const std::string& name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return std::filesystem::path(module).parent_path() / name;
}

inline void DeleteProgramSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

// A fresh folder under the temporary folder, removed with what it holds.
struct ScratchFolder {
    explicit ScratchFolder(const std::string& name)
        : path(std::filesystem::temp_directory_path() /
               ("lumivane-e2e-" + name + "-" + std::to_string(GetCurrentProcessId()))) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path); }
    std::filesystem::path path;
};

class RunningProgram {
public:
    // Started in its own folder, as from the desktop.
    explicit RunningProgram(const std::filesystem::path& program) {
        // Built by appending: GCC 12 misreads a quote added in front as an overlapping copy.
        std::string command_line = "\"";
        command_line.append(program.string()).append("\"");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessA(program.string().c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           program.parent_path().string().c_str(), &startup, &started)) {
            process_.Reset(started.hProcess);
            thread_.Reset(started.hThread);
            process_id_ = started.dwProcessId;
        }
    }
    // Ends the program if it still runs.
    ~RunningProgram() {
        if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.Get(), 99);
            WaitForSingleObject(process_.Get(), 5000);
        }
    }

    // The program's visible top-level windows of the class and caption (null for any).
    std::vector<HWND> Windows(const char* class_name, const char* caption) const {
        std::vector<HWND> found;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, class_name, caption)) != nullptr) {
            DWORD owner_process = 0;
            GetWindowThreadProcessId(window, &owner_process);
            if (owner_process == process_id_ && IsWindowVisible(window)) found.push_back(window);
        }
        return found;
    }
    HWND WaitForWindow(const char* class_name, const char* caption) const {
        WaitFor([&] { return !Windows(class_name, caption).empty(); });
        const std::vector<HWND> found = Windows(class_name, caption);
        return found.empty() ? nullptr : found.front();
    }
    std::optional<DWORD> WaitForExit(DWORD milliseconds = 20000) const {
        DWORD code = 0;
        if (WaitForSingleObject(process_.Get(), milliseconds) != WAIT_OBJECT_0) return std::nullopt;
        GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

private:
    OwnedHandle process_;
    OwnedHandle thread_;
    DWORD process_id_ = 0;
};
