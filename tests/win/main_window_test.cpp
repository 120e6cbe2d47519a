#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/app_globals.h"
#include "app/main_window.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/win_test_support.h"

namespace {

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    CleanSettingsKey clean_;
    RecordingMessageSink messages_;
    ScratchFolder bitmaps_{"bitmaps"};
    ScratchFolder textures_{"textures"};
    void UseScratchFolders() {
        WriteSettingString("Bitmaps", bitmaps_.WithBackslash());
        WriteSettingString("Textures", textures_.WithBackslash());
    }
};

TEST_F(MainWindowTest, StartsWithBothConvertButtonsDisabledAndBothListsFilledInOrder) {
    UseScratchFolders();
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
    EXPECT_EQ(ListTexts(main.Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"alpha.bmp", "old.bmp", "zeta.bmp"}));
    EXPECT_EQ(ListTexts(main.Item(IDC_TEXTURES_LIST)), (std::vector<std::string>{"plane.af", "plane.oaf", "plane.raf"}));
    EXPECT_EQ(g_active_list, 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(MainWindowTest, InitialisationTakesThePaletteIdIconAndSubclass) {
    g_palette_id = 0;
    MainWindowUnderTest main;
    EXPECT_EQ(g_palette_id, 98u);
    EXPECT_NE(GetClassLongPtrA(main.Get(), GCLP_HICON), 0);
    EXPECT_EQ(GetWindowLongPtrA(main.Get(), GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&MainSubclassProc));
    EXPECT_NE(g_previous_main_proc, nullptr);
    // The settings exist once the window is up, with no tool yet.
    EXPECT_NE(ReadSettingString("Bitmaps"), nullptr);
    EXPECT_NE(ReadSettingDword("DefFileName"), kMissingSetting);
    EXPECT_EQ(ReadSettingString("BMPTool"), nullptr);
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
        EXPECT_EQ(info.hbmpChecked, g_check_mark_bitmap);
        EXPECT_EQ(info.fState & MFS_CHECKED, 0u);
    }
    BITMAP mark{};
    ASSERT_TRUE(GetObjectA(g_check_mark_bitmap, sizeof mark, &mark));
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

TEST_F(MainWindowTest, TemplateHasTheControlsAndStylesTheProgramReliesOn) {
    MainWindowUnderTest main;
    const LONG_PTR style = GetWindowLongPtrA(main.Get(), GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    char caption[256] = {};
    GetWindowTextA(main.Get(), caption, sizeof caption);
    EXPECT_NE(std::string(caption).find("Lumivane"), std::string::npos);
    EXPECT_NE(std::string(caption).find("MS Flight Sim 98"), std::string::npos);

    for (int id : {IDC_BITMAPS_LIST, IDC_TEXTURES_LIST}) {
        const LONG_PTR list_style = GetWindowLongPtrA(main.Item(id), GWL_STYLE);
        EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_LIST);
        EXPECT_TRUE(list_style & LVS_SHOWSELALWAYS);
        EXPECT_TRUE(list_style & LVS_SORTASCENDING);
        EXPECT_FALSE(list_style & LVS_SINGLESEL);
        EXPECT_TRUE(GetWindowLongPtrA(main.Item(id), GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR);
    }
    const struct {
        int id;
        const char* text;
    } buttons[] = {{IDC_AF_TO_BMP, "A&F to BMP"}, {IDC_BMP_TO_AF, "&BMP to AF"}, {IDC_SETUP, "&Setup"},
                   {IDC_ABOUT, "&About"},         {IDC_EXIT, "&Exit"}};
    for (const auto& button : buttons) {
        char text[64] = {};
        GetWindowTextA(main.Item(button.id), text, sizeof text);
        EXPECT_STREQ(text, button.text);
        EXPECT_EQ(GetWindowLongPtrA(main.Item(button.id), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    }
    EXPECT_TRUE(GetWindowLongPtrA(main.Item(IDC_SETUP), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_TRUE(GetWindowLongPtrA(main.Item(IDC_ABOUT), GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_NE(main.Item(IDC_SOURCE_PANE), nullptr);
    EXPECT_NE(main.Item(IDC_DESTINATION_PANE), nullptr);
}

TEST_F(MainWindowTest, EveryNamedResourceExistsWithItsSize) {
    const struct {
        int id;
        int width;
        int height;
    } bitmaps[] = {{IDB_BACKGROUND, 516, 214},      {IDB_ABOUT_NORMAL, 80, 40},       {IDB_ABOUT_PRESSED, 80, 40},
                   {IDB_AF_TO_BMP_NORMAL, 80, 40},  {IDB_AF_TO_BMP_PRESSED, 80, 40},  {IDB_BMP_TO_AF_NORMAL, 80, 40},
                   {IDB_BMP_TO_AF_PRESSED, 80, 40}, {IDB_SETUP_NORMAL, 80, 40},       {IDB_SETUP_PRESSED, 80, 40},
                   {IDB_EXIT_NORMAL, 41, 86},       {IDB_EXIT_PRESSED, 41, 86},       {IDB_ABOUT_OK_NORMAL, 59, 33},
                   {IDB_ABOUT_OK_PRESSED, 59, 33},  {IDB_BROWSE_NORMAL, 63, 31},      {IDB_BROWSE_PRESSED, 63, 31},
                   {IDB_SETUP_OK_NORMAL, 75, 47},   {IDB_SETUP_OK_PRESSED, 75, 47},   {IDB_SETUP_CANCEL_NORMAL, 75, 47},
                   {IDB_SETUP_CANCEL_PRESSED, 75, 47}, {IDB_GALLERY_OK_NORMAL, 44, 35}, {IDB_GALLERY_OK_PRESSED, 44, 35},
                   {IDB_MENU_MARK, 13, 13}};
    for (const auto& expected : bitmaps) {
        const OwnedBitmap bitmap(LoadBitmapA(g_program_instance, MAKEINTRESOURCEA(expected.id)));
        ASSERT_TRUE(bitmap) << expected.id;
        BITMAP info{};
        GetObjectA(bitmap.Get(), sizeof info, &info);
        EXPECT_EQ(info.bmWidth, expected.width) << expected.id;
        EXPECT_EQ(info.bmHeight, expected.height) << expected.id;
    }
    EXPECT_NE(LoadIconA(g_program_instance, MAKEINTRESOURCEA(IDI_MAIN)), nullptr);
    for (const char* name : {"Dijalog", "ABOUT", "SETUP", "Setup", "PREVIEW"}) {
        EXPECT_NE(FindResourceA(g_program_instance, name, MAKEINTRESOURCEA(5)), nullptr) << name;  // RT_DIALOG
    }
    EXPECT_NE(FindResourceA(g_program_instance, "MENU1", MAKEINTRESOURCEA(4)), nullptr);  // RT_MENU
}

}  // namespace
