#include "skin/bitmap_button.h"
#include <cstdint>
#include <span>
#include "core/clipboard_dib_check.h"
#include "platform/program_instance.h"

namespace {

// The bitmap resource as it lies in the program's image: a packed DIB.
std::span<const std::uint8_t> ResourceDib(int bitmap_id) {
    HRSRC found = FindResourceA(ProgramInstance(), MAKEINTRESOURCEA(bitmap_id), RT_BITMAP);
    HGLOBAL loaded = found ? LoadResource(ProgramInstance(), found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return {};
    return {static_cast<const std::uint8_t*>(bytes), SizeofResource(ProgramInstance(), found)};
}

}  // namespace

// Drawn straight from the resource: no bitmap is made and none is selected
// into a device context, each of which costs round trips to Wine's server
// on every draw of every button.
BOOL DrawBitmapButton(const DRAWITEMSTRUCT& item, int normal_bitmap_id, int pressed_bitmap_id) {
    // Only the pressed state is drawn: a disabled button looks like an enabled one.
    const int shown = (item.itemState & ODS_SELECTED) ? pressed_bitmap_id : normal_bitmap_id;
    const std::span<const std::uint8_t> dib = ResourceDib(shown);
    const ClipboardDibLayout layout = CheckClipboardDib(dib);
    if (!layout.drawable) return TRUE;
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchDIBits(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
                  item.rcItem.bottom - item.rcItem.top, 0, 0, layout.header.biWidth, layout.header.biHeight,
                  dib.data() + layout.pixels_offset, reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS,
                  SRCCOPY);
    return TRUE;
}
