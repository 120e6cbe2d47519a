// The two folder lists, the convert command and the lists' context menu, in
// the real main window.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>
#include "browser/bitmap_tool.h"
#include "browser/context_menu.h"
#include "browser/folder_lists.h"
#include "browser/folder_watch.h"
#include "browser/popup_menu.h"
#include "browser/save_dialog.h"
#include "core/native_path.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/setup_dialog.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

std::uint8_t Stripes(int x, int y) { return static_cast<std::uint8_t>((x / 16 + y / 8) % 216); }
std::uint8_t Red(int, int) { return static_cast<std::uint8_t>(CubeIndex(5, 0, 0)); }
std::uint32_t Green(int, int) { return CubeColour(0, 5, 0); }
std::uint32_t Gradient(int x, int y) { return static_cast<std::uint32_t>((x * 9) << 16 | (y * 13) << 8 | 0x40); }

std::uint32_t PaneCentre(HWND pane) {
    RECT client{};
    GetClientRect(pane, &client);
    return ColourAt(pane, client.right / 2, client.bottom / 2);
}

void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpMessages();
}

// What the scripted popup saw, and the entry it chooses (0: it is dismissed).
struct PopupScript {
    UINT choose = 0;
    int calls = 0;
    std::set<UINT> enabled;
    POINT at{};
    HWND owner = nullptr;
    HMENU menu = nullptr;
};
PopupScript g_popup;

BOOL ScriptedPopup(HMENU menu, UINT, int x, int y, HWND owner) {
    g_popup = {g_popup.choose, g_popup.calls + 1, {}, {x, y}, owner, menu};
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT id = GetMenuItemID(menu, i);
        if (id != 0 && (GetMenuState(menu, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED)) == 0) {
            g_popup.enabled.insert(id);
        }
    }
    if (g_popup.choose != 0) PostMessageA(owner, WM_COMMAND, g_popup.choose, 0);
    return g_popup.choose != 0;
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
               IsWindowVisible(g_popup.owner) != FALSE};
    return CreateProcessA(application, command_line, process_attributes, thread_attributes, inherit_handles, flags,
                          environment, folder, startup, process);
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
    for (const char* part = request->lpstrFilter; *part; part += std::strlen(part) + 1) {
        g_save.filter += part + std::string("|");
    }
    if (g_save.answer.empty()) return FALSE;
    lstrcpynA(request->lpstrFile, g_save.answer.c_str(), static_cast<int>(request->nMaxFile));
    return TRUE;
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

class BrowserTest : public WindowTest {
protected:
    void SetUp() override {
        g_popup = {};
        g_start = {};
        g_save = {};
        previous_popup_ = SetPopupMenuRunner(&ScriptedPopup);
        previous_starter_ = SetProcessStarter(&RecordingStarter);
        previous_save_ = SetSaveDialogRunner(&ScriptedSaveDialog);
        WriteSettingString("BMPTool", tool_);
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", record_.string().c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("LUMIVANE_TOOL_RECORD", nullptr);
        SetSaveDialogRunner(previous_save_);
        SetProcessStarter(previous_starter_);
        SetPopupMenuRunner(previous_popup_);
    }
    int SelectedCount(int id) const { return static_cast<int>(SendMessageA(Item(id), LVM_GETSELECTEDCOUNT, 0, 0)); }
    int ItemCount(int id) const { return static_cast<int>(SendMessageA(Item(id), LVM_GETITEMCOUNT, 0, 0)); }
    void Press(int button) {
        EnableWindow(Item(button), TRUE);
        SendMessageA(Main(), WM_COMMAND, static_cast<WPARAM>(button), 0);
    }
    // A right-click in the list, posted as the list's own notification is, so
    // that it carries the pointer's position. The scripted popup chooses the
    // entry (0: dismisses the menu) and its command runs.
    void RightClick(int list_id, UINT choose = 0) {
        g_popup.choose = choose;
        g_popup.calls = 0;
        click_ = {Item(list_id), static_cast<UINT_PTR>(list_id), static_cast<UINT>(NM_RCLICK)};
        PostMessageA(Main(), WM_NOTIFY, static_cast<WPARAM>(list_id), reinterpret_cast<LPARAM>(&click_));
        PumpMessages();
    }
    // Selects exactly these items; the first one gets the focus.
    void Select(int list_id, const std::vector<int>& items) {
        SetItemState(Item(list_id), -1, 0);
        for (std::size_t i = 0; i < items.size(); ++i) {
            SetItemState(Item(list_id), items[i], LVIS_SELECTED | (i == 0 ? LVIS_FOCUSED : 0));
        }
    }

