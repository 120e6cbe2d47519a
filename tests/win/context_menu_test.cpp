#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <fstream>
#include <set>
#include <string>
#include "browser/bitmap_tool.h"
#include "browser/context_menu.h"
#include "browser/popup_menu.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
#include "tests/win/win_test_support.h"

namespace {

// What the scripted popup saw, and the entry it chooses (0: it is dismissed).
struct PopupScript {
    UINT choose = 0;
    int calls = 0;
    std::set<UINT> enabled;
    std::vector<std::pair<UINT, std::string>> entries;
    UINT flags = 0;
    POINT at{};
    HWND owner = nullptr;
    HMENU menu = nullptr;
};
PopupScript* g_popup = nullptr;

BOOL ScriptedPopup(HMENU menu, UINT flags, int x, int y, HWND owner) {
    PopupScript& script = *g_popup;
    script = {script.choose, script.calls + 1, {}, {}, flags, {x, y}, owner, menu};
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[100] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        const UINT id = GetMenuItemID(menu, i);
        script.entries.emplace_back(id, text);
        if (id != 0 && (GetMenuState(menu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0) script.enabled.insert(id);
    }
    if (script.choose != 0) PostMessageA(owner, WM_COMMAND, script.choose, 0);
    return script.choose != 0;
}

// How the tool was asked to start, seen from our side: Wine ignores a
// priority class given at creation, so the started tool itself cannot tell.
struct StartRequest {
    int calls = 0;
    std::string command_line;
    DWORD flags = 0;
    BOOL inherit_handles = FALSE;
    WORD show = 0;
    bool window_visible = true;
};
StartRequest g_start;

BOOL WINAPI RecordingStarter(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                             LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD flags,
                             LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) {
    g_start = {g_start.calls + 1, command_line, flags, inherit_handles, startup->wShowWindow,
               IsWindowVisible(g_popup->owner) != FALSE};
    return CreateProcessA(application, command_line, process_attributes, thread_attributes, inherit_handles, flags,
                          environment, folder, startup, process);
}

// Moves the pointer and waits until the messages posted here carry the new
// position steadily: the X server's report of the move may come late and
// briefly put the old position back.
bool MovePointerTo(int x, int y) {
    SetCursorPos(x, y);
    for (int round = 0, steady = 0; round < 200; ++round) {
        MSG probe{};
        PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
        PeekMessageA(&probe, nullptr, WM_APP, WM_APP, PM_REMOVE);
        steady = probe.pt.x == x && probe.pt.y == y ? steady + 1 : 0;
        if (steady == 10) return true;
        Sleep(10);
    }
    return false;
}

std::uint32_t Gradient(int x, int y) { return static_cast<std::uint32_t>((x * 9) << 16 | (y * 13) << 8 | 0x40); }
std::uint8_t Diagonals(int x, int y) { return static_cast<std::uint8_t>((x + 2 * y) % 216); }

class ContextMenuTest : public WindowTest {
protected:
    void SetUp() override {
        g_popup = &popup_;
        previous_popup_ = SetPopupMenuRunner(&ScriptedPopup);
        g_start = {};
        previous_starter_ = SetProcessStarter(&RecordingStarter);
        WriteSettingString("BMPTool", tool_);
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", record_.string().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", nullptr);
        SetProcessStarter(previous_starter_);
        SetPopupMenuRunner(previous_popup_);
    }
    int SelectedCount(int list_id) const {
        return static_cast<int>(SendMessageA(Item(list_id), LVM_GETSELECTEDCOUNT, 0, 0));
    }
    int ItemCount(int list_id) const { return static_cast<int>(SendMessageA(Item(list_id), LVM_GETITEMCOUNT, 0, 0)); }
    // A right-click in the list, posted as the list's own notification is, so
    // that it carries the pointer's position. The scripted popup chooses the
    // entry (0: dismisses the menu) and its command runs.
    void RightClick(int list_id, UINT choose = 0) {
        popup_.choose = choose;
        popup_.calls = 0;
        click_ = {Item(list_id), static_cast<UINT_PTR>(list_id), static_cast<UINT>(NM_RCLICK)};
        PostMessageA(Main(), WM_NOTIFY, static_cast<WPARAM>(list_id), reinterpret_cast<LPARAM>(&click_));
        PumpMessages();
    }
    void Select(int list_id, const std::vector<int>& items) {
        SetItemState(Item(list_id), -1, 0);
        for (std::size_t i = 0; i < items.size(); ++i) {
            SetItemState(Item(list_id), items[i], LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0));
        }
    }
    void ExpectMessage(std::size_t index, const std::string& text, const char* caption, unsigned style) const {
        ASSERT_GT(messages_.Messages().size(), index);
        const RecordedMessage& message = messages_.Messages()[index];
        EXPECT_EQ(message.owner, Main());
        EXPECT_EQ(message.text, text);
        EXPECT_EQ(message.caption, caption);
        EXPECT_EQ(message.style, style);
    }

