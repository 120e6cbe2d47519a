// The Setup dialog created modeless over the real main window, with the
// folder browser and the Open dialog scripted, and once with the real ones.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "core/native_path.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "settings/setup_dialog.h"
#include "settings/shell_dialogs.h"
#include "tests/win/win_test_support.h"

namespace {

constexpr char kNotAFolder[] = "<My Computer>";  // an item with no file-system path

// An item list from the shell's allocator, as the browser returns it.
PIDLIST_ABSOLUTE ItemList(const std::string& path) {
    PIDLIST_ABSOLUTE item = nullptr;
    if (path == kNotAFolder) {
        SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &item);
    } else {
        SHParseDisplayName(NativePath(path).c_str(), nullptr, &item, 0, nullptr);
    }
    return item;
}

// What the folder browse callback sent the browser: the message and its text.
std::vector<std::pair<UINT, std::string>> g_sent_to_browser;

LRESULT CALLBACK KeepWhatIsSent(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
    if (message != BFFM_SETSELECTIONA && message != BFFM_SETSTATUSTEXTA) {
        return DefSubclassProc(window, message, wparam, lparam);
    }
    g_sent_to_browser.emplace_back(message, reinterpret_cast<const char*>(lparam));
    return 0;
}

bool CentredOver(HWND window, HWND reference) {
    RECT own{};
    RECT other{};
    GetWindowRect(window, &own);
    GetWindowRect(reference, &other);
    return std::abs((own.left + own.right) - (other.left + other.right)) <= 2 &&
           std::abs((own.top + own.bottom) - (other.top + other.bottom)) <= 2;
}

// Answers each browse with the path set (nothing: cancelled). While it is open a
// stand-in browser window, put off-centre each time, gets the notifications
// of the real browser: initialised, then the answer selected.
struct ScriptedFolderBrowser final : FolderBrowser {
    ScriptedFolderBrowser() : previous(SetFolderBrowser(this)) {}
    ~ScriptedFolderBrowser() override { SetFolderBrowser(previous); }
    PIDLIST_ABSOLUTE Browse(BROWSEINFOA& request) override {
        EXPECT_STREQ(request.lpszTitle, "Current selected directory:");
        PIDLIST_ABSOLUTE item = answer ? ItemList(*answer) : nullptr;
        HWND browser = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr,
                                       nullptr, nullptr);
        SetWindowSubclass(browser, &KeepWhatIsSent, 1, 0);
        const std::pair<UINT, PIDLIST_ABSOLUTE> notifications[] = {{BFFM_INITIALIZED, nullptr}, {BFFM_SELCHANGED, item}};
        for (auto [notification, selected] : notifications) {
            SetWindowPos(browser, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
            EXPECT_EQ(request.lpfn(browser, notification, reinterpret_cast<LPARAM>(selected), request.lParam), 0);
            EXPECT_TRUE(CentredOver(browser, request.hwndOwner)) << "after notification " << notification;
        }
        RemoveWindowSubclass(browser, &KeepWhatIsSent, 1);
        DestroyWindow(browser);
        return item;
    }
    FolderBrowser* previous;
    std::optional<std::string> answer;
};

struct ScriptedOpenDialog final : OpenDialog {
    ScriptedOpenDialog() : previous(SetOpenDialog(this)) {}
    ~ScriptedOpenDialog() override { SetOpenDialog(previous); }
    BOOL Open(OPENFILENAMEA& request) override {
        const char* end = request.lpstrFilter;
        while (end[0] || end[1]) ++end;
        filter.assign(request.lpstrFilter, end + 2);
        if (!answer) return FALSE;
        answer->copy(request.lpstrFile, request.nMaxFile - 1);
        return TRUE;
    }
    OpenDialog* previous;
    std::optional<std::string> answer;
    std::string filter;
};

