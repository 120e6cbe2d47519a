// The Palette Picker: the texture palette as a grid of swatches. Pointing at a
// swatch shows its index and colour, a click selects it, and Copy puts the
// selected swatch's text on the clipboard for a paint program.
#include <windowsx.h>
#include <memory>
#include <optional>
#include <string>
#include "companion/buffered_paint.h"
#include "companion/clipboard_access.h"
#include "companion/texture_palette.h"
#include "companion/tool_windows.h"
#include "core/swatch_grid.h"

namespace {

constexpr int kMargin = 8;
constexpr int kLabelWidth = 56;
constexpr int kLineHeight = 16;
constexpr int kLineGap = 6;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kClientWidth = kSwatchGridLeft + kSwatchGridSize + kMargin;
constexpr int kPointedLineTop = kSwatchGridTop + kSwatchGridSize + kMargin;
constexpr int kSelectedLineTop = kPointedLineTop + kLineHeight + kLineGap;
constexpr int kButtonTop = kSelectedLineTop + kLineHeight + kLineGap;
constexpr int kClientHeight = kButtonTop + kButtonHeight + kMargin;

constexpr char kPointHint[] = "Point at a colour to see its values.";
constexpr char kClickHint[] = "Click a colour to select it.";
constexpr char kPaletteMissing[] = "The texture palette is missing from Tessaline.dll.";
constexpr char kCopied[] = "Copied to the clipboard.";
constexpr char kClipboardBusy[] = "The clipboard is busy; try Copy again.";
constexpr WPARAM kCtrlC = 3;  // the character TranslateMessage makes of Ctrl+C

struct PickerState {
    std::optional<TexturePalette> palette;
    int pointed = -1;
    int selected = -1;
    bool tracking_leave = false;
};

RECT CellOf(int swatch) {
    const SwatchRect cell = SwatchCell(swatch);
    return {cell.left, cell.top, cell.right, cell.bottom};
}

int SwatchUnder(LPARAM point) { return SwatchAt(GET_X_LPARAM(point), GET_Y_LPARAM(point)); }

std::string TextOf(const PickerState& state, int swatch) {
    const RGBQUAD& colour = (*state.palette)[swatch];
    return SwatchText(swatch, colour.rgbRed, colour.rgbGreen, colour.rgbBlue);
}

PickerState* StateOf(HWND window) { return reinterpret_cast<PickerState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

HWND AddChild(HWND window, const char* class_name, const char* text, DWORD style, RECT place, int id) {
    HWND child = CreateWindowExA(0, class_name, text, WS_CHILD | WS_VISIBLE | style, place.left, place.top,
                                 place.right - place.left, place.bottom - place.top, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_library_instance, nullptr);
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

void AddLine(HWND window, const char* label, const char* text, int top, int text_id) {
    constexpr DWORD kTextStyle = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    AddChild(window, "STATIC", label, kTextStyle, {kMargin, top, kMargin + kLabelWidth, top + kLineHeight}, -1);
    AddChild(window, "STATIC", text, kTextStyle,
             {kMargin + kLabelWidth, top, kClientWidth - kMargin, top + kLineHeight}, text_id);
}

bool CreatePickerControls(HWND window, const PickerState& state) {
    AddLine(window, "Pointer:", state.palette ? kPointHint : kPaletteMissing, kPointedLineTop, kPointedSwatchTextId);
    AddLine(window, "Selected:", state.palette ? kClickHint : "", kSelectedLineTop, kSelectedSwatchTextId);
    const int button_left = kClientWidth - kMargin - kButtonWidth;
    HWND copy = AddChild(window, "BUTTON", "Copy", BS_PUSHBUTTON,
                         {button_left, kButtonTop, button_left + kButtonWidth, kButtonTop + kButtonHeight},
                         kCopySwatchButtonId);
    if (!copy) return false;
    EnableWindow(copy, FALSE);  // until a swatch is selected
    return true;
}

void InvalidateSwatch(HWND window, int index) {
    if (index < 0) return;
    const RECT cell = CellOf(index);
    InvalidateRect(window, &cell, FALSE);
}

void PointAt(HWND window, PickerState& state, int index) {
    if (!state.palette || index == state.pointed) return;
    InvalidateSwatch(window, state.pointed);
    InvalidateSwatch(window, index);
    state.pointed = index;
    SetDlgItemTextA(window, kPointedSwatchTextId, index < 0 ? kPointHint : TextOf(state, index).c_str());
}

void Select(HWND window, PickerState& state, int index) {
    if (!state.palette || index < 0) return;
    InvalidateSwatch(window, state.selected);
    InvalidateSwatch(window, index);
    state.selected = index;
    SetDlgItemTextA(window, kSelectedSwatchTextId, TextOf(state, index).c_str());
    EnableWindow(GetDlgItem(window, kCopySwatchButtonId), TRUE);
}

void CopySelected(HWND window, const PickerState& state) {
    if (!state.palette || state.selected < 0) return;
    const bool copied = PutTextOnClipboard(window, TextOf(state, state.selected));
    SetDlgItemTextA(window, kPointedSwatchTextId, copied ? kCopied : kClipboardBusy);
}

void FrameCell(HDC dc, RECT cell, int rings) {
    const HBRUSH colours[] = {static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)),
                              static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))};
    for (int ring = 0; ring < rings; ++ring) {
        FrameRect(dc, &cell, colours[ring % 2]);
        InflateRect(&cell, -1, -1);
    }
}

