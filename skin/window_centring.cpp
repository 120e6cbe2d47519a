#include "skin/window_centring.h"
#include "core/centred_position.h"
#include "platform/guards.h"

void CenterWindowOver(HWND window, HWND reference) {
    RECT own{};
    RECT other{};
    GetWindowRect(window, &own);
    GetWindowRect(reference, &other);
    int screen_width = 0;
    int screen_height = 0;
    {
        WindowDC dc(window);
        screen_width = GetDeviceCaps(dc.Get(), HORZRES);
        screen_height = GetDeviceCaps(dc.Get(), VERTRES);
    }
    const int x = CentredPosition(other.left, other.right - other.left, own.right - own.left, screen_width);
    const int y = CentredPosition(other.top, other.bottom - other.top, own.bottom - own.top, screen_height);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
