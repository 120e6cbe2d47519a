#include <gtest/gtest.h>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>
#include "cli/batch_arguments.h"
#include "cli/batch_convert.h"
#include "cli/progress_line.h"
#include "core/builtin_palette.h"
#include "core/folder_search.h"
#include "core/target_naming.h"
#include "image_test_support.h"
#include "tests/unit/brute_force_nearest.h"

namespace {

class BatchConvertTest : public ::testing::Test {
protected:
    int Run(Direction direction, std::vector<std::string> files, std::optional<std::string> out = std::nullopt, bool force = false,
            const TexturePalette& palette = BuiltinTexturePalette(), unsigned jobs = 0, bool quiet = false, TextureOptions texture = {}) {
        out_.str("");
        errors_.str("");
        return ConvertFiles({direction, std::move(out), force, std::move(files), jobs, quiet, texture}, palette, out_, errors_);
    }
    std::string Texture(const std::string& name, unsigned seed) {
        const std::string path = folder_ / name;
        WriteWholeFile(path, PatternBytes(65536, seed));
        return path;
    }

    ScratchFolder folder_;
    std::ostringstream out_;
    std::ostringstream errors_;
};

// A noisy true-colour bitmap of 600 x 300, different for each seed.
std::vector<std::uint8_t> NoisyBitmap(unsigned seed) {
    return BuildBitmapFile({InfoHeader(600, 300, 24), {}, {}, PatternBytes(600 * 3 * 300, seed)});
}

TEST_F(BatchConvertTest, OutFolderTakesTheTargetsBitmapsCarryThePaletteAndExistingTargetsStayUnlessForced) {
    std::filesystem::create_directory(folder_.Path() / "out");
    const TexturePalette palette = MadeUpPalette();
    const std::vector<std::string> textures = {Texture("a.af", 2), folder_ / "b.x.af"};
    const auto long_texture = PatternBytes(70000, 3);  // the texture is its first 65536 bytes
    WriteWholeFile(textures[1], long_texture);
    const std::string existing = folder_ / "out/b.x.af.bmp";  // a second dot is no second extension
    const auto old_bitmap = PatternBytes(10, 5);
    WriteWholeFile(existing, old_bitmap);
    EXPECT_EQ(Run(Direction::AfToBmp, textures, folder_ / "out", false, palette), 1);
    EXPECT_EQ(errors_.str(), textures[1] + ": " + existing + " exists (--force overwrites it)\n");
    EXPECT_EQ(ReadWholeFile(existing), old_bitmap);
    EXPECT_EQ(ReadWholeFile(folder_ / "out/a.af.bmp").size(), 66614u);

    EXPECT_EQ(Run(Direction::AfToBmp, textures, folder_ / "out", true, palette), 0);
    // One plane, every other header field zero, the given palette, the texture.
    const std::vector<std::uint8_t> table(palette.begin(), palette.end());
    const std::vector<std::uint8_t> texture(long_texture.begin(), long_texture.begin() + 65536);
    EXPECT_EQ(ReadWholeFile(existing), BuildBitmapFile({InfoHeader(256, 256, 8), table, {}, texture, 0xFFFFFFFF, 66614}));
    EXPECT_EQ(Run(Direction::AfToBmp, {textures[0]}, folder_ / "no/such/folder"), 1);
    EXPECT_EQ(errors_.str(), folder_ / "no/such/folder/a.af.bmp" + ": Error opening file\n");
    // The whole target path counts, as in the window.
    EXPECT_EQ(Run(Direction::AfToBmp, {textures[0]}, folder_ / std::string(250, 'o')), 1);
    EXPECT_EQ(errors_.str(), textures[0] + ": Target path too long!\n");
}

TEST_F(BatchConvertTest, ManyJobsPrintAndWriteWhatOneJobDoes) {
    // Good and bad files, a source named twice and two sources with one target.
    std::filesystem::create_directory(folder_.Path() / "other");
    std::vector<std::string> files;
    for (unsigned i = 0; i < 12; ++i) {
        files.push_back(folder_ / ("p" + std::to_string(i) + ".bmp"));
        WriteWholeFile(files.back(), i % 5 == 3 ? PatternBytes(40, i) : NoisyBitmap(i));
    }
    WriteWholeFile(folder_ / "other/p1.bmp", NoisyBitmap(99));
    files.insert(files.begin() + 6, files[1]);
    files.push_back(folder_ / "other/p1.bmp");
    const std::string out_folder = folder_ / "out";
    std::filesystem::create_directory(out_folder);

    std::vector<std::tuple<int, std::string, std::string, std::vector<std::vector<std::uint8_t>>>> runs;
    for (const unsigned jobs : {1u, 4u, 1u, 3u}) {
        for (const auto& entry : std::filesystem::directory_iterator(out_folder)) std::filesystem::remove(entry.path());
        const int failed = Run(Direction::BmpToAf, files, out_folder, runs.size() >= 2, BuiltinTexturePalette(), jobs);
        std::vector<std::vector<std::uint8_t>> written;
        for (unsigned i = 0; i < 12; ++i) written.push_back(ReadWholeFile(out_folder + "/p" + std::to_string(i) + ".bmp.af"));
        runs.emplace_back(failed, out_.str(), errors_.str(), written);
    }
    EXPECT_EQ(std::get<0>(runs[0]), 4);  // two bad files, and two targets already written
    EXPECT_EQ(std::get<0>(runs[2]), 2);
    EXPECT_NE(std::get<2>(runs[0]).find("p1.bmp.af exists"), std::string::npos);
    EXPECT_EQ(runs[1], runs[0]);
    EXPECT_EQ(runs[3], runs[2]);
    EXPECT_EQ(std::get<3>(runs[0])[5].size(), 65536u);
}

// The real files, on a disk whose every flush but the first quick ones
// waits until the next source is opened (for longest at most, and not once
// all are opened): the files being converted (opened, their temporary not
// made yet) are counted, and each flush that waits notes whether another
// file was opened after its own temporary was made.
class SlowDisk final : public ForwardingFileSystem {
public:
    explicit SlowDisk(int files, int quick_flushes = 0, std::chrono::milliseconds longest = std::chrono::seconds(2))
        : files_(files), quick_flushes_(quick_flushes), longest_(longest) {}
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            most_converting = std::max(most_converting, ++converting_);
            ++opened_;
        }
        changed_.notify_all();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // long enough for another to start if it may
        return real_.OpenForReading(path);
    }
    std::unique_ptr<WritableFile> CreateTemporary(const char* path, const std::string& temporary) override {
        int opened = 0;
        {
            const std::lock_guard<std::mutex> guard(lock_);
            --converting_;
            opened = opened_;
        }
        std::unique_ptr<WritableFile> file = real_.CreateTemporary(path, temporary);
        return file ? std::make_unique<Waiting>(std::move(file), *this, opened) : nullptr;
    }

    int most_converting = 0;
    int flushes_overlapped = 0;

