#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>
#include "app/app_globals.h"
#include "browser/bitmap_tool.h"
#include "browser/context_menu.h"
#include "browser/popup_menu.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "tests/win/picture_files.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr UINT kEntries[] = {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_COPY_AF, IDM_DELETE_FILES};

// What the scripted popup saw, and the entry it chooses (0: it is dismissed).
struct PopupScript {
    UINT choose = 0;
    int calls = 0;
    std::set<UINT> enabled;
    UINT flags = 0;
    int x = 0;
    int y = 0;
    HWND owner = nullptr;
    HMENU menu = nullptr;
};
PopupScript* g_popup = nullptr;

BOOL ScriptedPopup(HMENU menu, UINT flags, int x, int y, HWND owner) {
    PopupScript& script = *g_popup;
    ++script.calls;
    script.enabled.clear();
    for (UINT entry : kEntries) {
        if ((GetMenuState(menu, entry, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0) script.enabled.insert(entry);
    }
    script.flags = flags;
    script.x = x;
    script.y = y;
    script.owner = owner;
    script.menu = menu;
    if (script.choose == 0) return FALSE;
    PostMessageA(owner, WM_COMMAND, script.choose, 0);
    return TRUE;
}

void SetItemState(HWND list, int index, UINT state) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[MAX_PATH] = {};
        LVITEMA item{};
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
        texts.emplace_back(text);
    }
    return texts;
}

std::optional<Bytes> ClipboardBlock(UINT format) {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<Bytes> result;
    if (HANDLE block = GetClipboardData(format)) {
        const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
        result = Bytes(bytes, bytes + GlobalSize(block));
        GlobalUnlock(block);
    }
    CloseClipboard();
    return result;
}

void PlaceTextOnClipboard(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

std::string ClipboardText() {
    const std::optional<Bytes> block = ClipboardBlock(CF_TEXT);
    return block ? std::string(reinterpret_cast<const char*>(block->data())) : std::string();
}

std::uint32_t Gradient(int x, int y) { return static_cast<std::uint32_t>((x * 9) << 16 | (y * 13) << 8 | 0x40); }
std::uint8_t Diagonals(int x, int y) { return static_cast<std::uint8_t>((x + 2 * y) % 216); }

std::filesystem::path BesideTests(const std::string& name) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    return std::filesystem::path(module).parent_path() / name;
}

std::filesystem::path RecordingTool() { return BesideTests("record_command_line.exe"); }

// The "key=value" lines the recording tool wrote, and whether it got to the end.
struct ToolRecord {
    std::map<std::string, std::string> values;
    bool finished = false;
};

std::optional<ToolRecord> ReadToolRecord(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    ToolRecord record;
    for (std::string line; std::getline(in, line);) {
        if (line == "finished") record.finished = true;
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) record.values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return record;
}

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSettingString("Bitmaps", bitmaps_.WithBackslash());
        WriteSettingString("Textures", textures_.WithBackslash());
        g_popup = &popup_;
        previous_popup_ = SetPopupMenuRunner(&ScriptedPopup);
    }
    void TearDown() override {
        SetPopupMenuRunner(previous_popup_);
        g_popup = nullptr;
    }
    void StartMainWindow() {
        main_ = std::make_unique<MainWindowUnderTest>();
        messages_ = std::make_unique<RecordingMessageSink>();
    }
    HWND Main() const { return main_->Get(); }
    HWND List(int id) const { return main_->Item(id); }
    int SelectedCount(int list_id) const {
        return static_cast<int>(SendMessageA(List(list_id), LVM_GETSELECTEDCOUNT, 0, 0));
    }
    // A right-click in the list as the list reports it; the scripted popup
    // then chooses the entry (0: dismisses the menu) and its command runs.
    void RightClick(int list_id, UINT choose = 0) {
        popup_.choose = choose;
        popup_.calls = 0;
        NMHDR header{List(list_id), static_cast<UINT_PTR>(list_id), static_cast<UINT>(NM_RCLICK)};
        SendMessageA(Main(), WM_NOTIFY, static_cast<WPARAM>(list_id), reinterpret_cast<LPARAM>(&header));
        PumpMessages();
    }
    void EnableBothButtons() {
        EnableWindow(main_->Item(IDC_AF_TO_BMP), TRUE);
        EnableWindow(main_->Item(IDC_BMP_TO_AF), TRUE);
    }
    bool ButtonEnabled(int id) const { return IsWindowEnabled(main_->Item(id)) != FALSE; }

    CleanSettingsKey clean_;
    ScratchFolder bitmaps_{"menu-bitmaps"};
    ScratchFolder textures_{"menu-textures"};
    PopupScript popup_;
    PopupMenuRunner previous_popup_ = nullptr;
    std::unique_ptr<MainWindowUnderTest> main_;
    std::unique_ptr<RecordingMessageSink> messages_;
};

