#include "core/error_diffusion.h"
#include <algorithm>
#include <array>
#include <vector>
#include "core/smooth_scaling.h"

namespace {

constexpr std::int32_t kTop = 255 * static_cast<std::int32_t>(kScaledLevel);

std::uint32_t WholeLevel(std::int32_t value) { return static_cast<std::uint32_t>(value + kScaledLevel / 2) / kScaledLevel; }

// The palette as red, green and blue levels by index.
std::array<std::array<std::int32_t, 3>, 256> PaletteLevels(const NearestPaletteColour& nearest) {
    std::array<std::array<std::int32_t, 3>, 256> levels{};
    const std::span<const std::uint8_t, kTexturePaletteBytes> palette = nearest.Palette();
    for (std::size_t entry = 0; entry < 256; ++entry) levels[entry] = {palette[entry * 4 + 2], palette[entry * 4 + 1], palette[entry * 4]};
    return levels;
}

void MapNearest(std::span<const std::uint16_t> picture, std::int32_t width, std::int32_t height, const NearestPaletteColour& nearest,
                std::span<std::uint8_t> indices) {
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint16_t* in = picture.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        std::uint8_t* out = indices.data() + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width);
        for (std::int32_t x = 0; x < width; ++x, in += 3) out[x] = nearest.Find(WholeLevel(in[0]), WholeLevel(in[1]), WholeLevel(in[2]));
    }
}

}  // namespace

void MapToPalette(std::span<const std::uint16_t> picture, std::int32_t width, std::int32_t height, const NearestPaletteColour& nearest,
                  bool dither, std::span<std::uint8_t> indices) {
    if (!dither) {
        MapNearest(picture, width, height, nearest, indices);
        return;
    }
    const auto levels = PaletteLevels(nearest);
    // The errors carried to this row and to the next, one pixel of margin on
    // either side for what falls off the edges.
    const std::size_t padded = (static_cast<std::size_t>(width) + 2) * 3;
    std::vector<std::int32_t> here(padded, 0), below(padded, 0);
    for (std::int32_t y = 0; y < height; ++y) {
        const bool rightwards = y % 2 == 0;
        const std::ptrdiff_t step = rightwards ? 1 : -1;
        const std::uint16_t* row = picture.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 3;
        std::uint8_t* out = indices.data() + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width);
        std::fill(below.begin(), below.end(), 0);
        // The share of the pixel before, kept out of memory: each pixel waits for it.
        std::array<std::int32_t, 3> ahead{};
        for (std::int32_t i = 0; i < width; ++i) {
            const std::int32_t x = rightwards ? i : width - 1 - i;
            const std::uint16_t* pixel = row + static_cast<std::size_t>(x) * 3;
            const std::int32_t* carried = here.data() + static_cast<std::size_t>(x + 1) * 3;
            if ((pixel[0] | pixel[1] | pixel[2]) % kScaledLevel == 0) {
                const std::uint8_t index = nearest.Find(pixel[0] / kScaledLevel, pixel[1] / kScaledLevel, pixel[2] / kScaledLevel);
                const auto& level = levels[index];
                if (level[0] * kScaledLevel == pixel[0] && level[1] * kScaledLevel == pixel[1] && level[2] * kScaledLevel == pixel[2]) {
                    out[x] = index;
                    ahead = {};
                    continue;
                }
            }
            std::array<std::int32_t, 3> wanted{};
            for (int c = 0; c < 3; ++c) wanted[c] = std::clamp(pixel[c] + carried[c] + ahead[c], 0, kTop);
            const std::uint8_t index = nearest.Find(WholeLevel(wanted[0]), WholeLevel(wanted[1]), WholeLevel(wanted[2]));
            out[x] = index;
            std::int32_t* under = below.data() + static_cast<std::size_t>(x + 1) * 3;
            for (int c = 0; c < 3; ++c) {
                // Whole-number shares that add up to the whole error.
                const std::int32_t error = wanted[c] - levels[index][c] * static_cast<std::int32_t>(kScaledLevel);
                const std::int32_t seven = error * 7 / 16, four = error * 4 / 16;
                ahead[c] = seven;
                under[c - step * 3] += four;
                under[c] += error - seven - four;
            }
        }
        std::swap(here, below);
    }
}
