// The Clipboard Viewer: the image on the clipboard, scaled to fit the window
// without changing its shape, with its size and depth underneath. It follows
// the clipboard for as long as it is open.
#include <algorithm>
#include <memory>
#include "companion/buffered_paint.h"
#include "companion/clipboard_dib.h"
#include "companion/tool_windows.h"

namespace {

constexpr int kMargin = 8;
constexpr int kStatusHeight = 16;
constexpr SIZE kInitialClientSize{360, 340};
constexpr POINT kSmallestFrame{200, 160};
constexpr COLORREF kAroundPicture = RGB(96, 96, 96);
constexpr UINT_PTR kRetryTimer = 1;
constexpr UINT kRetryMilliseconds = 250;
constexpr int kBusyRetries = 20;
constexpr char kGaveUpWaiting[] = "The clipboard can't be read: another program keeps it open.";

struct ViewerState {
    ClipboardImage shown;
    int busy_retries = 0;
};

ViewerState* StateOf(HWND window) { return reinterpret_cast<ViewerState*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

RECT PictureArea(const RECT& client) {
    return {kMargin, kMargin, client.right - kMargin, client.bottom - 2 * kMargin - kStatusHeight};
}

// The largest rectangle of the picture's shape that fits the area, centred in it.
RECT FitKeepingShape(const RECT& area, LONG width, LONG height) {
    const long long area_width = area.right - area.left;
    const long long area_height = area.bottom - area.top;
    long long fit_width = area_width;
    long long fit_height = area_width * height / width;
    if (fit_height > area_height) {
        fit_height = area_height;
        fit_width = area_height * width / height;
    }
    fit_width = std::max(fit_width, 1LL);
    fit_height = std::max(fit_height, 1LL);
    const LONG left = area.left + static_cast<LONG>((area_width - fit_width) / 2);
    const LONG top = area.top + static_cast<LONG>((area_height - fit_height) / 2);
    return {left, top, left + static_cast<LONG>(fit_width), top + static_cast<LONG>(fit_height)};
}

void DrawClipboardViewer(HWND window, HDC dc, const RECT& client) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    RECT area = PictureArea(client);
    if (area.right - area.left < 8 || area.bottom - area.top < 8) return;
    DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    SetDCBrushColor(dc, kAroundPicture);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    const ViewerState* state = StateOf(window);
    if (!state || !state->shown.picture) return;
    const SIZE size = state->shown.size;
    if (size.cx <= 0 || size.cy <= 0) return;
    const RECT fit = FitKeepingShape(area, size.cx, size.cy);
    MemoryDC source(dc);
    if (!source) return;
    ObjectSelection selected(source.Get(), state->shown.picture.Get());
    // Enlarged pixels stay sharp squares; a reduced picture is averaged so
    // that thin lines don't vanish.
    const bool reduced = fit.right - fit.left < size.cx;
    SetStretchBltMode(dc, reduced ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    StretchBlt(dc, fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top, source.Get(), 0, 0, size.cx,
               size.cy, SRCCOPY);
}

void PlaceStatusLine(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    SetWindowPos(GetDlgItem(window, kClipboardStatusTextId), nullptr, kMargin, client.bottom - kMargin - kStatusHeight,
                 std::max<LONG>(client.right - 2 * kMargin, 0), kStatusHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Reads the clipboard again. While another program holds it open the picture
// shown stays, and the read is retried for a few seconds.
void Refresh(HWND window, ViewerState& state) {
    ClipboardImage read = ReadClipboardImage(window);
    if (read.clipboard_busy && state.busy_retries < kBusyRetries) {
        ++state.busy_retries;
        state.shown.status = std::move(read.status);
        SetTimer(window, kRetryTimer, kRetryMilliseconds, nullptr);
    } else {
        KillTimer(window, kRetryTimer);
        state.busy_retries = 0;
        if (read.clipboard_busy) {
            state.shown.status = kGaveUpWaiting;
        } else {
            state.shown = std::move(read);
        }
    }
    SetDlgItemTextA(window, kClipboardStatusTextId, state.shown.status.c_str());
    InvalidateRect(window, nullptr, FALSE);
}

LRESULT CALLBACK ClipboardViewerProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    ViewerState* state = StateOf(window);
    switch (message) {
    case WM_CREATE: {
        HWND status = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 0,
                                      0, 0, window, reinterpret_cast<HMENU>(kClipboardStatusTextId),
                                      g_library_instance, nullptr);
        if (!status) return -1;
        SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        auto created = std::make_unique<ViewerState>();
        state = created.get();
        // The window owns its state from here; WM_NCDESTROY frees it.
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created.release()));
        AddClipboardFormatListener(window);
        Refresh(window, *state);
        return 0;
    }
    case WM_DESTROY:
        RemoveClipboardFormatListener(window);
        KillTimer(window, kRetryTimer);
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        delete state;
        break;
    case WM_CLIPBOARDUPDATE:
    case WM_TIMER:
        if (state) Refresh(window, *state);
        return 0;
    case WM_SIZE:
        PlaceStatusLine(window);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = kSmallestFrame;
        return 0;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        return PaintClientBuffered(window, message, wparam, &DrawClipboardViewer);
    }
    return DefaultToolWindowProc(window, message, wparam, lparam);
}

}  // namespace

HWND OpenClipboardViewerWindow(HWND owner) {
    static constexpr ToolWindowDescription kClipboardViewerWindow{
        ToolWindowKind::kClipboardViewer, kClipboardViewerClass, kClipboardViewerTitle, &ClipboardViewerProc,
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, kInitialClientSize, true};
    return OpenToolWindow(kClipboardViewerWindow, owner);
}
