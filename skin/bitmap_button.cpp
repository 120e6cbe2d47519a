#include "skin/bitmap_button.h"
#include "platform/program_instance.h"
#include "platform/gdi_objects.h"

BOOL DrawBitmapButton(const DRAWITEMSTRUCT& item, int normal_bitmap_id, int pressed_bitmap_id, int source_width,
                      int source_height) {
    OwnedBitmap normal(LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(normal_bitmap_id)));
    OwnedBitmap pressed(LoadBitmapA(ProgramInstance(), MAKEINTRESOURCEA(pressed_bitmap_id)));
    MemoryDC source(item.hDC);
    // Only the pressed state is drawn: a disabled button looks like an enabled one.
    ObjectSelection selection(source.Get(), (item.itemState & ODS_SELECTED) ? pressed.Get() : normal.Get());
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
               item.rcItem.bottom - item.rcItem.top, source.Get(), 0, 0, source_width, source_height, SRCCOPY);
    return TRUE;
}
