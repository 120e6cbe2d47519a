#include <gtest/gtest.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>
#include "core/file_access.h"

namespace {

std::vector<std::uint8_t> Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReplaceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("lumivane-seams-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::size_t EntriesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), std::filesystem::directory_iterator()));
    }
    std::filesystem::path dir_;
};

// A temporary left by a write cut short is taken over, not added to; the
// replaced file's permissions stay.
TEST_F(ReplaceFileTest, WritesPiecesInOrderOverALongerFileAndLeavesNoTemporary) {
    const auto target = dir_ / "plane.af";
    { std::ofstream(target, std::ios::binary) << std::string(100000, 'x'); }
    { std::ofstream(TemporaryPathFor(target.string()), std::ios::binary) << std::string(70000, 'y'); }
    std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read);
    const std::vector<std::uint8_t> first{1, 2, 3};
    const std::vector<std::uint8_t> second{4, 5};
    const std::span<const std::uint8_t> pieces[] = {first, second};
    EXPECT_EQ(Files().ReplaceFile(target.c_str(), pieces), WriteOutcome::Written);
    EXPECT_EQ(Slurp(target), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(EntriesInFolder(), 1u);
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
    EXPECT_EQ(TemporaryPathFor("odd~"), "odd$");  // never the target itself
}

TEST_F(ReplaceFileTest, MissingFolderAndFolderTargetAreCreateFailures) {
    const std::vector<std::uint8_t> bytes{1};
    const std::span<const std::uint8_t> pieces[] = {bytes};
    EXPECT_EQ(Files().ReplaceFile((dir_ / "missing" / "x.af").c_str(), pieces), WriteOutcome::CreateFailed);
    std::filesystem::create_directory(dir_ / "folder.af");
    EXPECT_EQ(Files().ReplaceFile((dir_ / "folder.af").c_str(), pieces), WriteOutcome::CreateFailed);
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.af"));
    EXPECT_EQ(EntriesInFolder(), 1u);
}

TEST_F(ReplaceFileTest, ReadAndSeekSeeTheFileBytes) {
    const auto path = dir_ / "data.bin";
    { std::ofstream(path, std::ios::binary) << "abcdef"; }
    auto file = Files().OpenForReading(path.c_str());
    ASSERT_NE(file, nullptr);
    std::uint8_t buffer[4] = {};
    ASSERT_TRUE(file->Seek(2));
    EXPECT_EQ(file->Read(buffer), std::optional<std::size_t>(4));
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_EQ(file->Read(buffer), std::optional<std::size_t>(0));
    EXPECT_EQ(Files().OpenForReading((dir_ / "none").c_str()), nullptr);
    EXPECT_EQ(Files().OpenForReading(dir_.c_str()), nullptr);
}

}  // namespace
