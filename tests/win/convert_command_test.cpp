#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "core/sides.h"
#include "browser/convert_command.h"
#include "browser/folder_lists.h"
#include "browser/save_dialog.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
#include "tests/win/win_test_support.h"

namespace {

std::uint8_t Stripes(int x, int y) { return static_cast<std::uint8_t>((x / 16 + y / 8) % 216); }

int IndexOf(HWND list, const std::string& name) {
    const std::vector<std::string> texts = ListTexts(list);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (texts[i] == name) return static_cast<int>(i);
    }
    return -1;
}

// Selects (and, with focus, focuses) an item as a click would.
void ClearSelection(HWND list) { SetItemState(list, -1, 0); }

// What the scripted Save dialog saw and answers.
struct SaveDialogScript {
    std::string answer;  // empty: the user cancels
    int calls = 0;
    std::string proposed;
    std::string title;
    std::string initial_folder;
    std::vector<std::string> filter;
    DWORD max_file = 0;
    HWND owner = nullptr;
};
SaveDialogScript* g_script = nullptr;

BOOL ScriptedSaveDialog(OPENFILENAMEA* request) {
    SaveDialogScript& script = *g_script;
    ++script.calls;
    script.proposed = request->lpstrFile;
    script.title = request->lpstrTitle ? request->lpstrTitle : "";
    script.initial_folder = request->lpstrInitialDir ? request->lpstrInitialDir : "";
    script.filter.clear();
    for (const char* part = request->lpstrFilter; part && *part; part += std::strlen(part) + 1) script.filter.push_back(part);
    script.max_file = request->nMaxFile;
    script.owner = request->hwndOwner;
    if (script.answer.empty()) return FALSE;
    lstrcpynA(request->lpstrFile, script.answer.c_str(), static_cast<int>(request->nMaxFile));
    return TRUE;
}

class ConvertCommandTest : public WindowTest {
protected:
    HWND List(int id) const { return main_->Item(id); }
    void Press(int button) {
        EnableWindow(main_->Item(button), TRUE);
        SendMessageA(main_->Get(), WM_COMMAND, static_cast<WPARAM>(button), 0);
    }
};

TEST_F(ConvertCommandTest, DefaultNamesTakeATextureToABitmapAndBackByteForByte) {
    const Bytes texture = Texture(Stripes);
    textures_.Write("plane.oaf", texture);
    StartMainWindow();
    SetItemState(List(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    Press(IDC_AF_TO_BMP);
    EXPECT_FALSE(IsWindowEnabled(main_->Item(IDC_AF_TO_BMP)));
    EXPECT_EQ(ListTexts(List(IDC_BITMAPS_LIST)), (std::vector<std::string>{"plane.oaf.bmp"}));
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "plane.oaf.bmp").size(), 66614u);

    std::filesystem::remove(textures_.Path() / "plane.oaf");
    RefillList(main_->Get(), Side::Textures);
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    Press(IDC_BMP_TO_AF);
    EXPECT_EQ(ListTexts(List(IDC_TEXTURES_LIST)), (std::vector<std::string>{"plane.oaf"}));
    EXPECT_EQ(ReadWholeFile(textures_.Path() / "plane.oaf"), texture);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(ConvertCommandTest, DefaultNamesDropALastExtensionOrAddTheDirectionsOne) {
    const Bytes bitmap = Bmp24(16, 16, [](int x, int y) { return static_cast<std::uint32_t>(x * 16 << 8 | y * 16); });
    for (const char* name : {"a.b.c.bmp", ".x.bmp", "plane.bmp"}) bitmaps_.Write(name, bitmap);
    StartMainWindow();
    for (int i = 0; i < 3; ++i) SetItemState(List(IDC_BITMAPS_LIST), i, LVIS_SELECTED);
    Press(IDC_BMP_TO_AF);
    for (const char* name : {"a.b.c", ".x.bmp.af", "plane.bmp.af"}) {
        EXPECT_EQ(ReadWholeFile(textures_.Path() / name).size(), 65536u) << name;
    }
    // a.b.c does not match "*.*af" and so is not listed.
    EXPECT_EQ(ListTexts(List(IDC_TEXTURES_LIST)), (std::vector<std::string>{".x.bmp.af", "plane.bmp.af"}));
}

TEST_F(ConvertCommandTest, SelectedItemsConvertOnceEachInIndexOrderAndEachAsksAlone) {
    const Bytes texture = Texture(Stripes);
    for (const char* name : {"a.af", "b.af", "c.af", "d.af", "e.af", "f.af"}) textures_.Write(name, texture);
    const Bytes old_bitmap(100, 1);
    bitmaps_.Write("c.af.bmp", old_bitmap);
    bitmaps_.Write("f.af.bmp", old_bitmap);
    StartMainWindow();
    SetItemState(List(IDC_TEXTURES_LIST), 5, LVIS_SELECTED);
    SetItemState(List(IDC_TEXTURES_LIST), 2, LVIS_SELECTED | LVIS_FOCUSED);
    messages_.QueueAnswer(IDNO);
    messages_.QueueAnswer(IDYES);
    Press(IDC_AF_TO_BMP);

    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[0].text, (bitmaps_.Path() / "c.af.bmp").string());
    EXPECT_EQ(messages_.Messages()[1].text, (bitmaps_.Path() / "f.af.bmp").string());
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "c.af.bmp"), old_bitmap);
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "f.af.bmp").size(), 66614u);
    EXPECT_EQ(ListTexts(List(IDC_BITMAPS_LIST)), (std::vector<std::string>{"c.af.bmp", "f.af.bmp"}));
}

