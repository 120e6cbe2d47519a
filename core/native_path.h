// Paths for the file system library from the texts the programs pass on, and
// back. On Windows those texts are in the process's ANSI code page (UTF-8
// where the application manifest applies), which the library's own narrow
// conversion does not follow: a name outside plain ASCII would name another
// file. Elsewhere the texts are the file system's own bytes.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path NativePath(std::string_view text);
std::string NarrowText(const std::filesystem::path& path);
