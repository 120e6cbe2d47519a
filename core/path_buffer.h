// Paths are ANSI texts of at most 260 bytes, terminator included; a folder
// and a file name are joined by plain concatenation, and whatever would not
// fit is refused rather than cut.
#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t kPathBytes = 260;  // MAX_PATH on Windows
using PathBuffer = std::array<char, kPathBytes>;

// folder + name, or nothing when the result would not fit.
std::optional<PathBuffer> JoinPath(std::string_view folder, std::string_view name);
// The text alone in a path buffer, or nothing when it would not fit.
std::optional<PathBuffer> CopyPath(std::string_view text);
// The path with its letters A to Z lowered: two paths that fold alike name
// the same file on Windows, whatever the case of their letters.
std::string FoldedCase(std::string_view path);
