#include "core/smooth_scaling.h"
#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include "core/stretch_map.h"

namespace {

struct Bgr {
    std::uint32_t blue, green, red;
};

}  // namespace

SmoothScaler::Axis SmoothScaler::MakeAxis(std::int32_t source, std::int32_t target, bool average,
                                          std::vector<std::int32_t> (*picks)(std::int32_t, std::int32_t)) {
    Axis axis;
    if (average && source > target) {
        // Measured in units that make both a source and a target pixel whole:
        // a source pixel is target / g of them, a target pixel source / g.
        const std::uint64_t common = std::gcd(static_cast<std::uint64_t>(source), static_cast<std::uint64_t>(target));
        axis.averaged = true;
        axis.unit = static_cast<std::uint64_t>(target) / common;
        axis.total = static_cast<std::uint64_t>(source) / common;
    } else {
        axis.picks = picks(source, target);
    }
    return axis;
}

SmoothScaler::SmoothScaler(std::int32_t source_width, std::int32_t source_height, const SourceRowFormat& format, std::int32_t width,
                           std::int32_t height, bool average)
    : width_(width), height_(height), format_(format), across_(MakeAxis(source_width, width, average, &StretchedColumns)),
      down_(MakeAxis(source_height, height, average, &StretchedRows)) {
    const std::size_t entries = std::min<std::size_t>(format.colour_table.size() / 4, 256);
    for (std::size_t entry = 0; entry < entries; ++entry) std::memcpy(&table_[entry * 3], &format.colour_table[entry * 4], 3);
    if (across_.averaged) {
        spans_.resize(static_cast<std::size_t>(width));
        for (std::size_t x = 0; x < spans_.size(); ++x) {
            // A target pixel is wider than a source pixel, so it always
            // reaches into at least two source columns.
            const std::uint64_t start = x * across_.total, end = start + across_.total;
            const std::uint64_t first = start / across_.unit, last = (end - 1) / across_.unit;
            spans_[x] = {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last),
                         static_cast<std::uint32_t>(std::min((first + 1) * across_.unit, end) - start),
                         static_cast<std::uint32_t>(end - last * across_.unit)};
        }
    }
    const std::size_t channels = static_cast<std::size_t>(width) * 3;
    row_sums_.assign(channels, 0);
    open_rows_.assign(2 * channels, 0);
    picture_.assign(channels * static_cast<std::size_t>(height), 0);
}

bool SmoothScaler::Uses(std::int32_t from_top) const {
    return down_.averaged || std::binary_search(down_.picks.begin(), down_.picks.end(), from_top);
}

template <typename Colour>
void SmoothScaler::SumRow(const Colour& colour) {
    std::uint64_t* sums = row_sums_.data();
    if (!across_.averaged) {
        for (std::size_t x = 0; x < across_.picks.size(); ++x, sums += 3) {
            const Bgr pixel = colour(static_cast<std::uint32_t>(across_.picks[x]));
            sums[0] = pixel.red;
            sums[1] = pixel.green;
            sums[2] = pixel.blue;
        }
        return;
    }
    const std::uint64_t unit = across_.unit;
    for (const Span& span : spans_) {
        const Bgr first = colour(span.first), last = colour(span.last);
        std::uint64_t red = 0, green = 0, blue = 0;
        for (std::uint32_t x = span.first + 1; x < span.last; ++x) {
            const Bgr pixel = colour(x);
            red += pixel.red;
            green += pixel.green;
            blue += pixel.blue;
        }
        sums[0] = red * unit + std::uint64_t{first.red} * span.first_weight + std::uint64_t{last.red} * span.last_weight;
        sums[1] = green * unit + std::uint64_t{first.green} * span.first_weight + std::uint64_t{last.green} * span.last_weight;
        sums[2] = blue * unit + std::uint64_t{first.blue} * span.first_weight + std::uint64_t{last.blue} * span.last_weight;
        sums += 3;
    }
}

