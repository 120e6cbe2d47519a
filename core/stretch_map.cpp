#include "core/stretch_map.h"

// The platform steps through the longer of the two lengths. Enlarging, each
// target pixel takes the source pixel under its centre. Shrinking, each source
// pixel s falls on target pixel ceil((2s + 1) T / 2S) - 1; of the source pixels
// that fall on one target pixel, a column keeps the last (each one overwrites
// the one before) and a row the first (the others are deleted), which gives the
// closed forms below. Measured against StretchBlt; see tests/win.

namespace {
std::int64_t Enlarged(std::int64_t target, std::int64_t source_length, std::int64_t target_length) {
    return (2 * target + 1) * source_length / (2 * target_length);
}
}  // namespace

std::vector<std::int32_t> StretchedColumns(std::int32_t source_width, std::int32_t target_width) {
    std::vector<std::int32_t> columns(static_cast<std::size_t>(target_width > 0 ? target_width : 0));
    const std::int64_t source = source_width, target = target_width;
    for (std::int64_t x = 0; x < target; ++x) {
        columns[static_cast<std::size_t>(x)] = static_cast<std::int32_t>(
            source <= target ? Enlarged(x, source, target) : (2 * (x + 1) * source - target) / (2 * target));
    }
    return columns;
}

std::vector<std::int32_t> StretchedRows(std::int32_t source_height, std::int32_t target_height) {
    std::vector<std::int32_t> rows(static_cast<std::size_t>(target_height > 0 ? target_height : 0));
    const std::int64_t source = source_height, target = target_height;
    for (std::int64_t y = 0; y < target; ++y) {
        rows[static_cast<std::size_t>(y)] = static_cast<std::int32_t>(
            source <= target ? Enlarged(y, source, target) : (2 * y * source + target) / (2 * target));
    }
    return rows;
}
