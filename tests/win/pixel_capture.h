// Pixels read back from windows, bitmaps and drawings, for the tests of the
// program's look: a 32-bit top-down canvas that the test can draw on and read.
#pragma once
#include <windows.h>
#include <cstdint>
#include "platform/guards.h"

// A colour as 0xRRGGBB.
inline std::uint32_t Rgb(COLORREF colour) {
    return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(255, 0, 255));

    HDC Dc() const { return dc_.Get(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The pixel as an RGB() value.
    COLORREF At(int x, int y) const;
    // Whether the w x h area at (x, y) equals other's at (ox, oy).
    bool SameArea(int x, int y, const Canvas& other, int ox, int oy, int w, int h) const;

private:
    int width_;
    int height_;
    MemoryDC dc_;
    std::uint32_t* bits_ = nullptr;
    OwnedBitmap bitmap_;
    ObjectSelection selection_;
};

RECT ClientOf(HWND window);
// The client area of a window as it stands on the screen now.
void CaptureClient(HWND window, Canvas& canvas);

// The client area of a window as the window draws it on request
// (WM_PRINTCLIENT), whatever covers it on the screen.
class PrintedClient : public Canvas {
public:
    explicit PrintedClient(HWND window);
    using Canvas::At;
    COLORREF At(POINT point) const { return At(point.x, point.y); }
};

// A bitmap resource of the program stretched over the whole canvas, as the skin draws it.
void DrawResourceBitmap(int bitmap_id, Canvas& canvas);

struct PixelBox {
    int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    int count = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
// The bounding box of the canvas pixels of one colour.
PixelBox BoxOfColour(const Canvas& canvas, COLORREF colour);
