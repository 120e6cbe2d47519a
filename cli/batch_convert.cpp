#include "cli/batch_convert.h"
#include <algorithm>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include "cli/file_arguments.h"
#include "cli/fixed_palette.h"
#include "cli/progress_line.h"
#include "core/target_naming.h"
#include "core/bitmap_file.h"
#include "core/bitmap_to_texture.h"
#include "core/file_access.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "core/messages.h"
#include "core/native_path.h"
#include "core/palette_source.h"

const char kBatchUsage[] =
    "Usage: lumivane-convert to-af|to-bmp [--out DIR] [--palette FILE] [--smooth] [--dither] [--force] [-j N] [--quiet] FILE...\n"
    "\n"
    "Converts bitmaps to FS98 AF textures (to-af) or AF textures to bitmaps (to-bmp).\n"
    "Bitmaps are scaled to 256 x 256 by whole pixels and every pixel takes the\n"
    "nearest colour of the texture palette; textures become 8-bit bitmaps that\n"
    "carry the palette.\n"
    "\n"
    "A FILE may be a folder, which stands for the files in it that the program's\n"
    "lists show (*.bmp for to-af, *.*af for to-bmp), or a name with * and ? in it,\n"
    "which stands for the files it matches; either way in the lists' order.\n"
    "\n"
    "Targets are written beside each source, or into DIR with --out, under the\n"
    "names the convert buttons use. The last extension is dropped when what\n"
    "remains already ends in the target's extension (.bmp for a bitmap, one ending\n"
    "in af for a texture): plane.oaf.bmp becomes plane.oaf. Otherwise .bmp or .af\n"
    "is added: plane.oaf becomes plane.oaf.bmp, my.plane.bmp becomes\n"
    "my.plane.bmp.af. Extensions match whatever their case.\n"
    "\n"
    "  --out DIR       write every target into DIR\n"
    "  --palette FILE  use the colours of this JASC-PAL file (256 colours) instead\n"
    "                  of the built-in texture palette\n"
    "  --smooth        to-af: a picture larger than 256 x 256 is shrunk by averaging\n"
    "                  the area of each texture pixel instead of keeping whole pixels\n"
    "  --dither        to-af: spread each pixel's difference from its palette colour\n"
    "                  over its neighbours (error diffusion); areas painted in\n"
    "                  palette colours stay flat\n"
    "  --force         overwrite targets that exist; without it they are refused\n"
    "  -j N            convert N files at once (default: one per processor); the\n"
    "                  lines and the files written are the same for any N\n"
    "  --quiet         print nothing but the errors\n"
    "  --help          show this text\n"
    "\n"
    "One line per file and a summary go to standard output, and on a terminal a\n"
    "batch that takes longer than a second shows its progress on standard error.\n"
    "A file that cannot be read, converted or written is reported on standard\n"
    "error with the reason and the other files are converted. A target is only\n"
    "replaced once it is written in full. The exit status is 0 when every file\n"
    "was converted, 1 when any failed, 2 for a wrong command line or palette file.\n";

std::string MessageReason(std::string_view text, std::string_view caption, std::string_view path) {
    if (text == path) return std::string(caption);
    if (caption == path) return std::string(text);
    return std::string(caption) + ": " + std::string(text);
}

namespace {

// What converting one item came to, printed once every item before it is.
struct Outcome {
    std::string errors;  // for standard error
    std::string line;    // for standard output
    bool converted = false;
    bool done = false;
};

// The outcome the messages of this thread's current file go to, and the file.
thread_local Outcome* t_outcome = nullptr;
thread_local std::string t_path;

// Turns the readers' and writers' messages, which name the file either as
// their text or as their caption, into "file: reason" lines of the outcome of
// the file the calling thread converts.
class PrintingSink final : public MessageSink {
public:
    PrintingSink() : previous_(SetMessageSink(this)) {}
    ~PrintingSink() override { SetMessageSink(previous_); }
    PrintingSink(const PrintingSink&) = delete;
    PrintingSink& operator=(const PrintingSink&) = delete;

