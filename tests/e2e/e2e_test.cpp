// Drives the real lumivane.exe from outside, as a user would: starts it,
// finds its windows, answers them and reads its exit code.
#include <windows.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <optional>
#include <string>
#include "tests/e2e/program_driver.h"
#include "version.h"

namespace {

TEST(EndToEnd, WithoutTheCompanionLibraryOnlyTheFatalMessageShowsAndTheExitCodeIsZero) {
    const std::filesystem::path alone = MakeEmptyFolder("alone");
    std::filesystem::copy_file(BesideThisProgram("lumivane.exe"), alone / "lumivane.exe");
    RunningProgram program(alone / "lumivane.exe", alone);
    ASSERT_TRUE(program.Started());

    HWND box = program.WaitForWindow("Fatal error!");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box, 0xFFFF), "Missing or corrupted Tessaline.dll!");
    EXPECT_EQ(program.WaitForWindow(LUMIVANE_CAPTION, 200), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
    std::filesystem::remove_all(alone);
}

TEST(EndToEnd, FirstStartShowsTheMainWindowStoresTheSettingsAndExitEndsWithOne) {
    DeleteProgramSettings();
    RunningProgram program(BesideThisProgram("lumivane.exe"), BesideThisProgram(""));
    ASSERT_TRUE(program.Started());
    HWND main = program.WaitForWindow(LUMIVANE_CAPTION);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 4)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 5)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 6)));

    std::string program_folder = BesideThisProgram("").string();
    if (program_folder.back() != '\\') program_folder += '\\';
    EXPECT_EQ(SettingText("Bitmaps"), program_folder);
    EXPECT_EQ(SettingText("Textures"), program_folder);
    EXPECT_EQ(SettingNumber("Thumbs"), std::optional<DWORD>(0));
    EXPECT_EQ(SettingNumber("DefFileName"), std::optional<DWORD>(1));
    EXPECT_EQ(SettingText("BMPTool"), std::nullopt);

    // Escape is no command of the main window.
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    EXPECT_TRUE(IsWindow(main));
    PostMessageA(main, WM_COMMAND, 1025, 0);  // Exit
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
}

}  // namespace
