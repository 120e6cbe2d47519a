#include <gtest/gtest.h>
#include <signal.h>
#include <fcntl.h>
#include <unistd.h>
#include <sstream>
#include <thread>
#include "cli/watch_command.h"
#include "core/file_settling.h"
#include "core/target_naming.h"
#include "image_test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = SettlingFiles::Clock;

TEST(SettlingFiles, AFileIsDueOnlyOnceUnheldAndUnchangedForTheQuietWhileAndAFailureIsToldOncePerVersion) {
    SettlingFiles files(100ms);
    const Clock::time_point t0{};
    std::map<std::string, std::optional<FileLook>> seen;
    const auto look = [&](const std::string& name) { return seen[name]; };
    struct Step {
        int at_ms;
        std::optional<FileLook> a;  // what a look at "a" finds
        bool due;
    };
    const FileLook held{{20, 2}, true};  // as it was: only the writer's hold keeps it waiting
    const Step steps[] = {
        {0, FileLook{{10, 1}}, false},    // first seen
        {60, FileLook{{20, 2}}, false},   // grown: the quiet while starts again
        {150, FileLook{{20, 2}}, false},  // 90 ms unchanged
        {200, held, false},               // a writer holds it: no pause makes it due
        {900, held, false},
        {950, FileLook{{30, 3}}, false},  // let go
        {1049, FileLook{{30, 3}}, false},
        {1050, FileLook{{30, 3}}, true},
    };
    files.Touched("a", t0);
    for (const Step& step : steps) {
        seen["a"] = step.a;
        const std::vector<std::string> due = files.TakeDue(t0 + std::chrono::milliseconds(step.at_ms), look);
        EXPECT_EQ(due, step.due ? std::vector<std::string>{"a"} : std::vector<std::string>{}) << "at " << step.at_ms << " ms";
    }
    EXPECT_FALSE(files.Waiting());

    // A file that goes away waits no more.
    files.Touched("gone", t0);
    seen["gone"] = std::nullopt;
    EXPECT_TRUE(files.TakeDue(t0 + 1s, look).empty());
    EXPECT_FALSE(files.Waiting());

    const FileStamp v1{30, 3}, v2{40, 4};
    EXPECT_FALSE(files.Finished("a", false, v1, v2, t0)) << "changed while read: quietly again";
    EXPECT_TRUE(files.Waiting());
    EXPECT_EQ(files.NextLook(), t0 + 100ms);
    EXPECT_TRUE(files.Finished("a", false, v2, v2, t0));
    EXPECT_FALSE(files.Finished("a", false, v2, v2, t0)) << "the same version is told once";
    EXPECT_TRUE(files.Finished("a", false, v1, v1, t0)) << "a new version is told again";
    EXPECT_FALSE(files.Finished("a", true, v1, v1, t0));
    EXPECT_TRUE(files.Finished("a", false, v1, v1, t0)) << "after a success, a failure is new";
    // Opened for writing and closed unchanged: the version done is not done again.
    EXPECT_FALSE(files.Finished("a", true, v2, v2, t0));
    files.Touched("a", t0);
    seen["a"] = FileLook{v2};
    EXPECT_TRUE(files.TakeDue(t0, look).empty());
    EXPECT_TRUE(files.TakeDue(t0 + 1s, look).empty());
    EXPECT_FALSE(files.Waiting());
}

TEST(WatchCommandLine, ReadsFolderOutPaletteAndJobsOrNamesTheMistake) {
    struct Row {
        std::vector<std::string> arguments;
        std::string mistake;
    };
    const Row rows[] = {
        {{"to-af", "in", "--out", "out", "-j", "3", "--palette", "p.pal"}, ""},
        {{"to-tga", "in", "--out", "out"}, "watch needs to-af or to-bmp first"},
        {{"to-bmp", "in"}, "watch needs --out DIR"},
        {{"to-bmp", "in", "other", "--out", "out"}, "watch follows one folder"},
        {{"to-bmp", "in", "--out"}, "--out needs a value"},
        {{"to-bmp", "in", "--out", "out", "-j"}, "-j needs a value"},
        {{"to-bmp", "in", "--out", "out", "--palette"}, "--palette needs a value"},
        {{"to-bmp", "--out", "out"}, "watch follows one folder"},
        {{"to-bmp", "in", "--out", "out", "-j", "0"}, "-j takes a number of files from 1 to 256"},
        {{"to-bmp", "in", "--out", "out", "--force"}, "unknown option --force"},
    };
    for (const Row& row : rows) EXPECT_EQ(ParseWatchLine(row.arguments).mistake, row.mistake) << row.arguments[0];
    const WatchLine line = ParseWatchLine(rows[0].arguments);
    EXPECT_EQ(line.request.direction, Direction::BmpToAf);
    EXPECT_EQ(line.request.folder, "in");
    EXPECT_EQ(line.request.out, "out");
    EXPECT_EQ(line.request.jobs, 3u);
    EXPECT_EQ(line.palette_file, "p.pal");
    EXPECT_EQ(ParseWatchLine({"to-bmp", "in", "--out", "out"}).request.direction, Direction::AfToBmp);
}

