// The writers: the bytes of a written file, and for every way a write fails
// what the user is told and that the old file is still there, untouched.
#include <gtest/gtest.h>
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include "core/bitmap_file.h"
#include "core/texture_file.h"
#include "image_test_support.h"

namespace {

// Every failure is a real one: a missing folder or a folder in the target's
// place fails the create, a file size limit cuts the write short, and a
// target without any write permission is refused, even to root, as a
// read-only file is on Windows.
enum class Fault { None, NoFolder, TargetIsAFolder, FileSizeLimit, ReadOnly };

TEST(WriterOutcomes, WrittenFilesHoldExactlyTheImageAndFailuresTellAndKeepTheOldFile) {
    const auto table = PatternBytes(1024, 1);
    const auto pixels = PatternBytes(kTexturePixelBytes, 2);
    const auto rgb = PatternBytes(24, 17);
    const PackedDib bitmap = MakeDib(TextureHeader(), table, pixels);
    const PackedDib true_colour = MakeDib(InfoHeader(3, 2, 24), {}, rgb);
    using Writer = std::function<bool(const char*)>;
    const Writer bmp = [&](const char* path) { return WriteBitmapFile(path, bitmap); };
    const Writer bmp24 = [&](const char* path) { return WriteBitmapFile(path, true_colour); };
    const Writer af = [&](const char* path) { return WriteTextureFile(path, bitmap); };
    // The files as they must come out: bfSize and bfOffBits right, the table only where the image has one.
    const auto bitmap_file = BuildBitmapFile({TextureHeader(), table, {}, pixels, 0xFFFFFFFF, 66614});
    const auto true_colour_file = BuildBitmapFile({InfoHeader(3, 2, 24), {}, {}, rgb, 0xFFFFFFFF, 78});
    const struct {
        const Writer& write;
        Fault fault;
        const std::vector<std::uint8_t>* written;  // null: the write fails and the old file stays
        const char* text;                         // "@" stands for the path
        const char* caption;
        unsigned style;
    } rows[] = {
        {bmp, Fault::None, &bitmap_file, nullptr, nullptr, 0},
        {bmp24, Fault::None, &true_colour_file, nullptr, nullptr, 0},
        {af, Fault::None, &pixels, nullptr, nullptr, 0},
        {bmp, Fault::NoFolder, nullptr, "Error opening file", "@", kMbOk},
        {bmp, Fault::FileSizeLimit, nullptr, "@", "Error Writing file", kWarning},
        {af, Fault::NoFolder, nullptr, "@", "Error opening file!", kWarning},
        {af, Fault::TargetIsAFolder, nullptr, "@", "Error opening file!", kWarning},
        {af, Fault::FileSizeLimit, nullptr, "@", "Error Writing file", kWarning},
        {bmp, Fault::ReadOnly, nullptr, "Error opening file", "@", kMbOk},
        {af, Fault::ReadOnly, nullptr, "@", "Error opening file!", kWarning},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        ScratchFolder folder;
        RecordingSink sink;
        const std::string path = folder / (row.fault == Fault::NoFolder ? "nowhere/target" : "target");
        // A longer old file, which a good write replaces whole, keeping its
        // permissions; a longer temporary left by a write cut short, which the
        // next write takes over rather than adds to.
        const auto old = PatternBytes(100000, 6);
        using std::filesystem::perms;
        const perms permissions = perms::owner_read | perms::owner_write | perms::group_read;
        if (row.fault == Fault::TargetIsAFolder) std::filesystem::create_directory(path);
        if (row.fault == Fault::None || row.fault == Fault::FileSizeLimit) {
            WriteWholeFile(path, old);
            std::filesystem::permissions(path, permissions);
            WriteWholeFile(TemporaryPathFor(path), PatternBytes(120000, 7));
        }
        if (row.fault == Fault::ReadOnly) {
            WriteWholeFile(path, old);
            std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
        }
        // The file size limit makes the real write fail half-way, as a full disk would.
        const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old_limit{};
        getrlimit(RLIMIT_FSIZE, &old_limit);
        rlimit small = old_limit;
        small.rlim_cur = row.fault == Fault::FileSizeLimit ? 4096 : old_limit.rlim_cur;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool written = row.write(path.c_str());
        setrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, old_handler);

        EXPECT_EQ(written, row.written != nullptr);
        if (row.written) {
            EXPECT_TRUE(sink.messages.empty());
            EXPECT_EQ(ReadWholeFile(path), *row.written);
            EXPECT_EQ(std::filesystem::status(path).permissions() & perms::all, permissions);
        } else {
            sink.ExpectToldOnce(row.text, row.caption, row.style, path);
            EXPECT_EQ(std::filesystem::is_directory(path), row.fault == Fault::TargetIsAFolder);
            if (row.fault == Fault::FileSizeLimit || row.fault == Fault::ReadOnly) {
                EXPECT_EQ(ReadWholeFile(path), old);
            }
        }
        EXPECT_EQ(folder.EntryCount(), row.fault == Fault::NoFolder ? 0u : 1u);  // no temporary left behind
    }
    EXPECT_EQ(TemporaryPathFor("odd~"), "odd$");  // never the target itself
}

}  // namespace
