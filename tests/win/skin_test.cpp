// The program's look under Wine, where the look is the point: every dialog's
// button pictures drawn without leaking, the banner lines, the stretched
// background and what a repaint brings back.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "about/about_box.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/setup_dialog.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kLightBlue = RGB(100, 190, 255);
constexpr COLORREF kUntouched = RGB(255, 0, 255);

void Fill(HWND window, RECT area, COLORREF colour) {
    WindowDC dc(window);
    OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(dc.Get(), &area, brush.Get());
    GdiFlush();
}

// The text in black on white in the font, drawn by the test itself at (0, 0):
// where its fully inked pixels lie, and how wide the text advances.
struct ReferenceText {
    PixelBox ink;
    int advance = 0;
};

ReferenceText DrawReference(std::string_view text, int points, int weight, bool italic) {
    const int pixels_per_inch = GetDeviceCaps(WindowDC(nullptr).Get(), LOGPIXELSY);
    OwnedFont font(CreateFontA(-MulDiv(pixels_per_inch, points, 72), 0, 0, 0, weight, italic, FALSE, FALSE,
                               ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, "Arial"));
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

// Black text in the given Arial font, centred at the top of its static, over
// a light-blue copy one pixel lower.
void ExpectBannerLine(HWND banner, std::string_view text, int points, int weight, bool italic) {
    const RECT area = ClientOf(banner);
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
    // below the text's, unless the static's bottom edge cuts it there (the
    // copy is drawn inside the static, which keeps its right and bottom
    // edges: with Arial's metrics the 18-point line fills its static), and
    // each of its pixels has the text's ink one pixel above it (and, centred
    // in a narrower area, perhaps one to the left).
    ASSERT_GT(blue.count, 10);
    EXPECT_EQ(blue.bottom, std::min<int>(black.bottom + 1, area.bottom));
    EXPECT_GT(blue.top, black.top);
    int best_match = 0;
    for (int shift = 0; shift <= 1; ++shift) {
        int matched = 0;
        for (int y = 1; y < line.Height(); ++y) {
            for (int x = shift; x < line.Width(); ++x) {
                matched += line.At(x, y) == kLightBlue && line.At(x - shift, y - 1) == kBlack;
            }
        }
        best_match = std::max(best_match, matched);
    }
    EXPECT_GE(best_match, blue.count * 9 / 10);
}

// Asks window to draw its owner-drawn control_id in each button state: the
// pressed picture only while selected, the normal one otherwise (disabled
// and focused included), each at its size and in the item's place.
void ExpectButtonPictures(HWND window, int control_id, int normal_bitmap, int pressed_bitmap, int width, int height) {
    Canvas normal(width, height);
    Canvas pressed(width, height);
    DrawResourceBitmap(normal_bitmap, normal);
    DrawResourceBitmap(pressed_bitmap, pressed);
    ASSERT_FALSE(normal.SameArea(0, 0, pressed, 0, 0, width, height));
    for (UINT state : {0u, UINT{ODS_DISABLED | ODS_FOCUS}, UINT{ODS_SELECTED | ODS_FOCUS}}) {
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
        EXPECT_TRUE(target.SameArea(3, 2, (state & ODS_SELECTED) ? pressed : normal, 0, 0, width, height));
        EXPECT_EQ(target.At(2, 1), kUntouched);
        EXPECT_EQ(target.At(width + 3, height + 2), kUntouched);
    }
}

class SkinTest : public WindowTest {
protected:
    void SetUp() override {
        StartMainWindow();
        about_ = CreateDialogParamA(ProgramInstance(), kAboutTemplate, Main(), &AboutDialogProc, 0);
        PumpMessages();
    }
    void TearDown() override { DestroyWindow(about_); }
    HWND about_ = nullptr;
};

TEST_F(SkinTest, EveryOwnerDrawnButtonShowsItsPressedPictureOnlyWhileSelected) {
    HWND setup = CreateDialogParamA(ProgramInstance(), kSetupDialogTemplate, Main(), &SetupDialogProc, 0);
    const struct {
        HWND window;
        int control_id, normal_bitmap, pressed_bitmap, width, height;
    } rows[] = {
        {Main(), IDC_EXIT, IDB_EXIT_NORMAL, IDB_EXIT_PRESSED, 41, 86},
        {setup, IDC_SETUP_CANCEL, IDB_SETUP_CANCEL_NORMAL, IDB_SETUP_CANCEL_PRESSED, 75, 47},
        {about_, 4321, IDB_ABOUT_OK_NORMAL, IDB_ABOUT_OK_PRESSED, 59, 33},  // its only button, whatever its id
    };
    const long live_before = LiveGdiObjectCount();
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "button " << row.control_id);
        ExpectButtonPictures(row.window, row.control_id, row.normal_bitmap, row.pressed_bitmap, row.width, row.height);
    }
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
    // The Setup dialog is pale, its texts black on the same colour.
    Canvas shown(20, 20);
    CaptureClient(setup, shown);
    EXPECT_EQ(shown.At(4, 4), RGB(244, 237, 176));
    MemoryDC dc(nullptr);
    SetTextColor(dc.Get(), RGB(255, 255, 255));  // a fresh DC's own black would hide a colour never set
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(setup, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), 0));
    LOGBRUSH painted{};
    ASSERT_EQ(GetObjectA(brush, sizeof painted, &painted), static_cast<int>(sizeof painted)) << "the answer is a brush";
    EXPECT_EQ(painted.lbColor, RGB(244, 237, 176));
    EXPECT_EQ(GetBkColor(dc.Get()), RGB(244, 237, 176));
    EXPECT_EQ(GetTextColor(dc.Get()), kBlack);
    DestroyWindow(setup);
}

