// Paths are ANSI texts of at most 260 bytes, terminator included; a folder
// and a file name are joined by plain concatenation, and whatever would not
// fit is refused rather than cut.
#pragma once
#include <windows.h>
#include <array>
#include <optional>
#include <string_view>

using PathBuffer = std::array<char, MAX_PATH>;

// folder + name, or nothing when the result would not fit.
std::optional<PathBuffer> JoinPath(std::string_view folder, std::string_view name);
// The text alone in a path buffer, or nothing when it would not fit.
std::optional<PathBuffer> CopyPath(std::string_view text);
// The text of a list item, read into a path buffer.
PathBuffer ListItemText(HWND list, int item);
