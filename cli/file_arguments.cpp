#include "cli/file_arguments.h"
#include <filesystem>
#include <optional>
#include <string_view>
#include "core/folder_search.h"
#include "core/list_order.h"
#include "core/messages.h"
#include "core/native_path.h"
#include "core/target_naming.h"

namespace {

#ifdef _WIN32
constexpr std::string_view kSeparators = "\\/:";
constexpr char kSeparator = '\\';
#else
constexpr std::string_view kSeparators = "/";
constexpr char kSeparator = '/';
#endif

// The files of folder (empty, or ending in a separator) that match pattern,
// in the order the folder's list would show them.
std::vector<BatchItem> SortedMatches(const std::string& folder, const std::string& pattern) {
    std::vector<std::string> names = FindFiles(folder, pattern).value_or(std::vector<std::string>());
    SortAsListsDo(names);
    std::vector<BatchItem> items;
    for (const std::string& name : names) items.push_back({folder + name, {}});
    return items;
}

bool IsFolder(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::is_directory(NativePath(path), ignored);
}

bool IsFile(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(NativePath(path), ignored) && !IsFolder(path);
}

}  // namespace

const char* ListPatternOf(Direction direction) { return direction == Direction::BmpToAf ? "*.bmp" : "*.*af"; }

std::vector<BatchItem> ExpandFileArguments(const std::vector<std::string>& arguments, Direction direction) {
    std::vector<BatchItem> items;
    for (const std::string& argument : arguments) {
        const std::size_t cut = argument.find_last_of(kSeparators);
        const std::size_t name_at = cut == std::string::npos ? 0 : cut + 1;
        const bool wildcard = argument.find_first_of("*?", name_at) != std::string::npos;
        std::vector<BatchItem> found;
        std::string problem;
        if (IsFolder(argument)) {
            const bool ends_in_separator = kSeparators.find(argument.back()) != std::string_view::npos;
            found = SortedMatches(ends_in_separator ? argument : argument + kSeparator, ListPatternOf(direction));
            problem = FilledLine(kFolderEmptyLine, {{"folder", argument}, {"pattern", ListPatternOf(direction)}});
        } else if (wildcard && !IsFile(argument)) {
            found = SortedMatches(argument.substr(0, name_at), argument.substr(name_at));
            problem = FilledLine(kMatchesNothingLine, {{"argument", argument}});
        } else {
            items.push_back({argument, {}});
            continue;
        }
        if (found.empty()) items.push_back({argument, problem});
        items.insert(items.end(), found.begin(), found.end());
    }
    return items;
}
