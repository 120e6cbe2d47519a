#include "companion/tool_windows.h"
#include <array>
#include "platform/guards.h"

HINSTANCE g_library_instance = nullptr;

namespace {

struct ToolSlot {
    HWND open_window = nullptr;
    const char* registered_class = nullptr;
};

std::array<ToolSlot, 2> g_tool_slots;

ToolSlot& SlotOf(ToolWindowKind kind) { return g_tool_slots[static_cast<std::size_t>(kind)]; }

UINT LiveGdiObjectsMessage() {
    static const UINT message = RegisterWindowMessageA(kLiveGdiObjectsMessage);
    return message;
}

bool RegisterToolClass(const ToolWindowDescription& description) {
    ToolSlot& slot = SlotOf(description.kind);
    if (slot.registered_class) return true;
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = description.procedure;
    window_class.hInstance = g_library_instance;
    window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
    window_class.lpszClassName = description.class_name;
    if (!RegisterClassA(&window_class)) return false;
    slot.registered_class = description.class_name;
    return true;
}

// Beside the owner, on the right when there is room and else on the left, and
// always inside the work area of the owner's monitor.
POINT PlaceBesideOwner(HWND owner, SIZE frame, bool level_with_owner_bottom) {
    constexpr int kGap = 8;
    RECT owner_rect{};
    if (!owner || !GetWindowRect(owner, &owner_rect)) return {CW_USEDEFAULT, CW_USEDEFAULT};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromRect(&owner_rect, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    POINT place{owner_rect.right + kGap, level_with_owner_bottom ? owner_rect.bottom - frame.cy : owner_rect.top};
    if (place.x + frame.cx > work.right) place.x = owner_rect.left - kGap - frame.cx;
    if (place.x < work.left) place.x = work.right - frame.cx;
    if (place.x < work.left) place.x = work.left;
    if (place.y + frame.cy > work.bottom) place.y = work.bottom - frame.cy;
    if (place.y < work.top) place.y = work.top;
    return place;
}

// Windows are not to be touched while the loader lock is held, as it is during
// DllMain; so instead of closing its windows when it is unloaded, the library
// pins itself before the first window of its own opens.
bool KeepLibraryLoaded() {
    static bool pinned = false;
    if (!pinned) {
        HMODULE self = nullptr;
        pinned = GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                                    reinterpret_cast<LPCSTR>(&g_library_instance), &self) != FALSE;
    }
    return pinned;
}

}  // namespace

HWND OpenToolWindow(const ToolWindowDescription& description, HWND owner) {
    ToolSlot& slot = SlotOf(description.kind);
    if (slot.open_window) {
        SetForegroundWindow(slot.open_window);
        return slot.open_window;
    }
    if (!KeepLibraryLoaded() || !RegisterToolClass(description)) return nullptr;
    RECT frame{0, 0, description.client_size.cx, description.client_size.cy};
    AdjustWindowRectEx(&frame, description.style, FALSE, WS_EX_TOOLWINDOW);
    const SIZE frame_size{frame.right - frame.left, frame.bottom - frame.top};
    const POINT place = PlaceBesideOwner(owner, frame_size, description.level_with_owner_bottom);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, description.class_name, description.title, description.style, place.x, place.y,
                                  frame_size.cx, frame_size.cy, owner, nullptr, g_library_instance, nullptr);
    if (!window) return nullptr;
    slot.open_window = window;
    ShowWindow(window, SW_SHOW);
    return window;
}

LRESULT DefaultToolWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN && wparam == VK_ESCAPE) {
        DestroyWindow(window);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        for (ToolSlot& slot : g_tool_slots) {
            if (slot.open_window == window) slot.open_window = nullptr;
        }
    }
    if (message == LiveGdiObjectsMessage()) return LiveGdiObjectCount();
    return DefWindowProcA(window, message, wparam, lparam);
}
