#include "core/nearest_colour.h"
#include <algorithm>
#include <climits>
#include <cstring>

// Exactness: for a box of colours, an entry can only be nearest to some colour
// in it if its smallest distance to the box is no larger than the smallest,
// over all entries, of the largest distance to the box. Keeping every such
// entry in index order, and searching them with a strict comparison, gives the
// same answer as searching the whole palette, ties included. The cube is cut
// in eight again and again, each box taking its candidates from the list of
// the box around it, until one entry is left or the box is a corner.

namespace {

struct Box {
    std::int32_t low[3];
    std::int32_t high[3];
};

// The box 2^size_bits colours a side with the given corner in box units.
Box BoxOf(std::uint32_t red, std::uint32_t green, std::uint32_t blue, int size_bits) {
    const std::uint32_t corner[3] = {red, green, blue};
    Box box{};
    for (int axis = 0; axis < 3; ++axis) {
        box.low[axis] = static_cast<std::int32_t>(corner[axis] << size_bits);
        box.high[axis] = box.low[axis] + (1 << size_bits) - 1;
    }
    return box;
}

std::int32_t Square(std::int32_t value) { return value * value; }

struct CandidateList {
    std::array<std::uint8_t, 256> entries;
    std::size_t count = 0;
};

using Channels = std::array<const std::array<std::int32_t, 256>*, 3>;

CandidateList Candidates(std::span<const std::uint8_t> from, const Box& box, const Channels& channels) {
    std::array<std::int32_t, 256> near_side;
    std::int32_t nearest_far_side = INT32_MAX;
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::int32_t near = 0, far = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const std::int32_t value = (*channels[axis])[from[i]];
            const std::int32_t low = box.low[axis], high = box.high[axis];
            near += value < low ? Square(low - value) : value > high ? Square(value - high) : 0;
            far += Square(std::max(value - low, high - value));
        }
        near_side[i] = near;
        nearest_far_side = std::min(nearest_far_side, far);
    }
    CandidateList kept;
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (near_side[i] <= nearest_far_side) kept.entries[kept.count++] = from[i];
    }
    return kept;
}

// The nearest of the candidates to every colour of box, red slowest, blue fastest.
void WriteAnswers(const CandidateList& candidates, const Box& box, const Channels& channels, std::uint8_t* answers) {
    for (std::int32_t r = box.low[0]; r <= box.high[0]; ++r) {
        for (std::int32_t g = box.low[1]; g <= box.high[1]; ++g) {
            for (std::int32_t b = box.low[2]; b <= box.high[2]; ++b) {
                std::uint8_t best = candidates.entries[0];
                std::int32_t best_distance = INT32_MAX;
                for (std::size_t i = 0; i < candidates.count; ++i) {
                    const std::uint8_t entry = candidates.entries[i];
                    const std::int32_t distance = Square((*channels[0])[entry] - r) + Square((*channels[1])[entry] - g) + Square((*channels[2])[entry] - b);
                    if (distance < best_distance) {
                        best_distance = distance;
                        best = entry;
                    }
                }
                *answers++ = best;
            }
        }
    }
}

constexpr int kCornerBits = 2;  // a corner is 4 colours a side

}  // namespace

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette)
    : own_blocks_(kCorners), own_answers_(256 * kBlockBytes) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
    // An entry whose colour an entry before it has never wins, ties going to
    // the lowest index; leaving it out keeps the lists short for palettes
    // that repeat colours.
    std::array<std::uint8_t, 256> distinct{};
    std::size_t distinct_count = 0;
    for (std::uint32_t value = 0; value < 256; ++value) {
        blue_[value] = palette[value * 4 + 0];
        green_[value] = palette[value * 4 + 1];
        red_[value] = palette[value * 4 + 2];
        std::memset(&own_answers_[value * kBlockBytes], static_cast<int>(value), kBlockBytes);
        const bool repeated = std::any_of(distinct.begin(), distinct.begin() + static_cast<std::ptrdiff_t>(distinct_count), [&](std::uint8_t earlier) {
            return red_[earlier] == red_[value] && green_[earlier] == green_[value] && blue_[earlier] == blue_[value];
        });
        if (!repeated) distinct[distinct_count++] = static_cast<std::uint8_t>(value);
    }
    Build(8, 0, 0, 0, std::span<const std::uint8_t>(distinct.data(), distinct_count));
    blocks_ = own_blocks_.data();
    answers_ = own_answers_.data();
    answer_bytes_ = own_answers_.size();
}

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette,
                                           std::span<const std::uint32_t, kCorners> blocks, std::span<const std::uint8_t> answers)
    : blocks_(blocks.data()), answers_(answers.data()), answer_bytes_(answers.size()) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
}

void NearestPaletteColour::Build(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                                 std::span<const std::uint8_t> from) {
    const Channels channels{&red_, &green_, &blue_};
    const Box box = BoxOf(red, green, blue, size_bits);
    const CandidateList kept = Candidates(from, box, channels);
    if (kept.count == 1) {
        FillBox(size_bits, red, green, blue, kept.entries[0]);
    } else if (size_bits == kCornerBits) {
        std::array<std::uint8_t, kBlockBytes> answers;
        WriteAnswers(kept, box, channels, answers.data());
        // Several candidates may still leave one entry nearest to all 64 colours.
        if (std::all_of(answers.begin(), answers.end(), [&](std::uint8_t answer) { return answer == answers[0]; })) {
            FillBox(size_bits, red, green, blue, answers[0]);
            return;
        }
        const std::size_t block = own_answers_.size() / kBlockBytes;
        own_answers_.insert(own_answers_.end(), answers.begin(), answers.end());
        FillBox(size_bits, red, green, blue, static_cast<std::uint32_t>(block));
    } else {
        const std::span<const std::uint8_t> list(kept.entries.data(), kept.count);
        for (std::uint32_t child = 0; child < 8; ++child) {
            Build(size_bits - 1, red * 2 + (child >> 2), green * 2 + (child >> 1 & 1), blue * 2 + (child & 1), list);
        }
    }
}

void NearestPaletteColour::FillBox(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t block) {
    const int side_bits = size_bits - kCornerBits;
    const std::uint32_t side = 1u << side_bits;
    for (std::uint32_t r = red << side_bits; r < (red << side_bits) + side; ++r) {
        for (std::uint32_t g = green << side_bits; g < (green << side_bits) + side; ++g) {
            std::uint32_t* row = &own_blocks_[r << 12 | g << 6 | blue << side_bits];
            std::fill(row, row + side, block);
        }
    }
}

bool NearestPaletteColour::IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const {
    return std::memcmp(palette_.data(), palette.data(), palette_.size()) == 0;
}

void NearestPaletteColour::MapBgrPixels(const std::uint8_t* row, const std::uint32_t* offsets, std::size_t count, std::uint8_t* out) const {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* pixel = row + offsets[i];
        out[i] = Find(pixel[2], pixel[1], pixel[0]);
    }
}