void DrawPalettePicker(HWND window, HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const PickerState* state = StateOf(window);
    if (!state || !state->palette) return;
    const auto swatch_brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
    for (int index = 0; index < kTexturePaletteColours; ++index) {
        RECT swatch = CellOf(index);
        InflateRect(&swatch, -1, -1);
        const RGBQUAD& colour = (*state->palette)[index];
        SetDCBrushColor(dc, RGB(colour.rgbRed, colour.rgbGreen, colour.rgbBlue));
        FillRect(dc, &swatch, swatch_brush);
    }
    // Black then white, so the selection shows on every colour of the palette.
    if (state->pointed >= 0) FrameCell(dc, CellOf(state->pointed), 1);
    if (state->selected >= 0) FrameCell(dc, CellOf(state->selected), 3);
}

LRESULT CALLBACK PalettePickerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    PickerState* state = StateOf(window);
    switch (message) {
    case WM_CREATE: {
        auto created = std::make_unique<PickerState>();
        created->palette = LoadOwnTexturePalette();
        if (!CreatePickerControls(window, *created)) return -1;
        // The window owns its state from here; WM_NCDESTROY frees it.
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete state;
        break;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintClientBuffered(window, message, wparam, &DrawPalettePicker);
    case WM_MOUSEMOVE:
        if (!state) break;
        PointAt(window, *state, SwatchUnder(lparam));
        if (!state->tracking_leave) {
            TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
            state->tracking_leave = TrackMouseEvent(&track) != FALSE;
        }
        return 0;
    case WM_MOUSELEAVE:
        if (!state) break;
        state->tracking_leave = false;
        PointAt(window, *state, -1);
        return 0;
    case WM_LBUTTONDOWN:
        if (!state) break;
        SetFocus(window);  // keeps Escape and Ctrl+C coming here
        Select(window, *state, SwatchUnder(lparam));
        return 0;
    case WM_CHAR:
        if (state && wparam == kCtrlC) CopySelected(window, *state);
        return 0;
    case WM_COMMAND:
        if (state && LOWORD(wparam) == kCopySwatchButtonId && HIWORD(wparam) == BN_CLICKED) {
            CopySelected(window, *state);
            SetFocus(window);  // the button took it; Escape must still close the window
        }
        return 0;
    }
    return DefaultToolWindowProc(window, message, wparam, lparam);
}

}  // namespace

HWND OpenPalettePickerWindow(HWND owner) {
    static constexpr ToolWindowDescription kPalettePickerWindow{
        ToolWindowKind::kPalettePicker, kPalettePickerClass, kPalettePickerTitle, &PalettePickerProc,
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, {kClientWidth, kClientHeight}, false};
    return OpenToolWindow(kPalettePickerWindow, owner);
}
