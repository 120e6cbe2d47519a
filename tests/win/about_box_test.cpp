// The About box under Wine: how it ends, what it draws, and that its openings
// leave nothing behind and the main window as it was.
#include <windows.h>
#include <gtest/gtest.h>
#include <functional>
#include "about/about_box.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "skin/main_skin.h"
#include "tests/win/look_checks.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

void PressKey(HWND target, UINT key, bool with_alt) {
    const LPARAM alt = with_alt ? (LPARAM{1} << 29) : 0;
    PostMessageA(target, with_alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | alt);
    PostMessageA(target, with_alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | alt | (LPARAM{3} << 30));
}

class AboutBoxTest : public ::testing::Test {
protected:
    HWND OpenModeless() {
        HWND box = CreateDialogParamA(ProgramInstance(), kAboutTemplate, main_.Get(), &AboutDialogProc, 0);
        PumpMessages();
        return box;
    }
    CleanSettingsKey clean_;
    RecordingMessageSink messages_;
    MainWindowUnderTest main_;
};

}  // namespace

TEST_F(AboutBoxTest, EnterAltF4AndCloseEndTheModalBoxAndReleaseItsObjectsEscapeAndCancelDoNot) {
    // The way is tried first; a box still open after it is ended with Enter.
    const struct {
        const char* way;
        std::function<void(HWND)> act;
        bool ends;
    } rows[] = {
        {"Enter", [](HWND) { PressKey(GetFocus(), VK_RETURN, false); }, true},
        {"Escape", [](HWND) { PressKey(GetFocus(), VK_ESCAPE, false); }, false},
        {"Alt+F4", [](HWND) { PressKey(GetFocus(), VK_F4, true); }, true},
        {"Close", [](HWND box) { PostMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
        {"Cancel", [](HWND box) { PostMessageA(box, WM_COMMAND, IDCANCEL, 0); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.way);
        const long live_before = LiveGdiObjectCount();
        long live_open = 0;
        int ticks = 0;
        HWND box = nullptr;
        bool owner_disabled = false;
        bool open_after_way = false;
        bool ended_by_test = false;
        {
            WindowUser user(30, [&](HWND window) {
                if (!GetDlgItem(window, IDC_ABOUT_LINE4)) return;
                if (++ticks == 1) {
                    box = window;
                    owner_disabled = !IsWindowEnabled(GetWindow(window, GW_OWNER));
                    live_open = LiveGdiObjectCount();
                    row.act(window);
                } else if (ticks == 3) {
                    open_after_way = true;
                    PressKey(GetFocus(), VK_RETURN, false);
                } else if (ticks == 40) {
                    ended_by_test = true;  // the keys did not end it
                    EndDialog(window, 2);
                }
            });
            ShowAboutBox(main_.Get());
        }
        ASSERT_NE(box, nullptr) << "no box was shown";
        EXPECT_TRUE(owner_disabled);
        EXPECT_GT(live_open, live_before);
        EXPECT_EQ(open_after_way, !row.ends);
        EXPECT_FALSE(ended_by_test);
        EXPECT_FALSE(IsWindow(box));
        EXPECT_TRUE(IsWindowEnabled(main_.Get()));
        EXPECT_EQ(LiveGdiObjectCount(), live_before);
    }
}

TEST_F(AboutBoxTest, DestroyedWithoutBeingEndedItReleasesItsObjectsToo) {
    // As when its owner goes while it is open.
    const long live_before = LiveGdiObjectCount();
    HWND box = OpenModeless();
    ASSERT_NE(box, nullptr);
    EXPECT_GT(LiveGdiObjectCount(), live_before);
    DestroyWindow(box);
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
}

TEST_F(AboutBoxTest, DrawsItsFourLinesInTheirFontsOverTheWholeBackground) {
    HWND box = OpenModeless();
    ExpectBannerLine(GetDlgItem(box, IDC_ABOUT_LINE1), "MS Flight Sim 98", 18, 900, false);
    ExpectBannerLine(GetDlgItem(box, IDC_ABOUT_LINE2), "Lumivane", 14, 900, false);
    ExpectBannerLine(GetDlgItem(box, IDC_ABOUT_LINE3), "(c) 2026 Quillomar", 12, 700, false);
    ExpectBannerLine(GetDlgItem(box, IDC_ABOUT_LINE4), "Free software under the MIT License", 12, 500, true);

    // The background reaches every edge of the client area.
    RECT client{};
    GetClientRect(box, &client);
    Canvas background(client.right, client.bottom);
    DrawStretchedBackground(background);
    Canvas shown(client.right, client.bottom);
    CaptureClient(box, shown);
    EXPECT_TRUE(shown.SameArea(0, 0, background, 0, 0, client.right, 20));
    EXPECT_TRUE(shown.SameArea(0, client.bottom - 4, background, 0, client.bottom - 4, client.right, 4));
    EXPECT_TRUE(shown.SameArea(client.right - 4, 0, background, client.right - 4, 0, 4, client.bottom));

    // A repaint of the box alone draws the lines on top again.
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpMessages();
    ExpectBannerLine(GetDlgItem(box, IDC_ABOUT_LINE4), "Free software under the MIT License", 12, 500, true);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    DestroyWindow(box);
}

TEST_F(AboutBoxTest, TheOkButtonShowsItsPressedPictureOnlyWhileHeldWhateverItsId) {
    HWND box = OpenModeless();
    for (int control_id : {IDOK, 4321}) {
        ExpectButtonPictures(box, control_id, IDB_ABOUT_OK_NORMAL, IDB_ABOUT_OK_PRESSED, 59, 33);
    }
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    DestroyWindow(box);
}

TEST_F(AboutBoxTest, TwoHundredOpeningsLeakNothingAndLeaveTheMainWindowAsItWas) {
    HWND banner = main_.Item(IDC_BANNER_LINE1);
    RECT area{};
    GetClientRect(banner, &area);
    Canvas banner_before(area.right, area.bottom);
    CaptureClient(banner, banner_before);
    const HFONT banner_font = MainBannerFont(main_.Get());
    const HFONT title_font = MainTitleFont(main_.Get());
    LOGFONTA banner_font_before{};
    ASSERT_TRUE(GetObjectA(banner_font, sizeof banner_font_before, &banner_font_before));

    const long live_before = LiveGdiObjectCount();
    for (int opening = 0; opening < 200; ++opening) {
        HWND box = CreateDialogParamA(ProgramInstance(), kAboutTemplate, main_.Get(), &AboutDialogProc, 0);
        ASSERT_NE(box, nullptr);
        UpdateWindow(box);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
        DestroyWindow(box);
    }
    PumpMessages();
    EXPECT_EQ(LiveGdiObjectCount(), live_before);

    // The main window keeps its own fonts, alive, and draws as before.
    EXPECT_EQ(MainBannerFont(main_.Get()), banner_font);
    EXPECT_EQ(MainTitleFont(main_.Get()), title_font);
    LOGFONTA banner_font_after{};
    ASSERT_TRUE(GetObjectA(banner_font, sizeof banner_font_after, &banner_font_after));
    EXPECT_EQ(banner_font_after.lfHeight, banner_font_before.lfHeight);
    EXPECT_EQ(banner_font_after.lfWeight, banner_font_before.lfWeight);
    RedrawWindow(main_.Get(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages();
    Canvas banner_after(area.right, area.bottom);
    CaptureClient(banner, banner_after);
    EXPECT_TRUE(banner_after.SameArea(0, 0, banner_before, 0, 0, area.right, area.bottom));
    EXPECT_TRUE(messages_.Messages().empty());
}
