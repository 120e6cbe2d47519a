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

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID process_ending) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_library_instance = instance;
        DisableThreadLibraryCalls(instance);
    }
    // Unloaded by FreeLibrary rather than by the end of the process: the
    // program frees the library before its main window, and so before the
    // tool windows that window owns, are destroyed.
    if (reason == DLL_PROCESS_DETACH && process_ending == nullptr) CloseToolWindowsForUnload();
    return TRUE;
}
