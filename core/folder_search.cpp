#include "core/folder_search.h"

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool MatchesFilePattern(std::string_view name, std::string_view pattern) {
    // Greedy with one step back to the last star, which is enough for * and ?.
    std::size_t at = 0, from = 0, star = std::string_view::npos, star_at = 0;
    while (at < name.size()) {
        if (from < pattern.size() && (pattern[from] == '?' || Lower(pattern[from]) == Lower(name[at]))) {
            ++at;
            ++from;
        } else if (from < pattern.size() && pattern[from] == '*') {
            star = from++;
            star_at = at;
        } else if (star != std::string_view::npos) {
            from = star + 1;
            at = ++star_at;
        } else {
            return false;
        }
    }
    while (from < pattern.size() && pattern[from] == '*') ++from;
    return from == pattern.size();
}