TEST(ContextMenuResource, HoldsTheFourCommandsWithTheirSeparatorsInOrder) {
    HMENU loaded = LoadMenuA(g_program_instance, "MENU1");
    ASSERT_NE(loaded, nullptr);
    HMENU popup = GetSubMenu(loaded, 0);
    ASSERT_NE(popup, nullptr);
    struct Entry {
        UINT id;
        const char* text;
    } expected[] = {{IDM_OPEN_WITH_TOOL, "Open selected file with BMP tool"},
                    {0, nullptr},
                    {IDM_COPY_BMP, "Copy selected BMP to clipboard"},
                    {IDM_COPY_AF, "Copy selected AF to clipboard"},
                    {0, nullptr},
                    {IDM_DELETE_FILES, "Delete selected file(s)"}};
    ASSERT_EQ(GetMenuItemCount(popup), 6);
    for (int i = 0; i < 6; ++i) {
        char text[100] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE;
        item.dwTypeData = text;
        item.cch = sizeof text;
        ASSERT_TRUE(GetMenuItemInfoA(popup, i, TRUE, &item));
        if (expected[i].text == nullptr) {
            EXPECT_TRUE(item.fType & MFT_SEPARATOR) << i;
        } else {
            EXPECT_EQ(item.wID, expected[i].id) << i;
            EXPECT_STREQ(text, expected[i].text) << i;
            EXPECT_EQ(item.fState & MFS_GRAYED, 0u) << i;
        }
    }
    DestroyMenu(loaded);
}

TEST_F(ContextMenuTest, EnabledEntriesFollowTheListItsSelectionAndTheToolAtEveryOpening) {
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    bitmaps_.Write("a.bmp", bitmap);
    bitmaps_.Write("b.bmp", bitmap);
    textures_.Write("a.af", Texture(Diagonals));
    StartMainWindow();

    struct Row {
        const char* tool;  // nullptr: the default, the program folder
        int list;
        bool selected;
        std::set<UINT> enabled;
        int kind;
    };
    const std::string tool = RecordingTool().string();
    const std::string missing_tool = (bitmaps_.Path() / "no-such-tool.exe").string();
    const std::string folder_tool = bitmaps_.WithBackslash();
    const Row rows[] = {
        {nullptr, IDC_BITMAPS_LIST, false, {}, 3},
        {nullptr, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, 3},
        {nullptr, IDC_TEXTURES_LIST, false, {}, 4},
        {nullptr, IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}, 4},
        {tool.c_str(), IDC_BITMAPS_LIST, false, {IDM_OPEN_WITH_TOOL}, 3},
        {tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_DELETE_FILES}, 3},
        {tool.c_str(), IDC_TEXTURES_LIST, false, {}, 4},
        {tool.c_str(), IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}, 4},
        {missing_tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, 3},
        {folder_tool.c_str(), IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, 3},
    };
    ASSERT_TRUE(std::filesystem::exists(tool));
    int row_number = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row_number++);
        if (row.tool) WriteSettingString("BMPTool", row.tool);
        SetItemState(List(IDC_BITMAPS_LIST), -1, 0);
        SetItemState(List(IDC_TEXTURES_LIST), -1, 0);
        if (row.selected) SetItemState(List(row.list), 0, LVIS_SELECTED | LVIS_FOCUSED);
        g_context_list_kind = 0;
        RightClick(row.list);
        ASSERT_EQ(popup_.calls, 1);
        EXPECT_EQ(popup_.enabled, row.enabled);
        EXPECT_EQ(g_context_list_kind, row.kind);
        EXPECT_EQ(popup_.flags, static_cast<UINT>(TPM_RIGHTBUTTON));
        EXPECT_EQ(popup_.owner, Main());
        EXPECT_FALSE(IsMenu(popup_.menu)) << "the menu outlived its popup";
    }
    EXPECT_TRUE(messages_->Messages().empty());
}

TEST_F(ContextMenuTest, MenuOpensWhereTheClickWasAndDismissingItDoesNothing) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    // The notification as the list posts it, so it carries the pointer's position.
    static NMHDR header{};
    header = {List(IDC_BITMAPS_LIST), IDC_BITMAPS_LIST, static_cast<UINT>(NM_RCLICK)};
    ASSERT_TRUE(SetCursorPos(301, 207));
    PostMessageA(Main(), WM_NOTIFY, IDC_BITMAPS_LIST, reinterpret_cast<LPARAM>(&header));
    PumpMessages();
    ASSERT_EQ(popup_.calls, 1);
    EXPECT_EQ(popup_.x, 301);
    EXPECT_EQ(popup_.y, 207);
    EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / "a.bmp"));
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 1);
    EXPECT_TRUE(messages_->Messages().empty());
}

