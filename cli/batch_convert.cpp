#include "cli/batch_convert.h"
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <functional>
#include "cli/batch_scheduler.h"
#include "cli/conversion_slots.h"
#include "cli/file_arguments.h"
#include "cli/fixed_palette.h"
#include "cli/progress_line.h"
#include "core/bitmap_file.h"
#include "core/bitmap_to_texture.h"
#include "core/file_access.h"
#include "core/messages.h"
#include "core/native_path.h"
#include "core/texture_file.h"

namespace {

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

// The picture a texture's bitmap is made of: the texture, read and mapped.
Result<PackedDib> TextureAsBitmap(const std::string& source, const NearestPaletteColour& nearest) {
    const Result<PackedDib> image = ReadTextureFile(source.c_str());
    if (!image) return image.Problem();
    return {ConvertToTexture(*image, nearest), Failure{&kCannotConvert, source}};
}

// Converts one file; false after putting the reason into outcome.errors. A
// message names the file it is about once: the source, or the target it
// could not write.
bool ConvertOne(const std::string& source, const std::optional<std::string>& target, const BatchRequest& request,
                const NearestPaletteColour& nearest, Outcome& outcome) {
    const auto failed = [&](const Failure& failure) {
        outcome.errors += FilledLine(kMessageLine, {{"file", failure.path}, {"message", failure.Reason()}}) + "\n";
        return false;
    };
    if (!target) return failed({&kTargetPathTooLong, source});
    std::error_code ignored;
    if (!request.force && std::filesystem::exists(NativePath(*target), ignored)) {
        outcome.errors += FilledLine(kTargetExistsLine, {{"file", source}, {"target", *target}}) + "\n";
        return false;
    }
    const bool to_texture = request.direction == Direction::BmpToAf;
    Result<PackedDib> converted =
        to_texture ? ConvertBitmapFile(source.c_str(), nearest, request.texture) : TextureAsBitmap(source, nearest);
    if (!converted) return failed(converted.Problem());
    // The picture is let go before the wait for the disk, so the next file
    // converts into the same block rather than into new pages.
    const Result<Done> written =
        to_texture ? WriteTextureFile(target->c_str(), std::move(*converted)) : WriteBitmapFile(target->c_str(), std::move(*converted));
    if (!written) return failed(written.Problem());
    outcome.line = FilledLine(kConvertedLine, {{"file", source}, {"target", *target}}) + "\n";
    return true;
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
    }
    if (!outcome.converted) outcome.line = FilledLine(kFailedLine, {{"file", item.source}}) + "\n";
    return outcome;
}

}  // namespace

int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors, ProgressLine* progress) {
    const std::vector<BatchItem> items = ExpandFileArguments(request.files, request.direction);
    const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(palette);
    if (!nearest) {
        errors << kNoMemoryForTableLine.text << "\n";
        return static_cast<int>(items.size());
    }
    FixedPalette source(palette);
    // Each folder written into is flushed once, after the batch's renames, not after each.
    std::optional<FolderFlushes> flushes(std::in_place);
    std::vector<std::optional<std::string>> targets;
    std::vector<std::vector<std::string>> files_of_items;
    for (const BatchItem& item : items) {
        targets.push_back(item.problem.empty() ? TargetPathOf(item.source, request) : std::nullopt);
        files_of_items.emplace_back();
        if (!item.problem.empty()) continue;
        files_of_items.back().push_back(item.source);
        if (targets.back()) files_of_items.back().push_back(*targets.back());
    }
    const std::size_t jobs = request.jobs != 0 ? request.jobs : DefaultJobs();
    BatchScheduler batch(ItemsToWaitFor(files_of_items), [&](std::size_t i) { return Convert(items[i], targets[i], request, *nearest); });
    const std::function<bool()> convert_next = [&] { return batch.WorkOne(); };
    ConversionSlots slots(jobs);  // after what its threads use, so that they end first
    // Without threads, this thread converts, one file after the other.
    const bool converting_here = slots.Start(convert_next, items.size()) == 0;

    const auto show_progress = [&](std::size_t done) {
        if (progress && !request.quiet) progress->Update(done, items.size());
    };
    int failed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (converting_here) slots.ConvertNext(convert_next);
        const Outcome& outcome = batch.WaitFor(i, show_progress);
        const bool printing_on_terminal = !outcome.errors.empty() || (!request.quiet && progress && progress->OutputOnTerminal());
        if (progress && printing_on_terminal) progress->Clear();
        errors << outcome.errors;
        if (!request.quiet) out << outcome.line << std::flush;
        failed += outcome.converted ? 0 : 1;
        show_progress(i + 1);
    }
    slots.Finish();
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
