// The two folder lists and the convert command, in the real main window.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "browser/folder_lists.h"
#include "browser/save_dialog.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
#include "tests/win/win_test_support.h"

namespace {

std::uint8_t Stripes(int x, int y) { return static_cast<std::uint8_t>((x / 16 + y / 8) % 216); }
std::uint8_t Red(int, int) { return static_cast<std::uint8_t>(CubeIndex(5, 0, 0)); }
std::uint32_t Green(int, int) { return CubeColour(0, 5, 0); }

std::uint32_t PaneCentre(HWND pane) {
    RECT client{};
    GetClientRect(pane, &client);
    return ColourAt(pane, client.right / 2, client.bottom / 2);
}

void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
}

// What the scripted Save dialog saw, and the path it answers (empty: the user cancels).
struct SaveDialogScript {
    std::string answer;
    int calls = 0;
    std::string proposed;
    std::string title;
    std::string filter;  // its parts joined by '|'
    std::string initial_folder;
};
SaveDialogScript g_save;

BOOL ScriptedSaveDialog(OPENFILENAMEA* request) {
    ++g_save.calls;
    g_save.proposed = request->lpstrFile;
    g_save.title = request->lpstrTitle;
    g_save.initial_folder = request->lpstrInitialDir;
    g_save.filter.clear();
    for (const char* part = request->lpstrFilter; *part; part += std::strlen(part) + 1) g_save.filter += part + std::string("|");
    if (g_save.answer.empty()) return FALSE;
    lstrcpynA(request->lpstrFile, g_save.answer.c_str(), static_cast<int>(request->nMaxFile));
    return TRUE;
}

class BrowserTest : public WindowTest {
protected:
    int SelectedCount(int id) const { return static_cast<int>(SendMessageA(Item(id), LVM_GETSELECTEDCOUNT, 0, 0)); }
    void Press(int button) {
        EnableWindow(Item(button), TRUE);
        SendMessageA(Main(), WM_COMMAND, static_cast<WPARAM>(button), 0);
    }
    Bytes Read(const ScratchFolder& folder, const char* name) const { return ReadWholeFile(folder.Path() / name); }
};

// The selection step: the clicked list's button on, the other's off, and its
// focused item, selected or not, previewed in both panes.
TEST_F(BrowserTest, AClickTurnsItsListsButtonOnAndPreviewsTheFocusedItemInBothPanes) {
    bitmaps_.Write("green.bmp", Bmp24(40, 30, Green));
    textures_.Write("red.oaf", Texture(Red));
    StartMainWindow();
    const struct Row {
        int list;
        UINT state;
        int button_on, button_off;
        std::uint32_t shown;
    } rows[] = {
        {IDC_BITMAPS_LIST, LVIS_SELECTED | LVIS_FOCUSED, IDC_BMP_TO_AF, IDC_AF_TO_BMP, CubeColour(0, 5, 0)},
        {IDC_TEXTURES_LIST, LVIS_FOCUSED, IDC_AF_TO_BMP, IDC_BMP_TO_AF, CubeColour(5, 0, 0)},
    };
    for (const Row& row : rows) {
        SetItemState(Item(row.list), 0, row.state);
        EXPECT_TRUE(IsWindowEnabled(Item(row.button_on)));
        EXPECT_FALSE(IsWindowEnabled(Item(row.button_off)));
        EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), row.shown);
        EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), row.shown);
    }
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 1) << "the other list keeps its selection";
    EXPECT_STREQ(GetFocusedItemText(Main(), Side::Textures), "red.oaf");
    RepaintNow(Main());
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), CubeColour(5, 0, 0));
    // A refilled list has no focus, and so nothing to preview.
    RefillList(Main(), Side::Textures);
    EXPECT_EQ(GetFocusedItemText(Main(), Side::Textures), nullptr);
    std::filesystem::remove(textures_.Path() / "red.oaf");
    RepaintNow(Main());
    EXPECT_TRUE(messages_.Messages().empty());
}

// Every repaint previews the file again; one that cannot be read is told
// about once until it changes, and shows as soon as it is whole again.
TEST_F(BrowserTest, AVanishedFileIsToldOnceUntilItChangesAndShowsWhenItComesBack) {
    const Bytes red = Texture(Red);
    const std::string path = textures_.Write("red.oaf", red).string();
    StartMainWindow();
    std::filesystem::remove(path);
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].caption, "Error opening file !");
    EXPECT_EQ(messages_.Messages()[0].text, path);
    for (int i = 0; i < 5; ++i) RepaintNow(Main());
    PreviewFocusedItem(Main(), Side::Textures);
    EXPECT_EQ(messages_.Messages().size(), 1u);

    textures_.Write("red.oaf", {1, 2, 3});
    for (int i = 0; i < 3; ++i) RepaintNow(Main());
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[1].text, path);
    textures_.Write("red.oaf", red);
    RepaintNow(Main());
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(5, 0, 0));
    EXPECT_EQ(messages_.Messages().size(), 2u);
}

