#include "core/path_buffer.h"

std::optional<PathBuffer> JoinPath(std::string_view folder, std::string_view name) {
    PathBuffer path{};
    if (folder.size() + name.size() >= path.size()) return std::nullopt;
    folder.copy(path.data(), folder.size());
    name.copy(path.data() + folder.size(), name.size());
    return path;
}

std::optional<PathBuffer> CopyPath(std::string_view text) { return JoinPath(text, {}); }

std::string FoldedCase(std::string_view path) {
    std::string folded(path);
    for (char& c : folded) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return folded;
}
