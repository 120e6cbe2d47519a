#include "tests/win/pixel_capture.h"
#include <algorithm>
#include <climits>
#include "platform/program_instance.h"

namespace {

HBITMAP CreateCanvasBitmap(int width, int height, std::uint32_t** bits) {
    // Top-down (a negative height), so rows go down as y does.
    const BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<std::uint32_t*>(pixels);
    return bitmap;
}

}  // namespace

RECT ClientOf(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

Canvas::Canvas(int width, int height, COLORREF fill)
    : width_(width),
      height_(height),
      dc_(nullptr),
      bitmap_(CreateCanvasBitmap(width, height, &bits_)),
      selection_(dc_.Get(), bitmap_.Get()) {
    std::fill(bits_, bits_ + width * height, Rgb(fill));
}

COLORREF Canvas::At(int x, int y) const {
    const std::uint32_t pixel = bits_[y * width_ + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool Canvas::SameArea(int x, int y, const Canvas& other, int ox, int oy, int w, int h) const {
    GdiFlush();
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            if (At(x + column, y + row) != other.At(ox + column, oy + row)) return false;
        }
    }
    return true;
}

void CaptureClient(HWND window, Canvas& canvas) {
    WindowDC dc(window);
    BitBlt(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), dc.Get(), 0, 0, SRCCOPY);
    GdiFlush();
}

PrintedClient::PrintedClient(HWND window) : Canvas(ClientOf(window).right, ClientOf(window).bottom) {
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc()), PRF_CLIENT);
    GdiFlush();
}

void DrawResourceBitmap(int bitmap_id, Canvas& canvas) {
    OwnedBitmap bitmap(LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(bitmap_id)));
    BITMAP size{};
    GetObjectA(bitmap.Get(), sizeof size, &size);
    MemoryDC source(nullptr);
    ObjectSelection selection(source.Get(), bitmap.Get());
    SetStretchBltMode(canvas.Dc(), COLORONCOLOR);
    StretchBlt(canvas.Dc(), 0, 0, canvas.Width(), canvas.Height(), source.Get(), 0, 0, size.bmWidth, size.bmHeight,
               SRCCOPY);
    GdiFlush();
}

PixelBox BoxOfColour(const Canvas& canvas, COLORREF colour) {
    PixelBox box{INT_MAX, INT_MAX, INT_MIN, INT_MIN, 0};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            if (canvas.At(x, y) != colour) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                   std::max(box.bottom, y + 1), box.count + 1};
        }
    }
    return box.count == 0 ? PixelBox{} : box;
}
