#include <windows.h>
#include <commctrl.h>
#include "app/app_globals.h"
#include "app/companion_library.h"
#include "app/main_window.h"
#include "core/message_sink.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_program_instance = instance;
    InitCommonControls();
    g_companion_library = LoadLibraryA(kCompanionLibraryName);
    if (!g_companion_library) {
        ShowMessage(nullptr, "Missing or corrupted Tessaline.dll!", "Fatal error!", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    UseCompanionPalette();
    return static_cast<int>(DialogBoxParamA(instance, kMainDialogTemplate, nullptr, &MainDialogProc, 0));
}
