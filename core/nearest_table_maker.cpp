// Run by the build on the build machine: works out the nearest-colour table of
// the built-in palette once, with the code the programs use for any other
// palette, so that no run of the programs has to.
//   nearest_table_maker PALETTE_FILE CELLS_FILE LISTS_FILE
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include "core/jasc_palette.h"
#include "core/nearest_colour.h"

namespace {
template <typename T>
bool WriteAll(const char* path, std::span<const T> values) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size_bytes()));
    return static_cast<bool>(out.flush());
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: nearest_table_maker PALETTE_FILE CELLS_FILE LISTS_FILE\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::optional<TexturePalette> palette = ParseJascPalette(text);
    if (!palette) {
        std::fprintf(stderr, "%s is not a JASC-PAL file of 256 colours\n", argv[1]);
        return 1;
    }
    const NearestPaletteColour nearest(*palette);
    nearest.Complete();
    if (!WriteAll<std::uint32_t>(argv[2], nearest.Cells()) || !WriteAll<std::uint8_t>(argv[3], nearest.Lists())) {
        std::fprintf(stderr, "cannot write the table\n");
        return 1;
    }
    return 0;
}
