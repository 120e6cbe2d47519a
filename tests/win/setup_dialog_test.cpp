#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/setup_dialog.h"
#include "settings/shell_dialogs.h"
#include "tests/win/look_checks.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr char kNotAFolder[] = "<My Computer>";  // an item with no file-system path

// An item list from the shell's allocator, as the browser returns it.
PIDLIST_ABSOLUTE ItemList(const std::string& path) {
    PIDLIST_ABSOLUTE item = nullptr;
    if (path == kNotAFolder) {
        SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &item);
    } else {
        const std::wstring wide(path.begin(), path.end());
        SHParseDisplayName(wide.c_str(), nullptr, &item, 0, nullptr);
    }
    return item;
}

// Answers each browse from a script (nothing: cancelled) after letting the
// test play the browser's part with the request's callback.
struct ScriptedFolderBrowser final : FolderBrowser {
    ScriptedFolderBrowser() : previous(SetFolderBrowser(this)) {}
    ~ScriptedFolderBrowser() override { SetFolderBrowser(previous); }
    PIDLIST_ABSOLUTE Browse(BROWSEINFOA& request) override {
        requests.push_back(request);
        if (while_open) while_open(request);
        std::optional<std::string> answer = answers.empty() ? std::nullopt : answers.front();
        if (!answers.empty()) answers.pop_front();
        return answer ? ItemList(*answer) : nullptr;
    }
    FolderBrowser* previous;
    std::deque<std::optional<std::string>> answers;
    std::vector<BROWSEINFOA> requests;
    std::function<void(const BROWSEINFOA&)> while_open;
};

struct ScriptedOpenDialog final : OpenDialog {
    ScriptedOpenDialog() : previous(SetOpenDialog(this)) {}
    ~ScriptedOpenDialog() override { SetOpenDialog(previous); }
    BOOL Open(OPENFILENAMEA& request) override {
        requests.push_back(request);
        const char* end = request.lpstrFilter;
        while (end[0] || end[1]) ++end;
        filter.assign(request.lpstrFilter, end + 2);
        if (!answer) return FALSE;
        answer->copy(request.lpstrFile, request.nMaxFile - 1);
        return TRUE;
    }
    OpenDialog* previous;
    std::optional<std::string> answer;
    std::vector<OPENFILENAMEA> requests;
    std::string filter;
};

std::map<std::string, StoredValue> StoredSettings() {
    std::map<std::string, StoredValue> values;
    for (const char* name : {"Bitmaps", "Textures", "BMPTool", "DefFileName", "Thumbs"}) values[name] = ReadStoredValue(name);
    return values;
}

