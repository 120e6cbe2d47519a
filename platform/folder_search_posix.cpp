#include <filesystem>
#include "core/folder_search.h"

std::optional<std::vector<std::string>> FindFiles(const std::string& folder, const std::string& pattern) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
    if (error) return std::nullopt;
    std::vector<std::string> names;
    for (const std::filesystem::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory(error) && MatchesFilePattern(name, pattern)) names.push_back(name);
    }
    return names;
}
