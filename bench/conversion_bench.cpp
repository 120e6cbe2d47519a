// Conversion and texture file speed. Figures, not tests: nothing here fails.
#include <benchmark/benchmark.h>
#include <climits>
#include <filesystem>
#include <random>
#include "bench_pictures.h"
#include "core/builtin_nearest_colour.h"
#include "core/builtin_palette.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "core/palette_source.h"

namespace {

void ConvertTrueColour(benchmark::State& state) {
    const PackedDib source = MakeTrueColourPicture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ConvertToTexture(source, BuiltinNearestColour()));
}
BENCHMARK(ConvertTrueColour)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

// The search of a 256 x 256 picture's rows alone, eight pixels at a time
// (argument 1) where the processor can, or one at a time (0): a processor
// whose gathers are slow shows it here.
void MapRowsOfTrueColour(benchmark::State& state) {
    const PackedDib source = MakeTrueColourPicture(256, 256);
    const auto width = state.range(0) ? NearestPaletteColour::Width::kWidest : NearestPaletteColour::Width::kOnePixel;
    std::array<std::uint32_t, 256> offsets;
    for (std::uint32_t i = 0; i < 256; ++i) offsets[i] = 3 * i;
    const NearestPaletteColour::RowOffsets places(offsets);
    std::array<std::uint8_t, 256> out;
    for (auto _ : state) {
        for (std::size_t row = 0; row < 256; ++row) {
            BuiltinNearestColour().MapBgrPixels(source.Pixels().subspan(row * 768, 768), places, out.data(), width);
            benchmark::DoNotOptimize(out);
        }
    }
    state.SetItemsProcessed(state.iterations() * 65536);
}
BENCHMARK(MapRowsOfTrueColour)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Palettes that make the nearest-colour search work hardest: the built-in
// one, random colours, a ramp of greys, 17 greys repeated, an entry as far
// from (3,3,3) as the entry after it, and colours on two faces of the cube.
TexturePalette HardPalette(std::int64_t which) {
    if (which == 0) return BuiltinTexturePalette();
    std::mt19937 random(7);
    TexturePalette palette{};
    for (int entry = 0; entry < 256; ++entry) {
        const int grey = which == 2 ? entry : which == 3 ? entry % 17 * 15 : which == 4 ? (entry == 0 ? 5 : entry == 1 ? 1 : 255) : -1;
        for (int channel = 0; channel < 3; ++channel) {
            int value = grey >= 0 ? grey : static_cast<int>(random() % 256);
            if (which == 5 && channel != 1) value = value / 128 * 255;
            if (which == 4 && entry > 1 && channel == 0) value = 255 - entry;
            palette[static_cast<std::size_t>(entry * 4 + channel)] = static_cast<std::uint8_t>(value);
        }
    }
    return palette;
}
constexpr int kHardPalettes = 6;

// What a palette other than the built-in one costs once per process: the
// search made (its table worked out as it is used), each whole table worked
// out (as the build does for the built-in palette) with its size in bytes,
// and the first conversion of a 1024 x 1024 picture with a new search, which
// works out the part of the table the picture needs.
void StartNearestColourSearch(benchmark::State& state) {
    const TexturePalette palette = HardPalette(state.range(0));
    for (auto _ : state) {
        const NearestPaletteColour nearest(palette);
        benchmark::DoNotOptimize(&nearest);
    }
}
BENCHMARK(StartNearestColourSearch)->DenseRange(0, kHardPalettes - 1)->Unit(benchmark::kMicrosecond);

