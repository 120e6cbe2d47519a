// The main window's look under Wine: the button pictures, centring, the
// banner lines, the repaint from the off-screen background and the GDI
// objects the skin holds.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <vector>
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "skin/main_skin.h"
#include "skin/window_centring.h"
#include "tests/win/look_checks.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr COLORREF kUntouched = RGB(255, 0, 255);

struct ButtonRow {
    int control_id;
    int normal_bitmap;
    int pressed_bitmap;
    int width;
    int height;
};

constexpr ButtonRow kMainWindowButtons[] = {
    {IDC_AF_TO_BMP, IDB_AF_TO_BMP_NORMAL, IDB_AF_TO_BMP_PRESSED, 80, 40},
    {IDC_BMP_TO_AF, IDB_BMP_TO_AF_NORMAL, IDB_BMP_TO_AF_PRESSED, 80, 40},
    {IDC_SETUP, IDB_SETUP_NORMAL, IDB_SETUP_PRESSED, 80, 40},
    {IDC_ABOUT, IDB_ABOUT_NORMAL, IDB_ABOUT_PRESSED, 80, 40},
    {IDC_EXIT, IDB_EXIT_NORMAL, IDB_EXIT_PRESSED, 41, 86},
};

COLORREF ClientPixel(HWND window, int x, int y) {
    RECT client{};
    GetClientRect(window, &client);
    Canvas canvas(client.right, client.bottom);
    CaptureClient(window, canvas);
    return canvas.At(x, y);
}

void FillClientArea(HWND window, RECT area, COLORREF colour) {
    WindowDC dc(window);
    OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(dc.Get(), &area, brush.Get());
    GdiFlush();
}

RECT ChildArea(HWND parent, int control_id) {
    RECT area{};
    HWND child = GetDlgItem(parent, control_id);
    GetClientRect(child, &area);
    MapWindowPoints(child, parent, reinterpret_cast<POINT*>(&area), 2);
    return area;
}

void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
}

class SkinTest : public WindowTest {
protected:
    // A texture of one colour, index 176 of the texture palette everywhere.
    void WriteTexture(const char* name) { textures_.Write(name, std::vector<unsigned char>(65536, 176)); }
    static void FocusFirstItem(HWND list) {
        LVITEMA state{};
        state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
        state.state = LVIS_FOCUSED | LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
        PumpMessages();
    }
};

}  // namespace

TEST(SkinButtonTest, MainWindowButtonsShowThePressedPictureOnlyWhileSelected) {
    CleanSettingsKey clean;
    MainWindowUnderTest main;
    const long live_before = LiveGdiObjectCount();
    for (const ButtonRow& row : kMainWindowButtons) {
        ExpectButtonPictures(main.Get(), row.control_id, row.normal_bitmap, row.pressed_bitmap, row.width, row.height);
    }
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
    // A control without a picture is not drawn at all.
    Canvas untouched(40, 40, kUntouched);
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = IDC_SOURCE_PANE;
    item.hDC = untouched.Dc();
    item.rcItem = {0, 0, 40, 40};
    SendMessageA(main.Get(), WM_DRAWITEM, IDC_SOURCE_PANE, reinterpret_cast<LPARAM>(&item));
    GdiFlush();
    EXPECT_EQ(BoxOfColour(untouched, kUntouched).count, 40 * 40);
}