std::string Text(HWND window) {
    std::array<char, 512> text{};
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

POINT Centre(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void ExpectCentredOver(HWND window, HWND reference) {
    const POINT own = Centre(window);
    const POINT other = Centre(reference);
    EXPECT_LE(std::abs(own.x - other.x), 1);
    EXPECT_LE(std::abs(own.y - other.y), 1);
}

class SetupDialogTest : public WindowTest {
protected:
    void SetUp() override { StartMainWindow(); }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        main_.reset();
    }
    HWND Open() {
        if (dialog_) DestroyWindow(dialog_);
        dialog_ = CreateDialogParamA(ProgramInstance(), kSetupDialogTemplate, main_->Get(), &SetupDialogProc, 0);
        return dialog_;
    }
    void Press(int id) { SendMessageA(dialog_, WM_COMMAND, id, 0); }
    std::string Shown(int id) { return Text(GetDlgItem(dialog_, id)); }

    ScriptedFolderBrowser browser_;
    ScriptedOpenDialog open_dialog_;
    HWND dialog_ = nullptr;
};

TEST_F(SetupDialogTest, OpensOnTheStoredSettingsCentredOverTheMainWindow) {
    WriteSettingDword("DefFileName", 0);
    WriteSettingDword("Thumbs", 2);
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), bitmaps_.WithBackslash());
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), textures_.WithBackslash());
    // The tool's default, the program folder, is shown and now stored.
    std::array<char, MAX_PATH> program_folder{};
    GetProgramFolder(program_folder);
    EXPECT_EQ(Shown(IDC_SETUP_TOOL_PATH), program_folder.data());
    EXPECT_EQ(StoredSettings()["BMPTool"].data.size(), 260u);
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_SETUP_DEFAULT_NAMES), static_cast<UINT>(BST_UNCHECKED));

    HWND sizes = GetDlgItem(dialog_, IDC_SETUP_THUMB_SIZE);
    std::vector<std::string> entries;
    for (int i = 0; i < SendMessageA(sizes, CB_GETCOUNT, 0, 0); ++i) {
        std::array<char, 32> entry{};
        SendMessageA(sizes, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
        CharLowerA(entry.data());  // the list is CBS_UPPERCASE, which Windows applies and Wine does not
        entries.emplace_back(entry.data());
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"32 x 32", "60 x 60", "80 x 80"}));
    EXPECT_EQ(SendMessageA(sizes, CB_GETCURSEL, 0, 0), 2);
    ExpectCentredOver(dialog_, main_->Get());
    EXPECT_EQ(GetWindowLongPtrA(dialog_, GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_TRUE(messages_.Messages().empty());

    WriteSettingDword("DefFileName", 5);
    Open();
    EXPECT_EQ(IsDlgButtonChecked(dialog_, IDC_SETUP_DEFAULT_NAMES), static_cast<UINT>(BST_CHECKED));
}

TEST_F(SetupDialogTest, OkRewritesAllFiveValuesRefillsBothListsAndReleasesTheBrushes) {
    WriteSettingDword("DefFileName", 5);
    WriteSettingDword("Thumbs", 1);
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "BMPTool", REG_SZ, "C:\\paint.exe", 13);
    const long gdi_before = LiveGdiObjectCount();
    Open();
    bitmaps_.Write("late.bmp", {1});
    textures_.Write("late.af", {1});
    Press(IDC_SETUP_OK);

    std::map<std::string, StoredValue> stored = StoredSettings();
    const std::map<std::string, std::string> texts = {
        {"Bitmaps", bitmaps_.WithBackslash()}, {"Textures", textures_.WithBackslash()}, {"BMPTool", "C:\\paint.exe"}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(stored[name].type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(stored[name].data.size(), 260u) << name;
        EXPECT_STREQ(reinterpret_cast<const char*>(stored[name].data.data()), text.c_str());
    }
    EXPECT_EQ(stored["DefFileName"].data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(stored["Thumbs"].data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_EQ(ListView_GetItemCount(main_->Item(IDC_BITMAPS_LIST)), 1);
    EXPECT_EQ(ListView_GetItemCount(main_->Item(IDC_TEXTURES_LIST)), 1);
    EXPECT_FALSE(IsWindowVisible(dialog_));
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before);

    Open();
    SendDlgItemMessageA(dialog_, IDC_SETUP_DEFAULT_NAMES, BM_CLICK, 0, 0);
    Press(IDC_SETUP_OK);
    EXPECT_EQ(StoredSettings()["DefFileName"].data, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(SetupDialogTest, AThumbsValueOutsideTheListShowsNoSelectionAndOkStoresMinusOne) {
    WriteSettingDword("Thumbs", 3);
    Open();
    EXPECT_EQ(SendDlgItemMessageA(dialog_, IDC_SETUP_THUMB_SIZE, CB_GETCURSEL, 0, 0), CB_ERR);
    Press(IDC_SETUP_OK);
    EXPECT_EQ(StoredSettings()["Thumbs"].data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(GetThumbs(), 0u);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SetupDialogTest, CancelAndCloseStoreNothingAndReleaseTheBrushes) {
    ScratchFolder elsewhere("setup-elsewhere");
    open_dialog_.answer = "C:\\windows\\notepad.exe";
    for (const auto& [message, wparam] : {std::pair{WM_COMMAND, IDC_SETUP_CANCEL}, {WM_SYSCOMMAND, SC_CLOSE}}) {
        const long gdi_before = LiveGdiObjectCount();
        Open();
        const std::map<std::string, StoredValue> before = StoredSettings();
        browser_.answers = {elsewhere.Path().string(), elsewhere.Path().string()};
        Press(IDC_SETUP_BROWSE_BITMAPS);
        Press(IDC_SETUP_BROWSE_TEXTURES);
        Press(IDC_SETUP_PICK_TOOL);
        SendDlgItemMessageA(dialog_, IDC_SETUP_DEFAULT_NAMES, BM_CLICK, 0, 0);
        SendDlgItemMessageA(dialog_, IDC_SETUP_THUMB_SIZE, CB_SETCURSEL, 2, 0);
        ASSERT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), elsewhere.WithBackslash());

        SendMessageA(dialog_, message, wparam, 0);
        EXPECT_FALSE(IsWindowVisible(dialog_));
        EXPECT_EQ(StoredSettings(), before);
        EXPECT_EQ(LiveGdiObjectCount(), gdi_before);
    }
}

TEST_F(SetupDialogTest, APickedFolderIsAskedForAsTheBrowserWantsAndShownWithOneBackslash) {
    ScratchFolder picked("setup-paint & co");
    Open();
    // An ampersand in a path is shown as itself, not as a mnemonic.
    for (int id : {IDC_SETUP_BITMAPS_FOLDER, IDC_SETUP_TEXTURES_FOLDER, IDC_SETUP_TOOL_PATH}) {
        EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(dialog_, id), GWL_STYLE) & SS_NOPREFIX) << id;
    }
    browser_.answers = {picked.Path().string(), std::nullopt, std::string(kNotAFolder)};
    Press(IDC_SETUP_BROWSE_TEXTURES);
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), picked.WithBackslash());
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), bitmaps_.WithBackslash());
    // A cancelled browse and an item that is no folder on disk change nothing.
    Press(IDC_SETUP_BROWSE_BITMAPS);
    Press(IDC_SETUP_BROWSE_BITMAPS);
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), bitmaps_.WithBackslash());
    EXPECT_TRUE(messages_.Messages().empty());

    ASSERT_EQ(browser_.requests.size(), 3u);
    EXPECT_STREQ(browser_.requests[0].lpszTitle, "Current selected directory:");
}

