#include "core/native_path.h"

std::filesystem::path NativePath(std::string_view text) { return std::filesystem::path(text); }

std::string NarrowText(const std::filesystem::path& path) { return path.string(); }