    int Show(WindowRef, std::string_view text, std::string_view caption, unsigned) override {
        if (!t_outcome) return kIdNo;
        t_outcome->errors += FilledLine(kMessageLine, {{"file", t_path}, {"message", MessageReason(text, caption, t_path)}}) + "\n";
        return kIdNo;
    }

private:
    MessageSink* previous_;
};

std::optional<std::string> TargetPathOf(const std::string& source, const BatchRequest& request) {
    const std::filesystem::path path = NativePath(source);
    const std::optional<std::string> name = DefaultTargetName(NarrowText(path.filename()), request.direction);
    if (!name) return std::nullopt;
    const std::filesystem::path folder = request.out ? NativePath(*request.out) : path.parent_path();
    // The window's limit for the whole path, on every system.
    std::string target = NarrowText(folder / NativePath(*name));
    if (target.size() >= kPathBytes) return std::nullopt;
    return target;
}

// Converts one file; false after putting the reason into outcome.errors.
bool ConvertOne(const std::string& source, const std::optional<std::string>& target, const BatchRequest& request,
                const NearestPaletteColour& nearest, Outcome& outcome) {
    t_outcome = &outcome;
    t_path = source;
    if (!target) {
        ShowMessage(nullptr, kTargetPathTooLong, source);
        return false;
    }
    std::error_code ignored;
    if (!request.force && std::filesystem::exists(NativePath(*target), ignored)) {
        outcome.errors += FilledLine(kTargetExistsLine, {{"file", source}, {"target", *target}}) + "\n";
        return false;
    }
    const bool to_texture = request.direction == kBmpToAf;
    std::optional<PackedDib> converted;
    if (to_texture) {
        BitmapFileConversion conversion = ConvertBitmapFile(source.c_str(), nearest, request.texture);
        if (!conversion.read) return false;
        converted = std::move(conversion.texture);
    } else {
        const std::optional<PackedDib> image = ReadTextureFile(source.c_str());
        if (!image) return false;
        converted = ConvertToTexture(*image, nearest);
    }
    if (!converted) {
        ShowMessage(nullptr, kCannotConvert, source);
        return false;
    }
    t_path = *target;
    const bool written = to_texture ? WriteTextureFile(target->c_str(), *converted) : WriteBitmapFile(target->c_str(), *converted);
    if (written) outcome.line = FilledLine(kConvertedLine, {{"file", source}, {"target", *target}}) + "\n";
    return written;
}

Outcome Convert(const BatchItem& item, const std::optional<std::string>& target, const BatchRequest& request,
                const NearestPaletteColour& nearest) {
    Outcome outcome;
    if (!item.problem.empty()) {
        outcome.errors = item.problem + "\n";
    } else {
        try {
            outcome.converted = ConvertOne(item.source, target, request, nearest, outcome);
        } catch (const std::exception&) {  // no memory for a name or a message
            outcome.errors += FilledLine(kNoMemoryLine, {{"file", item.source}}) + "\n";
        }
        t_outcome = nullptr;
    }
    if (!outcome.converted) outcome.line = FilledLine(kFailedLine, {{"file", item.source}}) + "\n";
    return outcome;
}

std::string Lowered(std::string text) {
    for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// For each item, the last item before it that reads or writes one of its
// files (a source or target named twice), which must be done first so that
// the outcome is that of converting one after the other; npos for none.
std::vector<std::size_t> ItemsToWaitFor(const std::vector<BatchItem>& items, const std::vector<std::optional<std::string>>& targets) {
    constexpr std::size_t kNone = std::string::npos;
    std::vector<std::size_t> waits(items.size(), kNone);
    std::map<std::string, std::size_t> last_user;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!items[i].problem.empty()) continue;
        for (const std::optional<std::string>& file : {std::optional<std::string>(items[i].source), targets[i]}) {
            if (!file) continue;
            const std::string key = Lowered(NarrowText(NativePath(*file).lexically_normal()));
            const auto [at, first] = last_user.try_emplace(key, i);
            if (!first && at->second != i) {
                waits[i] = waits[i] == kNone ? at->second : std::max(waits[i], at->second);
                at->second = i;
            }
        }
    }
    return waits;
}

// Hands out the items in order to the threads that convert them, and their
// outcomes, in order, to the thread that prints them.
class Batch {
public:
    Batch(const std::vector<BatchItem>& items, const BatchRequest& request, const NearestPaletteColour& nearest)
        : items_(items), request_(request), nearest_(nearest), outcomes_(items.size()) {
        for (const BatchItem& item : items_) targets_.push_back(item.problem.empty() ? TargetPathOf(item.source, request_) : std::nullopt);
        waits_ = ItemsToWaitFor(items_, targets_);
    }

    // Converts items until none is left.
    void Work() {
        while (WorkOne()) {
        }
    }

    // Converts the next item; false when none is left.
    bool WorkOne() {
        std::unique_lock<std::mutex> guard(lock_);
        if (next_ == items_.size()) return false;
        const std::size_t i = next_++;
        const std::size_t wait = waits_[i];
        changed_.wait(guard, [&] { return wait == std::string::npos || outcomes_[wait].done; });
        guard.unlock();
        Outcome outcome = Convert(items_[i], targets_[i], request_, nearest_);
        guard.lock();
        outcomes_[i] = std::move(outcome);
        outcomes_[i].done = true;
        ++done_;
        changed_.notify_all();
        return true;
    }

    // Waits for item i, calling tick(done) now and then while it waits.
    template <typename Tick>
    const Outcome& WaitFor(std::size_t i, Tick tick) {
        std::unique_lock<std::mutex> guard(lock_);
        while (!outcomes_[i].done) {
            changed_.wait_for(guard, std::chrono::milliseconds(100));
            const std::size_t done = done_;
            guard.unlock();
            tick(done);
            guard.lock();
        }
        return outcomes_[i];
    }

private:
    const std::vector<BatchItem>& items_;
    const BatchRequest& request_;
    const NearestPaletteColour& nearest_;
    std::vector<std::optional<std::string>> targets_;
    std::vector<std::size_t> waits_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Outcome> outcomes_;
    std::size_t next_ = 0;
    std::size_t done_ = 0;
};

