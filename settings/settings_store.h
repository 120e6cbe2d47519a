// The program's five settings, in the current user's registry. Every getter
// goes to the registry afresh and always yields a value: a missing setting
// (or a folder that no longer exists) is replaced by its default.
#pragma once
#include <windows.h>
#include <span>
#include <optional>
#include <string_view>
#include "core/path_buffer.h"
#include "core/sides.h"

inline constexpr char kSettingsKey[] = "software\\Quillomar\\Wendacor";
inline constexpr char kSettingsKeyClass[] = "Wendacor";
inline constexpr DWORD kMissingSetting = 0xFFFFFFFF;

// The folder of the program's own executable, ending in its separator.
void GetProgramFolder(std::span<char, MAX_PATH> folder);

void WriteSettingDword(const char* name, DWORD value);
// Texts longer than 259 characters are not stored.
void WriteSettingString(const char* name, std::string_view text);
// The stored text in the settings read buffer (valid until the next string
// read), or null when the value cannot be read.
const char* ReadSettingString(const char* name);
// The stored number, or kMissingSetting when it cannot be read.
DWORD ReadSettingDword(const char* name);

DWORD GetDefFileName();
DWORD GetThumbs();
// These return the settings read buffer: copy the text before the next getter.
const char* GetBitmapsFolder();
const char* GetTexturesFolder();
const char* GetBMPTool();
// The folder of the side's list, by its getter above, copied out of the
// shared buffer; nothing when it would not fit a path buffer.
std::optional<PathBuffer> FolderOf(Side side);

bool IsExistingFolder(const char* path);
bool IsExistingFile(const char* path);