private:
    class Waiting final : public WritableFile {
    public:
        Waiting(std::unique_ptr<WritableFile> file, SlowDisk& disk, int opened) : file_(std::move(file)), disk_(disk), opened_(opened) {}
        bool Write(std::span<const std::uint8_t> bytes) override { return file_->Write(bytes); }
        bool Flush() override {
            std::unique_lock<std::mutex> guard(disk_.lock_);
            if (disk_.quick_flushes_ > 0) {
                --disk_.quick_flushes_;
                return true;  // as a file system in memory, at once
            }
            disk_.changed_.wait_for(guard, disk_.longest_, [&] { return disk_.opened_ > opened_ || disk_.opened_ == disk_.files_; });
            disk_.flushes_overlapped += disk_.opened_ > opened_;
            return file_->Flush();
        }
        bool Close() override { return file_->Close(); }

    private:
        std::unique_ptr<WritableFile> file_;
        SlowDisk& disk_;
        int opened_;  // files opened when this one's temporary was made
    };

    std::mutex lock_;
    std::condition_variable changed_;
    const int files_;  // no flush waits once all are opened
    int quick_flushes_;
    const std::chrono::milliseconds longest_;
    int converting_ = 0;
    int opened_ = 0;
};

TEST_F(BatchConvertTest, OneJobConvertsTheNextFileWhileTheDiskFlushesButNeverTwoAtATime) {
    std::vector<std::string> files;
    for (unsigned i = 0; i < 4; ++i) {
        files.push_back(folder_ / ("f" + std::to_string(i) + ".bmp"));
        WriteWholeFile(files.back(), NoisyBitmap(i));
    }
    SlowDisk disk(4);
    EXPECT_EQ(Run(Direction::BmpToAf, files, std::nullopt, false, BuiltinTexturePalette(), 1, true), 0);
    EXPECT_EQ(disk.most_converting, 1);
    EXPECT_EQ(disk.flushes_overlapped, 3);  // every flush but the last's
    for (const std::string& file : files) EXPECT_EQ(ReadWholeFile(file + ".af").size(), 65536u);
}