// Starts up to count threads running Work; fewer when the system has no more to give.
std::vector<std::thread> StartWorkers(Batch& batch, std::size_t count) {
    std::vector<std::thread> workers;
    try {
        while (workers.size() < count) workers.emplace_back([&batch] { batch.Work(); });
    } catch (const std::system_error&) {
    }
    return workers;
}

}  // namespace

int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors, ProgressLine* progress) {
    const std::vector<BatchItem> items = ExpandFileArguments(request.files, request.direction);
    const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(palette);
    if (!nearest) {
        errors << kNoMemoryForTableLine.text << "\n";
        return static_cast<int>(items.size());
    }
    PrintingSink sink;
    FixedPalette source(palette);
    // Each folder written into is flushed once, after the batch's renames, not after each.
    std::optional<FolderFlushes> flushes(std::in_place);
    Batch batch(items, request, *nearest);
    const std::size_t jobs = request.jobs != 0 ? request.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> workers = jobs > 1 ? StartWorkers(batch, std::min(jobs, items.size())) : std::vector<std::thread>();
    if (workers.empty()) workers.emplace_back();  // a placeholder: this thread converts, one file after the other
    const bool converting_here = !workers.front().joinable();

    const auto show_progress = [&](std::size_t done) {
        if (progress && !request.quiet) progress->Update(done, items.size());
    };
    int failed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (converting_here) batch.WorkOne();
        const Outcome& outcome = batch.WaitFor(i, show_progress);
        const bool printing_on_terminal = !outcome.errors.empty() || (!request.quiet && progress && progress->OutputOnTerminal());
        if (progress && printing_on_terminal) progress->Clear();
        errors << outcome.errors;
        if (!request.quiet) out << outcome.line << std::flush;
        failed += outcome.converted ? 0 : 1;
        show_progress(i + 1);
    }
    for (std::thread& worker : workers) {
        if (worker.joinable()) worker.join();
    }
    flushes.reset();
    if (progress) progress->Clear();
    const std::size_t converted = items.size() - static_cast<std::size_t>(failed);
    if (!request.quiet) {
        const std::string count = std::to_string(converted);
        const std::string failures = std::to_string(failed);
        out << FilledLine(converted == 1 ? kSummaryOneLine : kSummaryLine, {{"count", count}, {"failed", failures}}) << "\n";
    }
    return failed;
}

namespace {
constexpr unsigned kMostJobs = 256;  // as kBadJobsLine says

std::optional<unsigned> JobCountOf(const std::string& text) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMostJobs) return std::nullopt;
    return jobs;
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::size_t at = 0;
    if (at < arguments.size() && (arguments[at] == "--help" || arguments[at] == "-h")) {
        line.help = true;
        return line;
    }
    if (at < arguments.size() && arguments[at] == "to-af") {
        line.request.direction = kBmpToAf;
    } else if (at < arguments.size() && arguments[at] == "to-bmp") {
        line.request.direction = kAfToBmp;
    } else {
        line.mistake = kNoDirectionLine.text;
        return line;
    }
    bool only_files = false;
    for (++at; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        if (only_files || argument.empty() || argument[0] != '-') {
            line.request.files.push_back(argument);
        } else if (argument == "--") {
            only_files = true;
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--force") {
            line.request.force = true;
        } else if (argument == "--quiet" || argument == "-q") {
            line.request.quiet = true;
        } else if (argument == "--smooth") {
            line.request.texture.smooth = true;
        } else if (argument == "--dither") {
            line.request.texture.dither = true;
        } else if (argument.starts_with("-j") || argument == "--jobs") {
            const bool separate = argument == "-j" || argument == "--jobs";
            if (separate && at + 1 == arguments.size()) {
                line.mistake = FilledLine(kNoValueLine, {{"option", argument}});
                return line;
            }
            const std::optional<unsigned> jobs = JobCountOf(separate ? arguments[++at] : argument.substr(2));
            if (!jobs) {
                line.mistake = kBadJobsLine.text;
                return line;
            }
            line.request.jobs = *jobs;
        } else if ((argument == "--out" || argument == "--palette") && at + 1 < arguments.size()) {
            (argument == "--out" ? line.request.out : line.palette_file) = arguments[++at];
        } else {
            const bool needs_value = argument == "--out" || argument == "--palette";
            line.mistake = FilledLine(needs_value ? kNoValueLine : kUnknownOptionLine, {{"option", argument}});
            return line;
        }
    }
    if (!line.help && line.request.files.empty()) line.mistake = kNoFilesLine.text;
    return line;
}
