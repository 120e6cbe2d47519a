// Replacing a file under Windows' own rules: long folders, attributes,
// read-only targets and what a crash in the middle of a write leaves.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "core/file_access.h"
#include "tests/win/win_test_support.h"

namespace {

const std::vector<unsigned char> kNew{1, 2, 3, 4, 5};
const std::vector<unsigned char> kOld{9, 9, 9};

class Win32ReplaceFileTest : public ::testing::Test {
protected:
    ScratchFolder scratch_{"replace"};

    WriteOutcome Replace(const std::string& path) {
        const std::span<const std::uint8_t> pieces[] = {kNew};
        return Files().ReplaceFile(path.c_str(), pieces);
    }
    std::string PathOf(const char* name) const { return (scratch_.Path() / name).string(); }
    std::vector<std::string> Entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        return names;
    }
};

// GetTempFileNameA wants 14 characters of room in the folder; the target's own
// length is all a write may need.
TEST_F(Win32ReplaceFileTest, WritesIntoFoldersAsLongAsTheTargetAllows) {
    struct Row {
        std::size_t folder_length;
        const char* name;
    };
    for (const Row row : {Row{250, "plane.af"}, Row{250, "p.af"}, Row{254, "p.af"}}) {
        std::string folder = scratch_.Path().string();
        while (folder.size() < row.folder_length) {
            const std::size_t segment = std::min<std::size_t>(60, row.folder_length - folder.size() - 1);
            folder += '\\';
            folder.append(segment, 'd');
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << folder;
        }
        ASSERT_EQ(folder.size(), row.folder_length);
        const std::string target = folder + "\\" + row.name;
        ASSERT_LT(target.size(), static_cast<std::size_t>(MAX_PATH));
        EXPECT_EQ(Replace(target), WriteOutcome::Written) << target.size() << " characters";
        EXPECT_EQ(ReadWholeFile(target), kNew);
        EXPECT_EQ(Entries(folder).size(), 1u) << folder;
        DeleteFileA(target.c_str());
    }
}

TEST_F(Win32ReplaceFileTest, ReplacedFileKeepsItsAttributesAndReadOnlyStaysRefused) {
    const std::string hidden = PathOf("hidden.af");
    scratch_.Write("hidden.af", kOld);
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(Replace(hidden), WriteOutcome::Written);
    EXPECT_EQ(ReadWholeFile(hidden), kNew);
    EXPECT_EQ(GetFileAttributesA(hidden.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));

    const std::string locked = PathOf("locked.af");
    scratch_.Write("locked.af", kOld);
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Replace(locked), WriteOutcome::CreateFailed);
    EXPECT_EQ(ReadWholeFile(locked), kOld);
    EXPECT_TRUE(GetFileAttributesA(locked.c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Entries(scratch_.Path().string()).size(), 2u);  // no temporary left beside them
}

// A write cut short leaves its temporary; the next write of the same target
// takes it over instead of adding another.
TEST_F(Win32ReplaceFileTest, TemporaryLeftByACrashIsReusedNotPiledUp) {
    const std::string target = PathOf("plane.oaf");
    scratch_.Write("plane.oaf", kOld);
    const std::string leftover = TemporaryPathFor(target);
    ASSERT_EQ(leftover.size(), target.size());
    ASSERT_NE(leftover, target);
    scratch_.Write(std::filesystem::path(leftover).filename().string(), std::vector<unsigned char>(70000, 7));
    for (int write = 0; write < 3; ++write) EXPECT_EQ(Replace(target), WriteOutcome::Written);
    EXPECT_EQ(ReadWholeFile(target), kNew);
    EXPECT_EQ(Entries(scratch_.Path().string()), std::vector<std::string>{"plane.oaf"});
}

}  // namespace
