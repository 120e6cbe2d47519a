#include "tests/win/look_checks.h"
#include <gtest/gtest.h>
#include <string>
#include "tests/win/pixel_capture.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightBlue = RGB(100, 190, 255);
constexpr COLORREF kUntouched = RGB(255, 0, 255);

// The text in black on white in the font, drawn by the test itself at (0, 0):
// where its fully inked pixels lie, and how wide the text advances.
struct ReferenceText {
    PixelBox ink;
    int advance = 0;
};

ReferenceText DrawReference(std::string_view text, int points, int weight, bool italic) {
    int pixels_per_inch = 0;
    {
        WindowDC screen(nullptr);
        pixels_per_inch = GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    OwnedFont font(CreateFontA(-MulDiv(pixels_per_inch, points, 72), 0, 0, 0, weight, italic, FALSE, FALSE, ANSI_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               "Arial"));
    Canvas canvas(600, 80, RGB(255, 255, 255));
    ObjectSelection selection(canvas.Dc(), font.Get());
    SIZE extent{};
    GetTextExtentPoint32A(canvas.Dc(), text.data(), static_cast<int>(text.size()), &extent);
    SetBkMode(canvas.Dc(), TRANSPARENT);
    SetTextColor(canvas.Dc(), kBlack);
    TextOutA(canvas.Dc(), 0, 0, text.data(), static_cast<int>(text.size()));
    GdiFlush();
    return {BoxOfColour(canvas, kBlack), extent.cx};
}

}  // namespace

void ExpectBannerLine(HWND banner, std::string_view text, int points, int weight, bool italic) {
    SCOPED_TRACE("banner line \"" + std::string(text) + "\"");
    RECT area{};
    GetClientRect(banner, &area);
    Canvas line(area.right, area.bottom);
    CaptureClient(banner, line);
    const PixelBox black = BoxOfColour(line, kBlack);
    const PixelBox blue = BoxOfColour(line, kLightBlue);
    const ReferenceText reference = DrawReference(text, points, weight, italic);
    ASSERT_GT(reference.ink.count, 50);

    // The same text in the same font: as wide and as high, as much ink.
    EXPECT_NEAR(black.Width(), reference.ink.Width(), 1);
    EXPECT_NEAR(black.Height(), reference.ink.Height(), 1);
    EXPECT_NEAR(black.count, reference.ink.count, reference.ink.count / 20);
    // Centred across the static, at its top.
    EXPECT_NEAR(black.left, (area.right - reference.advance) / 2 + reference.ink.left, 1);
    EXPECT_EQ(black.top, reference.ink.top);

    // The copy shows below and right of the strokes: its lowest row is one
    // below the text's, and each of its pixels has the text's ink one pixel
    // above it (and, centred in a narrower area, perhaps one to the left).
    ASSERT_GT(blue.count, 10);
    EXPECT_EQ(blue.bottom, black.bottom + 1);
    EXPECT_GT(blue.top, black.top);
    int best_match = 0;
    for (int shift = 0; shift <= 1; ++shift) {
        int matched = 0;
        for (int y = 1; y < line.Height(); ++y) {
            for (int x = shift; x < line.Width(); ++x) {
                if (line.At(x, y) == kLightBlue && line.At(x - shift, y - 1) == kBlack) ++matched;
            }
        }
        best_match = std::max(best_match, matched);
    }
    EXPECT_GE(best_match, blue.count * 9 / 10);
}

void ExpectButtonPictures(HWND window, int control_id, int normal_bitmap, int pressed_bitmap, int width, int height) {
    SCOPED_TRACE(testing::Message() << "button " << control_id);
    Canvas normal(width, height);
    Canvas pressed(width, height);
    DrawResourceBitmap(normal_bitmap, normal);
    DrawResourceBitmap(pressed_bitmap, pressed);
    ASSERT_FALSE(normal.SameArea(0, 0, pressed, 0, 0, width, height));
    for (UINT state : {0u, UINT{ODS_DISABLED}, UINT{ODS_FOCUS}, UINT{ODS_DISABLED | ODS_FOCUS}, UINT{ODS_SELECTED},
                       UINT{ODS_SELECTED | ODS_FOCUS}}) {
        SCOPED_TRACE(testing::Message() << "state " << state);
        // The item sits at (3, 2) of a larger canvas.
        Canvas target(width + 6, height + 4, kUntouched);
        DRAWITEMSTRUCT item{};
        item.CtlType = ODT_BUTTON;
        item.CtlID = static_cast<UINT>(control_id);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = state;
        item.hwndItem = GetDlgItem(window, control_id);
        item.hDC = target.Dc();
        item.rcItem = {3, 2, 3 + width, 2 + height};
        SendMessageA(window, WM_DRAWITEM, static_cast<WPARAM>(control_id), reinterpret_cast<LPARAM>(&item));
        GdiFlush();
        EXPECT_TRUE(target.SameArea(3, 2, (state & ODS_SELECTED) ? pressed : normal, 0, 0, width, height));
        EXPECT_EQ(target.At(2, 1), kUntouched);
        EXPECT_EQ(target.At(width + 3, height + 2), kUntouched);
    }
}