void WorkOutNearestColourTable(benchmark::State& state) {
    const TexturePalette palette = HardPalette(state.range(0));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const NearestPaletteColour nearest(palette);
        nearest.Complete();
        bytes = nearest.Cells().size_bytes() + nearest.Lists().size_bytes();
    }
    state.counters["table_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(WorkOutNearestColourTable)->DenseRange(0, kHardPalettes - 1)->Unit(benchmark::kMicrosecond);

void FirstConversionWithNewSearch(benchmark::State& state) {
    const TexturePalette palette = HardPalette(state.range(0));
    const PackedDib source = MakeTrueColourPicture(1024, 1024);
    for (auto _ : state) {
        const NearestPaletteColour nearest(palette);
        benchmark::DoNotOptimize(ConvertToTexture(source, nearest));
    }
}
BENCHMARK(FirstConversionWithNewSearch)->DenseRange(0, kHardPalettes - 1)->Unit(benchmark::kMicrosecond);

// Every one of the 2^24 colours against a search of the whole palette (the
// built-in palette's table as the build embedded it), one at a time and as
// the pixels of rows, eight at a time and one at a time: "wrong" must be 0.
void NearestColourOfEveryColour(benchmark::State& state) {
    const TexturePalette palette = HardPalette(state.range(0));
    const NearestPaletteColour made(palette);
    const NearestPaletteColour& nearest = state.range(0) == 0 ? BuiltinNearestColour() : made;
    std::array<std::int32_t, 256> red, green, blue;
    for (std::size_t entry = 0; entry < 256; ++entry) {
        blue[entry] = palette[entry * 4];
        green[entry] = palette[entry * 4 + 1];
        red[entry] = palette[entry * 4 + 2];
    }
    // A row of the 256 blues of one red and green.
    std::array<std::uint32_t, 256> offsets;
    for (std::uint32_t i = 0; i < 256; ++i) offsets[i] = 3 * i;
    std::array<std::uint8_t, 3 * 256> row;
    std::array<std::uint8_t, 256> mapped, one_by_one;
    std::int64_t wrong = 0;
    for (auto _ : state) {
        wrong = 0;
        for (std::int32_t red_green = 0; red_green < 1 << 16; ++red_green) {
            const std::int32_t r = red_green >> 8, g = red_green & 0xFF;
            for (std::size_t b = 0; b < 256; ++b) {
                row[3 * b] = static_cast<std::uint8_t>(b);
                row[3 * b + 1] = static_cast<std::uint8_t>(g);
                row[3 * b + 2] = static_cast<std::uint8_t>(r);
            }
            nearest.MapBgrPixels(row, offsets.data(), offsets.size(), mapped.data());
            nearest.MapBgrPixels(row, offsets.data(), offsets.size(), one_by_one.data(), NearestPaletteColour::Width::kOnePixel);
            for (std::int32_t b = 0; b < 256; ++b) {
                std::int32_t best = 0, best_distance = INT32_MAX;
                for (std::int32_t entry = 0; entry < 256; ++entry) {
                    const std::int32_t distance = (red[entry] - r) * (red[entry] - r) + (green[entry] - g) * (green[entry] - g) + (blue[entry] - b) * (blue[entry] - b);
                    if (distance < best_distance) best_distance = distance, best = entry;
                }
                wrong += nearest.Find(static_cast<std::uint32_t>(red_green << 8 | b)) != best;
                wrong += mapped[static_cast<std::size_t>(b)] != best;
                wrong += one_by_one[static_cast<std::size_t>(b)] != best;
            }
        }
    }
    state.counters["wrong"] = static_cast<double>(wrong);
}
BENCHMARK(NearestColourOfEveryColour)->DenseRange(0, kHardPalettes - 1)->Iterations(1)->Unit(benchmark::kMillisecond);

// The search alone over a million random colours, as noisy pictures ask it.
void NearestColourOfRandomColours(benchmark::State& state) {
    const TexturePalette palette = HardPalette(state.range(0));
    const NearestPaletteColour made(palette);
    const NearestPaletteColour& nearest = state.range(0) == 0 ? BuiltinNearestColour() : made;
    std::mt19937 random(3);
    std::vector<std::uint32_t> colours(1 << 20);
    for (std::uint32_t& colour : colours) colour = random() & 0xFFFFFF;
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (const std::uint32_t colour : colours) sum += nearest.Find(colour);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(colours.size()));
}
BENCHMARK(NearestColourOfRandomColours)->DenseRange(0, kHardPalettes - 1)->Unit(benchmark::kMillisecond);

void ConvertInTexturePalette(benchmark::State& state) {
    const PackedDib source = MakeIndexedPicture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(0)), BuiltinTexturePalette());
    for (auto _ : state) benchmark::DoNotOptimize(ConvertToTexture(source, BuiltinNearestColour()));
}
BENCHMARK(ConvertInTexturePalette)->Arg(256)->Arg(1024)->Unit(benchmark::kMicrosecond);

class BuiltinPaletteSource final : public PaletteSource {
public:
    Result<Done> Load(std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        std::copy(BuiltinTexturePalette().begin(), BuiltinTexturePalette().end(), destination.begin());
        return Done{};
    }
};

std::string ScratchTexture() {
    return (std::filesystem::temp_directory_path() / "lumivane-bench.af").string();
}

void WriteTexture(benchmark::State& state) {
    const PackedDib source = MakeIndexedPicture(256, 256, BuiltinTexturePalette());
    const std::string path = ScratchTexture();
    for (auto _ : state) benchmark::DoNotOptimize(WriteTextureFile(path.c_str(), source));
}
BENCHMARK(WriteTexture)->Unit(benchmark::kMicrosecond);

void ReadTexture(benchmark::State& state) {
    BuiltinPaletteSource palette;
    PaletteSource* previous = SetPaletteSource(&palette);
    const std::string path = ScratchTexture();
    WriteTextureFile(path.c_str(), MakeIndexedPicture(256, 256, BuiltinTexturePalette()));
    for (auto _ : state) benchmark::DoNotOptimize(ReadTextureFile(path.c_str()));
    SetPaletteSource(previous);
    std::filesystem::remove(path);
}
BENCHMARK(ReadTexture)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
