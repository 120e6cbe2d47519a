// Checks a banner line as it stands on the screen: black text in the given
// Arial font, centred at the top of its static, over a light-blue copy one
// pixel lower.
#pragma once
#include <windows.h>
#include <string_view>

void ExpectBannerLine(HWND banner, std::string_view text, int points, int weight, bool italic);