bool SmoothScaler::SumPixels(const std::uint8_t* row) {
    const auto indexed = [this](std::uint32_t index) {
        const std::uint8_t* entry = &table_[index * 3];
        return Bgr{entry[0], entry[1], entry[2]};
    };
    switch (format_.bits) {
    case 1:
        SumRow([&](std::uint32_t x) { return indexed(row[x >> 3] >> (7 - (x & 7)) & 1); });
        break;
    case 4:
        SumRow([&](std::uint32_t x) { return indexed(row[x >> 1] >> ((x & 1) ? 0 : 4) & 15); });
        break;
    case 8:
        SumRow([&](std::uint32_t x) { return indexed(row[x]); });
        break;
    case 16:
        // 5-5-5, each channel widened to 8 bits by repeating its top bits.
        SumRow([&](std::uint32_t x) {
            const std::uint32_t value = row[2 * x] | std::uint32_t{row[2 * x + 1]} << 8;
            const std::uint32_t red = value >> 10 & 31, green = value >> 5 & 31, blue = value & 31;
            return Bgr{blue << 3 | blue >> 2, green << 3 | green >> 2, red << 3 | red >> 2};
        });
        break;
    case 24:
        SumRow([&](std::uint32_t x) {
            const std::uint8_t* pixel = row + std::size_t{x} * 3;
            return Bgr{pixel[0], pixel[1], pixel[2]};
        });
        break;
    case 32:
        SumRow([&](std::uint32_t x) {
            const std::uint8_t* pixel = row + std::size_t{x} * 4;
            return Bgr{pixel[0], pixel[1], pixel[2]};
        });
        break;
    default:
        return false;
    }
    return true;
}

void SmoothScaler::AddRow(std::int32_t from_top, const std::uint8_t* row, bool repeated) {
    const bool summed = repeated && sums_of_last_;
    sums_of_last_ = false;
    if (!Uses(from_top)) return;
    if (!summed && !SumPixels(row)) return;
    sums_of_last_ = true;
    if (!down_.averaged) {
        const auto [from, to] = std::equal_range(down_.picks.begin(), down_.picks.end(), from_top);
        for (auto at = from; at != to; ++at) AddToTargetRow(static_cast<std::int32_t>(at - down_.picks.begin()), 1);
        return;
    }
    // The source row covers [start, end) in units; a target row boundary may cut it in two.
    const std::uint64_t start = static_cast<std::uint64_t>(from_top) * down_.unit, end = start + down_.unit;
    const std::uint64_t target_row = start / down_.total, boundary = (target_row + 1) * down_.total;
    if (end <= boundary) {
        AddToTargetRow(static_cast<std::int32_t>(target_row), down_.unit);
    } else {
        AddToTargetRow(static_cast<std::int32_t>(target_row), boundary - start);
        AddToTargetRow(static_cast<std::int32_t>(target_row + 1), end - boundary);
    }
}

void SmoothScaler::AddToTargetRow(std::int32_t target_row, std::uint64_t weight) {
    // Rows come in order, so at most two target rows are open at once, and a
    // row is complete before the one two further on opens in its place.
    const std::size_t channels = row_sums_.size();
    const std::size_t slot = static_cast<std::size_t>(target_row) & 1;
    std::uint64_t* open = open_rows_.data() + slot * channels;
    for (std::size_t i = 0; i < channels; ++i) open[i] += row_sums_[i] * weight;
    gathered_[slot] += weight;
    if (gathered_[slot] != down_.total) return;
    // The mean in 256ths of a level, rounded half up: floor((512 sum + w) / 2w),
    // a shift when w is a power of two (pictures of 512, 1024, 2048 pixels).
    // Otherwise a multiplication by the reciprocal comes within one of the
    // quotient (both numbers stay below 2^53), and whole-number checks put it right.
    const std::uint64_t weight_of_pixel = across_.total * down_.total;
    std::uint16_t* out = picture_.data() + static_cast<std::size_t>(target_row) * channels;
    if ((weight_of_pixel & (weight_of_pixel - 1)) == 0) {
        const int shift = std::countr_zero(weight_of_pixel) + 1;
        for (std::size_t i = 0; i < channels; ++i) out[i] = static_cast<std::uint16_t>((open[i] * kScaledLevel * 2 + weight_of_pixel) >> shift);
    } else {
        const std::uint64_t divisor = 2 * weight_of_pixel;
        const double reciprocal = 1.0 / static_cast<double>(divisor);
        for (std::size_t i = 0; i < channels; ++i) {
            const std::uint64_t dividend = open[i] * kScaledLevel * 2 + weight_of_pixel;
            std::uint64_t quotient = static_cast<std::uint64_t>(static_cast<double>(dividend) * reciprocal);
            if (quotient * divisor > dividend) --quotient;
            if ((quotient + 1) * divisor <= dividend) ++quotient;
            out[i] = static_cast<std::uint16_t>(quotient);
        }
    }
    std::fill(open, open + channels, 0);
    gathered_[slot] = 0;
}
