#include "cli/watch_command.h"
#include <algorithm>
#include <filesystem>
#include <thread>
#include "cli/batch_arguments.h"
#include "cli/batch_scheduler.h"
#include "cli/conversion_slots.h"
#include "cli/file_arguments.h"
#include "cli/fixed_palette.h"
#include "core/bitmap_file.h"
#include "core/file_settling.h"
#include "core/folder_changes.h"
#include "core/folder_search.h"
#include "core/messages.h"
#include "core/target_naming.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"

const char kWatchUsage[] =
    "Usage: lumivane-convert watch to-af|to-bmp FOLDER --out DIR [--palette FILE] [-j N]\n"
    "\n"
    "Converts every bitmap (to-af) or texture (to-bmp) in FOLDER that is newer\n"
    "than its target in DIR, or has none, and then every one that is saved into\n"
    "FOLDER, as soon as the program that writes it has finished, until Ctrl+C.\n"
    "Targets are named as by the convert buttons and replace older ones; none is\n"
    "ever deleted. Point DIR at the simulator's texture folder to see each saved\n"
    "bitmap in the simulator as soon as it is reloaded.\n"
    "\n"
    "  --out DIR       write every target into DIR\n"
    "  --palette FILE  use the colours of this JASC-PAL file (256 colours)\n"
    "  -j N            convert up to N files at a time (default: one more than the\n"
    "                  processors); a file waiting for the disk to flush it does\n"
    "                  not count\n"
    "\n"
    "One line per file converted goes to standard output; a file that still\n"
    "cannot be read once its writer has finished is reported once on standard\n"
    "error. Ctrl+C ends the command with status 0 once the file being written\n"
    "is in place; the status is 2 for a wrong command line or a folder that\n"
    "cannot be followed.\n";

namespace {

using Clock = SettlingFiles::Clock;

// What converting one due file came to.
struct Attempt {
    std::string name;
    std::optional<FileStamp> before;
    std::optional<FileStamp> after;
    std::string line;    // for out, when converted
    std::string reason;  // why not, when it failed: the reader's or writer's message without the file's name
    bool ok = false;
};

class Watch {
public:
    Watch(const WatchRequest& request, const NearestPaletteColour& nearest, std::ostream& out, std::ostream& errors)
        : request_(request), nearest_(nearest), out_(out), errors_(errors), files_(request.quiet) {}

    std::string SourcePath(const std::string& name) const { return (std::filesystem::path(request_.folder) / name).string(); }
    std::optional<std::string> TargetPath(const std::string& name) const {
        const std::optional<std::string> target = DefaultTargetName(name, request_.direction);
        if (!target) return std::nullopt;
        return (std::filesystem::path(request_.out) / *target).string();
    }
    bool Follows(const std::string& name) const {
        return MatchesFilePattern(name, ListPatternOf(request_.direction));
    }

    // Every followed file whose target is missing or older waits to be converted.
    void TouchOutdated(Clock::time_point now) {
        std::string folder = request_.folder;
        if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += static_cast<char>(std::filesystem::path::preferred_separator);
        const std::optional<std::vector<std::string>> names = FindFiles(folder, ListPatternOf(request_.direction));
        if (!names) return;
        for (const std::string& name : *names) {
            const std::optional<std::string> target = TargetPath(name);
            const std::optional<FileStamp> source = StampOfFile(SourcePath(name));
            const std::optional<FileStamp> existing = target ? StampOfFile(*target) : std::nullopt;
            if (source && (!existing || existing->time < source->time)) files_.Touched(name, now);
        }
    }

    void Touch(const std::vector<std::string>& names, Clock::time_point now) {
        for (const std::string& name : names) {
            if (Follows(name)) files_.Touched(name, now);
        }
    }

    // Converts whatever has finished; the waiting time until the next look.
    std::optional<std::chrono::milliseconds> ConvertDue() {
        const auto look = [this](const std::string& name) { return LookAtFile(SourcePath(name)); };
        const std::vector<std::string> due = files_.TakeDue(Clock::now(), look);
        std::vector<Attempt> attempts(due.size());
        for (std::size_t i = 0; i < due.size(); ++i) attempts[i].name = due[i];
        RunAttempts(attempts);
        for (const Attempt& attempt : attempts) {
            out_ << attempt.line << std::flush;
            if (files_.Finished(attempt.name, attempt.ok, attempt.before, attempt.after, Clock::now())) {
                errors_ << FilledLine(kMessageLine, {{"file", SourcePath(attempt.name)}, {"message", attempt.reason}}) << "\n" << std::flush;
            }
        }
        const std::optional<Clock::time_point> next = files_.NextLook();
        if (!next) return std::nullopt;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
        return std::max(wait, std::chrono::milliseconds(1));
    }

private:
    void RunAttempts(std::vector<Attempt>& attempts) {
        const unsigned jobs = request_.jobs != 0 ? request_.jobs : DefaultJobs();
        std::size_t next = 0;
        std::mutex lock;
        const auto convert_next = [&] {
            std::size_t i = 0;
            {
                const std::lock_guard<std::mutex> guard(lock);
                if (next == attempts.size()) return false;
                i = next++;
            }
            ConvertOne(attempts[i]);
            return true;
        };
        ConversionSlots slots(jobs);  // after what its threads use, so that they end first
        if (slots.Start(convert_next, attempts.size()) == 0) {
            while (slots.ConvertNext(convert_next)) {
            }
        }
        slots.Finish();
    }