    PopupMenuRunner previous_popup_ = nullptr;
    ProcessStarter previous_starter_ = nullptr;
    SaveDialogRunner previous_save_ = nullptr;
    NMHDR click_{};
    // The stand-in tool writes its command line into the record after a
    // pause, so the record is there only when the tool ran and was waited for.
    std::filesystem::path record_ = textures_.Path() / "tool-record.txt";
    const std::string tool_ = BesideTestProgram("record_command_line.exe").string();
    const std::string missing_tool_ = (bitmaps_.Path() / "gone.exe").string();
    const std::string folder_tool_ = bitmaps_.WithBackslash();
};

std::vector<std::string> Sorted(std::vector<std::string> texts) {
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Names in scripts no one code page holds: listed as they are, previewed
// without a message, converted under default names and through the Save dialog.
TEST_F(BrowserTest, NamesInEveryScriptAreListedPreviewedAndConverted) {
    std::vector<std::string> textures, bitmaps;
    for (const std::string& name : kNamesInThreeScripts) {
        textures.push_back(name + ".oaf");
        textures_.Write(textures.back(), Texture(Red));
        bitmaps.push_back(name + ".bmp");
        bitmaps_.Write(bitmaps.back(), BitmapFile(40, 30, 24, {}, Green));
    }
    StartMainWindow();
    EXPECT_EQ(Sorted(ListTexts(Item(IDC_TEXTURES_LIST))), Sorted(textures));
    EXPECT_EQ(Sorted(ListTexts(Item(IDC_BITMAPS_LIST))), Sorted(bitmaps));
    for (int i = 0; i < 3; ++i) {
        SetItemState(Item(IDC_TEXTURES_LIST), i, LVIS_SELECTED | LVIS_FOCUSED);
        EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(5, 0, 0));
        SetItemState(Item(IDC_BITMAPS_LIST), i, LVIS_SELECTED | LVIS_FOCUSED);
        EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(0, 5, 0));
    }

    Select(IDC_TEXTURES_LIST, {0, 1, 2});
    Press(IDC_AF_TO_BMP);
    std::vector<std::string> converted;
    for (const std::string& texture : textures) {
        converted.push_back(texture + ".bmp");
        EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / NativePath(converted.back())),
                  BitmapFile(256, 256, 8, CompanionPalette(), Red)) << converted.back();
        bitmaps.push_back(converted.back());
    }
    EXPECT_EQ(Sorted(ListTexts(Item(IDC_BITMAPS_LIST))), Sorted(bitmaps));

    // One converted bitmap back through the Save dialog, to a name in another script.
    WriteSettingDword("DefFileName", 0);
    const std::vector<std::string> listed = ListTexts(Item(IDC_BITMAPS_LIST));
    const int item = static_cast<int>(std::find(listed.begin(), listed.end(), converted[0]) - listed.begin());
    Select(IDC_BITMAPS_LIST, {item});
    g_save.answer = textures_.WithBackslash() + kNamesInThreeScripts[2] + "-" + kNamesInThreeScripts[1];
    Press(IDC_BMP_TO_AF);
    EXPECT_EQ(g_save.proposed, textures[0]);
    const std::string saved = g_save.answer + ".af";
    EXPECT_EQ(ReadWholeFile(NativePath(saved)), Texture(Red));
    EXPECT_EQ(ListTexts(Item(IDC_TEXTURES_LIST)).size(), 4u);
    EXPECT_TRUE(messages_.Messages().empty());
}