    PopupScript popup_;
    PopupMenuRunner previous_popup_ = nullptr;
    ProcessStarter previous_starter_ = nullptr;
    NMHDR click_{};
    // The stand-in tool writes its command line into the record after a
    // pause, so the record is there only when the tool ran and was waited for.
    std::filesystem::path record_ = textures_.Path() / "tool-record.txt";
    const std::string tool_ = BesideTestProgram("record_command_line.exe").string();
    const std::string missing_tool_ = (bitmaps_.Path() / "gone.exe").string();
    const std::string folder_tool_ = bitmaps_.WithBackslash();
};

// Which entry applies where is the core's table; here the menu gets the
// list, the selection of that list and the tool setting it stands for.
TEST_F(ContextMenuTest, TheMenuOpensAtThePointerGreyedForItsListAndDismissingItDoesNothing) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    textures_.Write("a.af", Texture(Diagonals));
    StartMainWindow();
    const struct Row {
        const std::string* tool;
        int list;
        bool selected;  // false: an item of the other list is selected instead
        std::set<UINT> enabled;
    } rows[] = {
        {&tool_, IDC_BITMAPS_LIST, true, {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_DELETE_FILES}},
        {&tool_, IDC_BITMAPS_LIST, false, {IDM_OPEN_WITH_TOOL}},
        {&tool_, IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}},
        {&missing_tool_, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}},
        {&folder_tool_, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}},
    };
    const std::vector<std::pair<UINT, std::string>> entries = {{IDM_OPEN_WITH_TOOL, "Open selected file with BMP tool"},
                                                               {0, ""},
                                                               {IDM_COPY_BMP, "Copy selected BMP to clipboard"},
                                                               {IDM_COPY_AF, "Copy selected AF to clipboard"},
                                                               {0, ""},
                                                               {IDM_DELETE_FILES, "Delete selected file(s)"}};
    ASSERT_TRUE(std::filesystem::exists(tool_));
    ASSERT_TRUE(MovePointerTo(301, 207));
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        WriteSettingString("BMPTool", *row.tool);
        const int other = row.list == IDC_BITMAPS_LIST ? IDC_TEXTURES_LIST : IDC_BITMAPS_LIST;
        Select(row.selected ? other : row.list, {});
        Select(row.selected ? row.list : other, {0});
        RightClick(row.list);
        ASSERT_EQ(popup_.calls, 1);
        EXPECT_EQ(popup_.enabled, row.enabled);
        EXPECT_EQ(popup_.entries, entries);
        EXPECT_EQ(ContextMenuSide(), SideOfList(row.list));
        EXPECT_EQ(popup_.at.x, 301);
        EXPECT_EQ(popup_.at.y, 207);
        EXPECT_EQ(popup_.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
        EXPECT_EQ(popup_.owner, Main());
        EXPECT_FALSE(IsMenu(popup_.menu)) << "the menu outlived its popup";
        EXPECT_EQ(SelectedCount(row.selected ? row.list : other), 1);
    }
    EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / "a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(textures_.Path() / "a.af"));
    EXPECT_EQ(g_start.calls, 0);
    EXPECT_TRUE(messages_.Messages().empty());
}

