#include "companion/clipboard_dib.h"
#include <cstring>
#include <utility>
#include <vector>
#include "core/clipboard_dib_check.h"
#include "platform/guards.h"

namespace {

ClipboardImage NothingShown(std::string status) {
    ClipboardImage nothing;
    nothing.status = std::move(status);
    return nothing;
}

}  // namespace

ClipboardImage ReadDibBlock(std::span<const std::uint8_t> block) {
    const ClipboardDibLayout layout = CheckClipboardDib(block);
    if (!layout.drawable) return NothingShown(layout.status);
    // The bitmap is described by a plain header and, at 8 bits or fewer, a
    // table with an entry for every pixel value (black where the image's own
    // table is shorter), so GDI never looks past what it is given.
    std::vector<std::uint8_t> info(kInfoHeaderBytes + layout.possible_colours * sizeof(RGBQUAD), 0);
    BitmapInfoHeader plain = layout.header;
    plain.biSize = kInfoHeaderBytes;
    plain.biClrUsed = static_cast<DWORD>(layout.possible_colours);
    plain.biClrImportant = 0;
    plain.biSizeImage = 0;
    std::memcpy(info.data(), &plain, kInfoHeaderBytes);
    if (layout.possible_colours) {
        std::memcpy(info.data() + kInfoHeaderBytes, block.data() + layout.header.biSize,
                    layout.table_entries * sizeof(RGBQUAD));
    }

    ClipboardImage shown;
    void* bits = nullptr;
    shown.picture.Reset(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                                         &bits, nullptr, 0));
    if (!shown.picture || !bits) {
        return NothingShown(CantShowClipboardImage("there is not enough memory for a copy of it"));
    }
    std::memcpy(bits, block.data() + layout.pixels_offset, layout.pixel_bytes);
    shown.size = {layout.header.biWidth, layout.header.biHeight};
    shown.status = layout.status;
    return shown;
}

ClipboardImage ReadClipboardImage(HWND viewer) {
    if (!IsClipboardFormatAvailable(CF_DIB)) return NothingShown("The clipboard holds no image.");
    OpenedClipboard clipboard(viewer);
    if (!clipboard) {
        ClipboardImage busy = NothingShown("Waiting for another program to let go of the clipboard...");
        busy.clipboard_busy = true;
        return busy;
    }
    HGLOBAL block = GetClipboardData(CF_DIB);
    LockedGlobal locked(block);
    if (locked.Bytes().empty()) return NothingShown(CantShowClipboardImage("it can't be read"));
    return ReadDibBlock(locked.Bytes());
}