TEST_F(SetupDialogTest, ADriveRootWorksEndToEndWithOneBackslash) {
    const std::filesystem::path probe = "C:\\lumivane-root-probe.bmp";
    std::ofstream(probe) << 'x';
    Open();
    browser_.answers = {"C:\\"};
    Press(IDC_SETUP_BROWSE_BITMAPS);
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), "C:\\");
    Press(IDC_SETUP_OK);
    std::filesystem::remove(probe);

    EXPECT_STREQ(GetBitmapsFolder(), "C:\\");
    std::array<char, MAX_PATH> probe_text{};
    ListView_GetItemText(main_->Item(IDC_BITMAPS_LIST), 0, 0, probe_text.data(), MAX_PATH);
    EXPECT_STREQ(probe_text.data(), "lumivane-root-probe.bmp");
    EXPECT_TRUE(messages_.Messages().empty());
    // A drive that is not there is still refused.
    WriteSettingString("Bitmaps", "Q:\\");
    std::array<char, MAX_PATH> program_folder{};
    GetProgramFolder(program_folder);
    EXPECT_STREQ(GetBitmapsFolder(), program_folder.data());
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].caption, "Directory error!");
}

TEST_F(SetupDialogTest, AFolderWithNoRoomForItsBackslashIsRefusedAndTheOldTextStays) {
    // Real folders of 258 and 259 characters, side by side.
    ScratchFolder deep("setup-deep");
    std::string parent = deep.Path().string();
    while (parent.size() < 200) {
        parent += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    }
    const std::string fits = parent + "\\" + std::string(258 - parent.size() - 1, 'f');
    const std::string too_long = parent + "\\" + std::string(259 - parent.size() - 1, 'l');
    ASSERT_TRUE(CreateDirectoryA(fits.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(too_long.c_str(), nullptr));

    Open();
    browser_.answers = {fits, too_long};
    Press(IDC_SETUP_BROWSE_BITMAPS);
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), fits + "\\");
    Press(IDC_SETUP_BROWSE_BITMAPS);
    EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), fits + "\\");
    ASSERT_EQ(messages_.Messages().size(), 1u);
    const RecordedMessage& refusal = messages_.Messages()[0];
    EXPECT_EQ(refusal.text, "Selected directory path is too long!\nPlease choose a shorter one.");
    EXPECT_EQ(refusal.caption, "Directory error!");
    EXPECT_EQ(refusal.style, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(refusal.owner, dialog_);

    Press(IDC_SETUP_OK);
    EXPECT_STREQ(reinterpret_cast<const char*>(StoredSettings()["Bitmaps"].data.data()), (fits + "\\").c_str());
    for (const std::string& folder : {too_long, fits}) RemoveDirectoryA(folder.c_str());
    while (parent.size() > deep.Path().string().size()) {
        RemoveDirectoryA(parent.c_str());
        parent.erase(parent.rfind('\\'));
    }
}

// Stands in for the browser window: keeps what the callback sends it.
std::vector<std::tuple<UINT, WPARAM, std::string>> g_sent_to_browser;

