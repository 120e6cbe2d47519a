// The first start points both folders at the program folder. Where the user
// may not write there (a program under C:\Program Files), every conversion
// would fail; the program says so once, at that start, and opens Setup.
#pragma once
#include <windows.h>
#include <optional>
#include <string>

// True while no setting has ever been stored for this user.
bool IsFirstStart();
// Whether a file can be made in folder (a path ending in a backslash): one
// is made and removed again.
bool CanWriteInFolder(const char* folder);
// The first of the two stored folders that cannot be written, or nothing
// when both can.
std::optional<std::string> UnwritableFolder();
