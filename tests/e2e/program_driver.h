// Starting the real program and finding its windows from another process.
#pragma once
#include <windows.h>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class RunningProgram {
public:
    RunningProgram(const std::filesystem::path& program, const std::filesystem::path& working_folder,
                   const std::string& arguments = "");
    ~RunningProgram();  // ends the program if it still runs
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return process_.hProcess != nullptr; }
    // A top-level window of this program with the caption, or null after the wait.
    HWND WaitForWindow(const std::string& caption, DWORD milliseconds = 20000) const;
    // Waits for a window of the program with the caption to go away.
    bool WaitForWindowGone(const std::string& caption, DWORD milliseconds = 20000) const;
    std::optional<DWORD> WaitForExit(DWORD milliseconds = 20000);
    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_{};
};

std::filesystem::path BesideThisProgram(const std::string& name);
std::filesystem::path MakeEmptyFolder(const std::string& name);
std::string DialogText(HWND dialog, int control_id);

void DeleteProgramSettings();
std::optional<std::string> SettingText(const char* name);
std::optional<DWORD> SettingNumber(const char* name);
void StoreSettingText(const char* name, const std::string& text);
void StoreSettingNumber(const char* name, DWORD value);

// Sets the selection and focus of a list-view item in another process's window.
bool SetListItemState(const RunningProgram& program, HWND list, int index, UINT state);
// The program's visible top-level windows, and what tells them apart.
std::vector<HWND> ProgramWindows(const RunningProgram& program);
std::string WindowCaption(HWND window);
std::string WindowClass(HWND window);
// Number of visible top-level windows of the program with the caption.
int CountWindows(const RunningProgram& program, const std::string& caption);
