// lumivane-convert: converts bitmaps to AF textures and back from the command line.
#include <fstream>
#include <iostream>
#include <sstream>
#include "cli/batch_convert.h"
#include "core/builtin_palette.h"

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (line.help) {
        std::cout << kBatchUsage;
        return 0;
    }
    if (!line.mistake.empty()) {
        std::cerr << "lumivane-convert: " << line.mistake << "\n\n" << kBatchUsage;
        return 2;
    }
    TexturePalette palette = BuiltinTexturePalette();
    if (line.palette_file) {
        std::ifstream file(*line.palette_file, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        const std::optional<TexturePalette> parsed = file ? ParseJascPalette(text.str()) : std::nullopt;
        if (!parsed) {
            std::cerr << "lumivane-convert: " << *line.palette_file << " is not a JASC-PAL file of 256 colours\n";
            return 2;
        }
        palette = *parsed;
    }
    return ConvertFiles(line.request, palette, std::cout, std::cerr) == 0 ? 0 : 1;
}
