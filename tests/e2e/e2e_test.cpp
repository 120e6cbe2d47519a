// Drives the real lumivane.exe from outside, as a user would: starts it,
// finds its windows, answers them and reads its exit code.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>
#include "platform/guards.h"
#include "tests/unit/test_files.h"
#include "version.h"

namespace {

constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";

// Asks again every 50 ms; false when the condition did not hold in time.
bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 20000) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(50)) {
        if (GetTickCount() - start > milliseconds) return false;
    }
    return true;
}

void DeleteProgramSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

class RunningProgram {
public:
    // Started in its own folder, as from the desktop.
    explicit RunningProgram(const std::filesystem::path& program) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        // No command line: the program takes none, and gets its own name.
        if (CreateProcessA(program.string().c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                           program.parent_path().string().c_str(), &startup, &started)) {
            process_.Reset(started.hProcess);
            CloseHandle(started.hThread);  // not needed
        }
    }
    // Ends the program if it still runs.
    ~RunningProgram() {
        TerminateProcess(process_.Get(), 99);  // refused when it has ended already
        WaitForSingleObject(process_.Get(), 5000);
    }

    // The program's visible top-level windows of the class and caption (null for any).
    std::vector<HWND> Windows(const char* class_name, const char* caption) const {
        std::vector<HWND> found;
        HWND window = nullptr;
        while ((window = FindWindowExA(nullptr, window, class_name, caption)) != nullptr) {
            DWORD owner_process = 0;
            GetWindowThreadProcessId(window, &owner_process);
            if (owner_process == GetProcessId(process_.Get()) && IsWindowVisible(window)) found.push_back(window);
        }
        return found;
    }
    HWND WaitForWindow(const char* class_name, const char* caption) const {
        std::vector<HWND> found;
        WaitFor([&] { return !(found = Windows(class_name, caption)).empty(); });
        return found.empty() ? nullptr : found.front();
    }
    std::optional<DWORD> WaitForExit(DWORD milliseconds = 20000) const {
        DWORD code = 0;
        const bool ended = WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
        return ended && GetExitCodeProcess(process_.Get(), &code) ? std::optional<DWORD>(code) : std::nullopt;
    }

private:
    OwnedHandle process_;
};

TEST(EndToEnd, WithoutTheCompanionLibraryOnlyTheFatalMessageShowsAndTheExitCodeIsZero) {
    const ScratchFolder alone("alone");
    std::filesystem::copy_file(BesideTestProgram("lumivane.exe"), alone.Path() / "lumivane.exe");
    RunningProgram program(alone.Path() / "lumivane.exe");
    HWND box = program.WaitForWindow(nullptr, "Fatal error!");
    ASSERT_NE(box, nullptr);
    char text[128] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "Missing or corrupted Tessaline.dll!");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(0));
}

TEST(EndToEnd, FirstStartStoresTheProgramsFolderForBothListsAndExitEndsWithOne) {
    DeleteProgramSettings();
    RunningProgram program(BesideTestProgram("lumivane.exe"));
    HWND main = program.WaitForWindow(nullptr, LUMIVANE_CAPTION);
    ASSERT_NE(main, nullptr);
    for (const char* name : {"Bitmaps", "Textures"}) {
        char folder[MAX_PATH] = {};
        DWORD size = sizeof folder;
        EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_SZ, nullptr, folder, &size), 0);
        EXPECT_EQ(folder, BesideTestProgram("").string()) << name;
    }
    PostMessageA(main, WM_COMMAND, 1025, 0);  // Exit
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
}

// The real program started over two fresh folders, a bitmap in one and a
// texture in the other.
class ProgramEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProgramSettings();
        for (const auto& [name, folder] : {std::pair{"Bitmaps", &bitmaps_}, std::pair{"Textures", &textures_}}) {
            const std::string text = folder->WithBackslash();
            RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, text.c_str(), text.size() + 1);
        }
        bitmaps_.Write("plane.bmp", {1});  // never read
        textures_.Write("plane.oaf", std::vector<std::uint8_t>(65536, 7));
        program_.emplace(BesideTestProgram("lumivane.exe"));
        main_ = program_->WaitForWindow(nullptr, LUMIVANE_CAPTION);
        ASSERT_NE(main_, nullptr);
    }
    void TearDown() override { DeleteProgramSettings(); }

    HWND Item(int id) const { return GetDlgItem(main_, id); }
    // The Home key in the Textures list picks its first item, as a user can without the pointer;
    // sent, it returns once the program has taken the pick and previewed the texture.
    void PickTheTexture() const { SendMessageA(Item(1032), WM_KEYDOWN, VK_HOME, 1); }

    ScratchFolder bitmaps_{"bitmaps"};
    ScratchFolder textures_{"textures"};
    std::optional<RunningProgram> program_;
    HWND main_ = nullptr;
};

