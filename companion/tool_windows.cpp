#include "companion/tool_windows.h"

HINSTANCE g_library_instance = nullptr;

namespace {

LRESULT CALLBACK PlainToolWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Brings an open window of the class to the front, or opens a new one.
HWND OpenToolWindow(HWND owner, const char* class_name, const char* title, int width, int height) {
    if (HWND open = FindWindowA(class_name, nullptr)) {
        SetForegroundWindow(open);
        return open;
    }
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = &PlainToolWindowProc;
    window_class.hInstance = g_library_instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = class_name;
    RegisterClassA(&window_class);  // fails harmlessly when already registered
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, class_name, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                  CW_USEDEFAULT, CW_USEDEFAULT, width, height, owner, nullptr, g_library_instance,
                                  nullptr);
    if (window) ShowWindow(window, SW_SHOW);
    return window;
}

}  // namespace

HWND OpenPalettePickerWindow(HWND owner) {
    return OpenToolWindow(owner, "TessalinePalettePicker", kPalettePickerTitle, 320, 360);
}

HWND OpenClipboardViewerWindow(HWND owner) {
    return OpenToolWindow(owner, "TessalineClipboardViewer", kClipboardViewerTitle, 360, 360);
}