// One file is copied as the DIB it reads as (a texture with the texture
// palette); two are refused and nothing selected does nothing, both leaving
// the clipboard as it was.
TEST_F(ContextMenuTest, CopyPlacesTheOneSelectedFileAsItReadsAndRefusesMore) {
    const Bytes bitmap = Bmp24(37, 11, Gradient);
    const Bytes texture_as_bitmap = Bmp8(256, 256, CompanionPalette(), Diagonals);
    for (const char* name : {"a.bmp", "b.bmp"}) bitmaps_.Write(name, bitmap);
    for (const char* name : {"a.oaf", "b.oaf"}) textures_.Write(name, Texture(Diagonals));
    StartMainWindow();
    const struct Row {
        int list;
        UINT command;
        std::vector<int> selected;
        const Bytes* placed;  // the file whose DIB is placed; nullptr: the clipboard stays
    } rows[] = {
        {IDC_BITMAPS_LIST, IDM_COPY_BMP, {0}, &bitmap},
        {IDC_TEXTURES_LIST, IDM_COPY_AF, {1}, &texture_as_bitmap},
        {IDC_BITMAPS_LIST, IDM_COPY_BMP, {0, 1}, nullptr},
        {IDC_TEXTURES_LIST, IDM_COPY_AF, {0, 1}, nullptr},
        {IDC_BITMAPS_LIST, IDM_COPY_BMP, {}, nullptr},
    };
    const std::uint8_t kept_text[] = "keep me";
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        ASSERT_TRUE(PutOnClipboard(nullptr, CF_TEXT, kept_text));
        Select(row.list, row.selected);
        messages_.Clear();
        RightClick(row.list, row.command);
        const std::optional<Bytes> dib = ClipboardBlock(CF_DIB);
        ASSERT_EQ(dib.has_value(), row.placed != nullptr);
        if (row.placed) {
            ASSERT_GE(dib->size(), row.placed->size() - 14);
            EXPECT_TRUE(std::equal(row.placed->begin() + 14, row.placed->end(), dib->begin()));
        }
        EXPECT_EQ(ClipboardBlock(CF_TEXT).has_value(), row.placed == nullptr);
        EXPECT_EQ(messages_.Messages().size(), row.selected.size() > 1 ? 1u : 0u);
        if (row.selected.size() > 1) ExpectMessage(0, "Cannot place multiple files!", "Clipboard error!", MB_ICONWARNING);
    }
}

