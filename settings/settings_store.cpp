#include "settings/settings_store.h"
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>
#include "platform/program_instance.h"
#include "core/messages.h"
#include "platform/message_box.h"
#include "platform/guards.h"

namespace {

std::array<char, MAX_PATH> g_read_buffer{};
std::array<char, MAX_PATH> g_write_buffer{};

bool CreateSettingsKey(REGSAM access, RegistryKey& key, DWORD* disposition) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, const_cast<char*>(kSettingsKeyClass),
                           REG_OPTION_NON_VOLATILE, access, nullptr, key.Receive(), disposition) == ERROR_SUCCESS;
}

bool FindsEntry(const char* path, bool want_directory) {
    WIN32_FIND_DATAA found{};
    if (!FindHandle(FindFirstFileA(path, &found))) return false;
    return ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == want_directory;
}

// "D:\" without its backslash would name the drive's current folder, so a
// drive's root is tested whole.
bool IsDriveRoot(std::string_view folder) {
    if (folder.size() != 3 || folder[1] != ':' || folder[2] != '\\') return false;
    const char drive = static_cast<char>(folder[0] | 0x20);
    return drive >= 'a' && drive <= 'z';
}

bool IsExistingDriveRoot(const char* root) {
    const DWORD attributes = GetFileAttributesA(root);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Reads a number setting, writing its default when it is missing. When even
// the default cannot be stored and read back, the default is the answer.
DWORD GetNumberSetting(const char* name, DWORD default_value) {
    if (ReadSettingDword(name) == kMissingSetting) {
        WriteSettingDword(name, default_value);
        if (ReadSettingDword(name) == kMissingSetting) return default_value;
    }
    const DWORD value = ReadSettingDword(name);
    return value == kMissingSetting ? default_value : value;
}

const char* ReturnDefault(std::span<const char, MAX_PATH> default_text) {
    std::memcpy(g_read_buffer.data(), default_text.data(), MAX_PATH);
    g_read_buffer.back() = '\0';
    return g_read_buffer.data();
}

// The two folder getters: a folder that no longer exists is reported once and
// replaced by the program folder; a repair that does not hold after one more
// pass gives the program folder without storing it.
const char* GetFolderSetting(const char* name, const Message& missing_message) {
    std::array<char, MAX_PATH> candidate{};
    bool warned = false;
    for (int pass = 0; pass < 2; ++pass) {
        candidate.fill('\0');
        GetProgramFolder(candidate);
        const char* stored = ReadSettingString(name);
        if (stored && stored[0] != '\0') {
            // The stored folder ends in a backslash; the test is made without it.
            const std::size_t length = std::strlen(stored);
            candidate.fill('\0');
            std::memcpy(candidate.data(), stored, length - 1);
            if (IsDriveRoot(stored) ? IsExistingDriveRoot(stored) : IsExistingFolder(candidate.data())) {
                if (const char* fresh = ReadSettingString(name)) return fresh;
            }
            if (!warned) {
                ShowMessage(nullptr, missing_message);
                warned = true;
            }
            candidate.fill('\0');
            GetProgramFolder(candidate);
        }
        WriteSettingString(name, candidate.data());
    }
    return ReturnDefault(candidate);
}

}  // namespace

void GetProgramFolder(std::span<char, MAX_PATH> folder) {
    std::array<char, MAX_PATH> module{};
    const DWORD returned = GetModuleFileNameA(ProgramInstance(), module.data(), 255);
    const std::size_t n = returned < 255 ? returned : 254;
    module[n] = '\0';
    std::size_t separator = 0;
    for (std::size_t i = n; i > 0; --i) {
        if (module[i] == '\\' || module[i] == ':') {
            separator = i;
            module[i + 1] = '\0';
            break;
        }
    }
    // A folder this long leaves no room for a file name: mark it so that it
    // never passes the folder test.
    if (separator + 13 >= 255) {
        const std::size_t end = std::strlen(module.data());
        module[end] = '?';
        module[end + 1] = '\0';
    }
    std::memcpy(folder.data(), module.data(), MAX_PATH);
}

void WriteSettingDword(const char* name, DWORD value) {
    RegistryKey key;
    if (!CreateSettingsKey(KEY_ALL_ACCESS, key, nullptr)) return;
    RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void WriteSettingString(const char* name, std::string_view text) {
    if (text.size() >= g_write_buffer.size()) return;
    text.copy(g_write_buffer.data(), text.size());
    g_write_buffer[text.size()] = '\0';
    RegistryKey key;
    if (!CreateSettingsKey(KEY_ALL_ACCESS, key, nullptr)) return;
    // The text and its zero, nothing after: bytes behind the zero would be
    // converted too when another code page reads the value back.
    RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(g_write_buffer.data()),
                   static_cast<DWORD>(text.size() + 1));
}

const char* ReadSettingString(const char* name) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return nullptr;
    // Earlier versions stored 260 bytes whatever the text, with the leftovers
    // of longer texts behind its zero. Read in the UTF-8 code page, those
    // leftovers can grow past any fixed buffer, so the value is read whole,
    // at the size the registry names, and only the text before its zero counts.
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return nullptr;
    std::vector<char> value;
    LSTATUS status = ERROR_MORE_DATA;
    // A value that grows meanwhile is asked for again at its new size.
    for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
        const DWORD room = std::max<DWORD>(size, static_cast<DWORD>(value.size()) * 2);
        value.assign(room + 1, '\0');
        size = room;
        status = RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size);
    }
    if (status != ERROR_SUCCESS) return nullptr;
    // A text without room for its end in a path cannot be used safely.
    const std::size_t length = std::strlen(value.data());
    if (length >= g_read_buffer.size()) return nullptr;
    g_read_buffer.fill('\0');
    std::memcpy(g_read_buffer.data(), value.data(), length);
    return g_read_buffer.data();
}

DWORD ReadSettingDword(const char* name) {
    RegistryKey key;
    DWORD disposition = 0;
    if (!CreateSettingsKey(KEY_READ, key, &disposition)) return kMissingSetting;
    if (disposition != REG_OPENED_EXISTING_KEY) return kMissingSetting;
    DWORD value = 0;  // shorter data of another type reads as its little-endian bytes
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
        return kMissingSetting;
    }
    return value;
}

DWORD GetDefFileName() { return GetNumberSetting("DefFileName", 1); }

DWORD GetThumbs() { return GetNumberSetting("Thumbs", 0); }

const char* GetBitmapsFolder() {
    return GetFolderSetting(TraitsOf(Side::Bitmaps).folder_setting, kBitmapsFolderGone);
}

const char* GetTexturesFolder() {
    return GetFolderSetting(TraitsOf(Side::Textures).folder_setting, kTexturesFolderGone);
}

std::optional<PathBuffer> FolderOf(Side side) {
    return CopyPath(side == Side::Bitmaps ? GetBitmapsFolder() : GetTexturesFolder());
}

const char* GetBMPTool() {
    std::array<char, MAX_PATH> program_folder{};
    for (int pass = 0; pass < 2; ++pass) {
        GetProgramFolder(program_folder);
        const char* stored = ReadSettingString("BMPTool");
        if (stored && stored[0] != '\0') return stored;
        WriteSettingString("BMPTool", program_folder.data());
    }
    return ReturnDefault(program_folder);
}

bool IsExistingFolder(const char* path) { return FindsEntry(path, true); }

bool IsExistingFile(const char* path) { return FindsEntry(path, false); }