// Under default names each selected item converts on its own, in index
// order, with its own question for a target that exists; the target list is
// refilled and the pressed button ends disabled, also when nothing was selected.
TEST_F(BrowserTest, DefaultNamesConvertEachSelectedItemAndBackByteForByte) {
    const Bytes texture = Texture(Stripes);
    for (const char* name : {"a.af", "b.af", "c.af", "d.af", "e.af", "f.af"}) textures_.Write(name, texture);
    const Bytes old_bitmap(100, 1);
    bitmaps_.Write("c.af.bmp", old_bitmap);
    bitmaps_.Write("f.af.bmp", old_bitmap);
    StartMainWindow();
    bitmaps_.Write("late.bmp", {1});
    Press(IDC_AF_TO_BMP);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"c.af.bmp", "f.af.bmp"}));

    SetItemState(Item(IDC_TEXTURES_LIST), 5, LVIS_SELECTED);
    SetItemState(Item(IDC_TEXTURES_LIST), 2, LVIS_SELECTED | LVIS_FOCUSED);
    messages_.QueueAnswer(IDNO);
    messages_.QueueAnswer(IDYES);
    Press(IDC_AF_TO_BMP);
    ASSERT_EQ(messages_.Messages().size(), 2u);
    EXPECT_EQ(messages_.Messages()[0].text, (bitmaps_.Path() / "c.af.bmp").string());
    EXPECT_EQ(messages_.Messages()[0].caption, "Do you want to overwrite existing target?");
    EXPECT_EQ(messages_.Messages()[0].style, static_cast<unsigned>(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(messages_.Messages()[0].owner, Main());
    EXPECT_EQ(messages_.Messages()[1].text, (bitmaps_.Path() / "f.af.bmp").string());
    EXPECT_EQ(Read(bitmaps_, "c.af.bmp"), old_bitmap);
    EXPECT_EQ(Read(bitmaps_, "f.af.bmp"), Bmp8(256, 256, CompanionPalette(), Stripes));
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"c.af.bmp", "f.af.bmp", "late.bmp"}));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));

    std::filesystem::remove(textures_.Path() / "f.af");
    RefillList(Main(), Side::Textures);
    SetItemState(Item(IDC_BITMAPS_LIST), 1, LVIS_SELECTED | LVIS_FOCUSED);
    Press(IDC_BMP_TO_AF);
    EXPECT_EQ(Read(textures_, "f.af"), texture);
    EXPECT_EQ(ListTexts(Item(IDC_TEXTURES_LIST)).back(), "f.af");
    EXPECT_EQ(messages_.Messages().size(), 2u);
}

// Without default names only the focused item, and only when it is selected,
// goes through the Save dialog, which opens in the target folder on the
// proposed name; the target list is refilled even when the user cancels.
TEST_F(BrowserTest, TheSaveDialogConvertsTheFocusedSelectedItemToTheChosenPath) {
    WriteSettingDword("DefFileName", 0);
    for (const char* name : {"a.af", "b.af", "c.af"}) textures_.Write(name, Texture(Stripes));
    bitmaps_.Write("c.bmp", {1});
    StartMainWindow();
    const SaveDialogRunner previous = SetSaveDialogRunner(&ScriptedSaveDialog);
    g_save = {};
    bitmaps_.Write("late.bmp", {1});
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED);
    SetItemState(Item(IDC_TEXTURES_LIST), 1, LVIS_SELECTED);
    SetItemState(Item(IDC_TEXTURES_LIST), 2, LVIS_FOCUSED);
    Press(IDC_AF_TO_BMP);
    EXPECT_EQ(g_save.calls, 0);
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)), std::vector<std::string>{"c.bmp"}) << "the target list was refilled";

    // Each row's new file in the target folder shows that the target list was refilled.
    const struct Row {
        Side from;
        int item;
        std::string answer;
        const char* title;
        const char* filter;
        const ScratchFolder* target_folder;
        const char* target;  // nullptr: cancelled
        Bytes written;
        const char* fresh;
    } rows[] = {
        {Side::Textures, 2, (bitmaps_.Path() / "c").string(), "Save bitmap as ...",
         "Windows bitmaps (BMP)|*.bmp|All|*.*|", &bitmaps_, "c.bmp", Bmp8(256, 256, CompanionPalette(), Stripes),
         "late.bmp"},
        {Side::Bitmaps, 0, (textures_.Path() / "d").string(), "Save texture as ...",
         "FS98 Textures (AF)|*.*af|All|*.*|", &textures_, "d.af", Texture(Stripes), "late.af"},
        {Side::Textures, 2, "", "Save bitmap as ...", "Windows bitmaps (BMP)|*.bmp|All|*.*|", &bitmaps_, nullptr, {},
         "later.bmp"},
    };
    messages_.QueueAnswer(IDYES);  // c.bmp is there already
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        row.target_folder->Write(row.fresh, {1});
        const SideTraits& from = TraitsOf(row.from);
        SetItemState(Item(from.list_id), row.item, LVIS_SELECTED | LVIS_FOCUSED);
        g_save.answer = row.answer;
        Press(from.convert_button);
        EXPECT_EQ(g_save.proposed, "c");
        EXPECT_EQ(g_save.title, row.title);
        EXPECT_EQ(g_save.filter, row.filter);
        EXPECT_EQ(g_save.initial_folder, row.target_folder->WithBackslash());
        if (row.target) {
            EXPECT_EQ(ReadWholeFile(row.target_folder->Path() / row.target), row.written);
        }
        const std::vector<std::string> listed = ListTexts(Item(TraitsOf(from.other).list_id));
        EXPECT_NE(std::find(listed.begin(), listed.end(), row.fresh), listed.end());
        EXPECT_FALSE(IsWindowEnabled(Item(from.convert_button)));
    }
    EXPECT_EQ(g_save.calls, 3);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, (bitmaps_.Path() / "c.bmp").string());
    SetSaveDialogRunner(previous);
}

}  // namespace
