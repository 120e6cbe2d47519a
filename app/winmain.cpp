#include <windows.h>
#include <commctrl.h>
#include "app/companion_library.h"
#include "app/main_window.h"
#include "core/messages.h"
#include "platform/message_box.h"
#include "platform/program_instance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SetProgramInstance(instance);
    InitCommonControls();
    if (!LoadCompanionLibrary()) {
        ShowMessage(nullptr, kCompanionMissing);
        return 0;
    }
    UseCompanionPalette();
    return static_cast<int>(DialogBoxParamA(instance, kMainDialogTemplate, nullptr, &MainDialogProc, 0));
}
