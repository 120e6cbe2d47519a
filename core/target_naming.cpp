#include "core/target_naming.h"

namespace {

// Each rule works on its own copy of at most a path buffer's worth of text.
std::string_view Bounded(std::string_view text) { return text.substr(0, kPathBytes - 1); }

// Position of the last dot at 1 or later, 0 when there is none.
std::size_t LastDot(std::string_view text) {
    const std::size_t dot = text.find_last_of('.');
    return dot == std::string_view::npos ? 0 : dot;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EndsInIgnoringCase(std::string_view text, std::string_view ending) {
    if (text.size() < ending.size()) return false;
    text.remove_prefix(text.size() - ending.size());
    for (std::size_t at = 0; at < ending.size(); ++at) {
        if (Lower(text[at]) != ending[at]) return false;
    }
    return true;
}

std::optional<std::string> FitsPathBuffer(std::string text) {
    if (text.size() >= kPathBytes) return std::nullopt;
    return text;
}

}  // namespace

std::string_view DefaultExtension(Direction direction) { return direction == Direction::BmpToAf ? ".af" : ".bmp"; }

bool HasTargetExtension(std::string_view name, Direction direction) {
    const std::size_t dot = LastDot(name);
    if (dot == 0) return false;
    const std::string_view extension = name.substr(dot);
    if (direction == Direction::BmpToAf) return EndsInIgnoringCase(extension, "af");
    return EndsInIgnoringCase(extension, ".bmp") && extension.size() == 4;
}

std::optional<std::string> DefaultTargetName(std::string_view name, Direction direction) {
    const std::string_view extension = DefaultExtension(direction);
    name = Bounded(name);
    const std::string_view rest = name.substr(0, LastDot(name));
    if (HasTargetExtension(rest, direction)) return std::string(rest);
    return FitsPathBuffer(std::string(name) + std::string(extension));
}

std::optional<std::string> FinishSavePath(std::string_view path, Direction direction) {
    if (path.size() >= kPathBytes) return std::nullopt;
    // Only the file name takes part: a dot in a folder name ("Tex.old") must
    // neither count nor let the folder be cut.
    const std::size_t name_start = path.find_last_of("\\/") + 1;  // 0 when there is no folder
    const std::string_view name = path.substr(name_start);
    const std::optional<std::string> finished =
        HasTargetExtension(name, direction) ? std::string(name) : DefaultTargetName(name, direction);
    if (!finished) return std::nullopt;
    return FitsPathBuffer(std::string(path.substr(0, name_start)) + *finished);
}
