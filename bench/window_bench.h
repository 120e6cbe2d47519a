// What every benchmark of the real main window starts from.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <functional>
#include <string>
#include "platform/program_instance.h"
#include "settings/settings_store.h"
#include "tests/win/win_test_support.h"

// The program set up as its WinMain sets it up.
inline bool StartBenchedProgram() {
    SetProgramInstance(GetModuleHandleA(nullptr));
    InitCommonControls();
    return true;
}

// The program started, a clean settings key, message boxes answered by the
// recorder (IDOK, as nothing is queued), and two scratch folders named
// after the benchmark, stored as the Bitmaps and the Textures folder.
struct WindowBench {
    explicit WindowBench(const std::string& name) : bitmaps(name + "-bitmaps"), textures(name + "-textures") {
        WriteSettingString("Bitmaps", bitmaps.WithBackslash());
        WriteSettingString("Textures", textures.WithBackslash());
    }
    bool started = StartBenchedProgram();
    CleanSettingsKey clean;
    MessageRecorder answers;
    ScratchFolder bitmaps;
    ScratchFolder textures;
};

// Brackets one operation with debug strings, so that bench/wine_requests.py
// can count the requests Wine's server gets for it: a figure that, unlike
// the times, does not depend on the machine.
inline void Marked(const char* name, const std::function<void()>& work) {
    char line[96];
    std::snprintf(line, sizeof line, "lumivane-bench begin %s\n", name);
    OutputDebugStringA(line);
    work();
    std::snprintf(line, sizeof line, "lumivane-bench end %s\n", name);
    OutputDebugStringA(line);
}
