// The writers: the bytes of a written file, and for every way a write fails
// what the user is told and that the old file is still there, untouched.
#include <gtest/gtest.h>
#include <csignal>
#include <algorithm>
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
    using Writer = std::function<Result<Done>(const char*)>;
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
        const Result<Done> written = row.write(path.c_str());
        setrlimit(RLIMIT_FSIZE, &old_limit);
        std::signal(SIGXFSZ, old_handler);

        EXPECT_EQ(static_cast<bool>(written), row.written != nullptr);
        if (row.written) {
            EXPECT_EQ(ReadWholeFile(path), *row.written);
            EXPECT_EQ(std::filesystem::status(path).permissions() & perms::all, permissions);
        } else {
            ExpectMessage(Shown(written), row.text, row.caption, row.style, path);
            EXPECT_EQ(std::filesystem::is_directory(path), row.fault == Fault::TargetIsAFolder);
            if (row.fault == Fault::FileSizeLimit || row.fault == Fault::ReadOnly) {
                EXPECT_EQ(ReadWholeFile(path), old);
            }
        }
        EXPECT_EQ(folder.EntryCount(), row.fault == Fault::NoFolder ? 0u : 1u);  // no temporary left behind
    }
    EXPECT_EQ(TemporaryPathFor("odd~"), "odd$");  // never the target itself
}

// The steps of every replace, in the order taken, each then taken for real;
// with a picture watched, whether it still held its block at each write and
// flush.
class RecordedSteps final : public ForwardingFileSystem {
public:
    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        steps.push_back("create");
        std::unique_ptr<WritableFile> file = real_.CreateTemporary(path, temporary);
        return file ? std::make_unique<Recorded>(std::move(file), *this, temporary) : nullptr;
    }
    bool MoveTemporary(const std::string& temporary, const char* path) override {
        steps.push_back("move");
        return real_.MoveTemporary(temporary, path);
    }
    void FlushFolder(const char* path) override {
        steps.push_back("flush folder of " + std::filesystem::path(path).filename().string());
        real_.FlushFolder(path);
    }
    std::vector<std::string> steps;
    const PackedDib* watched = nullptr;
    // Renames an open temporary, as Windows can.
    bool moves_while_open = false;

private:
    std::string Held() const { return watched && watched->size() != 0 ? ", picture held" : ""; }

    class Recorded final : public WritableFile {
    public:
        Recorded(std::unique_ptr<WritableFile> file, RecordedSteps& files, std::string temporary)
            : file_(std::move(file)), files_(files), temporary_(std::move(temporary)) {}
        bool Write(std::span<const std::uint8_t> bytes) override {
            files_.steps.push_back("write " + std::to_string(bytes.size()) + files_.Held());
            return file_->Write(bytes);
        }
        bool Flush() override {
            files_.steps.push_back("flush" + files_.Held());
            return file_->Flush();
        }
        bool Close() override {
            files_.steps.push_back("close");
            return file_->Close();
        }
        bool MoveWhileOpen(const char* path) override {
            files_.steps.push_back("move while open");
            return files_.moves_while_open && files_.real_.MoveTemporary(temporary_, path);
        }

    private:
        std::unique_ptr<WritableFile> file_;
        RecordedSteps& files_;
        std::string temporary_;
    };
};

// The new bytes reach the disk before they replace the old file, and the
// folder after; a temporary the platform cannot rename while open is
// closed and moved by name, one it can is not moved again. A batch flushes
// each folder once, after all its renames. A
// picture lent to a writer stays whole; one handed over is let go once all
// its bytes are written, before the wait for the disk, so that a batch's
// files waiting for their flushes hold no memory.
TEST(WriterOutcomes, BytesAreFlushedBeforeTheRenameAndTheFolderAfter) {
    ScratchFolder folder;
    std::filesystem::create_directory(folder.Path() / "other");
    const auto table = PatternBytes(1024, 1);
    const auto pixels = PatternBytes(kTexturePixelBytes, 2);
    const PackedDib lent = MakeDib(TextureHeader(), table, pixels);
    RecordedSteps files;
    WriteWholeFile(folder / "a.af", PatternBytes(10, 3));
    files.watched = &lent;
    ASSERT_TRUE(WriteTextureFile((folder / "a.af").c_str(), lent));
    PackedDib handed = MakeDib(TextureHeader(), table, pixels);
    files.watched = &handed;
    ASSERT_TRUE(WriteBitmapFile((folder / "b.bmp").c_str(), std::move(handed)));
    EXPECT_EQ(ReadWholeFile(folder / "a.af"), pixels);
    EXPECT_EQ(lent.size(), 40 + table.size() + pixels.size());
    files.watched = nullptr;
    files.moves_while_open = true;
    ASSERT_TRUE(WriteTextureFile((folder / "a.af").c_str(), MakeDib(TextureHeader(), table, PatternBytes(kTexturePixelBytes, 4))));
    EXPECT_EQ(ReadWholeFile(folder / "a.af"), PatternBytes(kTexturePixelBytes, 4));
    EXPECT_EQ(files.steps, (std::vector<std::string>{"create", "write 65536, picture held", "flush, picture held", "move while open", "close",
                                                     "move", "flush folder of a.af", "create", "write 14, picture held",
                                                     "write 66600, picture held", "flush", "move while open", "close", "move",
                                                     "flush folder of b.bmp", "create", "write 65536", "flush", "move while open", "close",
                                                     "flush folder of a.af"}));
    files.moves_while_open = false;
    files.steps.clear();
    {
        FolderFlushes batch;
        for (const char* name : {"c.af", "other/d.af", "e.af"}) {
            PackedDib texture = MakeDib(TextureHeader(), table, pixels);
            files.watched = &texture;
            ASSERT_TRUE(WriteTextureFile((folder / name).c_str(), std::move(texture)));
        }
        EXPECT_EQ(std::ranges::count(files.steps, "write 65536, picture held"), 3);
        EXPECT_EQ(std::ranges::count(files.steps, "flush"), 3);
        EXPECT_EQ(std::ranges::count(files.steps, "move"), 3);
        EXPECT_EQ(std::ranges::count_if(files.steps, [](const std::string& step) { return step.starts_with("flush folder"); }), 0);
        files.watched = nullptr;
        files.steps.clear();
    }
    EXPECT_EQ(ReadWholeFile(folder / "e.af"), pixels);
    std::ranges::sort(files.steps);
    EXPECT_EQ(files.steps, (std::vector<std::string>{"flush folder of c.af", "flush folder of d.af"}));
}

}  // namespace
