// Finding files by a wildcard pattern, as the folder lists do: FindFirstFileA
// on Windows, a search that matches the same way (case-insensitive, * and ?)
// elsewhere.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Whether name matches pattern: * stands for any run of characters, ? for
// any one; letters match whatever their case.
bool MatchesFilePattern(std::string_view name, std::string_view pattern);

// The names of the files (not folders) in folder that match pattern, in the
// order the platform finds them; nothing when the folder cannot be searched.
// folder is empty for the current folder, or ends in a path separator.
std::optional<std::vector<std::string>> FindFiles(const std::string& folder, const std::string& pattern);