// The selection step: the clicked list's button on, the other's off, and its
// focused item, selected or not, previewed in both panes.
TEST_F(BrowserTest, AClickTurnsItsListsButtonOnAndPreviewsTheFocusedItemInBothPanes) {
    bitmaps_.Write("green.bmp", BitmapFile(40, 30, 24, {}, Green));
    textures_.Write("red.oaf", Texture(Red));
    StartMainWindow();
    const std::uint32_t no_picture = PaneCentre(Item(IDC_SOURCE_PANE));
    // A change that leaves no item focused does nothing at all, not even
    // tell of a folder that has gone.
    WriteSettingString("Textures", (textures_.Path() / "gone").string() + "\\");
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED);
    EXPECT_TRUE(messages_.Messages().empty());
    WriteSettingString("Textures", textures_.WithBackslash());
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
    // A refilled list has no focus, and so nothing to preview; it shows on
    // the screen what it draws, and the panes let go of the file.
    RefillList(Main(), Side::Textures);
    EXPECT_EQ(FocusedItemName(Main(), Side::Textures), std::nullopt);
    std::filesystem::remove(textures_.Path() / "red.oaf");
    RepaintNow(Main());
    HWND list = Item(IDC_TEXTURES_LIST);
    Canvas shown(ClientOf(list).right, ClientOf(list).bottom), drawn(shown.Width(), shown.Height());
    CaptureClient(list, shown);
    SendMessageA(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn.Dc()), PRF_ERASEBKGND | PRF_CLIENT);
    EXPECT_TRUE(shown.SameArea(0, 0, drawn, 0, 0, shown.Width(), shown.Height()));
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), no_picture);
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), no_picture);
    EXPECT_TRUE(messages_.Messages().empty());
}

// Every repaint previews the file again; one that cannot be read is told
// about once until it changes, and shows as soon as it is whole again.
TEST_F(BrowserTest, AVanishedFileIsToldOnceUntilItChangesAndShowsWhenItComesBack) {
    const Bytes red = Texture(Red);
    const std::string path = textures_.Write("red.oaf", red).string();
    StartMainWindow();
    // The preview alone: a list that followed its folder would let go of the file.
    StopFollowingFolders();
    std::filesystem::remove(path);
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    ASSERT_EQ(messages_.Messages().size(), 1u);
    ExpectMessage(messages_.Messages()[0], "@", "Error opening file !", MB_ICONWARNING, path);
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
    // Changed again, it shows on the next click, before any repaint.
    textures_.Write("red.oaf", Texture([](int, int) { return static_cast<std::uint8_t>(CubeIndex(0, 0, 5)); }));
    SetItemState(Item(IDC_TEXTURES_LIST), 0, 0);
    SetItemState(Item(IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(0, 0, 5));
}

// Under default names each selected item converts on its own, in index
// order, with its own question for a file that exists (a folder in the
// target's place gets none and is told as a target that cannot be opened);
// the target list is refilled and the pressed button ends disabled, also
// when nothing was selected.
TEST_F(BrowserTest, DefaultNamesConvertEachSelectedItemAndBackByteForByte) {
    const Bytes texture = Texture(Stripes);
    for (const char* name : {"a.af", "b.af", "c.af", "d.af", "e.af", "f.af"}) textures_.Write(name, texture);
    const Bytes old_bitmap(100, 1);
    bitmaps_.Write("c.af.bmp", old_bitmap);
    bitmaps_.Write("f.af.bmp", old_bitmap);
    StartMainWindow();
    bitmaps_.Write("late.bmp", {1});
    std::filesystem::create_directory(bitmaps_.Path() / "e.af.bmp");
    Press(IDC_AF_TO_BMP);
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"c.af.bmp", "f.af.bmp"}));

    Select(IDC_TEXTURES_LIST, {2, 5, 4});
    for (int answer : {IDNO, IDOK, IDYES}) messages_.QueueAnswer(answer);
    Press(IDC_AF_TO_BMP);
    ASSERT_EQ(messages_.Messages().size(), 3u);
    const char* question = "Do you want to overwrite existing target?";
    ExpectMessage(messages_.Messages().at(0), (bitmaps_.Path() / "c.af.bmp").string(), question, MB_ICONQUESTION | MB_YESNO, "", Main());
    ExpectMessage(messages_.Messages()[1], "Error opening file", "@", MB_OK, (bitmaps_.Path() / "e.af.bmp").string());
    ExpectMessage(messages_.Messages().at(2), (bitmaps_.Path() / "f.af.bmp").string(), question, MB_ICONQUESTION | MB_YESNO, "", Main());
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "c.af.bmp"), old_bitmap);
    EXPECT_TRUE(std::filesystem::is_directory(bitmaps_.Path() / "e.af.bmp"));
    EXPECT_EQ(ReadWholeFile(bitmaps_.Path() / "f.af.bmp"), BitmapFile(256, 256, 8, CompanionPalette(), Stripes));
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)).back(), "late.bmp") << "the target list was refilled";
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));

    textures_.Write("f.af", old_bitmap);
    std::filesystem::remove(bitmaps_.Path() / "e.af.bmp");
    RefillList(Main(), Side::Bitmaps);
    SetItemState(Item(IDC_BITMAPS_LIST), 1, LVIS_SELECTED | LVIS_FOCUSED);
    textures_.Write("late.af", {1});
    messages_.QueueAnswer(IDYES);
    Press(IDC_BMP_TO_AF);
    EXPECT_EQ(ReadWholeFile(textures_.Path() / "f.af"), texture);
    EXPECT_EQ(ListTexts(Item(IDC_TEXTURES_LIST)).back(), "late.af") << "the target list was refilled";
    ASSERT_EQ(messages_.Messages().size(), 4u);
    ExpectMessage(messages_.Messages()[3], (textures_.Path() / "f.af").string(), question, MB_ICONQUESTION | MB_YESNO, "", Main());

    // Several files: each is written while the next converts, and a write
    // that fails is told before the next question; the last one's at the end.
    const std::string c_texture = (textures_.Path() / "c.af").string(), f_texture = (textures_.Path() / "f.af").string();
    bitmaps_.Write("c.af.bmp", ReadWholeFile(bitmaps_.Path() / "f.af.bmp"));
    for (const std::string& locked : {c_texture, f_texture}) {
        SCOPED_TRACE(locked);
        messages_.Clear();
        textures_.Write("c.af", old_bitmap);
        textures_.Write("f.af", old_bitmap);
        SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY);
        Select(IDC_BITMAPS_LIST, {0, 1});
        const std::size_t told = locked == c_texture ? 1 : 2;
        for (int answer : told == 1 ? std::vector<int>{IDYES, IDOK, IDYES} : std::vector<int>{IDYES, IDYES, IDOK}) messages_.QueueAnswer(answer);
        Press(IDC_BMP_TO_AF);
        SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
        const std::string& written = locked == c_texture ? f_texture : c_texture;
        ASSERT_EQ(messages_.Messages().size(), 3u);
        ExpectMessage(messages_.Messages()[0], c_texture, question, MB_ICONQUESTION | MB_YESNO, "", Main());
        ExpectMessage(messages_.Messages()[told], "@", "Error opening file!", MB_OK | MB_ICONWARNING, locked);
        ExpectMessage(messages_.Messages()[3 - told], f_texture, question, MB_ICONQUESTION | MB_YESNO, "", Main());
        EXPECT_EQ(ReadWholeFile(written), texture);
        EXPECT_EQ(ReadWholeFile(locked), old_bitmap);
    }
}

