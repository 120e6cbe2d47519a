// The three exports the program calls: the palette id and the two tool windows.
#include <windows.h>
#include "companion/palette_id.h"
#include "companion/tool_windows.h"

extern "C" {

__declspec(dllexport) DWORD __cdecl QRV3() { return TESSALINE_PALETTE_ID; }

__declspec(dllexport) int __cdecl QRV1(HWND owner) {
    OpenPalettePickerWindow(owner);
    return 1;
}

__declspec(dllexport) int __cdecl QRV2(HWND owner) {
    OpenClipboardViewerWindow(owner);
    return 1;
}

}  // extern "C"

// Nothing happens at unloading: a library whose tool windows have opened is
// never unloaded before the process ends (see OpenToolWindow).
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_library_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
