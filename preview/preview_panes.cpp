#include "preview/preview_panes.h"
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <utility>
#include "core/stretched_pixels.h"
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/texture_settings.h"

namespace {

constexpr int kPaneIds[] = {IDC_SOURCE_PANE, IDC_DESTINATION_PANE};

// What tells one state of a file from another; a missing file is a state too.
struct FileVersion {
    bool exists = false;
    ULONGLONG size = 0;
    ULONGLONG written = 0;
    bool operator==(const FileVersion&) const = default;
};

FileVersion VersionOf(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return {};
    return {true, (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
            (ULONGLONG{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

// The options change the converted picture as much as a change of the file does.
struct Followed {
    FollowedFile file;
    FileVersion version;
    TextureOptions options;
};

// The pane's picture: a 32-bit DIB section of the pane's size, which never
// changes, into which the program stretches each new picture itself. It stays
// selected into a device context of its own for as long as the pane keeps it:
// under Wine every SelectObject of a bitmap costs round trips to its server,
// and a pane is drawn from its picture often.
struct KeptPicture {
    KeptPicture(OwnedBitmap made, std::span<std::uint32_t> bits, SIZE made_size)
        : bitmap(std::move(made)), pixels(bits), size(made_size), dc(nullptr), selection(dc.Get(), bitmap.Get()) {}
    OwnedBitmap bitmap;
    std::span<std::uint32_t> pixels;  // top row first
    SIZE size;
    MemoryDC dc;
    ObjectSelection selection;  // put back before the DC and the bitmap go
};

// Lives as long as its pane: made when the pane first gets a picture and
// deleted when the pane is destroyed, however the main window goes. The pane
// holds it in its GWLP_USERDATA, read without a call to the window manager
// (a window property or the common controls' subclassing costs a round trip
// to Wine's server for each message), and runs PaneProc in front of the
// static control's own procedure.
struct PaneState {
    std::unique_ptr<KeptPicture> picture;
    std::optional<Followed> followed;  // kept by the Source pane
    WNDPROC previous = nullptr;
};

void CopyPicture(HWND pane, HDC dc, const PaneState& state) {
    RECT client{};
    GetClientRect(pane, &client);
    BitBlt(dc, 0, 0, client.right, client.bottom, state.picture->dc.Get(), 0, 0, SRCCOPY);
}

void PaintPicture(HWND pane, const PaneState& state) {
    const PaintSession paint(pane);
    if (paint.Dc()) CopyPicture(pane, paint.Dc(), state);
}

// Shown at once, without waiting for the pane's own paint, which would then
// only show the same picture again.
void ShowPictureNow(HWND pane, const PaneState& state) {
    WindowDC dc(pane);
    if (!dc) return;
    CopyPicture(pane, dc.Get(), state);
    ValidateRect(pane, nullptr);
}

// The pane's state, or null while it has not had a picture: a query leaves the pane as it is.
PaneState* FoundStateOf(HWND pane) {
    return pane ? reinterpret_cast<PaneState*>(GetWindowLongPtrA(pane, GWLP_USERDATA)) : nullptr;
}

LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wparam, LPARAM lparam) {
    PaneState* state = FoundStateOf(pane);
    if (!state) return DefWindowProcA(pane, message, wparam, lparam);  // cannot happen: the state goes last
    switch (message) {
    case WM_ERASEBKGND:
        if (state->picture) return 1;
        break;
    case WM_PAINT:
        if (state->picture) {
            PaintPicture(pane, *state);
            return 0;
        }
        break;
    case WM_NCDESTROY: {
        const std::unique_ptr<PaneState> owned(state);
        SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(state->previous));
        SetWindowLongPtrA(pane, GWLP_USERDATA, 0);
        return CallWindowProcA(state->previous, pane, message, wparam, lparam);
    }
    default:
        break;
    }
    return CallWindowProcA(state->previous, pane, message, wparam, lparam);
}

// The pane's state, made and PaneProc put in front of its procedure when it has none yet.
PaneState* StateOf(HWND pane) {
    if (!pane) return nullptr;
    if (PaneState* found = FoundStateOf(pane)) return found;
    auto state = std::make_unique<PaneState>();
    state->previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(pane, GWLP_WNDPROC));
    if (!state->previous) return nullptr;
    SetWindowLongPtrA(pane, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
    SetWindowLongPtrA(pane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PaneProc));
    return state.release();
}

PaneState* SourcePaneState(HWND main_window) {
    return main_window ? StateOf(DialogItem(main_window, IDC_SOURCE_PANE)) : nullptr;
}

PaneState* FoundSourcePaneState(HWND main_window) {
    return main_window ? FoundStateOf(DialogItem(main_window, IDC_SOURCE_PANE)) : nullptr;
}

// A 32-bit DIB section of the size, top row first, selected into its own DC;
// none for a pane of no size or without memory.
std::unique_ptr<KeptPicture> MadePicture(SIZE size) {
    if (size.cx <= 0 || size.cy <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    OwnedBitmap made(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!made || !bits) return nullptr;
    const std::size_t count = static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy);
    auto picture =
        std::make_unique<KeptPicture>(std::move(made), std::span<std::uint32_t>(static_cast<std::uint32_t*>(bits), count), size);
    if (!picture->dc) return nullptr;
    return picture;
}

// Stretches the whole picture over the pane's kept bitmap, by the whole-pixel
// rule the system's COLORONCOLOR stretch follows: the program stretches the
// depths it knows itself, for the cost of the pixels shown, and leaves the
// rest to the system.
void KeepPicture(HWND pane, PaneState& state, const PackedDib& picture) {
    if (!state.picture) {
        RECT client{};
        GetClientRect(pane, &client);
        state.picture = MadePicture({client.right, client.bottom});
    }
    if (!state.picture) return;
    const SIZE size = state.picture->size;
    GdiFlush();  // the system may still be drawing into the section
    if (StretchedBgrx(picture, size.cx, size.cy, state.picture->pixels)) return;
    const HDC dc = state.picture->dc.Get();
    const BitmapInfoHeader header = picture.Header();
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, size.cx, size.cy, 0, 0, header.biWidth, header.biHeight, picture.Pixels().data(),
                  reinterpret_cast<const BITMAPINFO*>(picture.data()), DIB_RGB_COLORS, SRCCOPY);
}

}  // namespace

void FollowFile(HWND main_window, Side side, const char* path, TextureOptions options) {
    PaneState* state = SourcePaneState(main_window);
    if (!state) return;
    const std::optional<PathBuffer> copied = CopyPath(path);
    if (copied) {
        state->followed = Followed{{side, *copied}, VersionOf(path), options};
    } else {
        state->followed.reset();
    }
}

SIZE SourcePaneSize(HWND main_window) {
    RECT client{};
    if (main_window) GetClientRect(DialogItem(main_window, IDC_SOURCE_PANE), &client);
    return {client.right > 0 ? client.right : 1, client.bottom > 0 ? client.bottom : 1};
}

void ShowPictures(HWND main_window, const PackedDib& source, const PackedDib& converted) {
    const PackedDib* pictures[] = {&source, &converted};
    for (int i = 0; i < 2; ++i) {
        HWND pane = DialogItem(main_window, kPaneIds[i]);
        PaneState* state = StateOf(pane);
        if (!state) continue;
        KeepPicture(pane, *state, *pictures[i]);
        if (state->picture) ShowPictureNow(pane, *state);
    }
    GdiFlush();
}

bool FollowsUnchanged(HWND main_window, Side side, const char* path) {
    const PaneState* state = FoundSourcePaneState(main_window);
    if (!state || !state->followed) return false;
    const Followed& followed = *state->followed;
    return followed.file.side == side && std::string_view(followed.file.path.data()) == path &&
           followed.version == VersionOf(path) && followed.options == TextureOptionsFor(side);
}

std::optional<FollowedFile> ChangedFollowedFile(HWND main_window) {
    const PaneState* state = FoundSourcePaneState(main_window);
    if (!state || !state->followed) return std::nullopt;
    const Followed& followed = *state->followed;
    if (followed.version == VersionOf(followed.file.path.data()) && followed.options == TextureOptionsFor(followed.file.side)) {
        return std::nullopt;
    }
    return followed.file;
}

void RedrawPanes(HWND main_window) {
    for (int id : kPaneIds) {
        HWND pane = DialogItem(main_window, id);
        const PaneState* state = FoundStateOf(pane);
        if (state && state->picture) ShowPictureNow(pane, *state);
    }
}

void ForgetFileOf(HWND main_window, Side side) {
    PaneState* source = FoundSourcePaneState(main_window);
    if (!source || !source->followed || source->followed->file.side != side) return;
    source->followed.reset();
    for (int id : kPaneIds) {
        HWND pane = DialogItem(main_window, id);
        if (PaneState* state = FoundStateOf(pane)) state->picture.reset();
        // The window's background beneath the pane comes back, then the pane's frame.
        RECT area{};
        GetWindowRect(pane, &area);
        MapWindowPoints(nullptr, main_window, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(main_window, &area, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}
