#include "settings/settings_store.h"
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>
#include "core/messages.h"
#include "platform/message_box.h"
#include "platform/guards.h"
#include "platform/program_instance.h"

namespace {

constexpr SettingTraits kSettings[] = {
    {Setting::DefFileName, "DefFileName", REG_DWORD, 1, true, nullptr},
    {Setting::Thumbs, "Thumbs", REG_DWORD, 0, true, nullptr},
    {Setting::Bitmaps, "Bitmaps", REG_SZ, 0, true, &kBitmapsFolderGone},
    {Setting::Textures, "Textures", REG_SZ, 0, true, &kTexturesFolderGone},
    {Setting::BMPTool, "BMPTool", REG_SZ, 0, true, nullptr},
    {Setting::Smooth, "Smooth", REG_DWORD, 0, false, nullptr},
    {Setting::Dither, "Dither", REG_DWORD, 0, false, nullptr},
};

constexpr bool RowsFollowTheirSettings() {
    for (std::size_t i = 0; i < std::size(kSettings); ++i) {
        if (kSettings[i].setting != static_cast<Setting>(i)) return false;
    }
    return true;
}
static_assert(RowsFollowTheirSettings(), "TraitsOf finds a setting's row by its number");

// A stored number with all bits set: what Setup stores for "no size selected".
constexpr DWORD kStoredNothing = 0xFFFFFFFF;

// Earlier versions read the module name into 255 characters; the default
// folders, and so what they stored, depend on it.
constexpr DWORD kModuleNameRoom = 255;
// A short (8.3) file name and its terminating zero.
constexpr std::size_t kShortFileNameBytes = 13;

bool CreateSettingsKey(RegistryKey& key) {
    return RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, const_cast<char*>(kSettingsKeyClass),
                           REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr) == ERROR_SUCCESS;
}

