#include "image/nearest_colour.h"
#include <algorithm>
#include <cstring>

// Exactness: for a box of colours, an entry can only be nearest to some colour
// in it if its smallest distance to the box is no larger than the smallest,
// over all entries, of the largest distance to the box. Keeping every such
// entry in index order, and searching them with a strict comparison, gives the
// same answer as searching the whole palette, ties included. Leaves take their
// candidates from their parent's list, which holds every possible winner.

namespace {

struct Box {
    std::int32_t low[3];
    std::int32_t high[3];
};

Box BoxOf(std::uint32_t rgb, int shift) {
    const std::int32_t size = 1 << shift;
    Box box{};
    for (int axis = 0; axis < 3; ++axis) {
        const std::int32_t value = static_cast<std::int32_t>((rgb >> (16 - 8 * axis)) & 0xFF);
        box.low[axis] = value & ~(size - 1);
        box.high[axis] = box.low[axis] + size - 1;
    }
    return box;
}

std::int32_t Square(std::int32_t value) { return value * value; }

}  // namespace

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette)
    : leaves_(1u << 15, kUnknown), parents_(1u << 12) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
    for (std::size_t entry = 0; entry < 256; ++entry) {
        blue_[entry] = palette[entry * 4 + 0];
        green_[entry] = palette[entry * 4 + 1];
        red_[entry] = palette[entry * 4 + 2];
    }
}

bool NearestPaletteColour::IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const {
    return std::memcmp(palette_.data(), palette.data(), palette_.size()) == 0;
}

namespace {

// The entries of from that can be nearest to some colour of box, in order.
template <typename Entries>
std::vector<std::uint8_t> Candidates(const Entries& from, const Box& box, const std::array<std::int32_t, 256>* channels[3]) {
    std::int32_t nearest_far_side = INT32_MAX;
    std::vector<std::int32_t> near_side;
    near_side.reserve(from.size());
    for (const std::uint8_t entry : from) {
        std::int32_t near = 0, far = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const std::int32_t value = (*channels[axis])[entry];
            const std::int32_t low = box.low[axis], high = box.high[axis];
            near += value < low ? Square(low - value) : value > high ? Square(value - high) : 0;
            far += Square(std::max(value - low, high - value));
        }
        near_side.push_back(near);
        nearest_far_side = std::min(nearest_far_side, far);
    }
    std::vector<std::uint8_t> kept;
    std::size_t position = 0;
    for (const std::uint8_t entry : from) {
        if (near_side[position++] <= nearest_far_side) kept.push_back(entry);
    }
    return kept;
}

}  // namespace

const std::vector<std::uint8_t>& NearestPaletteColour::ParentCandidates(std::uint32_t rgb) {
    const std::uint32_t parent = ((rgb >> 20) & 15) << 8 | ((rgb >> 12) & 15) << 4 | ((rgb >> 4) & 15);
    std::vector<std::uint8_t>& list = parents_[parent];
    if (list.empty()) {
        std::array<std::uint8_t, 256> all{};
        for (std::size_t entry = 0; entry < all.size(); ++entry) all[entry] = static_cast<std::uint8_t>(entry);
        const std::array<std::int32_t, 256>* channels[3] = {&red_, &green_, &blue_};
        list = Candidates(all, BoxOf(rgb, kParentShift), channels);
    }
    return list;
}

std::uint32_t NearestPaletteColour::BuildLeaf(std::uint32_t rgb) {
    const std::array<std::int32_t, 256>* channels[3] = {&red_, &green_, &blue_};
    const std::vector<std::uint8_t> kept = Candidates(ParentCandidates(rgb), BoxOf(rgb, kLeafShift), channels);
    std::uint32_t cell;
    if (kept.size() == 1) {
        cell = kSingle | kept[0];
    } else {
        cell = static_cast<std::uint32_t>(pool_.size()) + 1;
        pool_.push_back(static_cast<std::uint8_t>(kept.size() - 1));
        pool_.insert(pool_.end(), kept.begin(), kept.end());
    }
    leaves_[LeafOf(rgb)] = cell;
    return cell;
}

std::uint8_t NearestPaletteColour::Search(std::uint32_t offset, std::uint32_t rgb) const {
    const std::int32_t red = static_cast<std::int32_t>((rgb >> 16) & 0xFF);
    const std::int32_t green = static_cast<std::int32_t>((rgb >> 8) & 0xFF);
    const std::int32_t blue = static_cast<std::int32_t>(rgb & 0xFF);
    const std::size_t count = std::size_t{pool_[offset]} + 1;
    const std::uint8_t* entries = &pool_[offset + 1];
    std::uint8_t best = entries[0];
    std::int32_t best_distance = INT32_MAX;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t entry = entries[i];
        const std::int32_t distance = Square(red_[entry] - red) + Square(green_[entry] - green) + Square(blue_[entry] - blue);
        if (distance < best_distance) {
            best_distance = distance;
            best = entry;
        }
    }
    return best;
}