TEST(WatchCommand, ConvertsOutdatedSourcesThenEachFinishedWriteOnceWholeAndEndsWithZeroOnCtrlC) {
    ScratchFolder folder;
    const std::string in = folder / "in", out = folder / "out";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    const TexturePalette palette = MadeUpPalette();
    const std::vector<std::uint8_t> table(palette.begin(), palette.end());
    const auto bitmap = [&](unsigned seed) { return BuildBitmapFile({InfoHeader(256, 256, 8), table, {}, PatternBytes(65536, seed)}); };

    // Named as the simulator's textures were saved as bitmaps: old.af.bmp
    // becomes old.af. old.af is newer than its bitmap: left alone. new.af has none.
    WriteWholeFile(in + "/old.af.bmp", bitmap(1));
    WriteWholeFile(out + "/old.af", PatternBytes(65536, 9));
    std::filesystem::last_write_time(in + "/old.af.bmp", std::filesystem::last_write_time(out + "/old.af") - 1h);
    const auto old_time = std::filesystem::last_write_time(out + "/old.af");
    WriteWholeFile(in + "/new.af.bmp", bitmap(2));

    std::ostringstream lines, errors;
    int status = -1;
    std::thread watch([&] { status = RunWatch({Direction::BmpToAf, in, out, 1, 100ms}, palette, lines, errors); });
    const bool started = AppearsWithin(out + "/new.af", 3s);

    // A writer that holds the file open and writes it in five pieces, with
    // pauses longer than the quiet while.
    const std::vector<std::uint8_t> whole = bitmap(3);
    const int writer = open((in + "/piece.af.bmp").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(writer, 0);
    const std::size_t piece = whole.size() / 5 + 1;
    for (std::size_t at = 0; at < whole.size(); at += piece) {
        const std::size_t count = std::min(piece, whole.size() - at);
        ASSERT_EQ(write(writer, whole.data() + at, count), static_cast<ssize_t>(count));
        std::this_thread::sleep_for(400ms);
    }
    close(writer);
    // A file that stays unreadable after its writer has finished.
    WriteWholeFile(in + "/bad.af.bmp", std::vector<std::uint8_t>{'B', 'M', 1, 2, 3});
    const bool converted = AppearsWithin(out + "/piece.af", 3s);
    std::this_thread::sleep_for(600ms);
    raise(SIGINT);
    watch.join();

    EXPECT_TRUE(started);
    EXPECT_TRUE(converted);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(LinesOf(lines.str()), (std::vector<std::string>{in + "/new.af.bmp -> " + out + "/new.af", in + "/piece.af.bmp -> " + out + "/piece.af"}));
    const std::vector<std::string> error_lines = LinesOf(errors.str());
    // Five bytes are fewer than a bitmap's file header.
    EXPECT_EQ(error_lines, std::vector<std::string>{in + "/bad.af.bmp: Error reading file"});
    // The texture of a bitmap in the texture palette holds the bitmap's own indices.
    EXPECT_EQ(ReadWholeFile(out + "/piece.af"), PatternBytes(65536, 3));
    EXPECT_EQ(ReadWholeFile(out + "/old.af"), PatternBytes(65536, 9));
    EXPECT_EQ(std::filesystem::last_write_time(out + "/old.af"), old_time);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), std::filesystem::directory_iterator()), 3) << "no temporary left";
}

}  // namespace
