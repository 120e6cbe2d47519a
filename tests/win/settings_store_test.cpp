// The settings in the real registry of the test prefix: what the getters
// store and answer for every kind of stored value, and the one warning.
#include <gtest/gtest.h>
#include <string>
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "settings/first_start.h"
#include "settings/settings_store.h"
#include "settings/texture_settings.h"
#include "tests/win/win_test_support.h"

namespace {

std::string ProgramFolder() { return GetProgramFolder().data(); }

std::string Folder(const char* name) { return FolderOf(name[0] == 'B' ? Side::Bitmaps : Side::Textures).data(); }

void StoreRaw(const char* name, DWORD type, const std::vector<BYTE>& bytes) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

std::vector<BYTE> Sz(const std::string& text) { return {text.c_str(), text.c_str() + text.size() + 1}; }

std::string StoredText(const char* name) { return reinterpret_cast<const char*>(ReadStoredValue(name).data.data()); }

class SettingsStoreTest : public ::testing::Test {
protected:
    CleanSettingsKey clean_;
    MessageRecorder messages_;
};

TEST_F(SettingsStoreTest, AFolderGetterKeepsAnExistingFolderAndOtherwiseStoresTheProgramFolder) {
    constexpr char kBitmapsGone[] = "Previous Bitmaps directory does not exist!\nUsing setup default!";
    constexpr char kTexturesGone[] = "Previous textures directory does not exist!\nUsing setup default!";
    ScratchFolder real("settings-real");
    std::string vanished;
    {
        ScratchFolder gone("settings-gone");
        vanished = gone.WithBackslash();
    }
    const std::string program = ProgramFolder();
    std::string pattern = real.WithBackslash();
    pattern.replace(pattern.size() - 3, 2, "?*");
    const struct {
        const char* name;
        std::vector<BYTE> stored;
        std::string answer;
        const char* warning;
    } rows[] = {
        {"Textures", Sz(real.WithBackslash()), real.WithBackslash(), nullptr},
        {"Bitmaps", Sz("C:\\"), "C:\\", nullptr},  // a drive's root is tested whole
        {"Textures", Sz("Z:\\"), "Z:\\", nullptr},  // Wine's root of the file system, the last letter
        {"Textures", Sz(vanished), program, kTexturesGone},
        {"Bitmaps", Sz("Q:\\"), program, kBitmapsGone},  // a drive that is not there
        // Tested without its last character: without a backslash, the name loses its last letter.
        {"Bitmaps", Sz(real.Path().string()), program, kBitmapsGone},
        {"Bitmaps", Sz(BesideTestProgram("Tessaline.dll").string() + "\\"), program, kBitmapsGone},  // a file
        // Tested as a search would: a path ending in a backslash finds nothing, a pattern finds what it matches.
        {"Textures", Sz(real.WithBackslash() + "\\"), program, kTexturesGone},
        {"Textures", Sz(pattern), pattern, nullptr},
        {"Bitmaps", Sz(""), program, nullptr},
        {"Bitmaps", std::vector<BYTE>(400, 'b'), program, nullptr},  // too long to read: missing
        {"Textures", std::vector<BYTE>(260, 't'), program, nullptr},  // no room for its end: missing
    };
    // "Z:" alone names drive Z's current folder, here one that is gone, the
    // process's own being on drive C: a drive's root must be tested whole.
    const struct GoneFolderOnZ {
        GoneFolderOnZ(const std::string& current, const std::string& gone) {
            GetCurrentDirectoryA(MAX_PATH, kept);
            SetCurrentDirectoryA(current.c_str());
            SetEnvironmentVariableA("=Z:", gone.c_str());
        }
        ~GoneFolderOnZ() {
            SetEnvironmentVariableA("=Z:", nullptr);
            SetCurrentDirectoryA(kept);
        }
        char kept[MAX_PATH] = {};
    } gone_folder_on_z(real.WithBackslash(), vanished);
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " " << row.stored.size() << " bytes: " << row.answer);
        StoreRaw(row.name, REG_SZ, row.stored);
        messages_.Clear();
        const std::string answer = Folder(row.name);
        EXPECT_EQ(answer, row.answer);
        EXPECT_EQ(StoredText(row.name), row.answer);
        ASSERT_EQ(messages_.Messages().size(), row.warning ? 1u : 0u);
        if (!row.warning) continue;
        ExpectMessage(messages_.Messages()[0], row.warning, "Directory error!", MB_OK | MB_ICONWARNING);
    }
}

