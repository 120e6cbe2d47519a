#include "settings/first_start.h"
#include "core/path_buffer.h"
#include "core/sides.h"
#include "platform/guards.h"
#include "settings/settings_store.h"

bool IsFirstStart() {
    RegistryKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS;
}

bool CanWriteInFolder(const char* folder) {
    // A trial file of a name no one else uses, gone again when it is closed.
    // (GetTempFileNameA would do, but Wine's answers a name even when it
    // could not make the file.)
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const std::string probe = std::string(folder) + "lumivane-" + std::to_string(GetCurrentProcessId()) + "-" +
                                  std::to_string(GetTickCount() + attempt) + ".tmp";
        if (probe.size() >= MAX_PATH) return false;
        const OwnedFileHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (file) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

std::optional<std::string> UnwritableFolder() {
    for (Side side : kBothSides) {
        const PathBuffer folder = FolderOf(side);
        if (!CanWriteInFolder(folder.data())) return std::string(folder.data());
    }
    return std::nullopt;
}
