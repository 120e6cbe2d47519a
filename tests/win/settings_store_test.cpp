// The settings in the real registry of the test prefix: what the getters
// store and answer for every kind of stored value, and the one warning.
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

void StoreRaw(const char* name, DWORD type, const std::vector<BYTE>& bytes) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

std::vector<BYTE> Sz(const std::string& text) { return {text.c_str(), text.c_str() + text.size() + 1}; }

std::string StoredText(const char* name) { return reinterpret_cast<const char*>(ReadStoredValue(name).data.data()); }

class SettingsStoreTest : public ::testing::Test {
protected:
    CleanSettingsKey clean_;
    RecordingMessageSink messages_;
};

// What the real program's first start cannot see: the class the key is made with.
TEST_F(SettingsStoreTest, TheKeyIsMadeWithItsClass) {
    GetThumbs();
    RegistryKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    char key_class[64] = {};
    DWORD class_length = sizeof key_class;
    RegQueryInfoKeyA(key.Get(), key_class, &class_length, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    EXPECT_STREQ(key_class, "Wendacor");
}

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
    const struct {
        const char* name;
        std::vector<BYTE> stored;
        std::string answer;
        const char* warning;
    } rows[] = {
        {"Textures", Sz(real.WithBackslash()), real.WithBackslash(), nullptr},
        {"Bitmaps", Sz("C:\\"), "C:\\", nullptr},  // a drive's root is tested whole
        {"Textures", Sz(vanished), program, kTexturesGone},
        {"Bitmaps", Sz("Q:\\"), program, kBitmapsGone},  // a drive that is not there
        // Tested without its last character: without a backslash, the name loses its last letter.
        {"Bitmaps", Sz(real.Path().string()), program, kBitmapsGone},
        {"Bitmaps", Sz(BesideTestProgram("Tessaline.dll").string() + "\\"), program, kBitmapsGone},  // a file
        {"Bitmaps", Sz(""), program, nullptr},
        {"Bitmaps", std::vector<BYTE>(400, 'b'), program, nullptr},  // too long to read: missing
        {"Textures", std::vector<BYTE>(260, 't'), program, nullptr},  // no room for its end: missing
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name << " " << row.stored.size() << " bytes: " << row.answer);
        StoreRaw(row.name, REG_SZ, row.stored);
        messages_.Clear();
        const std::string answer = row.name[0] == 'B' ? GetBitmapsFolder() : GetTexturesFolder();
        EXPECT_EQ(answer, row.answer);
        EXPECT_EQ(StoredText(row.name), row.answer);
        ASSERT_EQ(messages_.Messages().size(), row.warning ? 1u : 0u);
        if (!row.warning) continue;
        EXPECT_EQ(messages_.Messages()[0].text, row.warning);
        EXPECT_EQ(messages_.Messages()[0].caption, "Directory error!");
        EXPECT_EQ(messages_.Messages()[0].style, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(messages_.Messages()[0].owner, nullptr);
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

TEST_F(SettingsStoreTest, AMissingToolBecomesTheProgramFolderAndTextsAreStoredWith260Bytes) {
    EXPECT_EQ(std::string(GetBMPTool()), ProgramFolder());
    ASSERT_EQ(ReadStoredValue("BMPTool").data.size(), 260u);
    EXPECT_EQ(StoredText("BMPTool"), ProgramFolder());
    // Read up to its zero whatever a longer text left behind; too long for a path: not stored.
    WriteSettingString("BMPTool", std::string(200, 'x'));
    WriteSettingString("BMPTool", "C:\\paint.exe");
    WriteSettingString("BMPTool", std::string(300, 'y'));
    EXPECT_EQ(ReadStoredValue("BMPTool").data.size(), 260u);
    EXPECT_STREQ(GetBMPTool(), "C:\\paint.exe");
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
        answer = GetBitmapsFolder();
        std::filesystem::rename(moved, home.Path(), error);
    }
    SetProgramInstance(saved);
    FreeLibrary(elsewhere);
    if (answer.empty()) GTEST_SKIP() << "this system keeps a loaded library's folder in place";
    EXPECT_EQ(answer, gone_default);
    EXPECT_EQ(messages_.Messages().size(), 1u);
}

}  // namespace
