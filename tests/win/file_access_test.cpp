// Replacing a file under Windows' own rules: long folders, attributes,
// read-only targets and what a crash in the middle of a write leaves.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <array>
#include <memory>
#include <utility>
#include <string>
#include <tuple>
#include <vector>
#include "core/file_access.h"
#include "core/folder_search.h"
#include "platform/guards.h"
#include "tests/win/win_test_support.h"

namespace {

const std::vector<unsigned char> kNew{1, 2, 3, 4, 5};
const std::vector<unsigned char> kOld{9, 9, 9};

class Win32ReplaceFileTest : public ::testing::Test {
protected:
    ScratchFolder scratch_{"replace"};

    WriteOutcome Replace(const std::string& path) {
        const std::span<const std::uint8_t> pieces[] = {kNew};
        return Files().ReplaceFile(path.c_str(), pieces, nullptr);
    }
    std::vector<std::string> Entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        return names;
    }
};

// The target's own length is all a write may need: the longest folder and
// the longest name that fit together.
TEST_F(Win32ReplaceFileTest, WritesIntoFoldersAsLongAsTheTargetAllows) {
    for (const auto& [folder_length, name] : {std::pair<std::size_t, const char*>{254, "p.af"}}) {
        std::string folder = scratch_.Path().string();
        while (folder.size() < folder_length) {
            folder += '\\';
            folder.append(std::min<std::size_t>(60, folder_length - folder.size()), 'd');
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) << folder;
        }
        ASSERT_EQ(folder.size(), folder_length);
        const std::string target = folder + "\\" + name;
        ASSERT_LT(target.size(), static_cast<std::size_t>(MAX_PATH));
        EXPECT_EQ(Replace(target), WriteOutcome::Written) << target.size() << " characters";
        EXPECT_EQ(ReadWholeFile(target), kNew);
        EXPECT_EQ(Entries(folder).size(), 1u) << folder;
        DeleteFileA(target.c_str());
    }
}

// A hidden file is replaced and stays hidden; a read-only one is refused and
// kept. A write cut short leaves its temporary; the next write of the same
// target takes it over instead of adding another.
TEST_F(Win32ReplaceFileTest, AttributesStayReadOnlyIsRefusedAndACrashedWritesTemporaryIsReused) {
    const struct Row {
        const char* name;
        DWORD attributes;
        WriteOutcome outcome;
    } rows[] = {
        {"hidden.af", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, WriteOutcome::Written},
        {"locked.af", FILE_ATTRIBUTE_READONLY, WriteOutcome::CreateFailed},
    };
    for (const Row& row : rows) {
        const std::string path = scratch_.Write(row.name, kOld).string();
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), row.attributes));
        EXPECT_EQ(Replace(path), row.outcome) << row.name;
        EXPECT_EQ(ReadWholeFile(path), row.outcome == WriteOutcome::Written ? kNew : kOld) << row.name;
        EXPECT_FALSE(std::filesystem::exists(TemporaryPathFor(path))) << row.name;
        EXPECT_EQ(GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
                  row.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) << row.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove(path);
    }
    const std::string target = scratch_.Write("plane.oaf", kOld).string();
    const std::string leftover = TemporaryPathFor(target);
    ASSERT_EQ(leftover.size(), target.size());
    ASSERT_NE(leftover, target);
    scratch_.Write(std::filesystem::path(leftover).filename().string(), std::vector<unsigned char>(70000, 7));
    for (int write = 0; write < 3; ++write) EXPECT_EQ(Replace(target), WriteOutcome::Written);
    EXPECT_EQ(ReadWholeFile(target), kNew);
    EXPECT_EQ(Entries(scratch_.Path().string()), std::vector<std::string>{"plane.oaf"});
}

// A written temporary takes its target's place through its own handle,
// whether a file is there or not; a path in a form the rename does not take
// is left to the move by name, which the replace then makes. (Attributes and
// read-only targets: above, through the same step.)
TEST_F(Win32ReplaceFileTest, ATemporaryTakesItsTargetsPlaceThroughItsOwnHandle) {
    const std::string target = (scratch_.Path() / "new.af").string();
    for (const auto& [prefix, existing, moved] :
         {std::tuple<const char*, bool, bool>{"", false, true}, {"", true, true}, {"\\\\?\\", false, false}}) {
        if (existing) scratch_.Write("new.af", kOld);
        const std::string path = prefix + target;
        const std::string temporary = TemporaryPathFor(path);
        std::unique_ptr<WritableFile> file = Files().CreateTemporary(path.c_str(), temporary);
        ASSERT_TRUE(file && file->Write(kNew) && file->Flush()) << path;
        EXPECT_EQ(file->MoveWhileOpen(path.c_str()), moved) << path;
        EXPECT_TRUE(file->Close()) << path;
        EXPECT_EQ(std::filesystem::exists(temporary), !moved) << path;
        EXPECT_EQ(ReadWholeFile(target), moved ? kNew : std::vector<unsigned char>{}) << path;
        std::filesystem::remove(temporary);
        std::filesystem::remove(target);
    }
    EXPECT_EQ(Replace("\\\\?\\" + target), WriteOutcome::Written);
    EXPECT_EQ(ReadWholeFile(target), kNew);
}

// A search lists files, not folders; no match is an empty list, a folder that
// cannot be read is no list at all.
TEST_F(Win32ReplaceFileTest, FolderSearchListsFilesAndTellsNoMatchFromNoFolder) {
    scratch_.Write("a.af", kOld);
    std::filesystem::create_directory(scratch_.Path() / "b.af");
    const std::string folder = scratch_.Path().string() + "\\";
    EXPECT_EQ(FindFiles(folder, "*.af"), std::optional(std::vector<std::string>{"a.af"}));
    EXPECT_EQ(FindFiles(folder, "*.bmp"), std::optional(std::vector<std::string>{}));
    EXPECT_EQ(FindFiles(folder + "missing\\", "*.af"), std::nullopt);
}

// A read the system refuses fails; it is not the end of the file, which
// would make a cut picture of it. A pipe whose writer has gone refuses reads;
// Wine also refuses to move a pipe's file pointer, so a read at an offset
// fails before it reads, and only a read from where the file stands reaches
// the refused read itself.
TEST_F(Win32ReplaceFileTest, AReadTheSystemRefusesFailsRatherThanEnds) {
    const std::string name = "\\\\.\\pipe\\lumivane-refused-read-" + std::to_string(GetCurrentProcessId());
    OwnedFileHandle writer(CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 64, 64, 0, nullptr));
    ASSERT_TRUE(writer) << GetLastError();
    const std::unique_ptr<ReadableFile> file = Files().OpenForReading(name.c_str());
    ASSERT_TRUE(file);
    writer.Close();
    std::array<std::uint8_t, 4> bytes{};
    EXPECT_EQ(file->Read(bytes), std::nullopt);
    EXPECT_EQ(file->ReadAt(0, bytes), std::nullopt);
}

}  // namespace
