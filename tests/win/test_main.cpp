// The Windows test program: the program's own library and resources, run
// under Wine (or on Windows) with the settings in the current user's registry.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include "platform/program_instance.h"

int main(int argc, char** argv) {
    SetProgramInstance(GetModuleHandleA(nullptr));
    InitCommonControls();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