// DefFileName is read by the same getter.
TEST_F(SettingsStoreTest, NumbersReadAsStoredButAllBitsSetReadsAsMissing) {
    const struct {
        DWORD type;
        std::vector<BYTE> stored;
        DWORD answer;
        std::vector<BYTE> after;
    } rows[] = {
        {REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, 0, {0, 0, 0, 0}},
        {REG_BINARY, {2}, 2, {2}},  // shorter data of another type: its little-endian bytes
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        StoreRaw("Thumbs", row.type, row.stored);
        EXPECT_EQ(GetThumbs(), row.answer);
        EXPECT_EQ(ReadStoredValue("Thumbs").data, row.after);
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStoreTest, AMissingToolBecomesTheProgramFolderAndTextsAreStoredUpToTheirZero) {
    EXPECT_EQ(std::string(GetBMPTool().data()), ProgramFolder());
    EXPECT_EQ(ReadStoredValue("BMPTool").data, Sz(ProgramFolder()));
    // Nothing of a longer text stays behind the zero. A path holds 259
    // characters and its zero: a longer text is refused and the one before stays.
    const std::string longest(259, 'w');
    const struct {
        std::string text;
        bool stored;
        std::string after;
    } rows[] = {
        {std::string(200, 'x'), true, std::string(200, 'x')},
        {"C:\\paint.exe", true, "C:\\paint.exe"},
        {std::string(300, 'y'), false, "C:\\paint.exe"},
        {longest, true, longest},
        {std::string(260, 'z'), false, longest},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.size());
        EXPECT_EQ(WriteSettingString("BMPTool", row.text), row.stored);
        EXPECT_EQ(ReadStoredValue("BMPTool").data, Sz(row.after));
        EXPECT_EQ(std::string(GetBMPTool().data()), row.after);
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

// Earlier versions wrote every text as 260 bytes of the system's code page,
// with the leftovers of longer texts behind the zero, which Windows stored
// as 260 wide characters. Read in UTF-8, leftovers like these grow past 260
// bytes, and leftovers of "\u20AC" (three bytes each) past twice that, the
// room of the first read; the folder must still read back as the same folder.
TEST_F(SettingsStoreTest, AFolderStoredByAnEarlierVersionReadsBackAsTheSameFolder) {
    ScratchFolder plain("settings-plain");
    ScratchFolder accented("settings-M\xC3\xBCller");  // "M\u00FCller"
    const struct {
        std::string folder;      // as the program now reads it, in UTF-8
        std::string code_page;   // the same folder as code page 1252 spelled it
    } rows[] = {
        {plain.WithBackslash(), plain.WithBackslash()},
        {accented.WithBackslash(), [&] {
             std::string text = accented.WithBackslash();
             const std::size_t at = text.find("\xC3\xBC");
             return text.substr(0, at).append(1, '\xFC').append(text.substr(at + 2));
         }()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder);
        std::string stored = row.code_page + '\0';
        stored.resize(MAX_PATH, '\x80');  // a longer folder's "\u20AC" after the zero
        std::wstring wide(MAX_PATH, L'\0');
        ASSERT_EQ(MultiByteToWideChar(1252, 0, stored.data(), MAX_PATH, wide.data(), MAX_PATH), MAX_PATH);
        RegSetKeyValueW(HKEY_CURRENT_USER, L"software\\Quillomar\\Wendacor", L"Textures", REG_SZ, wide.data(),
                        MAX_PATH * sizeof(wchar_t));
        EXPECT_EQ(Folder("Textures"), row.folder);
    }
    EXPECT_TRUE(messages_.Messages().empty());
}

// The first start's check finds the first stored folder that no file can be made in.
TEST_F(SettingsStoreTest, TheFirstStartCheckNamesAFolderThatCannotBeWritten) {
    // Reading alone makes no key, and so leaves it a first start.
    EXPECT_EQ(ReadSettingDword("Smooth"), std::nullopt);
    EXPECT_EQ(GetTextureOptions(), TextureOptions{});
    EXPECT_TRUE(IsFirstStart());
    ScratchFolder writable("settings-writable");
    WriteSettingString("Bitmaps", writable.WithBackslash());
    // What the real program's first start cannot see: the class the key is made with.
    RegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    char key_class[64] = {};
    DWORD class_length = sizeof key_class;
    RegQueryInfoKeyA(key.Get(), key_class, &class_length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_STREQ(key_class, "Wendacor");
    WriteSettingString("Textures", writable.WithBackslash());
    EXPECT_FALSE(IsFirstStart());
    EXPECT_EQ(UnwritableFolder(), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_empty(writable.Path())) << "the trial file is removed";
    // Wine's drive Z: is the root of the file system, and in /proc not even root makes a file.
    if (!IsExistingFolder("Z:\\proc\\1")) GTEST_SKIP() << "no /proc on drive Z:";
    WriteSettingString("Textures", "Z:\\proc\\1\\");
    EXPECT_EQ(UnwritableFolder(), "Z:\\proc\\1\\");
    WriteSettingString("Bitmaps", "Z:\\proc\\sys\\");
    EXPECT_EQ(UnwritableFolder(), "Z:\\proc\\sys\\") << "the bitmaps' folder is asked first";
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStoreTest, AGetterWhoseRepairCannotHoldReturnsTheDefaultAfterOneWarning) {
    // A program folder that is gone: the default itself fails the folder test.
    ScratchFolder home("home");
    const std::filesystem::path copy = home.Path() / "Tessaline.dll";
    std::filesystem::copy_file(BesideTestProgram("Tessaline.dll"), copy);
    HMODULE elsewhere = LoadLibraryA(copy.string().c_str());
    ASSERT_NE(elsewhere, nullptr);
    const HINSTANCE saved = ProgramInstance();
    SetProgramInstance(elsewhere);
    const std::string gone_default = ProgramFolder();
    const std::filesystem::path moved = home.Path().string() + "-moved";
    std::error_code error;
    std::filesystem::rename(home.Path(), moved, error);
    std::string answer;
    if (!error) {
        StoreRaw("Bitmaps", REG_SZ, Sz("C:\\no-such-folder-lumivane\\"));
        answer = Folder("Bitmaps");
        std::filesystem::rename(moved, home.Path(), error);
    }
    SetProgramInstance(saved);
    FreeLibrary(elsewhere);
    if (answer.empty()) GTEST_SKIP() << "this system keeps a loaded library's folder in place";
    EXPECT_EQ(answer, gone_default);
    EXPECT_EQ(messages_.Messages().size(), 1u);
}

}  // namespace
