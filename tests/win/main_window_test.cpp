// The main window under Wine: what it starts with, and every way out of it
// and of the dialogs its buttons run modally.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/companion_library.h"
#include "app/main_window.h"
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"
#include "skin/main_skin.h"
#include "tests/win/pixel_capture.h"
#include "tests/win/win_test_support.h"

namespace {

class MainWindowTest : public WindowTest {};

// The threads of this process: the folders' watcher is one while the window is open.
int ThreadCount() {
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more; more = Thread32Next(snapshot.Get(), &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    return count;
}

// A control found once is not answered again once it has gone, moved to
// another window or taken another id.
TEST(DialogItemTest, AnswersWhatGetDlgItemWouldAfterTheControlIsReplacedMovedOrRenumbered) {
    auto window = [](HWND parent, int id) {
        return CreateWindowExA(0, "STATIC", "", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND dialog = window(nullptr, 0), other = window(nullptr, 0);
    HWND first = window(dialog, 7);
    EXPECT_EQ(DialogItem(dialog, 7), first);
    EXPECT_EQ(DialogItem(dialog, 8), nullptr);
    DestroyWindow(first);
    EXPECT_EQ(DialogItem(dialog, 7), nullptr);
    HWND second = window(dialog, 7);
    EXPECT_EQ(DialogItem(dialog, 7), second);
    SetParent(second, other);
    EXPECT_EQ(DialogItem(dialog, 7), nullptr);
    EXPECT_EQ(DialogItem(other, 7), second);
    SetWindowLongPtrA(second, GWLP_ID, 9);
    EXPECT_EQ(DialogItem(other, 7), nullptr);
    EXPECT_EQ(DialogItem(other, 9), second);
    DestroyWindow(other);
    DestroyWindow(dialog);
}

TEST_F(MainWindowTest, StartsWithTheConvertButtonsDisabledAndTheListsFilledInOrder) {
    for (const char* name : {"zeta.bmp", "alpha.bmp", "notes.txt"}) bitmaps_.Write(name, {1});
    std::filesystem::create_directory(bitmaps_.Path() / "old.bmp");
    for (const char* name : {"plane.oaf", "plane.raf", "plane.af", "plane.bmp"}) textures_.Write(name, {1});
    SetPaletteId(0);
    // The dialog class, and so its icon, is the whole process's: an earlier
    // main window's icon is taken away first.
    HWND probe = CreateWindowA("#32770", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(probe, nullptr);
    SetClassLongPtrA(probe, GCLP_HICON, 0);
    DestroyWindow(probe);
    main_ = std::make_unique<MainWindowUnderTest>();

    EXPECT_FALSE(IsWindowEnabled(Item(IDC_AF_TO_BMP)));
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_BMP_TO_AF)));
    EXPECT_EQ(ListTexts(Item(IDC_BITMAPS_LIST)), (std::vector<std::string>{"alpha.bmp", "old.bmp", "zeta.bmp"}));
    EXPECT_EQ(ListTexts(Item(IDC_TEXTURES_LIST)), (std::vector<std::string>{"plane.af", "plane.oaf", "plane.raf"}));
    EXPECT_EQ(PaletteId(), 98u);
    EXPECT_NE(GetClassLongPtrA(Main(), GCLP_HICON), 0);
    EXPECT_TRUE(messages_.Messages().empty());

    // A repaint brings back what covered the background, which is not erased
    // first: the paint itself must reach every pixel.
    RECT client{};
    GetClientRect(Main(), &client);
    const int x = 2, y = client.bottom - 3;
    ASSERT_EQ(ChildWindowFromPointEx(Main(), POINT{x, y}, CWP_SKIPINVISIBLE), Main());
    UpdateWindow(Main());
    const std::uint32_t shown = ColourAt(Main(), x, y);
    constexpr COLORREF kCover = RGB(255, 0, 255);
    ASSERT_NE(shown, Rgb(kCover));
    SetPixel(WindowDC(Main()).Get(), x, y, kCover);
    ASSERT_EQ(ColourAt(Main(), x, y), Rgb(kCover));
    RedrawWindow(Main(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(ColourAt(Main(), x, y), shown);
}

// Where no file can be made in the first start's folders (the program folder
// under C:\Program Files, say), the window says so once, over itself, and
// opens Setup; the next start says nothing.
TEST_F(MainWindowTest, AFirstStartInAFolderThatCannotBeWrittenSaysSoOnceAndOpensSetup) {
    // Wine's drive Z: is the root of the file system, and in /proc not even root makes a file.
    if (!IsExistingFolder("Z:\\proc\\1")) GTEST_SKIP() << "no /proc on drive Z:";
    const CleanSettingsKey first_start;
    EnsureCompanionLibrary();
    HWND window = CreateDialogParamA(ProgramInstance(), kMainDialogTemplate, nullptr, &MainDialogProc, 0);
    ASSERT_NE(window, nullptr);
    // The check waits in the queue for the shown window; by then the folder is one no one can write.
    WriteSettingString("Textures", "Z:\\proc\\1\\");
    const ModalRun run = RunModal(
        [] { PumpMessages(); }, [&](HWND dialog) { return GetWindow(dialog, GW_OWNER) == window; },
        [](HWND dialog) { TakeWayOut(dialog, {WM_COMMAND, IDC_SETUP_CANCEL}); });
    EXPECT_NE(run.dialog, nullptr) << "Setup did not open";
    ASSERT_EQ(messages_.Messages().size(), 1u);
    ExpectMessage(messages_.Messages()[0], "Cannot write to directory: Z:\\proc\\1\\\nPlease choose your Bitmaps and Textures directories in Setup!",
                  "Directory error!", MB_OK | MB_ICONWARNING, "", window);
    DestroyWindow(window);
    PumpMessages();
    messages_.Clear();
    // Were the next start taken for a first, Setup would open again. Setup is
    // known by a control of its own: its Cancel shares its id with the main
    // window's Exit, and the main window may already show while it starts.
    const ModalRun next = RunModal([&] { main_ = std::make_unique<MainWindowUnderTest>(); },
                                   [](HWND dialog) { return GetDlgItem(dialog, IDC_SETUP_THUMB_SIZE) != nullptr; },
                                   [](HWND dialog) { TakeWayOut(dialog, {WM_COMMAND, IDC_SETUP_CANCEL}); });
    EXPECT_EQ(next.dialog, nullptr) << "Setup opened on the next start";
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(MainWindowTest, ExitCloseAndAltF4EndItWithOneAndReleaseEverythingEnterAndEscapeDoNot) {
    textures_.Write("plane.af", std::vector<unsigned char>(65536, 7));
    const struct {
        const char* name;
        WayOut way;
        bool ends;
    } rows[] = {
        {"Exit button", {WM_COMMAND, IDC_EXIT}, true},
        {"Close", kClose, true},
        {"Alt+F4", kAltF4, true},
        {"Enter", kEnter, false},
        {"Escape", kEscape, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EnsureCompanionLibrary();
        const long live_before = LiveGdiObjectCount();
        const int threads_before = ThreadCount();
        int threads_open = 0;
        bool previewed = false;
        INT_PTR result = 0;
        const ModalRun run = RunModal(
            [&] { result = DialogBoxParamA(ProgramInstance(), kMainDialogTemplate, nullptr, &MainDialogProc, 0); },
            [](HWND window) { return GetDlgItem(window, IDC_TEXTURES_LIST) != nullptr; },
            [&](HWND window) {
                // The panes hold a picture the way out must release too.
                SetItemState(GetDlgItem(window, IDC_TEXTURES_LIST), 0, LVIS_SELECTED | LVIS_FOCUSED);
                previewed = IsWindowEnabled(GetDlgItem(window, IDC_AF_TO_BMP)) != FALSE;
                threads_open = ThreadCount();
                TakeWayOut(window, row.way);
            });
        EXPECT_EQ(run.ended_by_act, row.ends);
        EXPECT_EQ(result, row.ends ? 1 : 2);
        EXPECT_TRUE(previewed);
        EXPECT_FALSE(IsWindow(run.dialog));
        EXPECT_EQ(LiveGdiObjectCount(), live_before);
        EXPECT_EQ(threads_open, threads_before + 1) << "the folders' watcher";
        EXPECT_EQ(ThreadCount(), threads_before) << "the watcher ended with the window";
        EXPECT_EQ(CompanionLibrary(), nullptr);
    }
    EnsureCompanionLibrary();
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(MainWindowTest, SetupAndAboutRunModalAndEveryWayOutReleasesTheirObjectsButOnlyOkStores) {
    ScratchFolder picked("setup-picked");
    picked.Write("cessna.af", std::vector<unsigned char>(65536, 0));
    picked.Write("piper.oaf", std::vector<unsigned char>(65536, 0));
    StartMainWindow();
    const struct {
        const char* name;
        int button;
        WayOut way;
        bool ends;
        bool stores;
    } rows[] = {
        {"About, Enter", IDC_ABOUT, kEnter, true, false},
        {"About, Escape", IDC_ABOUT, kEscape, false, false},
        {"About, Alt+F4", IDC_ABOUT, kAltF4, true, false},
        {"About, Close", IDC_ABOUT, kClose, true, false},
        {"Setup, Enter", IDC_SETUP, kEnter, false, false},
        {"Setup, Escape", IDC_SETUP, kEscape, false, false},
        {"Setup, Alt+F4", IDC_SETUP, kAltF4, true, false},
        {"Setup, Close", IDC_SETUP, kClose, true, false},
        {"Setup, Cancel", IDC_SETUP, {WM_COMMAND, IDC_SETUP_CANCEL}, true, false},
        {"Setup, OK", IDC_SETUP, {WM_COMMAND, IDC_SETUP_OK}, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const long live_before = LiveGdiObjectCount();
        StoredValue textures_before;
        const ModalRun run = RunModal([&] { SendMessageA(Main(), WM_COMMAND, row.button, 0); },
                                      [&](HWND window) { return GetWindow(window, GW_OWNER) == Main(); },
                                      [&](HWND dialog) {
                                          textures_before = ReadStoredValue("Textures");
                                          SetDlgItemTextA(dialog, IDC_SETUP_TEXTURES_FOLDER,
                                                          picked.WithBackslash().c_str());
                                          TakeWayOut(dialog, row.way);
                                      });
        ASSERT_NE(run.dialog, nullptr) << "no dialog was shown";
        EXPECT_TRUE(run.owner_disabled);
        EXPECT_GT(run.live_gdi_while_open, live_before);
        EXPECT_EQ(run.ended_by_act, row.ends);
        EXPECT_FALSE(IsWindow(run.dialog));
        EXPECT_TRUE(IsWindowEnabled(Main()));
        EXPECT_EQ(LiveGdiObjectCount(), live_before);
        // The About box borrows the main window's two fonts, which stay the main window's.
        for (HFONT font : {MainBannerFont(Main()), MainTitleFont(Main())}) {
            LOGFONTA alive{};
            EXPECT_TRUE(GetObjectA(font, sizeof alive, &alive));
        }
        // OK stores the folder shown and fills the list from it.
        EXPECT_EQ(ReadStoredValue("Textures") == textures_before, !row.stores);
        EXPECT_EQ(ListView_GetItemCount(Item(IDC_TEXTURES_LIST)), row.stores ? 2 : 0);
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

}  // namespace
