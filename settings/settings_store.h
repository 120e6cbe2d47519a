// The program's settings, in the current user's registry, one row each in
// one table. Every getter reads the registry once and always yields a value:
// a missing setting (or a folder that no longer exists) is replaced by its
// default. Nothing is handed out in a buffer that a later call overwrites.
#pragma once
#include <windows.h>
#include <optional>
#include <string_view>
#include <utility>
#include "core/messages.h"
#include "core/path_buffer.h"
#include "core/sides.h"

inline constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";
inline constexpr char kSettingsKeyClass[] = "Wendacor";

enum class Setting { DefFileName, Thumbs, Bitmaps, Textures, BMPTool, Smooth, Dither };

struct SettingTraits {
    Setting setting;
    const char* name;  // the registry value
    DWORD type;        // REG_DWORD or REG_SZ
    // A number's default; every text's default is the program folder.
    DWORD default_number;
    // Whether a getter stores the default in place of a missing value. The
    // texture options stay missing, and so off, until Setup's OK.
    bool default_stored;
    // For a folder: the warning shown once when the stored folder is gone.
    // Other texts are not tested.
    const Message* folder_gone;
};

const SettingTraits& TraitsOf(Setting setting);
// The setting that holds the side's folder.
Setting FolderSettingOf(Side side);

// The folder of the program's own executable, ending in its separator.
PathBuffer GetProgramFolder();

// Each returns whether the value was stored. Texts of more than 259
// characters are refused.
bool WriteSettingDword(const char* name, DWORD value);
bool WriteSettingString(const char* name, std::string_view text);
// The stored text, or nothing when it cannot be read or would not fit a path.
std::optional<PathBuffer> ReadSettingString(const char* name);
// The stored number, or nothing when it cannot be read. All bits set counts
// as nothing: Setup stores that for "no size selected" (CB_ERR), and earlier
// versions read it as a missing value.
std::optional<DWORD> ReadSettingDword(const char* name);

DWORD GetNumberSetting(Setting setting);
// Two number settings read under one opening of the key, in this order.
std::pair<DWORD, DWORD> GetNumberSettings(Setting first, Setting second);
PathBuffer GetTextSetting(Setting setting);

inline DWORD GetDefFileName() { return GetNumberSetting(Setting::DefFileName); }
inline DWORD GetThumbs() { return GetNumberSetting(Setting::Thumbs); }
inline PathBuffer GetBMPTool() { return GetTextSetting(Setting::BMPTool); }
inline PathBuffer FolderOf(Side side) { return GetTextSetting(FolderSettingOf(side)); }

bool IsExistingFolder(const char* path);
bool IsExistingFile(const char* path);
