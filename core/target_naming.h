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

// Which way a file is converted: a bitmap to a texture or back.
enum class Direction { BmpToAf, AfToBmp };

// ".af" for BmpToAf, ".bmp" for AfToBmp.
std::string_view DefaultExtension(Direction direction);

// Whether name ends in an extension of the kind direction writes, so that the
// target's list shows it: ".bmp" for AfToBmp, an extension ending in "af"
// (what "*.*af" matches) for BmpToAf.
bool HasTargetExtension(std::string_view name, Direction direction);

// The target file name of an item: its last extension goes when what remains
// already has the target's extension ("plane.oaf.bmp" becomes "plane.oaf"),
// otherwise the direction's extension is added ("plane.oaf" becomes
// "plane.oaf.bmp", "my.plane.bmp" becomes "my.plane.bmp.af"). So a texture
// goes to a bitmap and back under its own name. The Save dialog proposes the
// same name. Nothing when it would not fit a path buffer.
std::optional<std::string> DefaultTargetName(std::string_view name, Direction direction);

// The target path from the path the Save dialog returned: a file name with
// the target's extension stays as typed, any other is named as an item
// would be ("my.plane" becomes "my.plane.af", "x.oaf.bmp" for a texture
// "x.oaf"). Folder names take no part. Nothing when it would not fit a path
// buffer.
std::optional<std::string> FinishSavePath(std::string_view path, Direction direction);