// Deleting acts on the list the menu last opened on, asks once, and deletes
// each selected file on its own; a late file shows whether the list was refilled.
TEST_F(ContextMenuTest, DeleteAsksAsTheSelectionWantsAndRemovesExactlyTheSelectedFiles) {
    const struct Row {
        Side side;
        std::vector<const char*> names;
        std::vector<int> selected;  // the first one has the focus
        bool menu;                  // the menu opened on the list before; false: it never opened
        int answer;
        const char* confirm;        // the question's caption; nullptr: nothing is asked
        int held;                   // the index of a file held open, -1: none
        std::set<std::string> gone;
        int items_after;
    } rows[] = {
        {Side::Bitmaps, {"a.bmp"}, {0}, false, IDYES, nullptr, -1, {}, 1},
        {Side::Bitmaps, {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp"}, {2, 5}, true, IDYES,
         "Confirm deleting multiple selection!", -1, {"c.bmp", "f.bmp"}, 6},
        {Side::Textures, {"a.af", "b.oaf"}, {1}, true, IDYES, "Confirm deleting selected file!", -1, {"b.oaf"}, 2},
        {Side::Bitmaps, {"a.bmp", "b.bmp", "c.bmp"}, {0, 2}, true, IDNO, "Confirm deleting multiple selection!", -1, {}, 3},
        {Side::Bitmaps, {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}, {0, 1, 2}, true, IDYES,
         "Confirm deleting multiple selection!", 1, {"a.bmp", "c.bmp"}, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        const ScratchFolder& folder = row.side == Side::Bitmaps ? bitmaps_ : textures_;
        const int list = TraitsOf(row.side).list_id;
        for (const char* name : row.names) folder.Write(name, Bytes(10, 1));
        StartMainWindow();
        folder.Write(row.side == Side::Bitmaps ? "late.bmp" : "late.af", Bytes(10, 1));
        Select(list, row.selected);
        if (row.menu) RightClick(list);  // sets the list the command acts on
        const std::string held_path = row.held < 0 ? "" : (folder.Path() / row.names[row.held]).string();
        OwnedFileHandle holder(row.held < 0 ? INVALID_HANDLE_VALUE
                                            : CreateFileA(held_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_EQ(static_cast<bool>(holder), row.held >= 0);
        messages_.Clear();
        if (row.confirm) messages_.QueueAnswer(row.answer);  // an answer left over would serve the next row
        ValidateRect(Main(), nullptr);
        SendMessageA(Main(), WM_COMMAND, IDM_DELETE_FILES, 0);
        holder.Close();

        // A second attempt on a file already gone would add a warning.
        EXPECT_EQ(messages_.Messages().size(), (row.confirm ? 1u : 0u) + (row.held < 0 ? 0u : 1u));
        if (row.confirm) ExpectMessage(0, "Are you sure?", row.confirm, MB_YESNO | MB_ICONQUESTION);
        if (row.held >= 0) ExpectMessage(1, "Cannot delete:\n\n " + held_path, "Non critical warning!", MB_ICONWARNING);
        for (const char* name : row.names) {
            EXPECT_EQ(std::filesystem::exists(folder.Path() / name), !row.gone.contains(name)) << name;
            std::filesystem::remove(folder.Path() / name);
        }
        std::filesystem::remove(folder.Path() / (row.side == Side::Bitmaps ? "late.bmp" : "late.af"));
        EXPECT_EQ(ItemCount(list), row.items_after);
        // Deleting refills the list, turns both convert buttons off and repaints the whole window.
        const bool deleted = row.confirm && row.answer == IDYES;
        EXPECT_EQ(SelectedCount(list), deleted ? 0 : static_cast<int>(row.selected.size()));
        EXPECT_EQ(IsWindowEnabled(Item(TraitsOf(row.side).convert_button)) != FALSE, !deleted);
        if (deleted) {
            RECT update{};
            RECT client{};
            GetClientRect(Main(), &client);
            ASSERT_TRUE(GetUpdateRect(Main(), &update, FALSE));
            EXPECT_TRUE(EqualRect(&update, &client));
        }
        main_.reset();
    }
}

TEST_F(ContextMenuTest, AVanishedFolderDeletesNothingOfTheSameNameInTheProgramFolder) {
    // A file of the program folder with the name of one of the listed bitmaps.
    const std::filesystem::path victim = BesideTestProgram("lumivane-same-name.bmp");
    // A good picture: the right-click previews it once the folder is gone.
    const Bytes victim_bytes = Bmp24(8, 8, Gradient);
    std::ofstream(victim, std::ios::binary).write(reinterpret_cast<const char*>(victim_bytes.data()),
                                                 static_cast<std::streamsize>(victim_bytes.size()));
    bitmaps_.Write("lumivane-same-name.bmp", victim_bytes);
    StartMainWindow();
    Select(IDC_BITMAPS_LIST, {0});
    std::filesystem::remove_all(bitmaps_.Path());
    messages_.Clear();
    messages_.QueueAnswer(IDYES);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);

    const bool kept = std::filesystem::exists(victim);
    std::filesystem::remove(victim);
    EXPECT_TRUE(kept) << "a file of the program folder was deleted";
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].caption, "Directory error!");
    // The list now shows the folder that is set: the program folder.
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 0);
}

