#include <windows.h>
#include "core/folder_search.h"
#include "platform/guards.h"

std::optional<std::vector<std::string>> FindFiles(const std::string& folder, const std::string& pattern) {
    const std::string search_for = folder + pattern;
    if (search_for.size() >= MAX_PATH) return std::nullopt;
    WIN32_FIND_DATAA found{};
    const FindHandle search(FindFirstFileA(search_for.c_str(), &found));
    if (!search) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return std::vector<std::string>();
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search.Get(), &found));
    return names;
}
