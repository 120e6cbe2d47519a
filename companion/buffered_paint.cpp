#include "companion/buffered_paint.h"
#include "platform/guards.h"

namespace {

void DrawThroughBuffer(HWND window, HDC target, ClientDrawing draw) {
    RECT client{};
    GetClientRect(window, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    MemoryDC buffer(target);
    OwnedBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!buffer || !bitmap) {
        draw(window, target, client);  // flickers, but shows everything
        return;
    }
    ObjectSelection selected(buffer.Get(), bitmap.Get());
    draw(window, buffer.Get(), client);
    BitBlt(target, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
}

}  // namespace

LRESULT PaintClientBuffered(HWND window, UINT message, WPARAM wparam, ClientDrawing draw) {
    if (message == WM_PRINTCLIENT) {
        DrawThroughBuffer(window, reinterpret_cast<HDC>(wparam), draw);
        return 0;
    }
    const PaintSession paint(window);
    if (paint.Dc()) DrawThroughBuffer(window, paint.Dc(), draw);
    return 0;
}
