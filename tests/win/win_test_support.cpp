#include "tests/win/win_test_support.h"
#include <commctrl.h>
#include "app/companion_library.h"
#include "app/main_window.h"
#include "platform/guards.h"
#include "platform/message_box.h"
#include "platform/list_item_text.h"
#include "platform/program_instance.h"
#include "settings/settings_store.h"
#include "core/palette_source.h"
#include "tests/win/pixel_capture.h"

MessageRecorder::MessageRecorder() {
    SetMessageBoxStandIn([this](HWND owner, const std::string& text, const std::string& caption, unsigned style) {
        messages_.push_back({text, caption, style, owner});
        if (seeing) seeing();
        if (answers_.empty()) return IDOK;
        const int answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

MessageRecorder::~MessageRecorder() { SetMessageBoxStandIn(nullptr); }

CleanSettingsKey::CleanSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

CleanSettingsKey::~CleanSettingsKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey); }

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) texts.emplace_back(ListItemText(list, i).data());
    return texts;
}

UINT SystemMenuCommand(HWND window, std::string_view text) {
    HMENU menu = GetSystemMenu(window, FALSE);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char entry[64] = {};
        GetMenuStringA(menu, i, entry, sizeof entry, MF_BYPOSITION);
        if (text == entry) return GetMenuItemID(menu, i);
    }
    return 0;
}

void SetItemState(HWND list, int index, UINT state) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::optional<std::vector<unsigned char>> ClipboardBlock(UINT format) {
    const OpenedClipboard clipboard(nullptr);
    HANDLE block = clipboard ? GetClipboardData(format) : nullptr;
    if (!block) return std::nullopt;
    const LockedGlobal locked(block);
    return std::vector<unsigned char>(locked.Bytes().begin(), locked.Bytes().end());
}

bool PutOnClipboard(HWND owner, UINT format, std::span<const std::uint8_t> bytes) {
    {
        const OpenedClipboard clipboard(owner);
        if (!clipboard) return false;
        EmptyClipboard();
        if (!bytes.empty()) {
            OwnedGlobal block = CopyToGlobal(bytes);
            if (block && SetClipboardData(format, block.Get())) block.Release();
        }
    }
    PumpMessages();
    return true;
}

StoredValue ReadStoredValue(const char* name) {
    StoredValue value;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) return value;
    value.data.resize(size);
    value.present = RegQueryValueExA(key.Get(), name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
    return value;
}

void PumpMessages() {
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
}

bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        PumpMessages();
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)), QS_ALLINPUT);
    }
}

void EnsureCompanionLibrary() {
    LoadCompanionLibrary();
    QueryPaletteId();  // as the program's start does, whatever an earlier test set
    UseCompanionPalette();
}

MainWindowUnderTest::MainWindowUnderTest() {
    // As the program's start does; the window asks the library for the
    // palette id itself.
    LoadCompanionLibrary();
    UseCompanionPalette();
    window_ = CreateDialogParamA(ProgramInstance(), kMainDialogTemplate, nullptr, &MainDialogProc, 0);
    PumpMessages();
}

MainWindowUnderTest::~MainWindowUnderTest() {
    // The window releases what it holds, the companion library too, which
    // the next main window loads again.
    if (window_) DestroyWindow(window_);
    PumpMessages();
}

namespace {

// The act of the window user now playing; one plays at a time.
std::function<void(HWND)> g_user_act;

BOOL CALLBACK VisitWindow(HWND window, LPARAM) {
    if (g_user_act && IsWindowVisible(window)) g_user_act(window);
    return TRUE;
}

void CALLBACK UserTick(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), &VisitWindow, 0); }

}  // namespace

WindowUser::WindowUser(UINT period, std::function<void(HWND)> act) {
    g_user_act = std::move(act);
    timer_ = SetTimer(nullptr, 0, period, &UserTick);
}

WindowUser::~WindowUser() {
    KillTimer(nullptr, timer_);
    g_user_act = nullptr;
}

void TakeWayOut(HWND dialog, WayOut way) {
    if (way.message != WM_KEYDOWN && way.message != WM_SYSKEYDOWN) {
        PostMessageA(dialog, way.message, way.wparam, 0);
        return;
    }
    // As the keyboard sends it: to the focused control, Alt in bit 29, key up after key down.
    HWND focus = GetFocus() ? GetFocus() : dialog;
    const LPARAM alt = way.message == WM_SYSKEYDOWN ? (LPARAM{1} << 29) : 0;
    PostMessageA(focus, way.message, way.wparam, 1 | alt);
    PostMessageA(focus, way.message + 1, way.wparam, 1 | alt | (LPARAM{3} << 30));
}

ModalRun RunModal(const std::function<void()>& open, const std::function<bool(HWND)>& is_dialog,
                  const std::function<void(HWND)>& act) {
    ModalRun run;
    int ticks = 0;
    {
        WindowUser user(30, [&](HWND window) {
            if (!is_dialog(window) || (run.dialog && window != run.dialog)) return;
            if (++ticks == 1) {
                run.dialog = window;
                run.owner_disabled = !IsWindowEnabled(GetWindow(window, GW_OWNER));
                run.live_gdi_while_open = LiveGdiObjectCount();
                act(window);
            } else if (ticks == 6) {
                EndDialog(window, 2);
            }
        });
        open();
    }
    run.ended_by_act = run.dialog && ticks < 6;
    return run;
}

WindowTest::WindowTest() : gdi_at_start_(LiveGdiObjectCount()) {
    WriteSettingString("Bitmaps", bitmaps_.WithBackslash());
    WriteSettingString("Textures", textures_.WithBackslash());
}

WindowTest::~WindowTest() {
    main_.reset();
    EXPECT_EQ(LiveGdiObjectCount(), gdi_at_start_) << "GDI objects left behind";
}

void WindowTest::StartMainWindow() {
    main_ = std::make_unique<MainWindowUnderTest>();
    messages_.Clear();
}

std::array<std::uint8_t, 1024> CompanionPalette() {
    std::array<std::uint8_t, 1024> palette{};
    EnsureCompanionLibrary();
    LoadTexturePalette(palette);
    return palette;
}

std::uint32_t PaletteColour(int index) {
    const std::array<std::uint8_t, 1024> palette = CompanionPalette();
    return (palette[index * 4 + 2] << 16) | (palette[index * 4 + 1] << 8) | palette[index * 4];
}

int CubeIndex(int red_level, int green_level, int blue_level) { return red_level * 36 + green_level * 6 + blue_level; }

std::uint32_t CubeColour(int red_level, int green_level, int blue_level) {
    return (red_level * 51 << 16) | (green_level * 51 << 8) | blue_level * 51;
}

std::uint32_t ColourAt(HWND window, int x, int y) { return Rgb(GetPixel(WindowDC(window).Get(), x, y)); }
