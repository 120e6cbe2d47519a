#include "cli/batch_convert.h"
#include <algorithm>
#include <filesystem>
#include "core/target_naming.h"
#include "core/bitmap_file.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "core/message_sink.h"
#include "core/palette_source.h"

const char kBatchUsage[] =
    "Usage: lumivane-convert to-af|to-bmp [--out DIR] [--palette FILE] [--force] FILE...\n"
    "\n"
    "Converts bitmaps to FS98 AF textures (to-af) or AF textures to bitmaps (to-bmp).\n"
    "Bitmaps are scaled to 256 x 256 by whole pixels and every pixel takes the\n"
    "nearest colour of the texture palette; textures become 8-bit bitmaps that\n"
    "carry the palette.\n"
    "\n"
    "Targets are written beside each source, or into DIR with --out, under the\n"
    "names the convert buttons use: a name with no dot or one dot gets \".af\" or\n"
    "\".bmp\" added (plane.oaf becomes plane.oaf.bmp), a name with two or more dots\n"
    "loses its last extension (plane.oaf.bmp becomes plane.oaf).\n"
    "\n"
    "  --out DIR       write every target into DIR\n"
    "  --palette FILE  use the colours of this JASC-PAL file (256 colours) instead\n"
    "                  of the built-in texture palette\n"
    "  --force         overwrite targets that exist; without it they are refused\n"
    "  --help          show this text\n"
    "\n"
    "One line per file and a summary go to standard output; a file that cannot be\n"
    "read, converted or written is reported on standard error with the reason and\n"
    "the next file is converted. A target is only replaced once it is written in\n"
    "full. The exit status is 0 when every file was converted, 1 when any failed,\n"
    "2 for a wrong command line or palette file.\n";

namespace {

// Prints the readers' and writers' messages, which name the file either as
// their text or as their caption, as "file: reason".
class PrintingSink final : public MessageSink {
public:
    explicit PrintingSink(std::ostream& errors) : errors_(errors), previous_(SetMessageSink(this)) {}
    ~PrintingSink() override { SetMessageSink(previous_); }
    PrintingSink(const PrintingSink&) = delete;
    PrintingSink& operator=(const PrintingSink&) = delete;

    void SetFile(const std::string& path) { path_ = path; }

    int Show(WindowRef, std::string_view text, std::string_view caption, unsigned) override {
        std::string_view reason = text == path_ ? caption : caption == path_ ? text : std::string_view();
        if (reason.empty()) {
            errors_ << path_ << ": " << caption << ": " << text << '\n';
        } else {
            errors_ << path_ << ": " << reason << '\n';
        }
        return kIdNo;
    }

private:
    std::ostream& errors_;
    MessageSink* previous_;
    std::string path_;
};

class FixedPalette final : public PaletteSource {
public:
    explicit FixedPalette(const TexturePalette& palette) : palette_(palette), previous_(SetPaletteSource(this)) {}
    ~FixedPalette() override { SetPaletteSource(previous_); }
    FixedPalette(const FixedPalette&) = delete;
    FixedPalette& operator=(const FixedPalette&) = delete;

    bool Load(WindowRef, std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        std::copy(palette_.begin(), palette_.end(), destination.begin());
        return true;
    }

private:
    const TexturePalette& palette_;
    PaletteSource* previous_;
};

std::optional<std::string> TargetPathOf(const std::string& source, const BatchRequest& request) {
    const std::filesystem::path path(source);
    const std::optional<std::string> name = DefaultTargetName(path.filename().string(), request.direction);
    if (!name) return std::nullopt;
    const std::filesystem::path folder = request.out ? std::filesystem::path(*request.out) : path.parent_path();
    return (folder / *name).string();
}

// Converts one file; false after reporting why it failed.
bool ConvertOne(const std::string& source, const BatchRequest& request, const TexturePalette& palette, PrintingSink& sink,
                std::ostream& out, std::ostream& errors) {
    sink.SetFile(source);
    const std::optional<std::string> target = TargetPathOf(source, request);
    if (!target) {
        errors << source << ": the target name would be too long\n";
        return false;
    }
    std::error_code ignored;
    if (!request.force && std::filesystem::exists(*target, ignored)) {
        errors << source << ": " << *target << " exists (--force overwrites it)\n";
        return false;
    }
    const bool to_texture = request.direction == kBmpToAf;
    const std::optional<PackedDib> image = to_texture ? ReadBitmapFile(source.c_str()) : ReadTextureFile(source.c_str());
    if (!image) return false;
    const std::optional<PackedDib> converted = ConvertToTexture(*image, palette);
    if (!converted) {
        errors << source << ": the image cannot be converted\n";
        return false;
    }
    sink.SetFile(*target);
    const bool written = to_texture ? WriteTextureFile(target->c_str(), *converted) : WriteBitmapFile(target->c_str(), *converted);
    if (written) out << source << " -> " << *target << '\n';
    return written;
}

}  // namespace

int ConvertFiles(const BatchRequest& request, const TexturePalette& palette, std::ostream& out, std::ostream& errors) {
    PrintingSink sink(errors);
    FixedPalette source(palette);
    int failed = 0;
    for (const std::string& file : request.files) {
        if (!ConvertOne(file, request, palette, sink, out, errors)) {
            out << file << ": failed\n";
            ++failed;
        }
    }
    const std::size_t converted = request.files.size() - static_cast<std::size_t>(failed);
    out << converted << (converted == 1 ? " file" : " files") << " converted, " << failed << " failed\n";
    return failed;
}

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
        line.mistake = "the first argument must be to-af or to-bmp";
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
        } else if ((argument == "--out" || argument == "--palette") && at + 1 < arguments.size()) {
            (argument == "--out" ? line.request.out : line.palette_file) = arguments[++at];
        } else {
            line.mistake = argument == "--out" || argument == "--palette" ? argument + " needs a value" : "unknown option " + argument;
            return line;
        }
    }
    if (!line.help && line.request.files.empty()) line.mistake = "no files to convert";
    return line;
}