    void ConvertOne(Attempt& attempt) const {
        const std::string source = SourcePath(attempt.name);
        const std::optional<std::string> target = TargetPath(attempt.name);
        attempt.before = StampOfFile(source);
        try {
            const bool to_texture = request_.direction == Direction::BmpToAf;
            const Result<PackedDib> image =
                to_texture ? ReadBitmapFileForSize(source.c_str(), kTextureSide, kTextureSide) : ReadTextureFile(source.c_str());
            attempt.after = StampOfFile(source);
            if (!image) attempt.reason = image.Problem().Reason();
            // A file that changed while it was read is not written half-way:
            // it waits for its writer again.
            if (image && attempt.before == attempt.after) {
                std::optional<PackedDib> converted = ConvertToTexture(*image, nearest_);
                if (!converted) attempt.reason = kCannotConvert.caption;
                if (converted && target) {
                    const Result<Done> written = to_texture ? WriteTextureFile(target->c_str(), std::move(*converted))
                                                            : WriteBitmapFile(target->c_str(), std::move(*converted));
                    attempt.ok = static_cast<bool>(written);
                    if (attempt.ok) attempt.line = source + " -> " + *target + "\n";
                    if (!written) attempt.reason = written.Problem().Reason();
                }
                if (!target) attempt.reason = kTargetPathTooLong.caption;
            }
        } catch (const std::exception&) {  // no memory for a name or a message
            attempt.reason = "not enough memory";
        }
        if (!attempt.ok && attempt.reason.empty()) attempt.reason = "the file changed while it was read";
    }

    const WatchRequest& request_;
    const NearestPaletteColour& nearest_;
    std::ostream& out_;
    std::ostream& errors_;
    SettlingFiles files_;
};

}  // namespace

int RunWatch(const WatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors) {
    const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(palette);
    if (!nearest) {
        errors << "lumivane-convert: not enough memory for the colour table\n";
        return 2;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(request.out, error)) {
        errors << "lumivane-convert: " << request.out << " is not a folder\n";
        return 2;
    }
    // Followed before the first look, so that nothing saved meanwhile is missed.
    const std::unique_ptr<FolderChanges> changes = FollowFolder(request.folder);
    if (!changes) {
        errors << "lumivane-convert: " << request.folder << " is not a folder that can be followed\n";
        return 2;
    }
    FixedPalette source(palette);
    Watch watch(request, *nearest, out, errors);
    watch.TouchOutdated(Clock::now());
    for (;;) {
        const std::optional<std::chrono::milliseconds> wait = watch.ConvertDue();
        const FolderChange change = changes->Wait(wait);
        if (change.interrupted) return 0;
        watch.Touch(change.names, Clock::now());
        if (change.lost_track) watch.TouchOutdated(Clock::now());
    }
}

WatchLine ParseWatchLine(const std::vector<std::string>& arguments) {
    WatchLine line;
    std::vector<std::string> folders;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const std::string& argument = arguments[at];
        const bool has_value = at + 1 < arguments.size();
        if (argument == "--help" || argument == "-h") {
            line.help = true;
            return line;
        } else if (at == 0) {
            line.request.direction = argument == "to-bmp" ? Direction::AfToBmp : Direction::BmpToAf;
            if (argument != "to-af" && argument != "to-bmp") line.mistake = "watch needs to-af or to-bmp first";
        } else if ((argument == "--out" || argument == "--palette" || argument == "-j") && !has_value) {
            line.mistake = argument + " needs a value";
        } else if (argument == "--out") {
            line.request.out = arguments[++at];
        } else if (argument == "--palette") {
            line.palette_file = arguments[++at];
        } else if (argument == "-j") {
            const std::optional<unsigned> jobs = JobCountOf(arguments[++at]);
            if (jobs) {
                line.request.jobs = *jobs;
            } else {
                line.mistake = "-j takes a number of files from 1 to 256";
            }
        } else if (argument.starts_with("-")) {
            line.mistake = "unknown option " + argument;
        } else {
            folders.push_back(argument);
        }
        if (!line.mistake.empty()) return line;
    }
    if (arguments.empty()) {
        line.mistake = "watch needs to-af or to-bmp first";
    } else if (folders.size() != 1) {
        line.mistake = "watch follows one folder";
    } else if (line.request.out.empty()) {
        line.mistake = "watch needs --out DIR";
    } else {
        line.request.folder = folders.front();
    }
    return line;
}
