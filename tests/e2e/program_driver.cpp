#include "tests/e2e/program_driver.h"
#include <commctrl.h>
#include <vector>
#include "platform/guards.h"

namespace {

constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";

struct ProcessWindows {
    DWORD process_id;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* collecting = reinterpret_cast<ProcessWindows*>(parameter);
    DWORD owner_process = 0;
    GetWindowThreadProcessId(window, &owner_process);
    if (owner_process == collecting->process_id && IsWindowVisible(window)) collecting->found.push_back(window);
    return TRUE;
}

HWND WindowWithCaption(const RunningProgram& program, const std::string& caption) {
    for (HWND window : ProgramWindows(program)) {
        if (WindowCaption(window) == caption) return window;
    }
    return nullptr;
}

}  // namespace

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::filesystem::path& working_folder,
                               const std::string& arguments) {
    std::string command_line = "\"";
    command_line.append(program.string()).append("\"");
    if (!arguments.empty()) command_line.append(" ").append(arguments);
    std::vector<char> writable(command_line.begin(), command_line.end());
    writable.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const std::string folder = working_folder.string();
    if (!CreateProcessA(program.string().c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &process_)) {
        process_ = {};
    }
}

RunningProgram::~RunningProgram() {
    const OwnedHandle thread(process_.hThread);
    const OwnedHandle process(process_.hProcess);
    if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process.Get(), 99);
        WaitForSingleObject(process.Get(), 5000);
    }
}

HWND RunningProgram::WaitForWindow(const std::string& caption, DWORD milliseconds) const {
    const DWORD start = GetTickCount();
    do {
        if (HWND found = WindowWithCaption(*this, caption)) return found;
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return nullptr;
}

bool RunningProgram::WaitForWindowGone(const std::string& caption, DWORD milliseconds) const {
    const DWORD start = GetTickCount();
    do {
        if (!WindowWithCaption(*this, caption)) return true;
        Sleep(50);
    } while (GetTickCount() - start < milliseconds);
    return false;
}

std::optional<DWORD> RunningProgram::WaitForExit(DWORD milliseconds) {
    if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::filesystem::path BesideThisProgram(const std::string& name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    const std::filesystem::path folder = std::filesystem::path(module).parent_path();
    return name.empty() ? folder : folder / name;
}

std::filesystem::path MakeEmptyFolder(const std::string& name) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("lumivane-e2e-" + name + "-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string DialogText(HWND dialog, int control_id) {
    char text[1024] = {};
    GetDlgItemTextA(dialog, control_id, text, sizeof text);
    return text;
}

void DeleteProgramSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

std::optional<std::string> SettingText(const char* name) {
    char text[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(text);
}

std::optional<DWORD> SettingNumber(const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

namespace {

void StoreSetting(const char* name, DWORD type, const void* data, DWORD size) {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size);
    }
}

}  // namespace

void StoreSettingText(const char* name, const std::string& text) {
    std::vector<char> data(MAX_PATH, '\0');
    text.copy(data.data(), std::min<std::size_t>(text.size(), MAX_PATH - 1));
    StoreSetting(name, REG_SZ, data.data(), MAX_PATH);
}

void StoreSettingNumber(const char* name, DWORD value) { StoreSetting(name, REG_DWORD, &value, sizeof value); }

bool SetListItemState(const RunningProgram& program, HWND list, int index, UINT state) {
    const OwnedHandle opened(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, program.ProcessId()));
    HANDLE process = opened.Get();
    if (!process) return false;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    void* remote = VirtualAllocEx(process, nullptr, sizeof item, MEM_COMMIT, PAGE_READWRITE);
    bool done = false;
    if (remote && WriteProcessMemory(process, remote, &item, sizeof item, nullptr)) {
        done = SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote)) != 0;
    }
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return done;
}

std::vector<HWND> ProgramWindows(const RunningProgram& program) {
    ProcessWindows collecting{program.ProcessId(), {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&collecting));
    return collecting.found;
}

std::string WindowCaption(HWND window) {
    char caption[512] = {};
    GetWindowTextA(window, caption, sizeof caption);
    return caption;
}

std::string WindowClass(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

int CountWindows(const RunningProgram& program, const std::string& caption) {
    int count = 0;
    for (HWND window : ProgramWindows(program)) count += WindowCaption(window) == caption ? 1 : 0;
    return count;
}
