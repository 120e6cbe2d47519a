#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include "platform/program_instance.h"
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
    UINT flags = 0;
    POINT at{};
    HWND owner = nullptr;
    HMENU menu = nullptr;
};
PopupScript* g_popup = nullptr;

BOOL ScriptedPopup(HMENU menu, UINT flags, int x, int y, HWND owner) {
    PopupScript& script = *g_popup;
    script = {script.choose, script.calls + 1, {}, flags, {x, y}, owner, menu};
    for (UINT entry : {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_COPY_AF, IDM_DELETE_FILES}) {
        if ((GetMenuState(menu, entry, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0) script.enabled.insert(entry);
    }
    if (script.choose != 0) PostMessageA(owner, WM_COMMAND, script.choose, 0);
    return script.choose != 0;
}

// How the tool was asked to start; Wine ignores a priority class given at
// creation, so the started tool itself cannot tell.
struct StartRequest {
    int calls = 0;
    std::string application;
    DWORD flags = 0;
    BOOL inherit_handles = FALSE;
    DWORD startup_size = 0;
};
StartRequest* g_start = nullptr;

BOOL WINAPI RecordingStarter(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                             LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD flags,
                             LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) {
    *g_start = {g_start->calls + 1, application ? application : "", flags, inherit_handles, startup->cb};
    return CreateProcessA(application, command_line, process_attributes, thread_attributes, inherit_handles, flags,
                          environment, folder, startup, process);
}

// The user fixes the file in the paint program while the tool runs.
std::filesystem::path g_file_to_fix;
std::vector<unsigned char> g_fixed_bytes;

BOOL WINAPI FixingStarter(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                          LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD flags,
                          LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) {
    std::ofstream(g_file_to_fix, std::ios::binary)
        .write(reinterpret_cast<const char*>(g_fixed_bytes.data()), static_cast<std::streamsize>(g_fixed_bytes.size()));
    return RecordingStarter(application, command_line, process_attributes, thread_attributes, inherit_handles, flags,
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

std::string RecordingTool() { return BesideTestProgram("record_command_line.exe").string(); }

// The "key=value" lines the recording tool wrote; empty when it did not run.
std::map<std::string, std::string> ReadToolRecord(const std::filesystem::path& file) {
    std::map<std::string, std::string> values;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

class ContextMenuTest : public WindowTest {
protected:
    void SetUp() override {
        g_popup = &popup_;
        previous_popup_ = SetPopupMenuRunner(&ScriptedPopup);
    }
    void TearDown() override { SetPopupMenuRunner(previous_popup_); }
    HWND List(int id) const { return main_->Item(id); }
    int SelectedCount(int list_id) const {
        return static_cast<int>(SendMessageA(List(list_id), LVM_GETSELECTEDCOUNT, 0, 0));
    }
    int ItemCount(int list_id) const { return static_cast<int>(SendMessageA(List(list_id), LVM_GETITEMCOUNT, 0, 0)); }
    bool Exists(const ScratchFolder& folder, const char* name) const {
        return std::filesystem::exists(folder.Path() / name);
    }
    // A right-click in the list as the list reports it; the scripted popup
    // chooses the entry (0: dismisses the menu) and its command runs.
    void RightClick(int list_id, UINT choose = 0) {
        popup_.choose = choose;
        popup_.calls = 0;
        NMHDR header{List(list_id), static_cast<UINT_PTR>(list_id), static_cast<UINT>(NM_RCLICK)};
        SendMessageA(Main(), WM_NOTIFY, static_cast<WPARAM>(list_id), reinterpret_cast<LPARAM>(&header));
        PumpMessages();
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
};

TEST(ContextMenuResource, HoldsTheFourCommandsWithTheirSeparatorsInOrder) {
    HMENU loaded = LoadMenuA(ProgramInstance(), "MENU1");
    ASSERT_NE(loaded, nullptr);
    HMENU popup = GetSubMenu(loaded, 0);
    const std::pair<UINT, std::string> expected[] = {{IDM_OPEN_WITH_TOOL, "Open selected file with BMP tool"},
                                                     {0, ""},
                                                     {IDM_COPY_BMP, "Copy selected BMP to clipboard"},
                                                     {IDM_COPY_AF, "Copy selected AF to clipboard"},
                                                     {0, ""},
                                                     {IDM_DELETE_FILES, "Delete selected file(s)"}};
    ASSERT_EQ(GetMenuItemCount(popup), 6);
    for (int i = 0; i < 6; ++i) {
        char text[100] = {};
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        const UINT state = GetMenuState(popup, i, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(popup, i), expected[i].first) << i;
        EXPECT_EQ(text, expected[i].second) << i;
        const bool separator = expected[i].first == 0;
        EXPECT_EQ((state & MF_SEPARATOR) != 0, separator) << i;
        EXPECT_TRUE(separator || (state & MF_GRAYED) == 0) << i;
    }
    DestroyMenu(loaded);
}

TEST_F(ContextMenuTest, EnabledEntriesFollowTheListItsSelectionAndTheToolAtEveryOpening) {
    for (const char* name : {"a.bmp", "b.bmp"}) bitmaps_.Write(name, Bmp24(8, 8, Gradient));
    textures_.Write("a.af", Texture(Diagonals));
    StartMainWindow();
    const std::string tool = RecordingTool();
    const std::string missing_tool = (bitmaps_.Path() / "no-such-tool.exe").string();
    const std::string folder_tool = bitmaps_.WithBackslash();
    const struct Row {
        const char* tool;  // nullptr: the default, the program folder
        int list;
        bool selected;
        std::set<UINT> enabled;
        Side side;
    } rows[] = {
        {nullptr, IDC_BITMAPS_LIST, false, {}, Side::Bitmaps},
        {nullptr, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, Side::Bitmaps},
        {nullptr, IDC_TEXTURES_LIST, false, {}, Side::Textures},
        {nullptr, IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}, Side::Textures},
        {tool.c_str(), IDC_BITMAPS_LIST, false, {IDM_OPEN_WITH_TOOL}, Side::Bitmaps},
        {tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_DELETE_FILES}, Side::Bitmaps},
        {tool.c_str(), IDC_TEXTURES_LIST, false, {}, Side::Textures},
        {tool.c_str(), IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}, Side::Textures},
        {missing_tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, Side::Bitmaps},
        {folder_tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, Side::Bitmaps},
    };
    ASSERT_TRUE(std::filesystem::exists(tool));
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        if (row.tool) WriteSettingString("BMPTool", row.tool);
        SetItemState(List(IDC_BITMAPS_LIST), -1, 0);
        SetItemState(List(IDC_TEXTURES_LIST), -1, 0);
        if (row.selected) SetItemState(List(row.list), 0, LVIS_SELECTED | LVIS_FOCUSED);
        RightClick(row.list);
        ASSERT_EQ(popup_.calls, 1);
        EXPECT_EQ(popup_.enabled, row.enabled);
        EXPECT_EQ(ContextMenuSide(), row.side);
        EXPECT_EQ(popup_.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
        EXPECT_EQ(popup_.owner, Main());
        EXPECT_FALSE(IsMenu(popup_.menu)) << "the menu outlived its popup";
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(ContextMenuTest, MenuOpensWhereTheClickWasAndDismissingItDoesNothing) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    // Posted as the list's own notification is, so it carries the pointer's position.
    static NMHDR header{};
    header = {List(IDC_BITMAPS_LIST), IDC_BITMAPS_LIST, static_cast<UINT>(NM_RCLICK)};
    ASSERT_TRUE(MovePointerTo(301, 207));
    PostMessageA(Main(), WM_NOTIFY, IDC_BITMAPS_LIST, reinterpret_cast<LPARAM>(&header));
    PumpMessages();
    ASSERT_EQ(popup_.calls, 1);
    EXPECT_EQ(popup_.at.x, 301);
    EXPECT_EQ(popup_.at.y, 207);
    EXPECT_TRUE(Exists(bitmaps_, "a.bmp"));
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 1);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(ContextMenuTest, CopyPutsTheBitmapAsReadOrTheConvertedTextureOnTheClipboard) {
    const Bytes bitmap = Bmp24(37, 11, Gradient);
    const Bytes texture = Texture(Diagonals);
    bitmaps_.Write("small.bmp", bitmap);
    textures_.Write("plane.oaf", texture);
    StartMainWindow();

    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    RightClick(IDC_BITMAPS_LIST, IDM_COPY_BMP);
    std::optional<Bytes> dib = ClipboardBlock(CF_DIB);
    ASSERT_TRUE(dib.has_value());
    ASSERT_GE(dib->size(), bitmap.size() - 14);
    EXPECT_TRUE(std::equal(bitmap.begin() + 14, bitmap.end(), dib->begin()));

    SetItemState(List(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    RightClick(IDC_TEXTURES_LIST, IDM_COPY_AF);
    dib = ClipboardBlock(CF_DIB);
    ASSERT_TRUE(dib.has_value());
    ASSERT_GE(dib->size(), 66600u);
    BITMAPINFOHEADER header{};
    std::memcpy(&header, dib->data(), sizeof header);
    EXPECT_EQ(header.biWidth, 256);
    EXPECT_EQ(header.biHeight, 256);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biClrUsed, 0u);
    const std::array<std::uint8_t, 1024> palette = CompanionPalette();
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), dib->begin() + 40));
    EXPECT_TRUE(std::equal(texture.begin(), texture.end(), dib->begin() + 1064));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(ContextMenuTest, CopyOfTwoItemsWarnsAndLeavesTheClipboardAsItWas) {
    for (const char* name : {"a.bmp", "b.bmp"}) bitmaps_.Write(name, Bmp24(8, 8, Gradient));
    for (const char* name : {"a.af", "b.af"}) textures_.Write(name, Texture(Diagonals));
    StartMainWindow();
    const DWORD clipboard_before = GetClipboardSequenceNumber();
    for (const auto& [list, command] : {std::pair{IDC_BITMAPS_LIST, IDM_COPY_BMP}, {IDC_TEXTURES_LIST, IDM_COPY_AF}}) {
        SCOPED_TRACE(command);
        SetItemState(List(list), 0, LVIS_SELECTED | LVIS_FOCUSED);
        SetItemState(List(list), 1, LVIS_SELECTED);
        messages_.Clear();
        RightClick(list, command);
        EXPECT_EQ(messages_.Messages().size(), 1u);
        ExpectMessage(0, "Cannot place multiple files!", "Clipboard error!", MB_ICONWARNING);
    }
    // Nothing selected: no message, nothing placed.
    SetItemState(List(IDC_BITMAPS_LIST), -1, 0);
    messages_.Clear();
    SendMessageA(Main(), WM_COMMAND, IDM_COPY_BMP, 0);
    EXPECT_TRUE(messages_.Messages().empty());
    EXPECT_EQ(GetClipboardSequenceNumber(), clipboard_before);
}

TEST_F(ContextMenuTest, AVanishedFolderDeletesNothingOfTheSameNameInTheProgramFolder) {
    // A file of the program folder with the name of one of the listed bitmaps.
    const std::filesystem::path victim = BesideTestProgram("lumivane-same-name.bmp");
    const Bytes victim_bytes = Bmp24(8, 8, Gradient);
    std::ofstream(victim, std::ios::binary).write(reinterpret_cast<const char*>(victim_bytes.data()),
                                                 static_cast<std::streamsize>(victim_bytes.size()));
    bitmaps_.Write("lumivane-same-name.bmp", victim_bytes);
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
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

TEST_F(ContextMenuTest, DeleteAsksAsTheSelectionWantsAndRemovesExactlyTheSelectedFiles) {
    const struct Row {
        std::vector<const char*> bitmaps, textures;
        std::vector<int> bitmaps_selected, textures_selected;  // the first one has the focus
        std::optional<Side> menu;  // the list the menu last opened on; none: it never opened
        int answer;
        const char* confirm;  // the question's caption; nullptr: nothing is asked
        int held;             // the index of a bitmap held open, -1: none
        bool late_file;       // written after the start: a refill would list it
        std::set<std::string> gone;
        int items_after;      // in the menu's list
        int selected_after;   // in both lists, -1: not checked
        bool repaints;
        bool converts_after;  // the menu's list's convert button is enabled afterwards
    } rows[] = {
        {{"a.bmp"}, {"a.af"}, {0}, {0}, std::nullopt, IDYES, nullptr, -1, false, {}, 1, 2, false, true},
        {{"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp"}, {}, {2, 5}, {}, Side::Bitmaps, IDYES,
         "Confirm deleting multiple selection!", -1, false, {"c.bmp", "f.bmp"}, 5, 0, true, false},
        {{}, {"a.af", "b.oaf"}, {}, {1}, Side::Textures, IDYES, "Confirm deleting selected file!", -1, false,
         {"b.oaf"}, 1, 0, true, false},
        {{"a.bmp", "b.bmp", "c.bmp"}, {}, {0, 2}, {}, Side::Bitmaps, IDNO, "Confirm deleting multiple selection!", -1,
         true, {}, 3, 2, false, true},
        {{"a.bmp", "b.bmp", "c.bmp", "d.bmp"}, {}, {0, 1, 2}, {}, Side::Bitmaps, IDYES,
         "Confirm deleting multiple selection!", 1, false, {"a.bmp", "c.bmp"}, 2, -1, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        ScratchFolder bitmaps("delete bitmaps");
        ScratchFolder textures("delete textures");
        WriteSettingString("Bitmaps", bitmaps.WithBackslash());
        WriteSettingString("Textures", textures.WithBackslash());
        for (const char* name : row.bitmaps) bitmaps.Write(name, Bmp24(8, 8, Gradient));
        for (const char* name : row.textures) textures.Write(name, Texture(Diagonals));
        StartMainWindow();
        if (row.late_file) bitmaps.Write("late.bmp", Bmp24(8, 8, Gradient));
        const int list = row.menu == Side::Textures ? IDC_TEXTURES_LIST : IDC_BITMAPS_LIST;
        for (const auto& [list_id, selected] : {std::pair{IDC_BITMAPS_LIST, &row.bitmaps_selected},
                                               {IDC_TEXTURES_LIST, &row.textures_selected}}) {
            for (std::size_t i = 0; i < selected->size(); ++i) {
                SetItemState(List(list_id), (*selected)[i], LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0));
            }
        }
        if (row.menu) RightClick(list);  // sets the list the command acts on
        else ASSERT_FALSE(ContextMenuSide().has_value());
        const std::string held_path = row.held < 0 ? "" : (bitmaps.Path() / row.bitmaps[row.held]).string();
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
        for (const auto& [folder, names] : {std::pair{&bitmaps, &row.bitmaps}, {&textures, &row.textures}}) {
            for (const char* name : *names) EXPECT_EQ(Exists(*folder, name), !row.gone.contains(name)) << name;
        }
        EXPECT_EQ(ItemCount(list), row.items_after);
        if (row.selected_after >= 0) {
            EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST) + SelectedCount(IDC_TEXTURES_LIST), row.selected_after);
        }
        if (row.repaints) {
            RECT update{};
            RECT client{};
            GetClientRect(Main(), &client);
            ASSERT_TRUE(GetUpdateRect(Main(), &update, FALSE));
            EXPECT_TRUE(EqualRect(&update, &client));
        }
        if (row.menu) {
            EXPECT_EQ(IsWindowEnabled(main_->Item(IDC_BMP_TO_AF)) != FALSE, row.converts_after && list == IDC_BITMAPS_LIST);
            EXPECT_EQ(IsWindowEnabled(main_->Item(IDC_AF_TO_BMP)) != FALSE, row.converts_after && list == IDC_TEXTURES_LIST);
        }
        main_.reset();  // before its folders go
    }
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
    WriteSettingString("BMPTool", RecordingTool());
    StartMainWindow();
    ASSERT_EQ(ItemCount(IDC_BITMAPS_LIST), 1);
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);

    RightClick(IDC_BITMAPS_LIST, IDM_COPY_BMP);
    ExpectMessage(0, name, "Path too long!", MB_ICONWARNING);
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);
    ExpectMessage(1, name, "Path too long!", MB_ICONWARNING);
    messages_.QueueAnswer(IDYES);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);
    ExpectMessage(3, "Cannot delete:\n\n " + (deep / name).string(), "Non critical warning!", MB_ICONWARNING);
    EXPECT_EQ(messages_.Messages().size(), 4u);
    EXPECT_TRUE(std::filesystem::exists(deep / name));
}