// After flushes that take no time a file may keep its slot through its
// flush; from the first flush that waits, files give it back again.
TEST_F(BatchConvertTest, FlushesThatWaitAfterQuickOnesGiveTheSlotBackAgain) {
    std::vector<std::string> files;
    for (unsigned i = 0; i < 6; ++i) {
        files.push_back(folder_ / ("f" + std::to_string(i) + ".bmp"));
        WriteWholeFile(files.back(), NoisyBitmap(i));
    }
    SlowDisk disk(6, 2, std::chrono::milliseconds(300));
    EXPECT_EQ(Run(Direction::BmpToAf, files, std::nullopt, false, BuiltinTexturePalette(), 1, true), 0);
    EXPECT_EQ(disk.most_converting, 1);
    EXPECT_GE(disk.flushes_overlapped, 2);  // the third's may not, its file holding the slot
    for (const std::string& file : files) EXPECT_EQ(ReadWholeFile(file + ".af").size(), 65536u);
}

// A folder gives the files the lists show, in their order (a hyphen counts only
// when nothing else differs); a folder named like a
// bitmap is no source.
TEST_F(BatchConvertTest, BadFilesFoldersAndPatternsAreReportedWithTheReadersMessageAndTheRestGoOn) {
    const std::string in = folder_ / "in";
    std::filesystem::create_directories(in + "/folder.bmp");
    for (const char* name : {"a.bmp", "B.bmp", "a-c.bmp", "c.BMP", "d.txt"}) WriteWholeFile(in + "/" + name, NoisyBitmap(2));
    const std::string broken = folder_ / "broken.bmp";
    WriteWholeFile(broken, PatternBytes(100, 6));
    const std::string missing = folder_ / "missing.bmp";
    const std::string empty = folder_ / "empty";
    std::filesystem::create_directory(empty);
    const std::string pattern = folder_ / "q*.bmp";

    EXPECT_EQ(Run(Direction::BmpToAf, {broken, missing, in, empty, pattern}, std::nullopt, false, BuiltinTexturePalette(), 2), 4);
    EXPECT_EQ(errors_.str(), broken + ": Not a recognised BMP format file!\n" + missing + ": Error opening file\n" + empty +
                                 ": holds no file that matches *.bmp\n" + pattern + ": matches no file\n");
    std::string converted;
    for (const std::string name : {"/a.bmp", "/a-c.bmp", "/B.bmp", "/c.BMP"}) converted += in + name + " -> " + in + name + ".af\n";
    EXPECT_EQ(out_.str(), broken + ": failed\n" + missing + ": failed\n" + converted + empty + ": failed\n" + pattern +
                              ": failed\n4 files converted, 4 failed\n");
    EXPECT_EQ(ReadWholeFile(in + "/a.bmp.af").size(), 65536u);
    EXPECT_FALSE(std::filesystem::exists(broken + ".af"));
    // Quiet: the errors only.
    EXPECT_EQ(Run(Direction::AfToBmp, {Texture("t.af", 8), folder_ / "missing.af"}, std::nullopt, false, BuiltinTexturePalette(), 2, true), 1);
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(errors_.str(), folder_ / "missing.af" + ": Error opening file !\n");
    EXPECT_EQ(ReadWholeFile(folder_ / "t.af.bmp").size(), 66614u);
}

