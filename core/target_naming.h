// How converted files are named, one rule for the convert buttons' default
// names, the name the Save dialog proposes, the path taken from it and the
// batch converter: a name keeps or gets the extension of the kind of file it
// becomes, so that the other list shows it. A dot at position 0 never starts
// an extension (".x.bmp" has one), and extensions match whatever their case.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include "core/path_buffer.h"

// Conversion directions, the same numbers as the conversion modes.
inline constexpr int kBmpToAf = 3;
inline constexpr int kAfToBmp = 4;

// ".af" for kBmpToAf, ".bmp" for kAfToBmp, empty for anything else.
std::string_view DefaultExtension(int direction);

// Whether name ends in an extension of the kind direction writes, so that the
// target's list shows it: ".bmp" for kAfToBmp, an extension ending in "af"
// (what "*.*af" matches) for kBmpToAf.
bool HasTargetExtension(std::string_view name, int direction);

// The target file name of an item: its last extension goes when what remains
// already has the target's extension ("plane.oaf.bmp" becomes "plane.oaf"),
// otherwise the direction's extension is added ("plane.oaf" becomes
// "plane.oaf.bmp", "my.plane.bmp" becomes "my.plane.bmp.af"). So a texture
// goes to a bitmap and back under its own name. The Save dialog proposes the
// same name. Nothing when it would not fit a path buffer or the direction is
// unknown.
std::optional<std::string> DefaultTargetName(std::string_view name, int direction);

// The target path from the path the Save dialog returned: a file name with
// the target's extension stays as typed, any other is named as an item
// would be ("my.plane" becomes "my.plane.af", "x.oaf.bmp" for a texture
// "x.oaf"). Folder names take no part. Nothing when it would not fit a path
// buffer.
std::optional<std::string> FinishSavePath(std::string_view path, int direction);
