// The About box under Wine: how it ends, what it draws, and that its openings
// leave nothing behind and the main window as it was.
#include <windows.h>
#include <gtest/gtest.h>
#include "about/about_box.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "skin/main_skin.h"
#include "tests/win/look_checks.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

// What the timer saw while the modal box ran, and the keys it pressed.
struct ModalScript {
    int ticks = 0;
    HWND box = nullptr;
    bool is_about_box = false;
    bool owner_disabled = false;
    bool open_after_escape = false;
    bool ended_by_test = false;
    UINT first_key = VK_ESCAPE;
    bool first_key_is_alt_f4 = false;
};

ModalScript g_script;

void PressKey(HWND target, UINT key, bool with_alt) {
    const LPARAM alt = with_alt ? (LPARAM{1} << 29) : 0;
    PostMessageA(target, with_alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1 | alt);
    PostMessageA(target, with_alt ? WM_SYSKEYUP : WM_KEYUP, key, 1 | alt | (LPARAM{3} << 30));
}

void CALLBACK StepModalScript(HWND, UINT, UINT_PTR, DWORD) {
    ++g_script.ticks;
    if (g_script.ticks == 1) {
        g_script.box = GetActiveWindow();
        g_script.is_about_box = GetDlgItem(g_script.box, IDC_ABOUT_LINE4) != nullptr;
        g_script.owner_disabled = !IsWindowEnabled(GetWindow(g_script.box, GW_OWNER));
        PressKey(GetFocus(), g_script.first_key, g_script.first_key_is_alt_f4);
    } else if (g_script.ticks == 3) {
        g_script.open_after_escape = IsWindowVisible(g_script.box);
        PressKey(GetFocus(), VK_RETURN, false);
    } else if (g_script.ticks == 40) {
        // The keys did not end it: end it so the test can report that.
        g_script.ended_by_test = true;
        EndDialog(g_script.box, 2);
    }
}

// Runs the real modal box over owner while the timer presses keys.
void RunModalAboutBox(HWND owner) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, &StepModalScript);
    ShowAboutBox(owner);
    KillTimer(nullptr, timer);
}

class AboutBoxTest : public ::testing::Test {
protected:
    AboutBoxTest() { g_script = ModalScript{}; }
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

TEST_F(AboutBoxTest, EnterAndAltF4EndTheModalBoxEscapeDoesNot) {
    // The first key, then Enter if the box is still open.
    const struct { UINT key; bool alt; bool open_after_first; } rows[] = {{VK_ESCAPE, false, true}, {VK_F4, true, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        g_script = ModalScript{};
        g_script.first_key = row.key;
        g_script.first_key_is_alt_f4 = row.alt;
        RunModalAboutBox(main_.Get());
        EXPECT_TRUE(g_script.is_about_box);
        EXPECT_TRUE(g_script.owner_disabled);
        EXPECT_EQ(g_script.open_after_escape, row.open_after_first);
        EXPECT_FALSE(g_script.ended_by_test);
        EXPECT_TRUE(IsWindowEnabled(main_.Get()));
        EXPECT_FALSE(IsWindow(g_script.box));
    }
}

TEST_F(AboutBoxTest, OkAndCloseEndTheBoxAndReleaseItsObjectsCancelDoesNothing) {
    const long live_before = LiveGdiObjectCount();
    HWND box = OpenModeless();
    ASSERT_NE(box, nullptr);
    const long live_open = LiveGdiObjectCount();
    EXPECT_GT(live_open, live_before);

    SendMessageA(box, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(IsWindowVisible(box));
    EXPECT_EQ(LiveGdiObjectCount(), live_open);
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
    DestroyWindow(box);

    box = OpenModeless();
    SendMessageA(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindowVisible(box));
    EXPECT_EQ(LiveGdiObjectCount(), live_before);
    DestroyWindow(box);

    // Destroyed without being ended, with its owner say, it lets go too.
    box = OpenModeless();
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