// Smooth scaling reads every row of the bitmap: a 512 x 512 checkerboard of
// two colours becomes their mean colour throughout, where whole pixels keep
// one of the two. Textures made into bitmaps are not touched by the options.
TEST_F(BatchConvertTest, TheTextureOptionsShapeBitmapsMadeIntoTexturesOnly) {
    const TexturePalette& palette = BuiltinTexturePalette();
    const auto entry_colour = [&](std::size_t entry) { return std::vector<std::uint8_t>(&palette[entry * 4], &palette[entry * 4 + 3]); };
    // Entries 0 and 255 of the palette, and the mid colour of the two, blue, green, red.
    const std::vector<std::uint8_t> one = entry_colour(0), other = entry_colour(255);
    const auto rgb = [](const std::vector<std::uint8_t>& c) { return static_cast<std::uint32_t>(c[2] << 16 | c[1] << 8 | c[0]); };
    const std::string bitmap = folder_ / "checks.bmp";
    WriteWholeFile(bitmap, BitmapFile(512, 512, 24, {}, [&](int x, int y) { return rgb((x + y) % 2 ? one : other); }));
    int mid[3];
    for (int c = 0; c < 3; ++c) mid[c] = (one[c] + other[c] + 1) / 2;
    const int nearest_to_mid = BruteForceNearest(palette, {mid[2], mid[1], mid[0]});
    ASSERT_EQ(Run(Direction::BmpToAf, {bitmap}, std::nullopt, true, palette, 1, true, {true, false}), 0);
    EXPECT_EQ(ReadWholeFile(bitmap + ".af"), std::vector<std::uint8_t>(65536, static_cast<std::uint8_t>(nearest_to_mid)));
    ASSERT_EQ(Run(Direction::BmpToAf, {bitmap}, std::nullopt, true, palette, 1, true), 0);
    const std::vector<std::uint8_t> whole_pixels = ReadWholeFile(bitmap + ".af");
    EXPECT_EQ(std::count(whole_pixels.begin(), whole_pixels.end(), 0) + std::count(whole_pixels.begin(), whole_pixels.end(), 255), 65536);

    const std::string texture = Texture("t.af", 4);
    ASSERT_EQ(Run(Direction::AfToBmp, {texture}, std::nullopt, true, palette, 1, true), 0);
    const std::vector<std::uint8_t> plain = ReadWholeFile(texture + ".bmp");
    ASSERT_EQ(Run(Direction::AfToBmp, {texture}, std::nullopt, true, palette, 1, true, {true, true}), 0);
    EXPECT_EQ(ReadWholeFile(texture + ".bmp"), plain);
}

// The real files, but one of them is cut short by another program just after
// it is opened, as a paint program saving over it would.
class ShrinkingFile final : public ForwardingFileSystem {
public:
    explicit ShrinkingFile(std::string victim) : victim_(std::move(victim)) {}
    std::unique_ptr<ReadableFile> OpenForReading(const char* path) override {
        std::unique_ptr<ReadableFile> file = real_.OpenForReading(path);
        if (file && path == victim_) std::filesystem::resize_file(path, 1000);
        return file;
    }

private:
    std::string victim_;
};

TEST_F(BatchConvertTest, AFileCutShortWhileReadFailsAndTheNextIsConverted) {
    const std::string cut = folder_ / "cut.bmp", next = folder_ / "next.bmp";
    WriteWholeFile(cut, NoisyBitmap(3));
    WriteWholeFile(next, NoisyBitmap(4));
    ShrinkingFile files(cut);
    EXPECT_EQ(Run(Direction::BmpToAf, {cut, next}, std::nullopt, false, BuiltinTexturePalette(), 1), 1);
    EXPECT_EQ(errors_.str(), cut + ": Error reading file\n");
    EXPECT_EQ(out_.str(), cut + ": failed\n" + next + " -> " + next + ".af\n1 file converted, 1 failed\n");
    EXPECT_FALSE(std::filesystem::exists(cut + ".af"));
}

TEST(FilePattern, MatchesAsTheListsSearch) {
    for (const auto& [name, pattern, matches] : {std::tuple{"plane.oaf", "*.*af", true}, {"x.af", "*.*af", true}, {"x.afx", "*.*af", false},
                                                 {"PLANE.BMP", "*.bmp", true}, {"a.bmp.txt", "*.bmp", false}, {"ab", "a?", true},
                                                 {"a", "a?", false}, {"", "*", true}, {"abcab", "*ab", true}, {"abc", "a*b*c*", true}}) {
        EXPECT_EQ(MatchesFilePattern(name, pattern), matches) << name << " " << pattern;
    }
}

