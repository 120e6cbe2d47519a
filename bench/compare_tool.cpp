// The converter's half of compare_pillow.py: times the conversion of bitmap
// files already in memory, and counts pixels that did not get the nearest
// palette colour, ours or (from raw files) Pillow's.
//   lumivane_compare convert REPEATS FILE...   -> "FILE first_ms cpu_ms wall_ms non_nearest"
//   lumivane_compare check RGB_FILE INDEX_FILE -> "non_nearest"
//   lumivane_compare repeat REPEATS FILE       -> converts, nothing timed or
//     checked (under valgrind, runs of two counts tell one conversion's
//     instructions); prints how the search reads its table on this processor
#include <time.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include "core/bitmap_file.h"
#include "core/builtin_palette.h"
#include "core/cube_palette_search.h"
#include "core/stretch_map.h"
#include "core/texture_conversion.h"
#include "core/wide_words.h"

namespace {

double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double WallMilliseconds() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The full search, the definition of nearest.
int BruteForceNearest(int red, int green, int blue) {
    const TexturePalette& palette = BuiltinTexturePalette();
    int best = 0, best_distance = 1 << 30;
    for (int entry = 0; entry < 256; ++entry) {
        const int dr = palette[entry * 4 + 2] - red, dg = palette[entry * 4 + 1] - green, db = palette[entry * 4] - blue;
        if (dr * dr + dg * dg + db * db < best_distance) {
            best_distance = dr * dr + dg * dg + db * db;
            best = entry;
        }
    }
    return best;
}

// Only palette entries at a larger distance than the nearest count: an equally
// near entry of a repeated colour is nearest too.
bool IsNearest(int index, int red, int green, int blue) {
    const TexturePalette& palette = BuiltinTexturePalette();
    const auto distance = [&](int entry) {
        const int dr = palette[entry * 4 + 2] - red, dg = palette[entry * 4 + 1] - green, db = palette[entry * 4] - blue;
        return dr * dr + dg * dg + db * db;
    };
    return distance(index) == distance(BruteForceNearest(red, green, blue));
}

int CountOwnNonNearest(const PackedDib& source, const PackedDib& texture) {
    const BitmapInfoHeader header = source.Header();
    if (header.biBitCount != 24) return -1;
    const auto columns = StretchedColumns(header.biWidth, 256);
    const auto rows = StretchedRows(header.biHeight, 256);
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    int wrong = 0;
    for (int y = 0; y < 256; ++y) {
        const std::uint8_t* row = source.Pixels().data() + static_cast<std::size_t>(header.biHeight - 1 - rows[static_cast<std::size_t>(y)]) * stride;
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t* pixel = row + static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]) * 3;
            wrong += !IsNearest(texture.Pixels()[static_cast<std::size_t>(255 - y) * 256 + static_cast<std::size_t>(x)], pixel[2], pixel[1], pixel[0]);
        }
    }
    return wrong;
}

// The first conversion is the first of the process, table and all; run the
// tool once per picture to see it for each.
int Convert(int repeats, char** files, int count) {
    for (int i = 0; i < count; ++i) {
        Result<PackedDib> source = ReadBitmapFile(files[i]);
        if (!source) return 1;
        // The picture's block is new to the process: on a virtual machine the
        // first reads of each page of it cost microseconds, whoever makes them.
        // That belongs to reading the file, so it is paid before the clock
        // starts; the first conversion still pays for its table and texture.
        std::uint32_t sum = 0;
        for (std::size_t at = 0; at < source->Pixels().size(); at += 64) sum += source->Pixels()[at];
        volatile std::uint32_t touched = sum;
        (void)touched;
        double started = CpuMilliseconds();
        std::optional<PackedDib> texture = ConvertToTexture(*source, BuiltinTexturePalette());
        const double first = CpuMilliseconds() - started;

        const double wall_started = WallMilliseconds();
        started = CpuMilliseconds();
        for (int r = 0; r < repeats; ++r) texture = ConvertToTexture(*source, BuiltinTexturePalette());
        const double cpu = (CpuMilliseconds() - started) / repeats;
        const double wall = (WallMilliseconds() - wall_started) / repeats;
        std::printf("%s %.4f %.4f %.4f %d\n", files[i], first, cpu, wall, CountOwnNonNearest(*source, *texture));
    }
    return 0;
}

// How the built-in palette is searched here: under valgrind, as on the processor valgrind shows.
std::string SearchWay() {
#ifdef LUMIVANE_WIDE_READS
    if (HasAvx2() && IsCubeAndGreys(BuiltinTexturePalette())) return "sixteen at a time by arithmetic, no table";
    if (HasAvx2()) return std::string(HasAvx512() ? "sixteen" : "eight") + " at a time by " + (GathersAreFast() ? "gathers" : "plain reads");
#endif
    return "one pixel at a time";
}

int Repeat(int repeats, const char* file) {
    Result<PackedDib> source = ReadBitmapFile(file);
    if (!source) return 1;
    std::optional<PackedDib> texture;
    for (int r = 0; r < repeats; ++r) texture = ConvertToTexture(*source, BuiltinTexturePalette());
    std::printf("%s\n", SearchWay().c_str());
    return texture || repeats == 0 ? 0 : 1;
}

std::vector<std::uint8_t> Slurp(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Check(const char* rgb_path, const char* index_path) {
    const std::vector<std::uint8_t> rgb = Slurp(rgb_path), indices = Slurp(index_path);
    if (rgb.size() != indices.size() * 3) return 1;
    int wrong = 0;
    for (std::size_t i = 0; i < indices.size(); ++i) wrong += !IsNearest(indices[i], rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    std::printf("%d\n", wrong);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "convert" && argc > 3) return Convert(std::atoi(argv[2]), argv + 3, argc - 3);
    if (command == "repeat" && argc == 4) return Repeat(std::atoi(argv[2]), argv[3]);
    if (command == "check" && argc == 4) return Check(argv[2], argv[3]);
    std::fprintf(stderr, "usage: lumivane_compare convert REPEATS FILE... | repeat REPEATS FILE | check RGB_FILE INDEX_FILE\n");
    return 2;
}