TEST_F(SkinTest, BannerLinesAreBlackTextInTheirFontsOverALightBlueCopyAfterTheirStaticRepaintsAlone) {
    const struct {
        HWND window;
        int control_id;
        const char* text;
        int points, weight;
        bool italic;
    } rows[] = {
        {Main(), IDC_BANNER_LINE1, "MS Flight Sim 98", 18, 900, false},
        {Main(), IDC_BANNER_LINE2, "Lumivane", 14, 900, false},
        {about_, IDC_ABOUT_LINE1, "MS Flight Sim 98", 18, 900, false},
        {about_, IDC_ABOUT_LINE2, "Lumivane", 14, 900, false},
        {about_, IDC_ABOUT_LINE3, "(c) 2026 Quillomar", 12, 700, false},
        {about_, IDC_ABOUT_LINE4, "Free software under the MIT License", 12, 500, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        HWND banner = GetDlgItem(row.window, row.control_id);
        // On Windows an SS_SIMPLE static fills its whole rectangle when it
        // paints; Wine's leaves it alone, so the fill is made here.
        Fill(banner, ClientOf(banner), GetSysColor(COLOR_3DFACE));
        InvalidateRect(banner, nullptr, TRUE);
        UpdateWindow(banner);
        PumpMessages();
        ExpectBannerLine(banner, row.text, row.points, row.weight, row.italic);
        // The static and the window do not keep asking each other for more.
        EXPECT_FALSE(GetUpdateRect(banner, nullptr, FALSE));
        EXPECT_FALSE(GetUpdateRect(row.window, nullptr, FALSE));

        // A repaint of the window over half the line leaves the line as it
        // was: its text is not drawn again over the other half's.
        RECT line = ClientOf(banner);
        MapWindowPoints(banner, row.window, reinterpret_cast<POINT*>(&line), 2);
        const RECT client = ClientOf(row.window);
        Canvas before(client.right, client.bottom), after(client.right, client.bottom);
        CaptureClient(row.window, before);
        RECT half = line;
        half.right = (line.left + line.right) / 2;
        InvalidateRect(row.window, &half, FALSE);
        UpdateWindow(row.window);
        CaptureClient(row.window, after);
        EXPECT_TRUE(after.SameArea(line.left, line.top, before, line.left, line.top, line.right - line.left, line.bottom - line.top));
    }
}

TEST_F(SkinTest, TheBackgroundIsStretchedOverTheWholeWindowAndARepaintCopiesTheInvalidPartBack) {
    const struct {
        HWND window;
        int top, bottom, right;  // margins free of controls
    } rows[] = {{Main(), 6, 3, 4}, {about_, 20, 4, 4}};
    for (const auto& row : rows) {
        const RECT client = ClientOf(row.window);
        Canvas background(client.right, client.bottom);
        DrawResourceBitmap(IDB_BACKGROUND, background);
        // A part of the top margin away from the origin is spoilt and invalidated alone.
        const RECT invalidated{10, 1, 110, 5};
        Fill(row.window, invalidated, RGB(255, 0, 0));
        InvalidateRect(row.window, &invalidated, TRUE);
        UpdateWindow(row.window);
        PumpMessages();
        Canvas shown(client.right, client.bottom);
        CaptureClient(row.window, shown);
        EXPECT_TRUE(shown.SameArea(0, 0, background, 0, 0, client.right, row.top));
        EXPECT_TRUE(shown.SameArea(0, client.bottom - row.bottom, background, 0, client.bottom - row.bottom,
                                   client.right, row.bottom));
        EXPECT_TRUE(shown.SameArea(client.right - row.right, 0, background, client.right - row.right, 0, row.right,
                                   client.bottom));
    }
}

}  // namespace
