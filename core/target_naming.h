// How converted files are named: the dot rules, the default-name rule of the
// convert buttons, and the name proposed in, and the path taken from, the Save
// dialog. A dot at position 0 never counts (".x.bmp" has one dot).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include "core/path_buffer.h"

// Conversion directions, the same numbers as the conversion modes.
inline constexpr int kBmpToAf = 3;
inline constexpr int kAfToBmp = 4;

// Number of dots from position 1 on when there are 2 or more, else 0.
int CountDots(std::string_view text);
// 1 when a dot stands anywhere from position 1 on, else 0.
int HasDot(std::string_view text);
// The text before its last dot at position 1 or later; empty when there is none.
std::string StripLastExtension(std::string_view text);

// ".af" for kBmpToAf, ".bmp" for kAfToBmp, empty for anything else.
std::string_view DefaultExtension(int direction);

// The target file name of item name under default names: "plane.oaf" becomes
// "plane.oaf.bmp" (direction 4), "plane.oaf.bmp" becomes "plane.oaf" (3), a
// name with two or more dots loses its last extension. Nothing when the name
// would not fit a path buffer or the direction is unknown.
std::optional<std::string> DefaultTargetName(std::string_view name, int direction);

// The name the Save dialog proposes for item name: without its last extension,
// and when two or more dots remain, only the part before the first of them.
std::string ProposedSaveName(std::string_view name);

// The target path from the path the Save dialog returned: the last extension
// of its file name goes when the name has two or more dots, and the default
// extension is added when no dot is left in the name. Folder names take no
// part. Nothing when it would not fit a path buffer.
std::optional<std::string> FinishSavePath(std::string_view path, int direction);