LRESULT CALLBACK BrowserStandInProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == BFFM_SETSELECTIONA || message == BFFM_SETSTATUSTEXTA) {
        g_sent_to_browser.emplace_back(message, wparam, reinterpret_cast<const char*>(lparam));
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

TEST_F(SetupDialogTest, TheBrowserIsCentredAtEveryNotificationAndOpensOnTheStoredFolder) {
    WNDCLASSA stand_in_class{};
    stand_in_class.lpfnWndProc = &BrowserStandInProc;
    stand_in_class.hInstance = ProgramInstance();
    stand_in_class.lpszClassName = "LumivaneBrowserStandIn";
    RegisterClassA(&stand_in_class);
    ScratchFolder picked("setup-picked-first");
    std::vector<bool> centred;
    std::vector<int> callback_results;
    browser_.while_open = [&](const BROWSEINFOA& request) {
        HWND browser = CreateWindowExA(0, "LumivaneBrowserStandIn", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200,
                                       nullptr, nullptr, ProgramInstance(), nullptr);
        PIDLIST_ABSOLUTE folder = ItemList(picked.Path().string());
        PIDLIST_ABSOLUTE computer = ItemList(kNotAFolder);
        for (auto [notification, item] : {std::pair{BFFM_INITIALIZED, PIDLIST_ABSOLUTE{}},
                                          {BFFM_SELCHANGED, folder}, {BFFM_SELCHANGED, computer}}) {
            SetWindowPos(browser, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            callback_results.push_back(
                request.lpfn(browser, notification, reinterpret_cast<LPARAM>(item), request.lParam));
            const POINT own = Centre(browser);
            const POINT setup = Centre(dialog_);
            centred.push_back(std::abs(own.x - setup.x) <= 1 && std::abs(own.y - setup.y) <= 1);
        }
        CoTaskMemFree(folder);
        CoTaskMemFree(computer);
        DestroyWindow(browser);
    };
    Open();
    browser_.answers = {picked.Path().string()};
    Press(IDC_SETUP_BROWSE_BITMAPS);
    ASSERT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), picked.WithBackslash());
    g_sent_to_browser.clear();
    Press(IDC_SETUP_BROWSE_BITMAPS);
    Press(IDC_SETUP_BROWSE_TEXTURES);

    using Sent = std::tuple<UINT, WPARAM, std::string>;
    const Sent status{BFFM_SETSTATUSTEXTA, 0, picked.Path().string()};
    EXPECT_EQ(g_sent_to_browser, (std::vector<Sent>{{BFFM_SETSELECTIONA, TRUE, bitmaps_.WithBackslash()}, status,
                                                    {BFFM_SETSELECTIONA, TRUE, textures_.WithBackslash()}, status}));
    EXPECT_EQ(centred, std::vector<bool>(9, true));
    EXPECT_EQ(callback_results, std::vector<int>(9, 0));
    UnregisterClassA("LumivaneBrowserStandIn", ProgramInstance());
}

TEST_F(SetupDialogTest, TheToolPickAsksForAProgramAndShowsItsPath) {
    Open();
    const std::string before = Shown(IDC_SETUP_TOOL_PATH);
    Press(IDC_SETUP_PICK_TOOL);
    EXPECT_EQ(Shown(IDC_SETUP_TOOL_PATH), before);
    open_dialog_.answer = "D:\\Paint Shop\\psp.exe";
    Press(IDC_SETUP_PICK_TOOL);
    EXPECT_EQ(Shown(IDC_SETUP_TOOL_PATH), "D:\\Paint Shop\\psp.exe");

    ASSERT_EQ(open_dialog_.requests.size(), 2u);
    const OPENFILENAMEA& request = open_dialog_.requests[0];
    EXPECT_EQ(open_dialog_.filter,
              std::string("Executable (EXE)\0*.exe\0Executable (COM)\0*.com\0All\0*.*\0\0", 55));
    EXPECT_EQ(request.nMaxFile, 260u);
    EXPECT_STREQ(request.lpstrTitle, "Pick BMP application");
}

