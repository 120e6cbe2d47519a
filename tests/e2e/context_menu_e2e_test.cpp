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
        }
        EXPECT_TRUE(std::filesystem::exists(bitmaps / "plane.bmp"));
        EXPECT_TRUE(std::filesystem::exists(textures / "plane.af"));
        PostMessageA(main, WM_COMMAND, 1025, 0);
        EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
    }
    std::filesystem::remove_all(bitmaps);
    std::filesystem::remove_all(textures);
    DeleteProgramSettings();
}

}  // namespace
