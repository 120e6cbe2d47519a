// The definition of nearest that the searches are held to: every palette
// entry compared, ties to the lowest index.
#pragma once
#include <array>
#include <climits>
#include <cstdint>
#include "core/jasc_palette.h"

inline std::uint8_t BruteForceNearest(const TexturePalette& palette, const std::array<int, 3>& rgb) {
    int best = 0;
    int best_distance = INT_MAX;
    for (int entry = 0; entry < 256; ++entry) {
        const int db = palette[entry * 4] - rgb[2], dg = palette[entry * 4 + 1] - rgb[1], dr = palette[entry * 4 + 2] - rgb[0];
        if (dr * dr + dg * dg + db * db < best_distance) {
            best_distance = dr * dr + dg * dg + db * db;
            best = entry;
        }
    }
    return static_cast<std::uint8_t>(best);
}
