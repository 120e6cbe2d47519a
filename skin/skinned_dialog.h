// What every dialog of the program shares: owner-drawn bitmap buttons, for the
// Setup dialog and the gallery a pale background, and the objects that one
// opening of a dialog makes. Those belong to the dialog and are given back
// exactly once, however it goes: OK, Cancel, the system menu's Close, Alt+F4,
// or destroyed with its owner.
#pragma once
#include <windows.h>
#include <memory>
#include <optional>
#include <span>
#include "skin/dialog_colours.h"

// The two pictures of an owner-drawn button. kEveryButton draws every
// owner-drawn control of the dialog; an id that has no row draws nothing.
struct ButtonPictures {
    int control_id;
    int normal_bitmap;
    int pressed_bitmap;
};
inline constexpr int kEveryButton = -1;

struct SkinnedDialogLook {
    std::span<const ButtonPictures> buttons;
    bool pale_background;  // answers the colour messages with the two dialog brushes
    bool ends_on_close;    // the system menu's Close (Alt+F4) ends it as its OK would
};

// The objects one opening of a dialog holds. A dialog that needs more derives
// its own; the brushes are made for a pale dialog only.
struct DialogOpening {
    virtual ~DialogOpening() = default;
    DialogBrushes brushes;
};

// WM_INITDIALOG: the dialog owns the opening from now on (an earlier one goes
// first). Makes the brushes of a pale dialog, the static brush first. False,
// and the opening released at once, when the window cannot hold it.
bool AttachDialogOpening(HWND dialog, const SkinnedDialogLook& look, std::unique_ptr<DialogOpening> opening);
template <typename Opening>
Opening* AttachNewOpening(HWND dialog, const SkinnedDialogLook& look) {
    auto opening = std::make_unique<Opening>();
    Opening* attached = opening.get();
    return AttachDialogOpening(dialog, look, std::move(opening)) ? attached : nullptr;
}

// The dialog's opening, or null before WM_INITDIALOG and after it was released.
DialogOpening* DialogOpeningOf(HWND dialog);
template <typename Opening>
Opening* OpeningOf(HWND dialog) {
    return static_cast<Opening*>(DialogOpeningOf(dialog));
}

// Gives back everything the opening holds; nothing when it has gone already.
void ReleaseDialogOpening(HWND dialog);
// Releases the opening and ends the dialog with 1, as every dialog ends.
void EndSkinnedDialog(HWND dialog);

// WM_DRAWITEM (TRUE), the colour messages (a pale dialog's brush, or the
// system's colours as DefWindowProc gives them), Close
// and WM_DESTROY (FALSE, after releasing); nothing for any other message,
// which the dialog procedure then handles itself.
std::optional<INT_PTR> HandleSkinnedDialogMessage(HWND dialog, const SkinnedDialogLook& look, UINT message,
                                                  WPARAM wparam, LPARAM lparam);

// What a dialog does itself, each step answering FALSE: its setting up, its
// commands (given the command's id) and, where it has one, its own painting.
struct SkinnedDialogSteps {
    void (*init)(HWND dialog);
    void (*command)(HWND dialog, int command);
    void (*paint)(HWND dialog) = nullptr;
};
// The whole of a dialog procedure: WM_INITDIALOG, WM_COMMAND and (with a
// paint step) WM_PAINT go to the steps, every other message to
// HandleSkinnedDialogMessage, FALSE where that has no answer.
INT_PTR RunSkinnedDialog(HWND dialog, const SkinnedDialogLook& look, const SkinnedDialogSteps& steps, UINT message,
                         WPARAM wparam, LPARAM lparam);