namespace {

class SkinCentringTest : public ::testing::Test {
protected:
    SkinCentringTest() {
        WindowDC screen(nullptr);
        screen_width_ = GetDeviceCaps(screen.Get(), HORZRES);
        screen_height_ = GetDeviceCaps(screen.Get(), VERTRES);
    }
    ~SkinCentringTest() override {
        DestroyWindow(window_);
        DestroyWindow(reference_);
    }
    // Places the reference, sizes the window, centres; returns the window's rectangle.
    RECT Centre(int ref_left, int ref_top, int ref_width, int ref_height, int width, int height) {
        SetWindowPos(reference_, nullptr, ref_left, ref_top, ref_width, ref_height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(window_, nullptr, 5, 5, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        CenterWindowOver(window_, reference_);
        RECT placed{};
        GetWindowRect(window_, &placed);
        return placed;
    }
    static HWND MakePopup() {
        return CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr);
    }
    int screen_width_ = 0;
    int screen_height_ = 0;
    HWND reference_ = MakePopup();
    HWND window_ = MakePopup();
};

}  // namespace

// The arithmetic is tested natively; here, that the window really moves
// there, measured on this screen and kept on it.
TEST_F(SkinCentringTest, CentresOverTheReferenceAndStaysOnTheScreen) {
    RECT placed = Centre(100, 80, 600, 400, 200, 101);
    EXPECT_EQ(placed.left, 300);
    EXPECT_EQ(placed.top, 80 + 299 / 2);
    EXPECT_EQ(placed.right - placed.left, 200);
    EXPECT_EQ(placed.bottom - placed.top, 101);
    placed = Centre(screen_width_ - 100, screen_height_ - 50, 200, 200, 300, 300);
    EXPECT_EQ(placed.right, screen_width_);
    EXPECT_EQ(placed.bottom, screen_height_);
}

TEST_F(SkinTest, BannerLinesAreBlackTextOverALightBlueCopyOnePixelLower) {
    MainWindowUnderTest main;
    ExpectBannerLine(main.Item(IDC_BANNER_LINE1), "MS Flight Sim 98", 18, 900, false);
    ExpectBannerLine(main.Item(IDC_BANNER_LINE2), "Lumivane", 14, 900, false);
}

TEST_F(SkinTest, ABannerStaticRepaintedAloneKeepsItsLine) {
    MainWindowUnderTest main;
    for (int banner_id : {IDC_BANNER_LINE1, IDC_BANNER_LINE2}) {
        SCOPED_TRACE(banner_id);
        HWND banner = main.Item(banner_id);
        RECT area{};
        GetClientRect(banner, &area);
        Canvas before(area.right, area.bottom);
        CaptureClient(banner, before);
        ASSERT_GT(BoxOfColour(before, RGB(0, 0, 0)).count, 100);

        // On Windows an SS_SIMPLE static fills its whole rectangle when it
        // paints; Wine's leaves it alone, so the fill is made here.
        FillClientArea(banner, area, GetSysColor(COLOR_3DFACE));
        InvalidateRect(banner, nullptr, TRUE);
        UpdateWindow(banner);
        PumpMessages();
        Canvas after(area.right, area.bottom);
        CaptureClient(banner, after);
        EXPECT_TRUE(after.SameArea(0, 0, before, 0, 0, area.right, area.bottom));
        // Nothing is left to paint: the static and the window do not keep
        // asking each other for more.
        EXPECT_FALSE(GetUpdateRect(banner, nullptr, FALSE));
        EXPECT_FALSE(GetUpdateRect(main.Get(), nullptr, FALSE));
    }
}

TEST_F(SkinTest, ARepaintCopiesTheInvalidPartFromTheStretchedBackground) {
    MainWindowUnderTest main;
    RECT client{};
    GetClientRect(main.Get(), &client);
    Canvas background(client.right, client.bottom);
    DrawStretchedBackground(background);
    Canvas shown(client.right, client.bottom);
    CaptureClient(main.Get(), shown);
    // The margins hold no control: they show the background as stretched.
    EXPECT_TRUE(shown.SameArea(0, 0, background, 0, 0, client.right, 6));
    EXPECT_TRUE(shown.SameArea(0, client.bottom - 3, background, 0, client.bottom - 3, client.right, 3));
    // So does the banner static around its text.
    const RECT banner = ChildArea(main.Get(), IDC_BANNER_LINE1);
    EXPECT_TRUE(shown.SameArea(banner.left, banner.top, background, banner.left, banner.top, 12, banner.bottom - banner.top));

    // Spoil two parts of the margin; only the invalidated one comes back,
    // and the banner lines, drawn again, look as they did.
    Canvas banner_before(banner.right - banner.left, banner.bottom - banner.top);
    CaptureClient(main.Item(IDC_BANNER_LINE1), banner_before);
    const RECT invalidated{10, 1, 110, 5};
    const RECT left_alone{200, 1, 300, 5};
    FillClientArea(main.Get(), invalidated, RGB(255, 0, 0));
    FillClientArea(main.Get(), left_alone, RGB(255, 0, 0));
    InvalidateRect(main.Get(), &invalidated, TRUE);
    UpdateWindow(main.Get());
    PumpMessages();
    CaptureClient(main.Get(), shown);
    EXPECT_TRUE(shown.SameArea(10, 1, background, 10, 1, 100, 4));
    EXPECT_EQ(shown.At(250, 3), RGB(255, 0, 0));
    EXPECT_TRUE(shown.SameArea(banner.left, banner.top, banner_before, 0, 0, banner_before.Width(),
                               banner_before.Height()));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SkinTest, ARepaintBringsTheKeptPicturesBack) {
    WriteTexture("plane.af");
    MainWindowUnderTest main;
    const RECT pane = ChildArea(main.Get(), IDC_SOURCE_PANE);
    const int centre_x = (pane.left + pane.right) / 2;
    const int centre_y = (pane.top + pane.bottom) / 2;
    const RECT inside{pane.left + 4, pane.top + 4, pane.right - 4, pane.bottom - 4};

    // With no picture yet a repaint shows the background in the pane.
    FillClientArea(main.Get(), inside, RGB(255, 255, 255));
    Repaint(main.Get());
    const COLORREF background = ClientPixel(main.Get(), centre_x, centre_y);
    EXPECT_NE(background, RGB(255, 255, 255));

    FocusFirstItem(main.Item(IDC_TEXTURES_LIST));
    const COLORREF texture = ClientPixel(main.Get(), centre_x, centre_y);
    ASSERT_NE(texture, background);

    // Once the panes hold a picture, each repaint draws it again.
    FillClientArea(main.Get(), inside, RGB(255, 255, 255));
    Repaint(main.Get());
    EXPECT_EQ(ClientPixel(main.Get(), centre_x, centre_y), texture);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SkinTest, TwoHundredRepaintsLeaveTheGdiCountAsItWas) {
    WriteTexture("plane.af");
    MainWindowUnderTest main;
    FocusFirstItem(main.Item(IDC_TEXTURES_LIST));
    const long live_before = LiveGdiObjectCount();
    for (int repaint = 0; repaint < 200; ++repaint) {
        RedrawWindow(main.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    PumpMessages();
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
    ExpectBannerLine(main.Item(IDC_BANNER_LINE1), "MS Flight Sim 98", 18, 900, false);
    EXPECT_TRUE(messages_.Messages().empty());
}
