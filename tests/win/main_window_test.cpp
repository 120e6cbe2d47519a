#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>
#include "app/companion_library.h"
#include "app/main_window.h"
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/win_test_support.h"

namespace {

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

// The window procedure is no longer the dialog class's own.
bool IsSubclassed(HWND window) {
    return static_cast<ULONG_PTR>(GetWindowLongPtrA(window, GWLP_WNDPROC)) != GetClassLongPtrA(window, GCLP_WNDPROC);
}

// One way out of the real modal main window, taken by the window user once
// the window is up and previewing a texture.
struct WayOut {
    const char* name;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

class MainWindowTest : public WindowTest {};

TEST_F(MainWindowTest, StartsWithBothConvertButtonsDisabledAndBothListsFilledInOrder) {
    bitmaps_.Write("zeta.bmp", {1});
    bitmaps_.Write("alpha.bmp", {1});
    bitmaps_.Write("notes.txt", {1});
    std::filesystem::create_directory(bitmaps_.Path() / "old.bmp");
    for (const char* name : {"plane.oaf", "plane.raf", "plane.af", "plane.bmp"}) textures_.Write(name, {1});

    MainWindowUnderTest main;
    ASSERT_NE(main.Get(), nullptr);
    EXPECT_FALSE(IsWindowEnabled(main.Item(IDC_AF_TO_BMP)));
    EXPECT_FALSE(IsWindowEnabled(main.Item(IDC_BMP_TO_AF)));
    EXPECT_TRUE(IsWindowEnabled(main.Item(IDC_SETUP)));
    // The captions carry the keys that press the buttons.
    const std::pair<int, const char*> buttons[] = {{IDC_AF_TO_BMP, "A&F to BMP"}, {IDC_BMP_TO_AF, "&BMP to AF"},
                                                   {IDC_SETUP, "&Setup"}, {IDC_ABOUT, "&About"}, {IDC_EXIT, "&Exit"}};
    for (const auto& [id, caption] : buttons) {
        char text[64] = {};
        GetWindowTextA(main.Item(id), text, sizeof text);
        EXPECT_STREQ(text, caption);
    }
    EXPECT_EQ(ListTexts(main.Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"alpha.bmp", "old.bmp", "zeta.bmp"}));
    EXPECT_EQ(ListTexts(main.Item(IDC_TEXTURES_LIST)), (std::vector<std::string>{"plane.af", "plane.oaf", "plane.raf"}));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(MainWindowTest, InitialisationTakesThePaletteIdIconAndSubclass) {
    SetPaletteId(0);
    MainWindowUnderTest main;
    EXPECT_EQ(PaletteId(), 98u);
    EXPECT_NE(GetClassLongPtrA(main.Get(), GCLP_HICON), 0);
    EXPECT_TRUE(IsSubclassed(main.Get()));
    // The settings exist once the window is up, with no tool yet.
    EXPECT_NE(ReadSettingString("Bitmaps"), nullptr);
    EXPECT_NE(ReadSettingDword("DefFileName"), kMissingSetting);
    EXPECT_EQ(ReadSettingString("BMPTool"), nullptr);
}

TEST_F(MainWindowTest, EveryWayOutReleasesTheSkinPanesCheckMarkSubclassAndLibrary) {
    textures_.Write("plane.af", std::vector<unsigned char>(65536, 7));
    const WayOut ways[] = {{"Exit button", WM_COMMAND, IDC_EXIT, 0},
                           {"Close of the system menu", WM_SYSCOMMAND, SC_CLOSE, 0},
                           {"Alt+F4", WM_SYSKEYDOWN, VK_F4, 1 | (LPARAM{1} << 29)}};
    for (const WayOut& way : ways) {
        SCOPED_TRACE(way.name);
        EnsureCompanionLibrary();
        const long live_before = LiveGdiObjectCount();
        HWND main = nullptr;
        bool subclassed = false;
        bool previewed = false;
        int ticks = 0;
        INT_PTR result = 0;
        {
            WindowUser user(30, [&](HWND window) {
                if (!GetDlgItem(window, IDC_TEXTURES_LIST)) return;
                main = window;
                if (++ticks == 40) EndDialog(window, 2);  // the way out did not end it
                if (ticks != 1) return;
                subclassed = IsSubclassed(window);
                SetItemState(GetDlgItem(window, IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
                previewed = IsWindowEnabled(GetDlgItem(window, IDC_AF_TO_BMP)) != FALSE;
                PostMessageA(window, way.message, way.wparam, way.lparam);
            });
            result = DialogBoxParamA(ProgramInstance(), kMainDialogTemplate, nullptr, &MainDialogProc, 0);
        }
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(subclassed);
        EXPECT_TRUE(previewed);
        ASSERT_NE(main, nullptr);
        EXPECT_FALSE(IsWindow(main));
        EXPECT_EQ(LiveGdiObjectCount(), live_before);
        EXPECT_EQ(CompanionLibrary(), nullptr);
    }
    EnsureCompanionLibrary();
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(MainWindowTest, SystemMenuEndsWithASeparatorAndTheThreeToolsWithTheirMark) {
    MainWindowUnderTest main;
    HMENU menu = GetSystemMenu(main.Get(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 4);
    EXPECT_EQ(GetMenuState(menu, count - 4, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    const struct {
        const char* text;
        UINT id;
    } expected[] = {{"Clipboard Viewer", IDM_CLIPBOARD_VIEWER},
                    {"Palette Picker", IDM_PALETTE_PICKER},
                    {"Show all textures and bitmaps", IDM_SHOW_GALLERY}};
    for (int i = 0; i < 3; ++i) {
        const int position = count - 3 + i;
        EXPECT_EQ(MenuText(menu, position), expected[i].text);
        EXPECT_EQ(GetMenuItemID(menu, position), expected[i].id);
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_CHECKMARKS | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info));
        EXPECT_NE(info.hbmpChecked, nullptr);
        EXPECT_EQ(info.hbmpChecked, info.hbmpUnchecked);
        EXPECT_EQ(info.fState & MFS_CHECKED, 0u);
    }
    MENUITEMINFOA last{};
    last.cbSize = sizeof last;
    last.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoA(menu, count - 1, TRUE, &last));
    BITMAP mark{};
    ASSERT_TRUE(GetObjectA(last.hbmpChecked, sizeof mark, &mark));
    EXPECT_EQ(mark.bmWidth, 13);
    EXPECT_EQ(mark.bmHeight, 13);
}

TEST_F(MainWindowTest, EscapeAndEnterAreNoCommandsOfTheMainWindow) {
    MainWindowUnderTest main;
    SendMessageA(main.Get(), WM_COMMAND, IDCANCEL, 0);
    SendMessageA(main.Get(), WM_COMMAND, IDOK, 0);
    SendMessageA(main.Get(), WM_COMMAND, IDM_DELETE_FILES, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindowVisible(main.Get()));
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
