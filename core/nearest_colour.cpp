#include "core/nearest_colour.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

// Exactness: for a box of colours, an entry can only be nearest to some colour
// in it if its smallest distance to the box is no larger than the smallest,
// over all entries, of the largest distance to the box. Keeping every such
// entry in index order, and searching them with a strict comparison, gives the
// same answer as searching the whole palette, ties included. Each box takes
// its candidates from the list of the box twice its size around it, which
// holds every possible winner.

namespace {

constexpr int kLargestBoxBits = 5;  // boxes of 32, 16 and 8, then corners of 4

struct Box {
    std::int32_t low[3];
    std::int32_t high[3];
};

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

template <typename T>
T* ZeroedTable(std::size_t count) {
    void* table = std::calloc(count, sizeof(T));
    if (!table) throw std::bad_alloc();
    return static_cast<T*>(table);
}

}  // namespace

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette)
    : corners_(ZeroedTable<std::uint32_t>(kCorners), &std::free), answers_(ZeroedTable<std::uint8_t>(kSingleAnswers + 256 + kCorners * 64), &std::free) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
    for (std::uint32_t value = 0; value < 256; ++value) {
        blue_[value] = palette[value * 4 + 0];
        green_[value] = palette[value * 4 + 1];
        red_[value] = palette[value * 4 + 2];
        const std::uint32_t corner_part = value >> 2, place_part = value & 3;
        red_key_[value] = corner_part << (kCornerShift + 12) | place_part << 4;
        green_key_[value] = corner_part << (kCornerShift + 6) | place_part << 2;
        blue_key_[value] = corner_part << kCornerShift | place_part;
        answers_[kSingleAnswers + value] = static_cast<std::uint8_t>(value);
    }
    for (int level = 0; level < 3; ++level) box_lists_[static_cast<std::size_t>(level)].assign(std::size_t{1} << (3 * (3 + level)), 0);
}

bool NearestPaletteColour::IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const {
    return std::memcmp(palette_.data(), palette.data(), palette_.size()) == 0;
}

std::span<const std::uint8_t> NearestPaletteColour::BoxCandidates(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    const int level = kLargestBoxBits - size_bits;
    const int side_bits = 8 - size_bits;
    std::uint32_t& place = box_lists_[static_cast<std::size_t>(level)][(red << side_bits | green) << side_bits | blue];
    if (place == 0) {
        std::array<std::uint8_t, 256> all{};
        std::span<const std::uint8_t> from = all;
        if (level == 0) {
            for (std::size_t entry = 0; entry < all.size(); ++entry) all[entry] = static_cast<std::uint8_t>(entry);
        } else {
            from = BoxCandidates(size_bits + 1, red >> 1, green >> 1, blue >> 1);
        }
        const CandidateList kept = Candidates(from, BoxOf(red, green, blue, size_bits), {&red_, &green_, &blue_});
        place = static_cast<std::uint32_t>(lists_.size()) + 1;
        lists_.push_back(static_cast<std::uint8_t>(kept.count - 1));
        lists_.insert(lists_.end(), kept.entries.begin(), kept.entries.begin() + static_cast<std::ptrdiff_t>(kept.count));
    }
    return {&lists_[place], std::size_t{lists_[place - 1]} + 1};
}

std::uint32_t NearestPaletteColour::BuildCorner(std::uint32_t key) {
    const std::uint32_t corner = key >> kCornerShift;
    const std::uint32_t red = corner >> 12, green = (corner >> 6) & 63, blue = corner & 63;
    const std::span<const std::uint8_t> cell = BoxCandidates(3, red >> 1, green >> 1, blue >> 1);
    const Box box = BoxOf(red, green, blue, 2);
    const CandidateList kept = Candidates(cell, box, {&red_, &green_, &blue_});
    std::uint32_t& state = corners_[corner];
    if (kept.count == 1) {
        state = (kSingleAnswers + kept.entries[0]) << kCornerShift;
    } else {
        state = answers_used_ << kCornerShift | kPlaceMask;
        WriteAnswers(kept, box, {&red_, &green_, &blue_}, &answers_[answers_used_]);
        answers_used_ += 64;
    }
    return state;
}

void NearestPaletteColour::MapBgrPixels(const std::uint8_t* row, const std::uint32_t* offsets, std::size_t count, std::uint8_t* out) {
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* pixel = row + offsets[i];
        out[i] = Find(pixel[2], pixel[1], pixel[0]);
    }
}
