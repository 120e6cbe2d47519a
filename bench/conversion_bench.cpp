// Conversion and texture file speed. Figures, not tests: nothing here fails.
#include <benchmark/benchmark.h>
#include <filesystem>
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

// What a palette other than the built-in one costs once per process: working out its table.
void WorkOutNearestColourTable(benchmark::State& state) {
    for (auto _ : state) {
        const NearestPaletteColour nearest(BuiltinTexturePalette());
        benchmark::DoNotOptimize(nearest.Find(0x808080));
    }
}
BENCHMARK(WorkOutNearestColourTable)->Unit(benchmark::kMillisecond);

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
