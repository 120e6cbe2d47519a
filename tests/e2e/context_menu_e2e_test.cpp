// A real right-click on either list of the real program opens its context
// menu, and dismissing it closes it again without running a command.
#include <windows.h>
#include <gtest/gtest.h>
#include <fstream>
#include <string>
#include <vector>
#include "tests/e2e/program_driver.h"
#include "version.h"

namespace {

HWND FindPopupMenu(const RunningProgram& program) {
    for (HWND window : ProgramWindows(program)) {
        if (WindowClass(window) == "#32768") return window;
    }
    return nullptr;
}

// Waits up to five seconds for a popup menu of the program to be shown (or
// gone); true when it came to that.
bool WaitForPopupMenu(const RunningProgram& program, bool shown) {
    for (int round = 0; round < 100; ++round) {
        if ((FindPopupMenu(program) != nullptr) == shown) return true;
        Sleep(50);
    }
    return false;
}

// Posted as the pointer's clicks would arrive: under Wine, mouse clicks made
// with SendInput here did not reach the other process's list (the key
// presses below do reach its foreground window). Where the menu opens then
// depends on when the program took in the pointer's last move, so its
// position is checked in-process instead.
void SendRightClick(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    const LPARAM middle = MAKELPARAM(area.right / 2, area.bottom / 2);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, middle);
    PostMessageA(window, WM_RBUTTONUP, 0, middle);
}

// Whether the program's window thread is still inside a menu's own loop,
// which may outlive the menu's window for a moment; a command posted then
// can be taken by that loop instead of the main window's.
bool InMenuLoop(HWND main) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
}

// Dismisses the menu without choosing an entry, the ways a menu is left:
// cancelled (WM_CANCELMODE) or Escape, both taken by the menu's own loop from
// the program's queue. Typed keys would go to whatever window has the
// foreground. A menu whose loop has only just started may miss the first
// request, so each is tried in turn until the menu is gone.
bool DismissMenu(const RunningProgram& program) {
    for (int attempt = 0; attempt < 6; ++attempt) {
        HWND menu = FindPopupMenu(program);
        if (!menu) return true;
        if (attempt % 2 == 0) {
            PostMessageA(menu, WM_CANCELMODE, 0, 0);
        } else {
            PostThreadMessageA(GetWindowThreadProcessId(menu, nullptr), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        }
        for (int wait = 0; wait < 20 && FindPopupMenu(program); ++wait) Sleep(50);
    }
    return FindPopupMenu(program) == nullptr;
}

TEST(ContextMenuEndToEnd, ARightClickOnEitherListOpensTheMenuAndDismissingItRunsNothing) {
    const std::filesystem::path bitmaps = MakeEmptyFolder("menu-bitmaps");
    const std::filesystem::path textures = MakeEmptyFolder("menu-textures");
    DeleteProgramSettings();
    StoreSettingText("Bitmaps", bitmaps.string() + "\\");
    StoreSettingText("Textures", textures.string() + "\\");
    std::ofstream(bitmaps / "plane.bmp", std::ios::binary) << "not read";
    const std::vector<char> texture(65536, 7);
    std::ofstream(textures / "plane.af", std::ios::binary).write(texture.data(), 65536);
    {
        RunningProgram program(BesideThisProgram("lumivane.exe"), BesideThisProgram(""));
        HWND main = program.WaitForWindow(LUMIVANE_CAPTION);
        ASSERT_NE(main, nullptr);
        for (int list_id : {1031, 1032}) {
            SCOPED_TRACE(list_id);
            // The middle of a list of one item is empty space: the click
            // selects nothing, so nothing is read.
            SendRightClick(GetDlgItem(main, list_id));
            ASSERT_TRUE(WaitForPopupMenu(program, true)) << "no menu opened";
            // The right-click ran the list's selection step first.
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(main, list_id == 1031 ? 5 : 4)), TRUE);
            EXPECT_TRUE(DismissMenu(program)) << "the menu stayed open";
            // What is posted next goes to the main window's own loop once the
            // menu's has ended.
            for (int wait = 0; wait < 200 && InMenuLoop(main); ++wait) Sleep(50);
            EXPECT_FALSE(InMenuLoop(main)) << "the menu's loop still runs";
        }
        EXPECT_TRUE(std::filesystem::exists(bitmaps / "plane.bmp"));
        EXPECT_TRUE(std::filesystem::exists(textures / "plane.af"));
        // A machine under load gets longer to close the program down.
        PostMessageA(main, WM_COMMAND, 1025, 0);
        const std::optional<DWORD> code = program.WaitForExit(60000);
        EXPECT_EQ(code, std::optional<DWORD>(1));
        if (!code) {
            for (HWND window : ProgramWindows(program)) {
                ADD_FAILURE() << "still shown: " << WindowClass(window) << " \"" << WindowCaption(window) << "\"";
            }
        }
    }
    std::filesystem::remove_all(bitmaps);
    std::filesystem::remove_all(textures);
    DeleteProgramSettings();
}

}  // namespace
