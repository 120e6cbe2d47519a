// What every benchmark of the real main window starts from.
#pragma once
#include <windows.h>
#include <commctrl.h>
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
