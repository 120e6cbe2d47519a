#include "core/stretch_map.h"
#include <algorithm>

// The platform steps through the longer of the two lengths. Enlarging, each
// target pixel takes the source pixel under its centre. Shrinking, each source
// pixel s falls on target pixel ceil((2s + 1) T / 2S) - 1; of the source pixels
// that fall on one target pixel, a column keeps the last (each one overwrites
// the one before) and a row the first (the others are deleted), which gives the
// closed forms below. Measured against StretchBlt; see tests/win.

namespace {
// floor((step i + start) / divisor) for i from 0 to count - 1, all terms at
// least 0, worked out with one division: each value adds the step's quotient
// to the one before, and one more where the remainders add up to a divisor.
std::vector<std::int32_t> FloorSteps(std::int64_t step, std::int64_t start, std::int64_t divisor, std::int32_t count) {
    std::vector<std::int32_t> values(static_cast<std::size_t>(count > 0 ? count : 0));
    std::int64_t value = start / divisor, rest = start % divisor;
    const std::int64_t whole = step / divisor, part = step % divisor;
    for (std::int32_t& at : values) {
        at = static_cast<std::int32_t>(value);
        value += whole;
        rest += part;
        const bool carry = rest >= divisor;
        value += carry;
        rest -= carry ? divisor : 0;
    }
    return values;
}
}  // namespace

// Enlarging: (2x + 1) S / 2T; shrinking: ((2x + 2) S - T) / 2T.
std::vector<std::int32_t> StretchedColumns(std::int32_t source_width, std::int32_t target_width) {
    const std::int64_t source = std::max(source_width, 0), target = target_width;
    if (target <= 0) return {};
    return FloorSteps(2 * source, source <= target ? source : 2 * source - target, 2 * target, target_width);
}

// Enlarging: (2y + 1) S / 2T; shrinking: (2y S + T) / 2T.
std::vector<std::int32_t> StretchedRows(std::int32_t source_height, std::int32_t target_height) {
    const std::int64_t source = std::max(source_height, 0), target = target_height;
    if (target <= 0) return {};
    return FloorSteps(2 * source, source <= target ? source : target, 2 * target, target_height);
}