TEST_F(ContextMenuTest, AFilePathTooLongForTheProgramIsNamedInAMessageAndKept) {
    // A folder of 250 characters with its backslash: a file name of 26 makes
    // the whole path longer than any path buffer of the program.
    const std::size_t room = 249 - bitmaps_.Path().string().size() - 1;
    const std::filesystem::path deep = bitmaps_.Path() / std::string(room, 'd');
    std::filesystem::create_directory(deep);
    const std::string name = "plane-with-a-long-name.bmp";
    std::ofstream(deep / name, std::ios::binary) << "kept";
    WriteSettingString("Bitmaps", deep.string() + "\\");
    StartMainWindow();
    ASSERT_EQ(ItemCount(IDC_BITMAPS_LIST), 1);
    Select(IDC_BITMAPS_LIST, {0});

    RightClick(IDC_BITMAPS_LIST, IDM_COPY_BMP);
    ExpectMessage(0, name, "Path too long!", MB_ICONWARNING);
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);
    ExpectMessage(1, name, "Path too long!", MB_ICONWARNING);
    messages_.QueueAnswer(IDYES);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);
    ExpectMessage(3, "Cannot delete:\n\n " + (deep / name).string(), "Non critical warning!", MB_ICONWARNING);
    EXPECT_EQ(messages_.Messages().size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(deep / name));
    EXPECT_EQ(g_start.calls, 0);
}

// The focused item opens, selected or not, as one quoted argument, while the
// window is hidden; a tool that cannot start brings the window back silently.
TEST_F(ContextMenuTest, TheFocusedFileOpensInTheToolWhichIsWaitedForWithTheWindowHidden) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    bitmaps_.Write("my plane.bmp", Bmp24(8, 8, Gradient));
    textures_.Write("plane.af", Texture(Diagonals));
    StartMainWindow();
    const std::string plane = " \"" + (bitmaps_.Path() / "my plane.bmp").string() + "\"";
    const std::string texture = " \"" + (textures_.Path() / "plane.af").string() + "\"";
    const struct Row {
        const std::string* tool;
        int list;
        UINT selected_state;  // of item 0; item 1 of the Bitmaps list has the focus
        const std::string* started;  // the command line; nullptr: nothing starts
        bool runs;
    } rows[] = {
        {&tool_, IDC_BITMAPS_LIST, LVIS_SELECTED, &plane, true},
        {&tool_, IDC_BITMAPS_LIST, 0, nullptr, false},
        {&tool_, IDC_TEXTURES_LIST, LVIS_SELECTED | LVIS_FOCUSED, &texture, true},
        {&missing_tool_, IDC_BITMAPS_LIST, LVIS_SELECTED, &plane, false},
        {&folder_tool_, IDC_BITMAPS_LIST, LVIS_SELECTED, &plane, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        WriteSettingString("BMPTool", *row.tool);
        std::filesystem::remove(record_);
        g_start = {};
        SetItemState(Item(row.list), -1, 0);
        SetItemState(Item(row.list), 0, row.selected_state);
        if (row.list == IDC_BITMAPS_LIST) SetItemState(Item(row.list), 1, LVIS_FOCUSED);
        RightClick(row.list, IDM_OPEN_WITH_TOOL);
        ASSERT_EQ(g_start.calls, row.started ? 1 : 0);
        std::string seen;
        std::getline(std::ifstream(record_, std::ios::binary), seen);
        EXPECT_EQ(seen, row.runs ? *row.started : "") << "the tool did not run or was not waited for";
        if (row.started) {
            EXPECT_EQ(g_start.command_line, *row.started);
            EXPECT_FALSE(g_start.window_visible);
            EXPECT_EQ(g_start.show, SW_SHOWMAXIMIZED);
            EXPECT_EQ(g_start.flags, static_cast<DWORD>(HIGH_PRIORITY_CLASS));
            EXPECT_TRUE(g_start.inherit_handles);
        }
        EXPECT_TRUE(IsWindowVisible(Main()));
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