TEST_F(ContextMenuTest, CopyPutsTheBitmapAsReadOrTheConvertedTextureOnTheClipboard) {
    const Bytes bitmap = Bmp24(37, 11, Gradient);
    const Bytes texture = Texture(Diagonals);
    bitmaps_.Write("small.bmp", bitmap);
    textures_.Write("plane.oaf", texture);
    StartMainWindow();
    PlaceTextOnClipboard("before");

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
    const std::array<std::uint8_t, 1024> palette = CompanionPalette();
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), dib->begin() + 40));
    EXPECT_TRUE(std::equal(texture.begin(), texture.end(), dib->begin() + 1064));
    EXPECT_TRUE(messages_->Messages().empty());
}

TEST_F(ContextMenuTest, CopyOfTwoItemsWarnsAndLeavesTheClipboardAsItWas) {
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    bitmaps_.Write("a.bmp", bitmap);
    bitmaps_.Write("b.bmp", bitmap);
    textures_.Write("a.af", Texture(Diagonals));
    textures_.Write("b.af", Texture(Diagonals));
    StartMainWindow();
    PlaceTextOnClipboard("keep me");

    for (const auto& [list, command] : {std::pair{IDC_BITMAPS_LIST, IDM_COPY_BMP}, {IDC_TEXTURES_LIST, IDM_COPY_AF}}) {
        SCOPED_TRACE(command);
        SetItemState(List(list), 0, LVIS_SELECTED | LVIS_FOCUSED);
        SetItemState(List(list), 1, LVIS_SELECTED);
        messages_->Clear();
        RightClick(list, command);
        ASSERT_EQ(messages_->Messages().size(), 1u);
        const RecordedMessage& message = messages_->Messages()[0];
        EXPECT_EQ(message.owner, Main());
        EXPECT_EQ(message.text, "Cannot place multiple files!");
        EXPECT_EQ(message.caption, "Clipboard error!");
        EXPECT_EQ(message.style, static_cast<unsigned>(MB_ICONWARNING));
        EXPECT_EQ(ClipboardText(), "keep me");
        EXPECT_FALSE(ClipboardBlock(CF_DIB).has_value());
    }

    // Nothing selected: no message, nothing placed.
    SetItemState(List(IDC_BITMAPS_LIST), -1, 0);
    messages_->Clear();
    SendMessageA(Main(), WM_COMMAND, IDM_COPY_BMP, 0);
    EXPECT_TRUE(messages_->Messages().empty());
    EXPECT_EQ(ClipboardText(), "keep me");
}

TEST_F(ContextMenuTest, DeletingTwoOfSevenAsksOnceAndRemovesExactlyThoseTwo) {
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.bmp"}) bitmaps_.Write(name, bitmap);
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 5, LVIS_SELECTED);
    SetItemState(List(IDC_BITMAPS_LIST), 2, LVIS_SELECTED | LVIS_FOCUSED);
    EnableBothButtons();
    messages_->QueueAnswer(IDYES);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);

    // A second attempt on a file already gone would add a warning.
    ASSERT_EQ(messages_->Messages().size(), 1u);
    const RecordedMessage& question = messages_->Messages()[0];
    EXPECT_EQ(question.owner, Main());
    EXPECT_EQ(question.text, "Are you sure?");
    EXPECT_EQ(question.caption, "Confirm deleting multiple selection!");
    EXPECT_EQ(question.style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    const std::vector<std::string> left = {"a.bmp", "b.bmp", "d.bmp", "e.bmp", "g.bmp"};
    for (const char* name : {"c.bmp", "f.bmp"}) EXPECT_FALSE(std::filesystem::exists(bitmaps_.Path() / name)) << name;
    for (const std::string& name : left) EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / name)) << name;
    EXPECT_EQ(ListTexts(List(IDC_BITMAPS_LIST)), left);
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 0);
    EXPECT_FALSE(ButtonEnabled(IDC_AF_TO_BMP));
    EXPECT_FALSE(ButtonEnabled(IDC_BMP_TO_AF));
}