std::string Text(HWND window) {
    std::array<char, 512> text{};
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

class SetupDialogTest : public WindowTest {
protected:
    // The dialog goes with the main window that owns it.
    void SetUp() override { StartMainWindow(); }
    void Open() {
        if (dialog_) DestroyWindow(dialog_);
        dialog_ = CreateDialogParamA(ProgramInstance(), kSetupDialogTemplate, Main(), &SetupDialogProc, 0);
        ASSERT_NE(dialog_, nullptr);
    }
    void Press(int id) { SendMessageA(dialog_, WM_COMMAND, id, 0); }
    std::string Shown(int id) { return Text(GetDlgItem(dialog_, id)); }

    ScriptedFolderBrowser browser_;
    ScriptedOpenDialog open_dialog_;
    HWND dialog_ = nullptr;
};

TEST_F(SetupDialogTest, OkRewritesAllSevenSettingsAsTheDialogOpenedOnThem) {
    const std::pair<const char*, std::string> texts[] = {
        {"Bitmaps", bitmaps_.WithBackslash()}, {"Textures", textures_.WithBackslash()}, {"BMPTool", "C:\\paint.exe"}};
    // What Setup opens on is what OK stores: the texts shown, the check boxes and the size selected.
    // Smooth scaling and dithering that are missing show as off; any other number but 0 as on.
    const std::vector<BYTE> off{0, 0, 0, 0}, on{1, 0, 0, 0};
    const struct {
        DWORD def_file_name;
        DWORD thumbs;
        std::optional<DWORD> smooth, dither;  // nothing: no such value
        bool click;                           // each check box once
        std::vector<BYTE> stored_def_file_name;
        std::vector<BYTE> stored_thumbs;
        std::vector<BYTE> stored_smooth, stored_dither;
    } rows[] = {
        {0, 2, std::nullopt, std::nullopt, false, off, {2, 0, 0, 0}, off, off},
        {5, 3, 7, 1, false, on, {0xFF, 0xFF, 0xFF, 0xFF}, on, on},  // no size selected: -1
        {5, 1, 1, std::nullopt, true, off, {1, 0, 0, 0}, off, on},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "DefFileName " << row.def_file_name << ", Thumbs " << row.thumbs);
        // Texts as long as another program may leave them: OK writes each again, ending at its zero.
        for (const auto& [name, text] : texts) {
            std::vector<char> padded(MAX_PATH, 'x');
            text.copy(padded.data(), text.size());
            padded[text.size()] = '\0';
            RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, REG_SZ, padded.data(), MAX_PATH);
        }
        WriteSettingDword("DefFileName", row.def_file_name);
        WriteSettingDword("Thumbs", row.thumbs);
        for (const auto& [name, value] : {std::pair{"Smooth", row.smooth}, {"Dither", row.dither}}) {
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name);
            if (value) WriteSettingDword(name, *value);
        }
        Open();
        for (int check_box : {IDC_SETUP_DEFAULT_NAMES, IDC_SETUP_SMOOTH, IDC_SETUP_DITHER}) {
            if (row.click) SendDlgItemMessageA(dialog_, check_box, BM_CLICK, 0, 0);
        }
        Press(IDC_SETUP_OK);
        for (const auto& [name, text] : texts) {
            const StoredValue stored = ReadStoredValue(name);
            EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ)) << name;
            EXPECT_EQ(stored.data.size(), text.size() + 1) << name;
            EXPECT_STREQ(reinterpret_cast<const char*>(stored.data.data()), text.c_str());
        }
        EXPECT_EQ(ReadStoredValue("DefFileName").data, row.stored_def_file_name);
        EXPECT_EQ(ReadStoredValue("Thumbs").data, row.stored_thumbs);
        EXPECT_EQ(ReadStoredValue("Smooth").data, row.stored_smooth);
        EXPECT_EQ(ReadStoredValue("Dither").data, row.stored_dither);
        EXPECT_EQ(ReadStoredValue("Dither").type, static_cast<DWORD>(REG_DWORD));
    }
    std::vector<std::string> sizes;
    for (int i = 0; i < SendDlgItemMessageA(dialog_, IDC_SETUP_THUMB_SIZE, CB_GETCOUNT, 0, 0); ++i) {
        std::array<char, 32> entry{};
        SendDlgItemMessageA(dialog_, IDC_SETUP_THUMB_SIZE, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
        CharLowerA(entry.data());  // the list is CBS_UPPERCASE, which Windows applies and Wine does not
        sizes.emplace_back(entry.data());
    }
    EXPECT_EQ(sizes, (std::vector<std::string>{"32 x 32", "60 x 60", "80 x 80"}));
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SetupDialogTest, ABrowseOpensOnTheStoredFolderAndThePickIsShownWithOneBackslash) {
    // Real folders of 258 and 259 characters: only the first leaves room for the backslash.
    ScratchFolder picked("setup-paint & co");
    std::string parent = picked.Path().string();
    while (parent.size() < 200) {
        parent += "\\" + std::string(40, 'd');
        ASSERT_TRUE(CreateDirectoryA(parent.c_str(), nullptr));
    }
    const std::string fits = parent + "\\" + std::string(258 - parent.size() - 1, 'f');
    const std::string too_long = parent + "\\" + std::string(259 - parent.size() - 1, 'l');
    ASSERT_TRUE(CreateDirectoryA(fits.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(too_long.c_str(), nullptr));
    const struct {
        std::optional<std::string> answer;
        std::string shown;
        bool refused;
    } rows[] = {
        {picked.Path().string(), picked.WithBackslash(), false},
        {std::nullopt, picked.WithBackslash(), false},  // cancelled
        {kNotAFolder, picked.WithBackslash(), false},
        {"C:\\", "C:\\", false},  // a drive's root comes with its backslash
        {fits, fits + "\\", false},
        {too_long, fits + "\\", true},
    };
    Open();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.answer.value_or("cancelled"));
        g_sent_to_browser.clear();
        messages_.Clear();
        browser_.answer = row.answer;
        Press(IDC_SETUP_BROWSE_BITMAPS);
        EXPECT_EQ(Shown(IDC_SETUP_BITMAPS_FOLDER), row.shown);
        // The browser opens on the stored folder, not on the one picked before, and
        // shows the path of a selected folder as its status.
        std::vector<std::pair<UINT, std::string>> sent = {{BFFM_SETSELECTIONA, bitmaps_.WithBackslash()}};
        if (row.answer && *row.answer != kNotAFolder) sent.emplace_back(BFFM_SETSTATUSTEXTA, *row.answer);
        EXPECT_EQ(g_sent_to_browser, sent);
        ASSERT_EQ(messages_.Messages().size(), row.refused ? 1u : 0u);
    }
    ExpectMessage(messages_.Messages()[0], "Selected directory path is too long!\nPlease choose a shorter one.", "Directory error!",
                  MB_OK | MB_ICONWARNING, "", dialog_);
}

