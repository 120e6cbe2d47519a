#include "skin/fonts.h"

OwnedFont CreateFontInPoints(HWND window, int points, int weight, bool italic, bool underline, const char* face) {
    int pixels_per_inch = 0;
    {
        WindowDC dc(window);
        pixels_per_inch = GetDeviceCaps(dc.Get(), LOGPIXELSY);
    }
    // A negative height selects by character height, not by cell height.
    return OwnedFont(CreateFontA(-MulDiv(pixels_per_inch, points, 72), 0, 0, 0, weight, italic ? TRUE : FALSE,
                                 underline ? TRUE : FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}
