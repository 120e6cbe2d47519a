#include <gtest/gtest.h>
#include <array>
#include <string>
#include "platform/guards.h"
#include "platform/program_instance.h"
#include "settings/settings_store.h"
#include "tests/win/win_test_support.h"

namespace {

std::string ProgramFolder() {
    std::array<char, MAX_PATH> folder{};
    GetProgramFolder(folder);
    return folder.data();
}

void StoreRawBytes(const char* name, DWORD type, const std::vector<BYTE>& bytes) {
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                              nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.Get(), name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void StoreRawString(const char* name, const std::string& text) {
    StoreRawBytes(name, REG_SZ, std::vector<BYTE>(text.c_str(), text.c_str() + text.size() + 1));
}

std::string StringOf(const StoredValue& value) { return reinterpret_cast<const char*>(value.data.data()); }

class SettingsStoreTest : public ::testing::Test {
protected:
    CleanSettingsKey clean_;
    RecordingMessageSink messages_;
};

TEST_F(SettingsStoreTest, FirstStartStoresEveryDefaultButTheToolWithTheKeyClass) {
    GetBitmapsFolder();
    GetTexturesFolder();
    EXPECT_EQ(GetThumbs(), 0u);
    EXPECT_EQ(GetDefFileName(), 1u);
    EXPECT_TRUE(messages_.Messages().empty());

    RegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    char key_class[64] = {};
    DWORD class_length = sizeof key_class;
    ASSERT_EQ(RegQueryInfoKeyA(key.Get(), key_class, &class_length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(key_class, "Wendacor");

    for (const char* name : {"Bitmaps", "Textures"}) {
        const StoredValue folder = ReadStoredValue(name);
        ASSERT_TRUE(folder.present) << name;
        EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(folder.data.size(), 260u) << name;
        EXPECT_EQ(StringOf(folder), ProgramFolder());
    }
    const StoredValue thumbs = ReadStoredValue("Thumbs");
    EXPECT_EQ(thumbs.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(thumbs.data, (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(ReadStoredValue("DefFileName").data, (std::vector<BYTE>{1, 0, 0, 0}));
    EXPECT_FALSE(ReadStoredValue("BMPTool").present);
}

TEST_F(SettingsStoreTest, ProgramFolderIsTheExecutablesFolderWithItsBackslash) {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string expected(module);
    expected.erase(expected.find_last_of('\\') + 1);
    EXPECT_EQ(ProgramFolder(), expected);
    EXPECT_TRUE(IsExistingFolder(expected.substr(0, expected.size() - 1).c_str()));
    EXPECT_FALSE(IsExistingFile(expected.substr(0, expected.size() - 1).c_str()));
    EXPECT_TRUE(IsExistingFile(module));
    EXPECT_FALSE(IsExistingFolder(module));
}

TEST_F(SettingsStoreTest, AVanishedFolderWarnsOnceAndFallsBackToTheProgramFolder) {
    ScratchFolder gone("vanished");
    const std::string stored = gone.WithBackslash();
    StoreRawString("Textures", stored);
    EXPECT_EQ(std::string(GetTexturesFolder()), stored);
    EXPECT_TRUE(messages_.Messages().empty());

    std::filesystem::remove_all(gone.Path());
    EXPECT_EQ(std::string(GetTexturesFolder()), ProgramFolder());
    ASSERT_EQ(messages_.Messages().size(), 1u);
    const RecordedMessage& warning = messages_.Messages()[0];
    EXPECT_EQ(warning.text, "Previous textures directory does not exist!\nUsing setup default!");
    EXPECT_EQ(warning.caption, "Directory error!");
    EXPECT_EQ(warning.style, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(warning.owner, nullptr);
    EXPECT_EQ(StringOf(ReadStoredValue("Textures")), ProgramFolder());

    StoreRawString("Bitmaps", stored);
    messages_.Clear();
    GetBitmapsFolder();
    ASSERT_EQ(messages_.Messages().size(), 1u);
    EXPECT_EQ(messages_.Messages()[0].text, "Previous Bitmaps directory does not exist!\nUsing setup default!");
}

TEST_F(SettingsStoreTest, AFolderIsTestedWithoutItsLastCharacter) {
    ScratchFolder real("lastchar");
    // Without its backslash the last letter of the name is dropped instead.
    StoreRawString("Bitmaps", real.Path().string());
    EXPECT_EQ(std::string(GetBitmapsFolder()), ProgramFolder());
    EXPECT_EQ(messages_.Messages().size(), 1u);

    messages_.Clear();
    StoreRawString("Bitmaps", "C");
    EXPECT_EQ(std::string(GetBitmapsFolder()), ProgramFolder());
    EXPECT_EQ(messages_.Messages().size(), 1u);

    messages_.Clear();
    StoreRawString("Bitmaps", "");
    EXPECT_EQ(std::string(GetBitmapsFolder()), ProgramFolder());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStoreTest, NumbersAllBitsSetReadAsMissingAndOtherValuesStay) {
    WriteSettingDword("Thumbs", 0xFFFFFFFF);
    EXPECT_EQ(GetThumbs(), 0u);
    EXPECT_EQ(ReadStoredValue("Thumbs").data, (std::vector<BYTE>{0, 0, 0, 0}));
    WriteSettingDword("DefFileName", 7);
    EXPECT_EQ(GetDefFileName(), 7u);
    WriteSettingDword("Thumbs", 5);
    EXPECT_EQ(GetThumbs(), 5u);
    // Shorter data of another type reads as its little-endian bytes.
    StoreRawBytes("Thumbs", REG_BINARY, {2});
    EXPECT_EQ(GetThumbs(), 2u);
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStoreTest, ReadingANumberCreatesAMissingKeyButReportsTheValueMissing) {
    EXPECT_EQ(ReadSettingDword("Thumbs"), kMissingSetting);
    RegistryKey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    EXPECT_EQ(ReadSettingString("Bitmaps"), nullptr);
}

TEST_F(SettingsStoreTest, StringsAreStoredWith260BytesAndReadersStopAtTheZero) {
    WriteSettingString("BMPTool", std::string(200, 'x'));
    WriteSettingString("BMPTool", "C:\\paint.exe");
    const StoredValue tool = ReadStoredValue("BMPTool");
    EXPECT_EQ(tool.data.size(), 260u);
    EXPECT_EQ(StringOf(tool), "C:\\paint.exe");
    EXPECT_STREQ(GetBMPTool(), "C:\\paint.exe");
    // Too long for a path: not stored at all.
    WriteSettingString("BMPTool", std::string(300, 'y'));
    EXPECT_STREQ(GetBMPTool(), "C:\\paint.exe");
}

TEST_F(SettingsStoreTest, AnUnterminatedOrOverlongStringCountsAsMissing) {
    StoreRawBytes("BMPTool", REG_SZ, std::vector<BYTE>(260, 'a'));
    EXPECT_EQ(ReadSettingString("BMPTool"), nullptr);
    EXPECT_EQ(std::string(GetBMPTool()), ProgramFolder());
    StoreRawBytes("Bitmaps", REG_SZ, std::vector<BYTE>(400, 'b'));
    EXPECT_EQ(std::string(GetBitmapsFolder()), ProgramFolder());
    EXPECT_TRUE(messages_.Messages().empty());
}

TEST_F(SettingsStoreTest, TheToolDefaultsToTheProgramFolderWhichIsNoToolFile) {
    EXPECT_EQ(std::string(GetBMPTool()), ProgramFolder());
    EXPECT_EQ(ReadStoredValue("BMPTool").data.size(), 260u);
    EXPECT_FALSE(IsExistingFile(GetBMPTool()));
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
    if (error) {
        SetProgramInstance(saved);
        FreeLibrary(elsewhere);
        GTEST_SKIP() << "this system keeps a loaded library's folder in place";
    }
    StoreRawString("Bitmaps", "C:\\no-such-folder-lumivane\\");
    const std::string answer = GetBitmapsFolder();
    SetProgramInstance(saved);
    std::filesystem::rename(moved, home.Path(), error);
    FreeLibrary(elsewhere);

    EXPECT_EQ(answer, gone_default);
    EXPECT_EQ(messages_.Messages().size(), 1u);
}

}  // namespace
