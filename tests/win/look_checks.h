// Checks of the program's look as it stands on the screen, shared by the
// tests of the main window and the About box.
#pragma once
#include <windows.h>
#include <string_view>

// Black text in the given Arial font, centred at the top of its static, over
// a light-blue copy one pixel lower.
void ExpectBannerLine(HWND banner, std::string_view text, int points, int weight, bool italic);

// Asks window to draw its owner-drawn control_id in each button state: the
// pressed picture only while selected, the normal one otherwise (disabled
// and focused included), each at its own size and in the item's place.
void ExpectButtonPictures(HWND window, int control_id, int normal_bitmap, int pressed_bitmap, int width, int height);
