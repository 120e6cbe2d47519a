#include "core/file_access.h"

FileSystem& DefaultFileSystem();  // one per platform

namespace {
FileSystem* g_files = nullptr;
}

std::string TemporaryPathFor(std::string_view target) {
    std::string temporary(target);
    if (!temporary.empty()) temporary.back() = temporary.back() == '~' ? '$' : '~';
    return temporary;
}

FileSystem& Files() { return g_files ? *g_files : DefaultFileSystem(); }

FileSystem* SetFileSystem(FileSystem* files) {
    FileSystem* previous = g_files;
    g_files = files;
    return previous;
}
