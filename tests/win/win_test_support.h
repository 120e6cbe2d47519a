// What the Windows tests share: test pictures in the texture palette and the
// colours windows show, a message recorder that scripts answers and
// records questions, a clean settings key, scratch folders, the clipboard,
// the real main window created modeless in-process, and a user that plays
// the modal loops.
#pragma once
#include <windows.h>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "core/uncopyable.h"
#include "tests/unit/message_check.h"
#include "tests/unit/test_files.h"

// File names outside any one code page, as UTF-8 bytes: Cyrillic, Greek and Japanese.
inline const std::string kNamesInThreeScripts[] = {"\xD1\x82\xD0\xB5\xD1\x81\xD1\x82",
                                                   "\xCF\x80\xCF\x84\xCE\xAE\xCF\x83\xCE\xB7",
                                                   "\xE9\xA3\x9B\xE8\xA1\x8C\xE6\xA9\x9F"};

// Answers message boxes from a script (IDOK when the script is empty) and
// keeps every question asked while it is in place; seeing, when set, looks
// at the screen as each box would show.
class MessageRecorder : Uncopyable {
public:
    MessageRecorder();
    ~MessageRecorder();
    void QueueAnswer(int answer) { answers_.push_back(answer); }
    const std::vector<ShownMessage>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }
    std::function<void()> seeing;

private:
    std::deque<int> answers_;
    std::vector<ShownMessage> messages_;
};

// Deletes the program's settings key now and again when it goes.
struct CleanSettingsKey {
    CleanSettingsKey();
    ~CleanSettingsKey();
};

// The texts of a list view's items, in their order.
std::vector<std::string> ListTexts(HWND list);
// The command of the window's system menu entry of that text, 0 when there is none.
UINT SystemMenuCommand(HWND window, std::string_view text);
// Sets the selection and focus of an item (-1: every item) as a click would.
void SetItemState(HWND list, int index, UINT state);
// The block of the format on the clipboard, or nothing when there is none.
std::optional<std::vector<unsigned char>> ClipboardBlock(UINT format);
// Empties the clipboard, then gives it a copy of bytes in the format (nothing
// when bytes is empty); false when the clipboard could not be opened.
bool PutOnClipboard(HWND owner, UINT format, std::span<const std::uint8_t> bytes);
// A value of the settings key byte for byte as stored (present false when missing).
struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool present = false;
    bool operator==(const StoredValue&) const = default;
};
StoredValue ReadStoredValue(const char* name);
// Dispatches pending messages of this thread.
void PumpMessages();
// Dispatches messages as they come until done() holds or the time is up;
// whether done() held.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds);

// The real main dialog, from its own template and procedure, created modeless
// so the test can send it messages. The settings it reads are the test's.
// Destroying it frees the companion library, as the program's exit does.
class MainWindowUnderTest : Uncopyable {
public:
    MainWindowUnderTest();
    ~MainWindowUnderTest();
    HWND Get() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

private:
    HWND window_;
};

// Loads the companion library beside the test program when it is not loaded,
// and takes the texture palette from it.
void EnsureCompanionLibrary();

// Plays the user while a modal loop runs: a timer that hands every visible
// top-level window of this thread to act.
class WindowUser : Uncopyable {
public:
    WindowUser(UINT period, std::function<void(HWND)> act);
    ~WindowUser();

private:
    UINT_PTR timer_ = 0;
};

// A way a user ends a dialog: a key pressed on the focused control (a system
// key with Alt, which the system turns into the Close command), or a message
// posted to the dialog (a button's command, or Close from the system menu).
struct WayOut {
    UINT message;  // WM_KEYDOWN, WM_SYSKEYDOWN, WM_COMMAND or WM_SYSCOMMAND
    WPARAM wparam;
};
inline constexpr WayOut kEnter{WM_KEYDOWN, VK_RETURN};
inline constexpr WayOut kEscape{WM_KEYDOWN, VK_ESCAPE};
inline constexpr WayOut kAltF4{WM_SYSKEYDOWN, VK_F4};
inline constexpr WayOut kClose{WM_SYSCOMMAND, SC_CLOSE};
void TakeWayOut(HWND dialog, WayOut way);

// What a modal dialog showed while open() ran its loop.
struct ModalRun {
    HWND dialog = nullptr;
    bool owner_disabled = false;
    long live_gdi_while_open = 0;
    bool ended_by_act = false;  // gone before the test had to end it
};
// Runs open(), which returns when its modal loop ends. The first visible
// window for which is_dialog holds is handed once to act; one still up a few
// ticks later is ended with EndDialog(dialog, 2).
ModalRun RunModal(const std::function<void()>& open, const std::function<bool(HWND)>& is_dialog,
                  const std::function<void(HWND)>& act);

// Where the tests of the window start: a clean settings key naming two
// scratch folders as the Bitmaps and Textures folders, and a message recorder.
// StartMainWindow() opens the real main window on them and forgets what its
// start-up asked, so the test sees only what it caused. Each test ends with
// the program's GDI objects it began with, so that none it leaves behind can
// hide a leak from a later one.
class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;
    void StartMainWindow();
    HWND Main() const { return main_->Get(); }
    HWND Item(int id) const { return main_->Item(id); }

    const long gdi_at_start_;
    CleanSettingsKey clean_;
    MessageRecorder messages_;
    ScratchFolder bitmaps_{"bitmaps"};
    ScratchFolder textures_{"textures"};
    std::unique_ptr<MainWindowUnderTest> main_;
};

using Bytes = std::vector<unsigned char>;

// An AF texture: index(x, y) with y counted from the top; stored bottom row first.
inline Bytes Texture(const std::function<std::uint32_t(int, int)>& index) { return PixelRows(256, 256, 8, index); }

// The program's texture palette, from the companion library.
std::array<std::uint8_t, 1024> CompanionPalette();
// The palette's colour at an index as 0xRRGGBB.
std::uint32_t PaletteColour(int index);
// The index of an exact colour of the palette's 6 x 6 x 6 cube (levels 0, 51, ... 255).
int CubeIndex(int red_level, int green_level, int blue_level);
std::uint32_t CubeColour(int red_level, int green_level, int blue_level);

// The colour shown at a point of a window's client area, as 0xRRGGBB.
std::uint32_t ColourAt(HWND window, int x, int y);
