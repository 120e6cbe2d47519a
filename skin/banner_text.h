// Banner lines: bold black text over a light-blue copy one pixel lower, drawn
// on an empty static control.
#pragma once
#include <windows.h>
#include <string_view>

inline constexpr std::string_view kSimulatorName = "MS Flight Sim 98";
inline constexpr std::string_view kProductTitle = "Lumivane";

// Draws text centred at the top of the static; font may be null, and then
// the static's current font draws.
void DrawBannerText(HWND dialog, int control_id, std::string_view text, HFONT font);
