#include "skin/bitmap_button.h"
#include "app/app_globals.h"
#include "platform/guards.h"

BOOL DrawBitmapButton(const DRAWITEMSTRUCT& item, int normal_bitmap_id, int pressed_bitmap_id) {
    OwnedBitmap normal(LoadBitmapA(g_program_instance, MAKEINTRESOURCEA(normal_bitmap_id)));
    OwnedBitmap pressed(LoadBitmapA(g_program_instance, MAKEINTRESOURCEA(pressed_bitmap_id)));
    // Only the pressed state is drawn: a disabled button looks like an enabled one.
    const HBITMAP shown = (item.itemState & ODS_SELECTED) ? pressed.Get() : normal.Get();
    BITMAP size{};
    if (!shown || !GetObjectA(shown, sizeof size, &size)) return TRUE;
    MemoryDC source(item.hDC);
    ObjectSelection selection(source.Get(), shown);
    SetStretchBltMode(item.hDC, COLORONCOLOR);
    StretchBlt(item.hDC, item.rcItem.left, item.rcItem.top, item.rcItem.right - item.rcItem.left,
               item.rcItem.bottom - item.rcItem.top, source.Get(), 0, 0, size.bmWidth, size.bmHeight, SRCCOPY);
    return TRUE;
}