class ConversionEndToEnd : public ProgramEndToEnd {};

TEST_F(ConversionEndToEnd, PickATextureConvertItAndFindTheBitmapInTheList) {
    PickTheTexture();
    PostMessageA(main_, WM_COMMAND, 4, 0);  // "A&F to BMP"
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(Item(1031), LVM_GETITEMCOUNT, 0, 0) == 2; }));
    EXPECT_EQ(std::filesystem::file_size(bitmaps_.Path() / "plane.oaf.bmp"), 66614u);
}

// A message box runs its own loop, in which the window repaints: the file it
// tells of must not be read again there and stack a second box on the first.
TEST_F(ConversionEndToEnd, AVanishedTextureIsReportedOnceHoweverOftenTheWindowRepaints) {
    PickTheTexture();
    std::filesystem::remove(textures_.Path() / "plane.oaf");
    const char caption[] = "Error opening file !";
    RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    ASSERT_NE(program_->WaitForWindow(nullptr, caption), nullptr);
    for (int i = 0; i < 10; ++i) {
        RedrawWindow(main_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Sleep(100);
    }
    EXPECT_EQ(program_->Windows(nullptr, caption).size(), 1u);
}

// Posted as the pointer's clicks would arrive: under Wine, mouse clicks made
// with SendInput here did not reach the other process's list. The pointer is
// put on the click first, as a hand would: the list tells a click from a drag
// by the pointer's moves.
void RightClickMiddleOf(HWND window) {
    RECT area{};
    GetClientRect(window, &area);
    POINT middle{area.right / 2, area.bottom / 2};
    const LPARAM position = MAKELPARAM(middle.x, middle.y);
    ClientToScreen(window, &middle);
    SetCursorPos(middle.x, middle.y);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, position);
    PostMessageA(window, WM_RBUTTONUP, 0, position);
}

// Whether the program's window thread is inside a menu's own loop, which
// starts after the menu's window shows and takes every message posted then.
bool InMenuLoop(HWND main) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) &&
           (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0;
}

class ContextMenuEndToEnd : public ProgramEndToEnd {};

TEST_F(ContextMenuEndToEnd, ARightClickOnEitherListOpensTheMenuAndDismissingItRunsNothing) {
    constexpr char kPopupMenuClass[] = "#32768";
    for (int list_id : {1031, 1032}) {
        SCOPED_TRACE(list_id);
        // The middle of a list of one item is empty space: the click selects
        // nothing, so nothing is read.
        RightClickMiddleOf(Item(list_id));
        HWND menu = program_->WaitForWindow(kPopupMenuClass, nullptr);
        ASSERT_TRUE(menu && WaitFor([&] { return InMenuLoop(main_); })) << "no menu opened";
        // The right-click ran the list's selection step first.
        EXPECT_TRUE(IsWindowEnabled(Item(list_id == 1031 ? 5 : 4)));
        // Cancelled, as a menu is left without a choice, once its own loop runs to take it.
        PostMessageA(menu, WM_CANCELMODE, 0, 0);
        EXPECT_TRUE(WaitFor([&] { return !InMenuLoop(main_) && program_->Windows(kPopupMenuClass, nullptr).empty(); }))
            << "a menu is still shown";
    }
    EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / "plane.bmp"));
    EXPECT_TRUE(std::filesystem::exists(textures_.Path() / "plane.oaf"));
    PostMessageA(main_, WM_COMMAND, 1025, 0);  // Exit
    EXPECT_EQ(program_->WaitForExit(), std::optional<DWORD>(1));
}

}  // namespace