// The tool is our recording stand-in; it finds the main window and its
// record file through the environment it inherits.
class BitmapToolTest : public ContextMenuTest {
protected:
    void SetUp() override {
        ContextMenuTest::SetUp();
        g_start = &start_;
        previous_starter_ = SetProcessStarter(&RecordingStarter);
        WriteSettingString("BMPTool", RecordingTool());
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", record_.string().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", nullptr);
        SetEnvironmentVariableA("LUMIVANE_TOOL_WATCH_WINDOW", nullptr);
        SetProcessStarter(previous_starter_);
        ContextMenuTest::TearDown();
    }

    StartRequest start_;
    ProcessStarter previous_starter_ = nullptr;
    ScratchFolder paint_{"menu paint folder"};
    ScratchFolder records_{"menu-tool-record"};
    std::filesystem::path record_ = records_.Path() / "record.txt";
};

TEST_F(BitmapToolTest, TheFocusedBitmapReachesTheToolAsOneArgumentWhileTheWindowIsHidden) {
    WriteSettingString("Bitmaps", paint_.WithBackslash());
    for (const char* name : {"a.bmp", "my plane.bmp"}) paint_.Write(name, Bmp24(8, 8, Gradient));
    StartMainWindow();
    SetEnvironmentVariableA("LUMIVANE_TOOL_WATCH_WINDOW",
                            std::to_string(reinterpret_cast<std::uintptr_t>(Main())).c_str());
    ASSERT_TRUE(IsWindowVisible(Main()));
    // The focus may rest on an item that is not selected; that one is opened.
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED);
    SetItemState(List(IDC_BITMAPS_LIST), 1, LVIS_FOCUSED);
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);

    std::map<std::string, std::string> record = ReadToolRecord(record_);
    ASSERT_FALSE(record.empty()) << "the tool did not run";
    EXPECT_EQ(record["finished"], "1") << "the tool was not waited for";
    const std::string path = (paint_.Path() / "my plane.bmp").string();
    EXPECT_EQ(record["command_line"], " \"" + path + "\"");
    EXPECT_EQ(record["argc"], "2");
    EXPECT_EQ(record["argv0"], "");
    EXPECT_EQ(record["argv1"], path);
    EXPECT_EQ(record["watched_window_visible"], "0");
    EXPECT_EQ(record["show_window"], std::to_string(SW_SHOWMAXIMIZED));
    EXPECT_TRUE(IsWindowVisible(Main()));
    ASSERT_EQ(start_.calls, 1);
    EXPECT_EQ(start_.application, RecordingTool());
    EXPECT_EQ(start_.flags, static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_TRUE(start_.inherit_handles);
    EXPECT_EQ(start_.startup_size, sizeof(STARTUPINFOA));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(BitmapToolTest, OpensNothingWithoutASelectionAndTakesTheTexturesFolderForTheTexturesList) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    textures_.Write("plane.af", Texture(Diagonals));
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_FOCUSED);
    OpenWithBitmapTool(Main(), Side::Bitmaps);
    EXPECT_EQ(start_.calls, 0) << "the tool ran without a selection";

    SetItemState(List(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    OpenWithBitmapTool(Main(), Side::Textures);
    EXPECT_EQ(ReadToolRecord(record_)["argv1"], (textures_.Path() / "plane.af").string());
}

TEST_F(BitmapToolTest, ABitmapThatFailedAndWasFixedInTheToolShowsWhenTheToolReturns) {
    bitmaps_.Write("plane.bmp", {'B', 'M', 1, 2, 3});
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(messages_.Messages().size(), 1u);

    g_file_to_fix = bitmaps_.Path() / "plane.bmp";
    g_fixed_bytes = Bmp24(8, 8, [](int, int) { return CubeColour(0, 0, 5); });
    SetProcessStarter(&FixingStarter);
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);
    ASSERT_EQ(start_.calls, 1);
    HWND pane = List(IDC_SOURCE_PANE);
    RECT client{};
    GetClientRect(pane, &client);
    EXPECT_EQ(ColourAt(pane, client.right / 2, client.bottom / 2), CubeColour(0, 0, 5));
    EXPECT_EQ(messages_.Messages().size(), 1u) << "the broken file was told about again";
}

TEST_F(BitmapToolTest, AToolThatCannotStartBringsTheWindowBackWithoutAMessage) {
    StartMainWindow();
    for (const std::string& tool : {(paint_.Path() / "gone.exe").string(), paint_.WithBackslash()}) {
        SCOPED_TRACE(tool);
        WriteSettingString("BMPTool", tool);
        EXPECT_EQ(RunBitmapTool(Main(), BitmapToolCommandLine("C:\\x.bmp")), 1);
        EXPECT_TRUE(IsWindowVisible(Main()));
    }
    EXPECT_EQ(start_.calls, 2);
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