TEST_F(ContextMenuTest, DeletingOneTextureAsksForOneFileAndRepaintsTheWholeWindow) {
    textures_.Write("a.af", Texture(Diagonals));
    textures_.Write("b.oaf", Texture(Diagonals));
    StartMainWindow();
    SetItemState(List(IDC_TEXTURES_LIST), 1, LVIS_SELECTED | LVIS_FOCUSED);
    RightClick(IDC_TEXTURES_LIST);  // sets the list the command acts on
    EnableBothButtons();
    messages_->QueueAnswer(IDYES);
    ValidateRect(Main(), nullptr);
    SendMessageA(Main(), WM_COMMAND, IDM_DELETE_FILES, 0);

    RECT update{};
    RECT client{};
    GetClientRect(Main(), &client);
    ASSERT_TRUE(GetUpdateRect(Main(), &update, FALSE));
    EXPECT_TRUE(EqualRect(&update, &client));
    ASSERT_EQ(messages_->Messages().size(), 1u);
    EXPECT_EQ(messages_->Messages()[0].caption, "Confirm deleting selected file!");
    EXPECT_EQ(messages_->Messages()[0].style, static_cast<unsigned>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(std::filesystem::exists(textures_.Path() / "b.oaf"));
    EXPECT_EQ(ListTexts(List(IDC_TEXTURES_LIST)), std::vector<std::string>{"a.af"});
    EXPECT_FALSE(ButtonEnabled(IDC_AF_TO_BMP));
    EXPECT_FALSE(ButtonEnabled(IDC_BMP_TO_AF));
}

TEST_F(ContextMenuTest, AnsweringNoDeletesNothingAndRefillsNothing) {
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) bitmaps_.Write(name, bitmap);
    StartMainWindow();
    bitmaps_.Write("late.bmp", bitmap);  // a refill would list it
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    SetItemState(List(IDC_BITMAPS_LIST), 2, LVIS_SELECTED);
    messages_->QueueAnswer(IDNO);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);

    ASSERT_EQ(messages_->Messages().size(), 1u);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / name));
    EXPECT_EQ(ListTexts(List(IDC_BITMAPS_LIST)), (std::vector<std::string>{"a.bmp", "b.bmp", "c.bmp"}));
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 2);
    // As the right-click's selection step left it.
    EXPECT_TRUE(ButtonEnabled(IDC_BMP_TO_AF));
}

TEST_F(ContextMenuTest, AFileThatCannotBeDeletedIsNamedWhileTheOthersGo) {
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"}) bitmaps_.Write(name, bitmap);
    StartMainWindow();
    const std::string held = (bitmaps_.Path() / "b.bmp").string();
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    for (int i : {0, 1, 2}) SetItemState(List(IDC_BITMAPS_LIST), i, LVIS_SELECTED);
    messages_->QueueAnswer(IDYES);
    RightClick(IDC_BITMAPS_LIST, IDM_DELETE_FILES);
    CloseHandle(holder);

    ASSERT_EQ(messages_->Messages().size(), 2u);
    const RecordedMessage& warning = messages_->Messages()[1];
    EXPECT_EQ(warning.owner, Main());
    EXPECT_EQ(warning.text, "Cannot delete:\n\n " + held);
    EXPECT_EQ(warning.caption, "Non critical warning!");
    EXPECT_EQ(warning.style, static_cast<unsigned>(MB_ICONWARNING));
    EXPECT_FALSE(std::filesystem::exists(bitmaps_.Path() / "a.bmp"));
    EXPECT_FALSE(std::filesystem::exists(bitmaps_.Path() / "c.bmp"));
    EXPECT_EQ(ListTexts(List(IDC_BITMAPS_LIST)), (std::vector<std::string>{"b.bmp", "d.bmp"}));
}

