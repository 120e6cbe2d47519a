#include "skin/banner_text.h"
#include "platform/dialog_items.h"
#include "platform/guards.h"
#include "skin/dialog_colours.h"

void DrawBannerText(HWND dialog, int control_id, std::string_view text, HFONT font) {
    HWND banner = DialogItem(dialog, control_id);
    if (!banner) return;
    WindowDC dc(banner);
    if (!dc) return;
    RECT area{};
    GetClientRect(banner, &area);
    SetBkMode(dc.Get(), TRANSPARENT);
    ObjectSelection font_selection(dc.Get(), font);
    const int length = static_cast<int>(text.size());

    // The copy goes into the area less its first column and row: one pixel
    // lower and, centred again in the narrower area, at most one to the right.
    RECT shifted = area;
    shifted.left += 1;
    shifted.top += 1;
    SetTextColor(dc.Get(), kBannerHighlightColour);
    DrawTextA(dc.Get(), text.data(), length, &shifted, DT_CENTER);
    SetTextColor(dc.Get(), RGB(0, 0, 0));
    DrawTextA(dc.Get(), text.data(), length, &area, DT_CENTER);
}