// A batch draws its panes only now and then, however fast it converts; yet
// each message and the end find them showing the last file converted.
TEST_F(BrowserTest, EachMessageOfABatchAndItsEndFindThePanesShowingTheLastFileConverted) {
    // a to g; c cannot be read, b's target is a folder, d's and f's are there.
    const int levels[][3] = {{5, 0, 0}, {0, 5, 0}, {0, 0, 0}, {0, 0, 5}, {5, 5, 0}, {0, 5, 5}, {5, 0, 5}};
    for (int i = 0; i < 7; ++i) {
        const int index = CubeIndex(levels[i][0], levels[i][1], levels[i][2]);
        textures_.Write(std::string(1, static_cast<char>('a' + i)) + ".af", i == 2 ? Bytes{1} : Texture([&](int, int) { return index; }));
    }
    std::filesystem::create_directory(bitmaps_.Path() / "b.af.bmp");
    bitmaps_.Write("d.af.bmp", {1});
    bitmaps_.Write("f.af.bmp", {1});
    StartMainWindow();
    using Panes = std::pair<std::uint32_t, std::uint32_t>;
    const auto panes = [&] { return Panes(PaneCentre(Item(IDC_SOURCE_PANE)), PaneCentre(Item(IDC_DESTINATION_PANE))); };
    std::vector<Panes> seen;
    messages_.seeing = [&] { seen.push_back(panes()); };
    Select(IDC_TEXTURES_LIST, {0, 1, 2, 3, 4, 5, 6});
    for (int answer : {IDOK, IDOK, IDNO, IDNO}) messages_.QueueAnswer(answer);
    Press(IDC_AF_TO_BMP);
    ASSERT_EQ(messages_.Messages().size(), 4u);
    ExpectMessage(messages_.Messages()[0], "@", "Error reading file!", MB_OK | MB_ICONWARNING, (textures_.Path() / "c.af").string());
    ExpectMessage(messages_.Messages()[1], "Error opening file", "@", MB_OK, (bitmaps_.Path() / "b.af.bmp").string());
    EXPECT_EQ(messages_.Messages()[2].text, (bitmaps_.Path() / "d.af.bmp").string());
    EXPECT_EQ(messages_.Messages()[3].text, (bitmaps_.Path() / "f.af.bmp").string());
    const auto both = [](int r, int g, int b) { return Panes(CubeColour(r, g, b), CubeColour(r, g, b)); };
    EXPECT_EQ(seen, (std::vector<Panes>{both(0, 5, 0), both(0, 0, 5), both(0, 0, 5), both(0, 5, 5)}));
    EXPECT_EQ(panes(), both(5, 0, 5));
}

