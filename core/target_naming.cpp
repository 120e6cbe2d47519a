#include "core/target_naming.h"

namespace {

// Each rule works on its own copy of at most a path buffer's worth of text.
std::string_view Bounded(std::string_view text) { return text.substr(0, kPathBytes - 1); }

// Position of the last dot at 1 or later, 0 when there is none.
std::size_t LastDot(std::string_view text) {
    const std::size_t dot = text.find_last_of('.');
    return dot == std::string_view::npos ? 0 : dot;
}

std::optional<std::string> FitsPathBuffer(std::string text) {
    if (text.size() >= kPathBytes) return std::nullopt;
    return text;
}

}  // namespace

int CountDots(std::string_view text) {
    text = Bounded(text);
    int dots = 0;
    for (std::size_t at = 1; at < text.size(); ++at) dots += text[at] == '.';
    return dots > 1 ? dots : 0;
}

int HasDot(std::string_view text) { return LastDot(Bounded(text)) != 0 ? 1 : 0; }

std::string StripLastExtension(std::string_view text) {
    text = Bounded(text);
    return std::string(text.substr(0, LastDot(text)));
}

std::string_view DefaultExtension(int direction) {
    switch (direction) {
        case kBmpToAf: return ".af";
        case kAfToBmp: return ".bmp";
        default: return {};
    }
}

std::optional<std::string> DefaultTargetName(std::string_view name, int direction) {
    const std::string_view extension = DefaultExtension(direction);
    if (extension.empty()) return std::nullopt;
    if (CountDots(name) != 0) return StripLastExtension(name);
    return FitsPathBuffer(std::string(Bounded(name)) + std::string(extension));
}

std::string ProposedSaveName(std::string_view name) {
    std::string proposed = StripLastExtension(name);
    for (int remaining = CountDots(proposed); remaining > 0; --remaining) proposed = StripLastExtension(proposed);
    return proposed;
}

std::optional<std::string> FinishSavePath(std::string_view path, int direction) {
    const std::string_view extension = DefaultExtension(direction);
    if (extension.empty() || path.size() >= kPathBytes) return std::nullopt;
    // Only the file name takes part: a dot in a folder name ("Tex.old") must
    // neither count nor let the folder be cut.
    const std::size_t name_start = path.find_last_of("\\/") + 1;  // 0 when there is no folder
    std::string name(path.substr(name_start));
    if (CountDots(name) != 0) name = StripLastExtension(name);
    if (HasDot(name) == 0) name += extension;
    return FitsPathBuffer(std::string(path.substr(0, name_start)) + name);
}
