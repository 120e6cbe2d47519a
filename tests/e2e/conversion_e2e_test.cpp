// The main job done in the real program: click a texture, convert it, find
// the bitmap; and a vanished file's message shown once however often the
// window repaints behind it.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <fstream>
#include <vector>
#include "platform/guards.h"
#include "tests/e2e/program_driver.h"
#include "version.h"

namespace {

void WriteTexture(const std::filesystem::path& path) {
    std::vector<char> indices(65536);
    for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = static_cast<char>((i / 256 + i % 256) % 216);
    std::ofstream(path, std::ios::binary).write(indices.data(), static_cast<std::streamsize>(indices.size()));
}

bool WaitFor(const std::function<bool()>& condition, DWORD milliseconds = 10000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > milliseconds) return false;
        Sleep(50);
    }
    return true;
}

struct ClickRequest {
    const RunningProgram* program;
    HWND list;
};

DWORD WINAPI ClickFirstItem(void* parameter) {
    const auto* request = static_cast<const ClickRequest*>(parameter);
    SetListItemState(*request->program, request->list, 0, LVIS_SELECTED | LVIS_FOCUSED);
    return 0;
}

class ConversionEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProgramSettings();
        StoreSettingText("Bitmaps", bitmaps_.string() + "\\");
        StoreSettingText("Textures", textures_.string() + "\\");
    }
    void TearDown() override {
        std::filesystem::remove_all(bitmaps_);
        std::filesystem::remove_all(textures_);
        DeleteProgramSettings();
    }
    std::filesystem::path bitmaps_ = MakeEmptyFolder("bitmaps");
    std::filesystem::path textures_ = MakeEmptyFolder("textures");
};

TEST_F(ConversionEndToEnd, ClickATextureConvertItAndFindTheBitmapInTheList) {
    WriteTexture(textures_ / "plane.oaf");
    RunningProgram program(BesideThisProgram("lumivane.exe"), BesideThisProgram(""));
    HWND main = program.WaitForWindow(LUMIVANE_CAPTION);
    ASSERT_NE(main, nullptr);
    HWND textures_list = GetDlgItem(main, 1032);
    HWND bitmaps_list = GetDlgItem(main, 1031);
    EXPECT_EQ(SendMessageA(textures_list, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(bitmaps_list, LVM_GETITEMCOUNT, 0, 0), 0);

    ASSERT_TRUE(SetListItemState(program, textures_list, 0, LVIS_SELECTED | LVIS_FOCUSED));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main, 4)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 5)));
    PostMessageA(main, WM_COMMAND, 4, 0);  // "A&F to BMP"
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(bitmaps_list, LVM_GETITEMCOUNT, 0, 0) == 1; }));
    EXPECT_EQ(std::filesystem::file_size(bitmaps_ / "plane.oaf.bmp"), 66614u);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, 4)));
    PostMessageA(main, WM_COMMAND, 1025, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
}

TEST_F(ConversionEndToEnd, AVanishedTextureIsReportedOnceHoweverOftenTheWindowRepaints) {
    WriteTexture(textures_ / "gone.oaf");
    RunningProgram program(BesideThisProgram("lumivane.exe"), BesideThisProgram(""));
    HWND main = program.WaitForWindow(LUMIVANE_CAPTION);
    ASSERT_NE(main, nullptr);
    std::filesystem::remove(textures_ / "gone.oaf");

    // The click is sent from a thread of ours: the program answers it only
    // once its message box is closed.
    HWND textures_list = GetDlgItem(main, 1032);
    ClickRequest request{&program, textures_list};
    const OwnedHandle clicker(CreateThread(nullptr, 0, &ClickFirstItem, &request, 0, nullptr));
    const std::string caption = "Error opening file !";
    HWND box = program.WaitForWindow(caption);
    ASSERT_NE(box, nullptr);
    for (int i = 0; i < 10; ++i) {
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Sleep(100);
    }
    EXPECT_EQ(CountWindows(program, caption), 1);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(program.WaitForWindowGone(caption));
    WaitForSingleObject(clicker.Get(), 10000);
    for (int i = 0; i < 5; ++i) {
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Sleep(100);
    }
    EXPECT_EQ(CountWindows(program, caption), 0);
    PostMessageA(main, WM_COMMAND, 1025, 0);
    EXPECT_EQ(program.WaitForExit(), std::optional<DWORD>(1));
}

}  // namespace