// Without default names only the focused item, and only when it is selected,
// goes through the Save dialog, which opens in the target folder on the
// proposed name; the target list is refilled even when the user cancels.
TEST_F(BrowserTest, TheSaveDialogConvertsTheFocusedSelectedItemToTheChosenPath) {
    WriteSettingDword("DefFileName", 0);
    for (const char* name : {"a.af", "b.af", "c.af"}) textures_.Write(name, Texture(Stripes));
    StartMainWindow();
    bitmaps_.Write("late.bmp", {1});
    Select(IDC_TEXTURES_LIST, {0, 1});
    SetItemState(Item(IDC_TEXTURES_LIST), 2, LVIS_FOCUSED);
    Press(IDC_AF_TO_BMP);
    EXPECT_EQ(g_save.calls, 0);
    EXPECT_TRUE(ListTexts(Item(IDC_BITMAPS_LIST)).empty()) << "the target list was refilled";

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
        const char* proposed;
    } rows[] = {
        {Side::Textures, 2, (bitmaps_.Path() / "c").string(), "Save bitmap as ...",
         "Windows bitmaps (BMP)|*.bmp|All|*.*|", &bitmaps_, "c.bmp", BitmapFile(256, 256, 8, CompanionPalette(), Stripes),
         "later.bmp", "c.af.bmp"},
        {Side::Bitmaps, 0, (textures_.Path() / "my.plane").string(), "Save texture as ...",
         "FS98 Textures (AF)|*.*af|All|*.*|", &textures_, "my.plane.af", Texture(Stripes), "late.af", "c.bmp.af"},
        {Side::Textures, 2, "", "Save bitmap as ...", "Windows bitmaps (BMP)|*.bmp|All|*.*|", &bitmaps_, nullptr, {},
         "latest.bmp", "c.af.bmp"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        row.target_folder->Write(row.fresh, {1});
        const SideTraits& from = TraitsOf(row.from);
        SetItemState(Item(from.list_id), row.item, LVIS_SELECTED | LVIS_FOCUSED);
        g_save.answer = row.answer;
        Press(from.convert_button);
        EXPECT_EQ(g_save.proposed, row.proposed);
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
    EXPECT_TRUE(messages_.Messages().empty());
}

// Which entry applies where is the core's table; here the menu gets the list,
// the selection of that list (the other list always has one) and the tool
// setting it stands for. The focused item opens, selected or not, as one
// quoted argument (its name in any script), while the window is hidden; a
// tool that cannot start brings the window back silently, and a dismissed
// menu runs nothing.
TEST_F(BrowserTest, TheMenuIsGreyedForItsListAndOpensTheFocusedFileInTheToolWithTheWindowHidden) {
    bitmaps_.Write("a.bmp", BitmapFile(8, 8, 24, {}, Gradient));
    const std::string plane_name = "my plane " + kNamesInThreeScripts[0] + ".bmp";
    bitmaps_.Write(plane_name, BitmapFile(8, 8, 24, {}, Gradient));
    textures_.Write("plane.af", Texture(Stripes));
    StartMainWindow();
    const std::string plane = " \"" + bitmaps_.WithBackslash() + plane_name + "\"";
    const std::string texture = " \"" + (textures_.Path() / "plane.af").string() + "\"";
    const std::set<UINT> all = {IDM_OPEN_WITH_TOOL, IDM_COPY_BMP, IDM_DELETE_FILES};
    const struct Row {
        const std::string* tool;
        int list;
        bool selected;  // item 0; item 1 of the Bitmaps list has the focus
        std::set<UINT> enabled;
        bool open;                   // the Open entry is chosen; false: the menu is dismissed
        const std::string* started;  // the command line; nullptr: nothing starts
        bool runs;
    } rows[] = {
        {&tool_, IDC_BITMAPS_LIST, true, all, false, nullptr, false},
        {&tool_, IDC_BITMAPS_LIST, true, all, true, &plane, true},
        {&tool_, IDC_BITMAPS_LIST, false, {IDM_OPEN_WITH_TOOL}, true, nullptr, false},
        {&tool_, IDC_TEXTURES_LIST, true, {IDM_COPY_AF, IDM_DELETE_FILES}, true, &texture, true},
        {&missing_tool_, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, true, &plane, false},
        {&folder_tool_, IDC_BITMAPS_LIST, true, {IDM_COPY_BMP, IDM_DELETE_FILES}, true, &plane, false},
    };
    ASSERT_TRUE(std::filesystem::exists(tool_));
    ASSERT_TRUE(MovePointerTo(301, 207));
    for (const Row& row : rows) {
        SCOPED_TRACE(&row - rows);
        WriteSettingString("BMPTool", *row.tool);
        std::filesystem::remove(record_);
        g_start = {};
        const int other = row.list == IDC_BITMAPS_LIST ? IDC_TEXTURES_LIST : IDC_BITMAPS_LIST;
        Select(other, {0});
        Select(row.list, {});
        SetItemState(Item(row.list), 0, row.selected ? LVIS_SELECTED | LVIS_FOCUSED : 0);
        if (row.list == IDC_BITMAPS_LIST) SetItemState(Item(row.list), 1, LVIS_FOCUSED);
        RightClick(row.list, row.open ? IDM_OPEN_WITH_TOOL : 0);
        ASSERT_EQ(g_popup.calls, 1);
        EXPECT_EQ(g_popup.enabled, row.enabled);
        EXPECT_EQ(g_popup.at.x, 301);
        EXPECT_EQ(g_popup.at.y, 207);
        EXPECT_EQ(g_popup.owner, Main());
        EXPECT_FALSE(IsMenu(g_popup.menu)) << "the menu outlived its popup";
        EXPECT_EQ(SelectedCount(other), 1);
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
    // The list must not go on to WM_CONTEXTMENU after the menu: where the
    // pointer is by then, on the caption say, it opens the system menu.
    EXPECT_NE(SendMessageA(Main(), WM_NOTIFY, click_.idFrom, reinterpret_cast<LPARAM>(&click_)), 0);
    EXPECT_TRUE(std::filesystem::exists(bitmaps_.Path() / "a.bmp"));
    EXPECT_TRUE(std::filesystem::exists(textures_.Path() / "plane.af"));
    EXPECT_TRUE(messages_.Messages().empty());
}

// One file is copied as the DIB it reads as (a texture with the texture
// palette), a bitmap wider than a texture whole; two are refused and nothing
// selected does nothing, both leaving the clipboard as it was.
TEST_F(BrowserTest, CopyPlacesTheOneSelectedFileAsItReadsAndRefusesMore) {
    const Bytes bitmap = BitmapFile(300, 11, 24, {}, Gradient);
    const Bytes texture_as_bitmap = BitmapFile(256, 256, 8, CompanionPalette(), Stripes);
    for (const char* name : {"a.bmp", "b.bmp"}) bitmaps_.Write(name, bitmap);
    for (const char* name : {"a.oaf", "b.oaf"}) textures_.Write(name, Texture(Stripes));
    StartMainWindow();
    const struct Row {
        int list;
        UINT command;
        std::vector<int> selected;
        const Bytes* placed;  // the file whose DIB is placed; nullptr: the clipboard stays
    } rows[] = {
        {IDC_BITMAPS_LIST, IDM_COPY_BMP, {0}, &bitmap},
        {IDC_TEXTURES_LIST, IDM_COPY_AF, {1}, &texture_as_bitmap},
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
        if (row.selected.size() > 1) {
            ExpectMessage(messages_.Messages().at(0), "Cannot place multiple files!", "Clipboard error!", MB_ICONWARNING, "", Main());
        }
    }
}

// Deleting acts on the list the menu last opened on, asks once, and deletes
// each selected file on its own; a late file shows whether the list was refilled.
TEST_F(BrowserTest, DeleteAsksAsTheSelectionWantsAndRemovesExactlyTheSelectedFiles) {
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
        StopFollowingFolders();  // only the command may list the late file, however slow the machine
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
        if (row.confirm) ExpectMessage(messages_.Messages().at(0), "Are you sure?", row.confirm, MB_YESNO | MB_ICONQUESTION, "", Main());
        if (row.held >= 0) {
            ExpectMessage(messages_.Messages().at(1), "Cannot delete:\n\n " + held_path, "Non critical warning!", MB_ICONWARNING, "", Main());
        }
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

TEST_F(BrowserTest, AVanishedFolderDeletesNothingOfTheSameNameInTheProgramFolder) {
    // A file of the program folder with the name of one of the listed bitmaps.
    const std::filesystem::path victim = BesideTestProgram("lumivane-same-name.bmp");
    // A good picture: the right-click previews it once the folder is gone.
    const Bytes victim_bytes = BitmapFile(8, 8, 24, {}, Gradient);
    WriteWholeFile(victim, victim_bytes);
    bitmaps_.Write("lumivane-same-name.bmp", victim_bytes);
    StartMainWindow();
    // The list left as it was when the folder went, as until the next look.
    StopFollowingFolders();
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

TEST_F(BrowserTest, AFilePathTooLongForTheProgramIsNamedInAMessageAndKept) {
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
    ExpectMessage(messages_.Messages().at(0), name, "Path too long!", MB_ICONWARNING, "", Main());
    RightClick(IDC_BITMAPS_LIST, IDM_OPEN_WITH_TOOL);
    ExpectMessage(messages_.Messages().at(1), name, "Path too long!", MB_ICONWARNING, "", Main());
    EXPECT_EQ(messages_.Messages().size(), 2u);
    EXPECT_TRUE(std::filesystem::exists(deep / name));
    EXPECT_EQ(g_start.calls, 0);
}

// The lists follow their folders: what other programs create, delete and
// rename shows within a second, and the items that stay keep the selection
// and the focus without the buttons moving. A folder that goes empties its
// list without a word and fills it again when it comes back; lists set to
// another folder follow that one.
TEST_F(BrowserTest, FilesChangedFromOutsideShowWithinASecondAndTheSelectionStays) {
    for (const char* name : {"a.bmp", "c.bmp", "e.bmp"}) bitmaps_.Write(name, BitmapFile(8, 8, 24, {}, Green));
    textures_.Write("x.af", Texture(Red));
    StartMainWindow();
    Select(IDC_BITMAPS_LIST, {1});
    ASSERT_TRUE(IsWindowEnabled(Item(IDC_BMP_TO_AF)));

    bitmaps_.Write("b.bmp", BitmapFile(8, 8, 24, {}, Green));
    std::filesystem::remove(bitmaps_.Path() / "a.bmp");
    std::filesystem::rename(bitmaps_.Path() / "e.bmp", bitmaps_.Path() / "d.bmp");
    textures_.Write("y.af", Texture(Red));
    const std::vector<std::string> bitmaps{"b.bmp", "c.bmp", "d.bmp"}, textures{"x.af", "y.af"};
    EXPECT_TRUE(PumpUntil([&] { return ListTexts(Item(IDC_BITMAPS_LIST)) == bitmaps && ListTexts(Item(IDC_TEXTURES_LIST)) == textures; }, 1000))
        << ListTexts(Item(IDC_BITMAPS_LIST)).size() << " bitmaps listed";
    EXPECT_EQ(SendMessageA(Item(IDC_BITMAPS_LIST), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1) << "c.bmp, selected";
    EXPECT_EQ(SelectedCount(IDC_BITMAPS_LIST), 1);
    EXPECT_STREQ(FocusedItemName(Main(), Side::Bitmaps).value_or(PathBuffer{}).data(), "c.bmp");
    EXPECT_TRUE(IsWindowEnabled(Item(IDC_BMP_TO_AF)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    // Once nothing changes, nothing more is looked at.
    PumpUntil([] { return false; }, 300);
    Sleep(500);
    MSG look{};
    EXPECT_FALSE(PeekMessageA(&look, Main(), kFoldersChangedMessage, kFoldersChangedMessage, PM_NOREMOVE));

    // Inside a modal loop (which disables the window) the lists wait, and
    // catch up when it ends.
    EnableWindow(Main(), FALSE);
    bitmaps_.Write("f.bmp", BitmapFile(8, 8, 24, {}, Green));
    PumpUntil([] { return false; }, 700);
    EXPECT_EQ(ItemCount(IDC_BITMAPS_LIST), 3);
    EnableWindow(Main(), TRUE);
    EXPECT_TRUE(PumpUntil([&] { return ItemCount(IDC_BITMAPS_LIST) == 4; }, 1000));

    std::filesystem::remove_all(textures_.Path());
    EXPECT_TRUE(PumpUntil([&] { return ItemCount(IDC_TEXTURES_LIST) == 0; }, 1000));
    std::filesystem::create_directory(textures_.Path());
    textures_.Write("z.af", Texture(Red));
    EXPECT_TRUE(PumpUntil([&] { return ListTexts(Item(IDC_TEXTURES_LIST)) == std::vector<std::string>{"z.af"}; }, 1500));
    // Set to another folder, both lists follow that one.
    ScratchFolder other("follow-other");
    WriteSettingString("Bitmaps", other.WithBackslash());
    WriteSettingString("Textures", other.WithBackslash());
    SendMessageA(Main(), kSettingsStoredMessage, 0, 0);
    other.Write("g.bmp", {1});
    EXPECT_TRUE(PumpUntil([&] { return ListTexts(Item(IDC_BITMAPS_LIST)) == std::vector<std::string>{"g.bmp"}; }, 1000));
    EXPECT_TRUE(messages_.Messages().empty());
}

// The file both panes show, saved again by another program, shows anew
// without a click; deleted, it leaves the panes without a message.
TEST_F(BrowserTest, ThePreviewedFileRewrittenFromOutsideShowsAgainInBothPanes) {
    bitmaps_.Write("plane.bmp", BitmapFile(40, 30, 24, {}, Green));
    StartMainWindow();
    Select(IDC_BITMAPS_LIST, {0});
    ASSERT_EQ(PaneCentre(Item(IDC_SOURCE_PANE)), CubeColour(0, 5, 0));
    bitmaps_.Write("plane.bmp", BitmapFile(40, 30, 24, {}, [](int, int) { return CubeColour(5, 0, 0); }));
    EXPECT_TRUE(PumpUntil([&] { return PaneCentre(Item(IDC_SOURCE_PANE)) == CubeColour(5, 0, 0); }, 1000));
    EXPECT_EQ(PaneCentre(Item(IDC_DESTINATION_PANE)), CubeColour(5, 0, 0));
    std::filesystem::remove(bitmaps_.Path() / "plane.bmp");
    EXPECT_TRUE(PumpUntil([&] { return ItemCount(IDC_BITMAPS_LIST) == 0; }, 1000));
    EXPECT_TRUE(messages_.Messages().empty());
}

// Items taken out before the first one shown, or added after it, do not
// scroll the list away from what the user was looking at: its column stays
// the first one shown.
TEST_F(BrowserTest, ItemsGoneBeforeTheFirstShownLeaveItsColumnFirst) {
    // Names made by appending: GCC 12 warns wrongly of overlap in "p" + std::string.
    const auto name = [](int i) { return std::string("p").append(std::to_string(100 + i)).append(".bmp"); };
    for (int i = 0; i < 90; ++i) bitmaps_.Write(name(i), {1});
    StartMainWindow();
    HWND list = Item(IDC_BITMAPS_LIST);
    SendMessageA(list, LVM_ENSUREVISIBLE, 60, FALSE);
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(top, 20) << "the list must scroll for this test";
    const std::string first = ListTexts(list)[static_cast<std::size_t>(top)];
    for (int i = 0; i < 20; ++i) std::filesystem::remove(bitmaps_.Path() / name(i));
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(IDC_BITMAPS_LIST) == 70; }, 1000));
    // In the first column shown: where the first item shown is.
    const std::vector<std::string> names = ListTexts(list);
    const int at = static_cast<int>(std::find(names.begin(), names.end(), first) - names.begin());
    const auto left_of = [&](int item) {
        RECT bounds{LVIR_BOUNDS, 0, 0, 0};
        SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
        return bounds.left;
    };
    EXPECT_EQ(left_of(at), left_of(static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0)))) << first;
    // At the start, items added behind the first one leave the list at its start.
    SendMessageA(list, LVM_ENSUREVISIBLE, 0, FALSE);
    for (int i = 0; i < 40; ++i) bitmaps_.Write("p120x" + std::to_string(10 + i) + ".bmp", {1});
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(IDC_BITMAPS_LIST) == 110; }, 1000));
    EXPECT_EQ(SendMessageA(list, LVM_GETTOPINDEX, 0, 0), 0);
}

}  // namespace