TEST_F(ContextMenuTest, DeleteBeforeAnyMenuHasOpenedDoesNothing) {
    bitmaps_.Write("a.bmp", Bmp24(8, 8, Gradient));
    textures_.Write("a.af", Texture(Diagonals));
    StartMainWindow();
    g_context_list_kind = 0;
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    SetItemState(List(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    messages_->QueueAnswer(IDYES);
    SendMessageA(Main(), WM_COMMAND, IDM_DELETE_FILES, 0);
    EXPECT_TRUE(messages_->Messages().empty());
    EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / "a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(textures_.Path() / "a.af"));
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 1);
    EXPECT_EQ(SelectedCount(IDC_TEXTURES_LIST), 1);
}

// How the tool was asked to start, as the process starter saw it.
struct StartRequest {
    int calls = 0;
    std::string application;
    DWORD flags = 0;
    bool inherit_handles = false;
    DWORD startup_size = 0;
};
StartRequest* g_start = nullptr;

BOOL WINAPI RecordingStarter(LPCSTR application, LPSTR command_line, LPSECURITY_ATTRIBUTES process_attributes,
                             LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles, DWORD flags,
                             LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                             LPPROCESS_INFORMATION process) {
    StartRequest& request = *g_start;
    ++request.calls;
    request.application = application ? application : "";
    request.flags = flags;
    request.inherit_handles = inherit_handles != FALSE;
    request.startup_size = startup->cb;
    return CreateProcessA(application, command_line, process_attributes, thread_attributes, inherit_handles, flags,
                          environment, folder, startup, process);
}

// The tool is our recording stand-in; it sees the main window through the
// environment it inherits.
class BitmapToolTest : public ContextMenuTest {
protected:
    void SetUp() override {
        ContextMenuTest::SetUp();
        g_start = &start_;
        previous_starter_ = SetProcessStarter(&RecordingStarter);
        WriteSettingString("BMPTool", RecordingTool().string());
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", record_.string().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", nullptr);
        SetEnvironmentVariableA("LUMIVANE_TOOL_WATCH_WINDOW", nullptr);
        SetProcessStarter(previous_starter_);
        g_start = nullptr;
        ContextMenuTest::TearDown();
    }
    void WatchMainWindow() {
        const std::string handle = std::to_string(reinterpret_cast<std::uintptr_t>(Main()));
        SetEnvironmentVariableA("LUMIVANE_TOOL_WATCH_WINDOW", handle.c_str());
    }

    StartRequest start_;
    ProcessStarter previous_starter_ = nullptr;
    ScratchFolder paint_{"menu paint folder"};
    ScratchFolder records_{"menu-tool-record"};
    std::filesystem::path record_ = records_.Path() / "record.txt";
};

TEST_F(BitmapToolTest, TheFocusedBitmapReachesTheToolAsOneArgumentWhileTheWindowIsHidden) {
    WriteSettingString("Bitmaps", paint_.WithBackslash());
    const Bytes bitmap = Bmp24(8, 8, Gradient);
    paint_.Write("a.bmp", bitmap);
    paint_.Write("my plane.bmp", bitmap);
    StartMainWindow();
    WatchMainWindow();
    ASSERT_TRUE(IsWindowVisible(Main()));
    // The focus may rest on an item that is not selected; that one is opened.
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_SELECTED);
    SetItemState(List(IDC_BITMAPS_LIST), 1, LVIS_FOCUSED);
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);

    const std::optional<ToolRecord> record = ReadToolRecord(record_);
    ASSERT_TRUE(record.has_value()) << "the tool did not run";
    EXPECT_TRUE(record->finished) << "the tool was not waited for";
    const std::string path = (paint_.Path() / "my plane.bmp").string();
    EXPECT_EQ(record->values.at("command_line"), " \"" + path + "\"");
    EXPECT_EQ(record->values.at("argc"), "2");
    EXPECT_EQ(record->values.at("argv0"), "");
    EXPECT_EQ(record->values.at("argv1"), path);
    EXPECT_EQ(record->values.at("watched_window_visible"), "0");
    ASSERT_EQ(start_.calls, 1);
    EXPECT_EQ(start_.application, RecordingTool().string());
    EXPECT_EQ(start_.flags, static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_TRUE(start_.inherit_handles);
    EXPECT_EQ(start_.startup_size, sizeof(STARTUPINFOA));
    EXPECT_EQ(record->values.at("show_window"), std::to_string(SW_SHOWMAXIMIZED));
    EXPECT_TRUE(IsWindowVisible(Main()));
    EXPECT_TRUE(messages_->Messages().empty());
}

TEST_F(BitmapToolTest, OpensNothingWithoutASelectionAndTakesTheTexturesFolderForKindFour) {
    paint_.Write("a.bmp", Bmp24(8, 8, Gradient));
    textures_.Write("plane.af", Texture(Diagonals));
    WriteSettingString("Bitmaps", paint_.WithBackslash());
    StartMainWindow();
    SetItemState(List(IDC_BITMAPS_LIST), 0, LVIS_FOCUSED);
    OpenWithBitmapTool(Main(), 3);
    EXPECT_EQ(start_.calls, 0) << "the tool ran without a selection";

    SetItemState(List(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    OpenWithBitmapTool(Main(), 4);
    const std::optional<ToolRecord> record = ReadToolRecord(record_);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->values.at("argv1"), (textures_.Path() / "plane.af").string());
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
    EXPECT_TRUE(messages_->Messages().empty());
    EXPECT_FALSE(std::filesystem::exists(record_));
}

}  // namespace