TEST_F(ConvertCommandTest, NothingSelectedDoesNothingButTheButtonEndsDisabled) {
    textures_.Write("plane.oaf", Texture(Stripes));
    bitmaps_.Write("keep.bmp", Bmp24(4, 4, [](int, int) { return 0u; }));
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED);
    Press(IDC_AF_TO_BMP);
    EXPECT_FALSE(IsWindowEnabled(main_->Item(IDC_AF_TO_BMP)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bitmaps_.Path()), std::filesystem::directory_iterator()), 1);
    // The Bitmaps list was not refilled: its selection is still there.
    EXPECT_EQ(SendMessageA(List(IDC_BITMAPS_LIST), LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ConvertCommandTest, SaveDialogProposesTheNameAndFinishesTheChosenPath) {
    WriteSettingDword("DefFileName", 0);
    const Bytes bitmap = Bmp24(8, 8, [](int, int) { return 0x336699u; });
    for (const char* name : {"plane.bmp", "plane.oaf.bmp"}) bitmaps_.Write(name, bitmap);
    textures_.Write("plane.oaf", Texture(Stripes));
    StartMainWindow();
    SaveDialogScript script;
    g_script = &script;
    const SaveDialogRunner previous = SetSaveDialogRunner(&ScriptedSaveDialog);

    struct Row {
        int list;
        const char* item;
        const char* proposed;
        std::string entry;
        std::filesystem::path target;
    } rows[] = {
        {IDC_TEXTURES_LIST, "plane.oaf", "plane", (bitmaps_.Path() / "plane").string(), bitmaps_.Path() / "plane.bmp"},
        {IDC_BITMAPS_LIST, "plane.oaf.bmp", "plane.oaf", (textures_.Path() / "plane.oaf").string(),
         textures_.Path() / "plane.oaf"},
    };
    // plane.bmp and plane.oaf are there already: keep the first, replace the second.
    messages_.QueueAnswer(IDNO);
    messages_.QueueAnswer(IDYES);
    for (const Row& row : rows) {
        HWND list = List(row.list);
        ClearSelection(list);
        SetItemState(list, IndexOf(list, row.item), LVIS_SELECTED | LVIS_FOCUSED);
        script.answer = row.entry;
        Press(row.list == IDC_TEXTURES_LIST ? IDC_AF_TO_BMP : IDC_BMP_TO_AF);
        EXPECT_EQ(script.proposed, row.proposed) << row.item;
        const bool to_texture = row.list == IDC_BITMAPS_LIST;
        EXPECT_EQ(script.title, to_texture ? "Save texture as ..." : "Save bitmap as ...");
        EXPECT_EQ(script.filter, to_texture ? (std::vector<std::string>{"FS98 Textures (AF)", "*.*af", "All", "*.*"})
                                            : (std::vector<std::string>{"Windows bitmaps (BMP)", "*.bmp", "All", "*.*"}));
        EXPECT_EQ(script.initial_folder, to_texture ? textures_.WithBackslash() : bitmaps_.WithBackslash());
        EXPECT_TRUE(std::filesystem::exists(row.target)) << row.target;
    }
    EXPECT_EQ(script.max_file, 260u);
    EXPECT_EQ(script.owner, main_->Get());

    SetSaveDialogRunner(previous);
    g_script = nullptr;
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[0].text, (bitmaps_.Path() / "plane.bmp").string());
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "plane.bmp"), bitmap);
    EXPECT_EQ(messages_.Messages()[1].text, (textures_.Path() / "plane.oaf").string());
    EXPECT_EQ(ReadWholeFile(textures_.Path() / "plane.oaf").size(), 65536u);
}

TEST_F(ConvertCommandTest, SaveDialogOpensOnlyForTheFocusedSelectedItemAndCancelStillRefills) {
    WriteSettingDword("DefFileName", 0);
    for (const char* name : {"a.af", "b.af", "c.af"}) textures_.Write(name, Texture(Stripes));
    StartMainWindow();
    SaveDialogScript script;
    g_script = &script;
    const SaveDialogRunner previous = SetSaveDialogRunner(&ScriptedSaveDialog);
    HWND list = List(IDC_TEXTURES_LIST);
    HWND bitmaps = List(IDC_BITMAPS_LIST);

    // Focus on an item that is not selected: nothing at all happens.
    SetItemState(list, 0, LVIS_SELECTED);
    SetItemState(list, 1, LVIS_SELECTED);
    SetItemState(list, 2, LVIS_FOCUSED);
    bitmaps_.Write("late.bmp", {1});
    Press(IDC_AF_TO_BMP);
    EXPECT_EQ(script.calls, 0);
    EXPECT_TRUE(ListTexts(bitmaps).empty()) << "the target list was refilled";

    // Three selected, the focused one among them: one dialog, for that item; cancelled.
    SetItemState(list, 2, LVIS_SELECTED | LVIS_FOCUSED);
    Press(IDC_AF_TO_BMP);
    EXPECT_EQ(script.calls, 1);
    EXPECT_EQ(script.proposed, "c");
    EXPECT_EQ(ListTexts(bitmaps), (std::vector<std::string>{"late.bmp"}));
    EXPECT_FALSE(IsWindowEnabled(main_->Item(IDC_AF_TO_BMP)));
    SetSaveDialogRunner(previous);
    g_script = nullptr;
}

}  // namespace