TEST_F(SetupDialogTest, ButtonsDrawTheirOwnBitmapsAndStaticsTheDialogColours) {
    Open();
    const long gdi_before = LiveGdiObjectCount();
    ExpectButtonPictures(dialog_, IDC_SETUP_BROWSE_BITMAPS, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED, 63, 31);
    ExpectButtonPictures(dialog_, IDC_SETUP_PICK_TOOL, IDB_BROWSE_NORMAL, IDB_BROWSE_PRESSED, 63, 31);
    ExpectButtonPictures(dialog_, IDC_SETUP_OK, IDB_SETUP_OK_NORMAL, IDB_SETUP_OK_PRESSED, 75, 47);
    ExpectButtonPictures(dialog_, IDC_SETUP_CANCEL, IDB_SETUP_CANCEL_NORMAL, IDB_SETUP_CANCEL_PRESSED, 75, 47);
    EXPECT_EQ(LiveGdiObjectCount(), gdi_before);

    WindowDC screen(nullptr);
    MemoryDC dc(screen.Get());
    SendMessageA(dialog_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()), 0);
    EXPECT_EQ(GetBkColor(dc.Get()), RGB(244, 237, 176));
    EXPECT_EQ(GetTextColor(dc.Get()), RGB(0, 0, 0));
}

TEST_F(SetupDialogTest, TheSetupButtonRunsTheModalDialogAndAChangedTexturesFolderFillsItsList) {
    ScratchFolder new_textures("setup-new-textures");
    new_textures.Write("cessna.af", std::vector<unsigned char>(65536, 0));
    new_textures.Write("piper.oaf", std::vector<unsigned char>(65536, 0));
    browser_.answers = {new_textures.Path().string()};
    HWND setup = nullptr;
    bool owner_disabled = false;
    {
        WindowUser user(20, [&](HWND window) {
            if (setup || GetWindow(window, GW_OWNER) != main_->Get()) return;
            setup = window;
            owner_disabled = !IsWindowEnabled(main_->Get());
            SendMessageA(window, WM_COMMAND, IDC_SETUP_BROWSE_TEXTURES, 0);
            SendMessageA(window, WM_COMMAND, IDC_SETUP_OK, 0);
        });
        SendMessageA(main_->Get(), WM_COMMAND, IDC_SETUP, 0);
    }
    ASSERT_NE(setup, nullptr);
    EXPECT_TRUE(owner_disabled);
    EXPECT_FALSE(IsWindow(setup));
    EXPECT_STREQ(GetTexturesFolder(), new_textures.WithBackslash().c_str());
    EXPECT_EQ(ListView_GetItemCount(main_->Item(IDC_TEXTURES_LIST)), 2);
}

std::string TreeSelection(HWND browser) {
    HWND tree = FindWindowExA(browser, nullptr, WC_TREEVIEWA, nullptr);
    std::array<char, MAX_PATH> text{};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = tree ? TreeView_GetSelection(tree) : nullptr;
    item.pszText = text.data();
    item.cchTextMax = MAX_PATH;
    if (item.hItem) SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return text.data();
}

TEST_F(SetupDialogTest, TheRealShellDialogsAcceptTheirRequests) {
    SetFolderBrowser(nullptr);
    SetOpenDialog(nullptr);
    // Wine's browser may not find a folder made a moment ago; this one is old.
    WriteSettingString("Textures", "C:\\windows\\system32\\");
    Open();
    SetDlgItemTextA(dialog_, IDC_SETUP_TEXTURES_FOLDER, "changed");
    std::vector<HWND> answered;
    std::vector<std::string> titles;
    bool browser_centred = false;
    int ticks = 0;
    {
        WindowUser user(200, [&](HWND window) {
            std::array<char, 16> class_name{};
            GetClassNameA(window, class_name.data(), static_cast<int>(class_name.size()));
            if (window == dialog_ || window == main_->Get() || std::string(class_name.data()) != "#32770" ||
                std::find(answered.begin(), answered.end(), window) != answered.end()) {
                return;
            }
            // The browser is answered once it shows the folder it was asked to open on.
            const bool browser = GetWindow(window, GW_OWNER) == dialog_;
            if (browser && TreeSelection(window) != "system32" && ++ticks < 25) return;
            answered.push_back(window);
            titles.push_back(Text(window));
            if (browser) browser_centred = std::abs(Centre(window).x - Centre(dialog_).x) <= 1;
            PostMessageA(window, WM_COMMAND, browser ? IDOK : IDCANCEL, 0);
        });
        Press(IDC_SETUP_PICK_TOOL);
        // OK in the real browser takes the folder it opened on: the stored one.
        Press(IDC_SETUP_BROWSE_TEXTURES);
    }
    SetFolderBrowser(&browser_);
    SetOpenDialog(&open_dialog_);

    ASSERT_EQ(titles.size(), 2u);
    EXPECT_EQ(titles[0], "Pick BMP application");
    EXPECT_TRUE(browser_centred);
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), "C:\\windows\\system32\\");
}

}  // namespace