TEST(ProgressLine, ShowsAfterASecondAtMostTenTimesASecondAndClearsItsWholeLength) {
    std::ostringstream terminal;
    auto now = std::chrono::steady_clock::time_point();
    ProgressLine progress(terminal, true, [&] { return now; });
    const std::string first = "\r12 of 100 files, 8.0 files a second";
    const std::string shorter = "\r14 of 20 files, 7.0 files a second ";  // a space over the longer line's end
    // Milliseconds since the start, files done, of how many, and all drawn so far.
    for (const auto& [at, done, total, drawn] : {std::tuple{900, 3, 10, std::string()}, {1500, 12, 100, first},
                                                 {1550, 13, 100, first}, {2000, 14, 20, first + shorter}}) {
        now = std::chrono::steady_clock::time_point(std::chrono::milliseconds(at));
        progress.Update(static_cast<std::size_t>(done), static_cast<std::size_t>(total));
        EXPECT_EQ(terminal.str(), drawn) << at;
    }
    terminal.str("");
    progress.Clear();
    progress.Clear();
    EXPECT_EQ(terminal.str(), "\r" + std::string(35, ' ') + "\r");
}

// The request a command line makes, in a few words, or its mistake.
std::string Described(const CommandLine& line) {
    if (line.help || !line.mistake.empty()) return line.help ? "help" : line.mistake;
    const BatchRequest& request = line.request;
    std::string text = request.direction == Direction::BmpToAf ? "to-af" : "to-bmp";
    text += " jobs " + std::to_string(request.jobs) + (request.force ? " force" : "") + (request.quiet ? " quiet" : "");
    text += std::string(request.texture.smooth ? " smooth" : "") + (request.texture.dither ? " dither" : "");
    text += (request.out ? " out " + *request.out : "") + (line.palette_file ? " palette " + *line.palette_file : "");
    for (const std::string& file : request.files) text += " [" + file + "]";
    return text;
}

TEST(BatchCommandLine, ReadsDirectionOptionsAndFilesOrNamesTheMistake) {
    const std::string bad_jobs = "lumivane-convert: -j takes a number of files from 1 to 256";
    const struct { std::vector<std::string> arguments; std::string request; } rows[] = {
        {{"to-af", "--force", "a.bmp", "--out", "dir", "--palette", "p.pal", "--", "--odd.bmp"},
         "to-af jobs 0 force out dir palette p.pal [a.bmp] [--odd.bmp]"},
        {{"to-bmp", "x"}, "to-bmp jobs 0 [x]"},
        {{"--help"}, "help"},
        {{"to-bmp", "--help"}, "help"},
        {{"to-bmp", "-j", "3", "x"}, "to-bmp jobs 3 [x]"},
        {{"to-bmp", "-j12", "x"}, "to-bmp jobs 12 [x]"},
        {{"to-bmp", "--jobs", "1", "x"}, "to-bmp jobs 1 [x]"},
        {{"to-bmp", "--quiet", "x"}, "to-bmp jobs 0 quiet [x]"},
        {{"to-af", "--dither", "x", "--smooth"}, "to-af jobs 0 smooth dither [x]"},
        {{"to-af", "--smooth", "x"}, "to-af jobs 0 smooth [x]"},
        {{"to-af", "--dither", "x"}, "to-af jobs 0 dither [x]"},
        {{"to-af", "--smoothing", "x"}, "lumivane-convert: unknown option --smoothing"},
        {{}, "lumivane-convert: the first argument must be to-af or to-bmp"},
        {{"to-png", "a"}, "lumivane-convert: the first argument must be to-af or to-bmp"},
        {{"to-af"}, "lumivane-convert: no files to convert"},
        {{"to-af", "a", "--out"}, "lumivane-convert: --out needs a value"},
        {{"to-af", "-j", "256", "a"}, "to-af jobs 256 [a]"},
        {{"to-af", "a", "-j"}, "lumivane-convert: -j needs a value"},
        {{"to-af", "-j", "0", "a"}, bad_jobs},
        {{"to-af", "-j", "257", "a"}, bad_jobs},
        {{"to-af", "-j", "2x", "a"}, bad_jobs},
        {{"to-af", "-j", "-1", "a"}, bad_jobs},
    };
    for (const auto& row : rows) EXPECT_EQ(Described(ParseCommandLine(row.arguments)), row.request) << row.request;
}

}  // namespace