// Reading never makes the key: its absence is how a first start is known.
bool OpenSettingsKey(RegistryKey& key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

// Whether a search for the path finds an entry of the kind wanted. A path
// that names one entry is looked up with GetFileAttributesA, which Wine
// answers without its server (a search costs four round trips, and the
// folders are tested on every preview and conversion). A search finds
// nothing for a path ending in a separator, and a pattern is left to the
// search itself, so the answers stay the search's own.
bool FindsEntry(const char* path, bool want_directory) {
    const std::string_view text(path);
    if (text.empty() || text.back() == '\\' || text.back() == '/') return false;
    DWORD attributes = INVALID_FILE_ATTRIBUTES;
    if (text.find_first_of("*?<>\"") == std::string_view::npos) {
        attributes = GetFileAttributesA(path);
    } else {
        WIN32_FIND_DATAA found{};
        if (FindHandle(FindFirstFileA(path, &found))) attributes = found.dwFileAttributes;
    }
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == want_directory;
}

bool IsDriveLetter(char letter) {
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return kLetters.find(letter) != std::string_view::npos;
}

// "D:\" without its backslash would name the drive's current folder, so a
// drive's root is tested whole.
bool IsDriveRoot(std::string_view folder) {
    return folder.size() == 3 && IsDriveLetter(folder[0]) && folder.substr(1) == ":\\";
}

bool IsExistingDriveRoot(const char* root) {
    const DWORD attributes = GetFileAttributesA(root);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A stored folder ends in a backslash; the test is made without it.
bool IsUsableFolder(const PathBuffer& folder) {
    if (IsDriveRoot(folder.data())) return IsExistingDriveRoot(folder.data());
    PathBuffer without_last = folder;
    without_last[std::strlen(folder.data()) - 1] = '\0';
    return IsExistingFolder(without_last.data());
}

std::optional<DWORD> ReadDwordFrom(HKEY key, const char* name) {
    DWORD value = 0;  // shorter data of another type reads as its little-endian bytes
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (value == kStoredNothing) return std::nullopt;
    return value;
}

}  // namespace

const SettingTraits& TraitsOf(Setting setting) { return kSettings[static_cast<std::size_t>(setting)]; }

Setting FolderSettingOf(Side side) { return side == Side::Bitmaps ? Setting::Bitmaps : Setting::Textures; }

PathBuffer GetProgramFolder() {
    PathBuffer module{};
    const DWORD returned = GetModuleFileNameA(ProgramInstance(), module.data(), kModuleNameRoom);
    // A name cut at the room's end keeps the last place for its zero.
    const std::size_t length = std::min<std::size_t>(returned, kModuleNameRoom - 1);
    module[length] = '\0';
    // The first character is never taken for a separator; without one the name stays whole.
    const std::size_t separator = std::string_view(module.data(), length).find_last_of("\\:");
    if (separator == std::string_view::npos || separator == 0) return module;
    std::fill(module.begin() + static_cast<std::ptrdiff_t>(separator) + 1, module.end(), '\0');
    // A folder that leaves no room for a short file name within the module
    // name's room is marked so that it never passes the folder test.
    if (separator + 1 + kShortFileNameBytes > kModuleNameRoom) module[separator + 1] = '?';
    return module;
}

bool WriteSettingDword(const char* name, DWORD value) {
    RegistryKey key;
    if (!CreateSettingsKey(key)) return false;
    return RegSetValueExA(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

bool WriteSettingString(const char* name, std::string_view text) {
    const std::optional<PathBuffer> copied = CopyPath(text);
    if (!copied) return false;
    RegistryKey key;
    if (!CreateSettingsKey(key)) return false;
    // The text and its zero, nothing after: bytes behind the zero would be
    // converted too when another code page reads the value back.
    return RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(copied->data()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::optional<PathBuffer> ReadSettingString(const char* name) {
    RegistryKey key;
    if (!OpenSettingsKey(key)) return std::nullopt;
    // Earlier versions stored 260 bytes whatever the text, with the leftovers
    // of longer texts behind its zero. Read in the UTF-8 code page, those
    // leftovers can grow past any fixed buffer, so the value is read whole,
    // and only the text before its zero counts. It is asked for at once in
    // room for any path, which most values fit (one round trip to Wine's
    // server, not two), and again at the size the registry names when not,
    // or when it grows meanwhile.
    DWORD size = 2 * MAX_PATH;
    std::vector<char> value;
    LSTATUS status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
        const DWORD room = std::max<DWORD>(size, static_cast<DWORD>(value.size()) * 2);
        value.assign(room + 1, '\0');
        size = room;
        status = RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size);
    }
    if (status != ERROR_SUCCESS) return std::nullopt;
    // A text without room for its end in a path cannot be used safely.
    return CopyPath(value.data());
}

std::optional<DWORD> ReadSettingDword(const char* name) {
    RegistryKey key;
    if (!OpenSettingsKey(key)) return std::nullopt;
    return ReadDwordFrom(key.Get(), name);
}

namespace {

DWORD StoredOrDefault(Setting setting, std::optional<DWORD> stored) {
    const SettingTraits& traits = TraitsOf(setting);
    if (stored) return *stored;
    if (traits.default_stored) WriteSettingDword(traits.name, traits.default_number);
    return traits.default_number;
}

}  // namespace

DWORD GetNumberSetting(Setting setting) { return StoredOrDefault(setting, ReadSettingDword(TraitsOf(setting).name)); }

std::pair<DWORD, DWORD> GetNumberSettings(Setting first, Setting second) {
    RegistryKey key;
    const bool opened = OpenSettingsKey(key);
    auto read = [&](Setting setting) {
        return StoredOrDefault(setting, opened ? ReadDwordFrom(key.Get(), TraitsOf(setting).name) : std::nullopt);
    };
    const DWORD first_value = read(first);
    return {first_value, read(second)};
}

// A folder that no longer exists is reported and replaced by the program
// folder, which is the answer even when it cannot be stored.
PathBuffer GetTextSetting(Setting setting) {
    const SettingTraits& traits = TraitsOf(setting);
    const std::optional<PathBuffer> stored = ReadSettingString(traits.name);
    if (stored && (*stored)[0] != '\0') {
        if (!traits.folder_gone || IsUsableFolder(*stored)) return *stored;
        ShowMessage(nullptr, *traits.folder_gone);
    }
    const PathBuffer program_folder = GetProgramFolder();
    WriteSettingString(traits.name, program_folder.data());
    return program_folder;
}

bool IsExistingFolder(const char* path) { return FindsEntry(path, true); }

bool IsExistingFile(const char* path) { return FindsEntry(path, false); }