// A folder named in three scripts goes through the browser, OK and the
// registry, and comes back from its getter and in Setup opened again.
TEST_F(SetupDialogTest, AFolderNamedInAnyScriptSurvivesTheRoundTrip) {
    ScratchFolder picked("setup-" + kNamesInThreeScripts[0] + kNamesInThreeScripts[1] + kNamesInThreeScripts[2]);
    Open();
    browser_.answer = NarrowText(picked.Path());
    Press(IDC_SETUP_BROWSE_TEXTURES);
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), picked.WithBackslash());
    Press(IDC_SETUP_OK);
    EXPECT_EQ(std::string(FolderOf(Side::Textures).data()), picked.WithBackslash());
    Open();
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), picked.WithBackslash());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SetupDialogTest, TheToolPickAsksForAProgramAndShowsItsPath) {
    Open();
    EXPECT_TRUE(CentredOver(dialog_, Main()));
    const std::string before = Shown(IDC_SETUP_TOOL_PATH);
    Press(IDC_SETUP_PICK_TOOL);
    EXPECT_EQ(Shown(IDC_SETUP_TOOL_PATH), before);
    open_dialog_.answer = "D:\\Paint Shop\\psp.exe";
    Press(IDC_SETUP_PICK_TOOL);
    EXPECT_EQ(Shown(IDC_SETUP_TOOL_PATH), "D:\\Paint Shop\\psp.exe");
    EXPECT_EQ(open_dialog_.filter, std::string("Executable (EXE)\0*.exe\0Executable (COM)\0*.com\0All\0*.*\0\0", 55));
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
    int ticks = 0;
    {
        WindowUser user(200, [&](HWND window) {
            std::array<char, 16> class_name{};
            GetClassNameA(window, class_name.data(), static_cast<int>(class_name.size()));
            if (window == dialog_ || window == Main() || std::string(class_name.data()) != "#32770" ||
                std::find(answered.begin(), answered.end(), window) != answered.end()) {
                return;
            }
            // The browser is answered once it shows the folder it was asked to open on.
            const bool browser = GetWindow(window, GW_OWNER) == dialog_;
            if (browser && TreeSelection(window) != "system32" && ++ticks < 25) return;
            answered.push_back(window);
            titles.push_back(Text(window));
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
    EXPECT_EQ(Shown(IDC_SETUP_TEXTURES_FOLDER), "C:\\windows\\system32\\");
}

}  // namespace
