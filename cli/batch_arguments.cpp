#include "cli/batch_arguments.h"
#include <charconv>
#include "core/messages.h"

std::optional<unsigned> JobCountOf(std::string_view text) {
    constexpr unsigned kMostJobs = 256;  // as kBadJobsLine says
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMostJobs) return std::nullopt;
    return jobs;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    std::size_t at = 0;
    if (at < arguments.size() && (arguments[at] == "--help" || arguments[at] == "-h")) {
        line.help = true;
        return line;
    }
    if (at < arguments.size() && arguments[at] == "to-af") {
        line.request.direction = Direction::BmpToAf;
    } else if (at < arguments.size() && arguments[at] == "to-bmp") {
        line.request.direction = Direction::AfToBmp;
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
