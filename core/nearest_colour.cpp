#include "core/nearest_colour.h"
#include <algorithm>
#include <climits>
#include <cstring>
#include "core/cube_palette_search.h"
#include "core/little_endian.h"

// Exactness: each box of the table is cut in eight again and again, starting
// from all distinct entries, each smaller box taking its candidates from the
// list of the box around it and keeping only the entries that may be nearest
// to some colour in it, in index order, until one entry is left or the box is
// a cell. Searching what is kept with a strict comparison
// then gives the same answer as searching the whole palette, ties included.
// Two rules drop an entry, each only where it can never win:
// - its smallest distance to the box is larger than the smallest, over all
//   entries, of the largest distance to the box;
// - an entry that is nearest to a corner of the box is at least as near to
//   every colour of the box (the difference of two squared distances is
//   linear, so the corners bound it), and nearer or lower in index.

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

using Colours = std::array<std::array<std::int32_t, 4>, 256>;

std::int32_t Distance(const std::array<std::int32_t, 4>& colour, const std::int32_t (&at)[3]) {
    return Square(colour[0] - at[0]) + Square(colour[1] - at[1]) + Square(colour[2] - at[2]);
}

CandidateList Candidates(std::span<const std::uint8_t> from, const Box& box, const Colours& colours) {
    std::array<std::int32_t, 256> near_side;
    std::int32_t nearest_far_side = INT32_MAX;
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::int32_t near = 0, far = 0;
        for (int axis = 0; axis < 3; ++axis) {
            const std::int32_t value = colours[from[i]][static_cast<std::size_t>(axis)];
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

// Whether entry a is nearer than entry b to every colour of the box, or as
// near and before it. The difference of their squared distances is linear in
// the colour, so its least value is at a corner: b's own square less a's, less
// twice the largest dot product of a colour of the box with b - a.
inline bool BeatsEverywhere(std::uint8_t a, std::uint8_t b, const Box& box, const Colours& colours) {
    const auto& first = colours[a];
    const auto& second = colours[b];
    std::int32_t least = second[3] - first[3];
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::int32_t step = second[axis] - first[axis];
        least -= 2 * step * (step > 0 ? box.high[axis] : box.low[axis]);
    }
    return least > 0 || (least == 0 && a < b);
}

// Drops every candidate that another beats everywhere in the box: any other
// for a short list; for a long one, the entries nearest to its lowest and to
// its highest corner, which is enough for ramps of colours along a line.
constexpr std::size_t kShortList = 8;

void DropBeaten(CandidateList& list, const Box& box, const Colours& colours) {
    std::array<std::uint8_t, kShortList> rivals;
    std::size_t rival_count = 0;
    if (list.count <= kShortList) {
        rival_count = list.count;
        std::copy_n(list.entries.begin(), rival_count, rivals.begin());
    } else {
        for (const bool high : {false, true}) {
            const std::int32_t at[3] = {high ? box.high[0] : box.low[0], high ? box.high[1] : box.low[1], high ? box.high[2] : box.low[2]};
            std::int32_t best_distance = INT32_MAX;
            for (std::size_t i = 0; i < list.count; ++i) {
                const std::int32_t distance = Distance(colours[list.entries[i]], at);
                if (distance < best_distance) {
                    best_distance = distance;
                    rivals[rival_count] = list.entries[i];
                }
            }
            ++rival_count;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < list.count; ++i) {
        const std::uint8_t entry = list.entries[i];
        bool beaten = false;
        for (std::size_t r = 0; r < rival_count && !beaten; ++r) beaten = rivals[r] != entry && BeatsEverywhere(rivals[r], entry, box, colours);
        if (!beaten) list.entries[kept++] = entry;
    }
    list.count = kept;
}

// For a short list and the eight halves of the box (red, green, blue bits of
// the child's number, as Build numbers them), bit i of child c set when
// another entry of the list beats entry i everywhere in that child; the same
// test as BeatsEverywhere, its least value worked out once for the lowest
// child and moved by half the box along each axis.
std::array<std::uint8_t, 8> BeatenInChildren(std::span<const std::uint8_t> list, const Box& box, const Colours& colours) {
    std::array<std::uint8_t, 8> beaten{};
    const std::int32_t half = (box.high[0] - box.low[0] + 1) / 2;
    for (std::size_t a = 0; a < list.size(); ++a) {
        for (std::size_t b = 0; b < list.size(); ++b) {
            if (a == b) continue;
            const auto& first = colours[list[a]];
            const auto& second = colours[list[b]];
            std::int32_t least = second[3] - first[3];
            std::array<std::int32_t, 3> moves;
            for (std::size_t axis = 0; axis < 3; ++axis) {
                const std::int32_t step = second[axis] - first[axis];
                least -= 2 * step * (step > 0 ? box.low[axis] + half - 1 : box.low[axis]);
                moves[axis] = -2 * step * half;
            }
            // Entries are in index order: a tie goes to a when it comes first.
            const std::int32_t enough = a < b ? 0 : 1;
            for (std::uint32_t child = 0; child < 8; ++child) {
                const std::int32_t value = least + (child & 4 ? moves[0] : 0) + (child & 2 ? moves[1] : 0) + (child & 1 ? moves[2] : 0);
                beaten[child] |= static_cast<std::uint8_t>((value >= enough) << b);
            }
        }
    }
    return beaten;
}

// The one channel in which two colours differ, or -1.
int OnlyDifferingChannel(const std::array<std::int32_t, 4>& a, const std::array<std::int32_t, 4>& b) {
    int channel = -1;
    for (std::size_t axis = 0; axis < 3; ++axis) {
        if (a[axis] == b[axis]) continue;
        if (channel >= 0) return -1;
        channel = static_cast<int>(axis);
    }
    return channel;
}

// The cell that places a colour between two entries whose colours differ in
// that channel only. The first, as it comes first, wins a tie: it is nearer
// for the values v with (v - first)^2 <= (v - second)^2, which are those up
// to half their sum where it lies below the second, and those from half their
// sum rounded up where it lies above.
std::uint32_t OneChannelCell(std::uint8_t first, std::uint8_t second, int axis, const Colours& colours) {
    const std::int32_t a = colours[first][static_cast<std::size_t>(axis)], b = colours[second][static_cast<std::size_t>(axis)];
    const bool first_below = a < b;
    const auto limit = static_cast<std::uint32_t>(first_below ? (a + b) / 2 : (a + b - 1) / 2);
    const std::uint32_t low = first_below ? first : second, high = first_below ? second : first;
    return high << 24 | low << 16 | limit << 8 | static_cast<std::uint32_t>(16 - 8 * axis);
}

// A record as the table holds it, in one or more steps of kRecordBytes.
// - Two to four entries, in index order, as four words, each an entry's
//   blue, green and red and the entry in its top byte; fewer than four
//   repeat the last, which never wins, as of equally near words the first
//   does. Two entries take the same search as four, so that every cell of
//   up to four is searched in one loop.
// - A longer list: the count less one, then the entries in index order.

constexpr std::size_t RecordBytes(std::size_t entries) {
    const std::size_t held = entries <= 4 ? NearestPaletteColour::kRecordBytes : 1 + entries;
    return (held + NearestPaletteColour::kRecordBytes - 1) / NearestPaletteColour::kRecordBytes * NearestPaletteColour::kRecordBytes;
}

NearestPaletteColour::Kind KindFor(std::size_t entries) {
    return entries <= 4 ? NearestPaletteColour::kFour : NearestPaletteColour::kLongList;
}

struct ListRecord {
    std::array<std::uint8_t, RecordBytes(256)> bytes{};
    std::size_t size = 0;
    NearestPaletteColour::Kind kind = NearestPaletteColour::kFour;
};

ListRecord RecordOf(std::span<const std::uint8_t> list, const std::array<std::uint32_t, 256>& packed) {
    ListRecord record;
    record.size = RecordBytes(list.size());
    record.kind = KindFor(list.size());
    std::uint8_t* const bytes = record.bytes.data();
    switch (record.kind) {
        case NearestPaletteColour::kFour:
            for (std::size_t i = 0; i < 4; ++i) {
                const std::uint8_t entry = list[std::min(i, list.size() - 1)];
                const std::uint32_t word = packed[entry] | std::uint32_t{entry} << 24;
                std::memcpy(bytes + 4 * i, &word, sizeof(word));
            }
            break;
        case NearestPaletteColour::kLongList:
            bytes[0] = static_cast<std::uint8_t>(list.size() - 1);
            std::copy(list.begin(), list.end(), bytes + 1);
            break;
    }
    return record;
}

}  // namespace

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette, std::size_t record_room)
    : own_cells_(kCells, kNotYet), record_room_(std::clamp(record_room, RecordBytes(256), kMaxListBytes)) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
    SetColours();
    // An entry whose colour an entry before it has never wins, ties going to
    // the lowest index; leaving it out keeps the lists short for palettes
    // that repeat colours.
    for (std::uint32_t value = 0; value < 256; ++value) {
        const bool repeated = std::any_of(distinct_.begin(), distinct_.begin() + static_cast<std::ptrdiff_t>(distinct_count_),
                                          [&](std::uint8_t earlier) { return colours_[earlier] == colours_[value]; });
        if (!repeated) distinct_[distinct_count_++] = static_cast<std::uint8_t>(value);
    }
    own_lists_.reserve(record_room_);
    stored_.assign(kStoredSlots, 0);
    cells_ = own_cells_.data();
    lists_ = own_lists_.data();
}

NearestPaletteColour::NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette, std::span<const std::uint32_t, kCells> cells,
                                           std::span<const std::uint8_t> lists)
    : cells_(cells.data()), lists_(lists.data()), list_bytes_(lists.size()) {
    std::memcpy(palette_.data(), palette.data(), palette_.size());
    SetColours();
}

void NearestPaletteColour::SetColours() {
    for (std::size_t entry = 0; entry < 256; ++entry) {
        std::array<std::int32_t, 4>& colour = colours_[entry];
        for (std::size_t axis = 0; axis < 3; ++axis) colour[axis] = palette_[entry * 4 + 2 - axis];
        colour[3] = Square(colour[0]) + Square(colour[1]) + Square(colour[2]);
        packed_colours_[entry] = LoadU24(&palette_[entry * 4]);
    }
    cube_and_greys_ = IsCubeAndGreys(palette_);
}

void NearestPaletteColour::Build(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::span<const std::uint8_t> from) const {
    // A short list was already cut down for this box by BeatenInChildren.
    CandidateList kept;
    std::span<const std::uint8_t> list = from;
    if (from.size() > kShortList) {
        const Box box = BoxOf(red, green, blue, size_bits);
        kept = Candidates(from, box, colours_);
        if (kept.count > 1) DropBeaten(kept, box, colours_);
        list = std::span<const std::uint8_t>(kept.entries.data(), kept.count);
    }
    if (list.size() == 1) return FillBox(size_bits, red, green, blue, OneEntryCell(list[0]));
    if (size_bits == kCellBits) return FillBox(size_bits, red, green, blue, Keep(list));
    const auto child_of = [&](std::uint32_t child, std::uint32_t base, int bit) { return base * 2 + (child >> bit & 1); };
    if (list.size() > kShortList) {
        for (std::uint32_t child = 0; child < 8; ++child) {
            Build(size_bits - 1, child_of(child, red, 2), child_of(child, green, 1), child_of(child, blue, 0), list);
        }
        return;
    }
    const std::array<std::uint8_t, 8> beaten = BeatenInChildren(list, BoxOf(red, green, blue, size_bits), colours_);
    for (std::uint32_t child = 0; child < 8; ++child) {
        std::array<std::uint8_t, kShortList> child_list;
        std::size_t count = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!(beaten[child] >> i & 1)) child_list[count++] = list[i];
        }
        const std::uint32_t r = child_of(child, red, 2), g = child_of(child, green, 1), b = child_of(child, blue, 0);
        if (size_bits - 1 == kCellBits) {
            // A cell is written here rather than through another call: there are many.
            StoreCell(r << 10 | g << 5 | b, count == 1 ? OneEntryCell(child_list[0]) : Keep(std::span<const std::uint8_t>(child_list.data(), count)));
        } else {
            Build(size_bits - 1, r, g, b, std::span<const std::uint8_t>(child_list.data(), count));
        }
    }
}

void NearestPaletteColour::FillBox(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t cell) const {
    const int side_bits = size_bits - kCellBits;
    const std::uint32_t side = 1u << side_bits;
    for (std::uint32_t r = red << side_bits; r < (red << side_bits) + side; ++r) {
        for (std::uint32_t g = green << side_bits; g < (green << side_bits) + side; ++g) {
            for (std::uint32_t b = blue << side_bits; b < (blue << side_bits) + side; ++b) StoreCell(r << 10 | g << 5 | b, cell);
        }
    }
}

// Published with its lists: a thread that reads the cell sees them too.
void NearestPaletteColour::StoreCell(std::uint32_t at, std::uint32_t cell) const {
    std::atomic_ref<std::uint32_t>(own_cells_[at]).store(cell, std::memory_order_release);
}

std::uint32_t NearestPaletteColour::WorkedOutCell(std::uint32_t at) const {
    const std::lock_guard<std::mutex> guard(lock_);
    if (own_cells_.empty() || own_cells_[at] != kNotYet) return cells_[at];
    constexpr int kCellsPerBox = kBoxBits - kCellBits;
    Build(kBoxBits, at >> 10 >> kCellsPerBox, (at >> 5 & 31) >> kCellsPerBox, (at & 31) >> kCellsPerBox,
          std::span<const std::uint8_t>(distinct_.data(), distinct_count_));
    return own_cells_[at];
}

void NearestPaletteColour::Complete() const {
    constexpr std::uint32_t kBoxes = 1u << (8 - kBoxBits), kCellsPerBox = 1u << (kBoxBits - kCellBits);
    for (std::uint32_t red = 0; red < kBoxes; ++red) {
        for (std::uint32_t green = 0; green < kBoxes; ++green) {
            for (std::uint32_t blue = 0; blue < kBoxes; ++blue) WorkedOutCell(red * kCellsPerBox << 10 | green * kCellsPerBox << 5 | blue * kCellsPerBox);
        }
    }
}

// Returns the cell for a list of two or more entries: for two that differ in
// one channel, the cell that places a colour by it; for any other list, one
// that points to its record, stored. Cells with the same list share it (the
// cells of a ramp of greys have few lists between them). Should a palette
// ever need more room than the records have, its remaining cells search all
// its distinct entries, stored once: still exact, only slower.
std::uint32_t NearestPaletteColour::Keep(std::span<const std::uint8_t> list) const {
    if (list.size() == 2) {
        if (const int axis = OnlyDifferingChannel(colours_[list[0]], colours_[list[1]]); axis >= 0) return OneChannelCell(list[0], list[1], axis, colours_);
    }
    const ListRecord record = RecordOf(list, packed_colours_);
    const auto store = [&](const ListRecord& kept) {
        const std::size_t start = own_lists_.size();
        own_lists_.insert(own_lists_.end(), kept.bytes.begin(), kept.bytes.begin() + static_cast<std::ptrdiff_t>(kept.size));
        list_bytes_ = own_lists_.size();
        return RecordCell(start, kept.kind);
    };
    std::uint32_t hash = 2166136261u;
    for (const std::uint8_t entry : list) hash = (hash ^ entry) * 16777619u;
    std::size_t slot = hash & (kStoredSlots - 1);
    for (; stored_[slot] != 0; slot = (slot + 1) & (kStoredSlots - 1)) {
        // The same kind and the same bytes are the same list: a record's
        // bytes hold its entries, and a longer list's its count.
        const std::uint32_t stored = stored_[slot];
        if (KindOf(stored) == record.kind &&
            std::equal(record.bytes.begin(), record.bytes.begin() + static_cast<std::ptrdiff_t>(record.size), own_lists_.data() + RecordAt(stored))) {
            return stored;
        }
    }
    const std::size_t reserve = every_list_ != 0 ? 0 : RecordBytes(distinct_count_);
    if (own_lists_.size() + record.size + reserve > record_room_) {
        if (every_list_ == 0) {
            every_list_ = store(RecordOf(std::span<const std::uint8_t>(distinct_.data(), distinct_count_), packed_colours_));
        }
        return every_list_;
    }
    stored_[slot] = store(record);
    return stored_[slot];
}

bool NearestPaletteColour::IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const {
    return std::memcmp(palette_.data(), palette.data(), palette_.size()) == 0;
}

namespace {

// The nearest of a list's entries (two or more), in a loop.
inline std::uint8_t SearchList(const std::uint8_t* list, const Colours& colours, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    const std::int32_t at[3] = {static_cast<std::int32_t>(red), static_cast<std::int32_t>(green), static_cast<std::int32_t>(blue)};
    std::uint8_t best = list[1];
    std::int32_t best_distance = Distance(colours[best], at);
    for (const std::uint8_t *entry = list + 2, *const end = list + 2 + list[0]; entry < end; ++entry) {
        const std::int32_t distance = Distance(colours[*entry], at);
        if (distance < best_distance) {
            best_distance = distance;
            best = *entry;
        }
    }
    return best;
}

// 1 when a < b, else 0, for the small values of a search, worked out with
// arithmetic: a compiler may turn a comparison that picks a value into a
// branch, which the colours of a picture would mispredict half the time.
inline std::uint32_t LessBit(std::int32_t a, std::int32_t b) { return static_cast<std::uint32_t>(a - b) >> 31; }

// The nearest of four: the nearer of each half, then of the two.
inline std::uint8_t SearchFour(const std::uint8_t* record, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    std::int32_t distances[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t* word = record + 4 * i;
        distances[i] = Square(word[2] - static_cast<std::int32_t>(red)) + Square(word[1] - static_cast<std::int32_t>(green)) +
                       Square(word[0] - static_cast<std::int32_t>(blue));
    }
    const auto [d0, d1, d2, d3] = distances;
    const std::uint32_t low_second = LessBit(d1, d0), high_second = LessBit(d3, d2);
    const std::int32_t low = d0 + ((d1 - d0) & -static_cast<std::int32_t>(low_second));
    const std::int32_t high = d2 + ((d3 - d2) & -static_cast<std::int32_t>(high_second));
    const std::uint32_t high_wins = LessBit(high, low);
    return record[4 * (low_second + high_wins * (2 + high_second - low_second)) + 3];
}

}  // namespace

std::uint8_t NearestPaletteColour::FindInList(std::uint32_t cell, std::uint32_t red, std::uint32_t green, std::uint32_t blue) const {
    if (cell == kNotYet) {
        cell = WorkedOutCell(CellOf(red, green, blue));
        if (!HoldsRecord(cell)) return Placed(cell, red << 16 | green << 8 | blue);
    }
    const std::uint8_t* record = lists_ + RecordAt(cell);
    switch (KindOf(cell)) {
        case kFour: return SearchFour(record, red, green, blue);
        default: return SearchList(record, colours_, red, green, blue);
    }
}

NearestPaletteColour::RowOffsets::RowOffsets(std::span<const std::uint32_t> offsets) : offsets_(offsets) {
    constexpr std::size_t kGroup = 8;
    if (offsets.size() < kGroup) return;
    const std::uint32_t step = offsets[1] - offsets[0];
    for (std::size_t first = 0; first + kGroup <= offsets.size(); first += kGroup) {
        for (std::uint32_t i = 1; i < kGroup; ++i) {
            if (offsets[first + i] - offsets[first] != step * i) return;
        }
    }
    group_step_ = step;
}

// Eight pixels at a time where the processor can (nearest_colour_wide.cpp);
// otherwise one at a time in passes, so that no branch depends on the
// colours: the first reads every pixel's cell, keeping what it places and
// noting the pixels whose cell holds up to four entries, and those whose
// cell holds a longer list or is not worked out yet; then each kind is
// searched in a loop of its own.
void NearestPaletteColour::MapBgrRows(std::span<const std::uint8_t* const> rows, std::size_t row_bytes, const RowOffsets& places,
                                      std::uint8_t* out, Width width) const {
    if (width != Width::kOnePixel && MapBgrRowsWide(rows, row_bytes, places, out, width)) return;
    for (std::size_t r = 0; r < rows.size(); ++r) MapBgrRowOneByOne(rows[r], places, out + r * places.Offsets().size());
}

void NearestPaletteColour::MapBgrRowOneByOne(const std::uint8_t* row, const RowOffsets& places, std::uint8_t* out) const {
    const std::uint32_t* const offsets = places.Offsets().data();
    const std::size_t count = places.Offsets().size();
    constexpr std::size_t kRun = 256;
    // Held apart from the object, as a byte stored through out might change it.
    const std::uint32_t* const cells = cells_;
    const std::uint8_t* const lists = lists_;
    std::array<std::uint32_t, kRun> held;
    std::array<std::uint16_t, kRun> fours, others;
    for (std::size_t start = 0; start < count; start += kRun) {
        const std::size_t end = std::min(count, start + kRun);
        std::size_t four_count = 0, other_count = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::uint8_t* pixel = row + offsets[i];
            const std::uint32_t cell = LoadCell(cells, CellOf(pixel[2], pixel[1], pixel[0]));
            out[i] = Placed(cell, LoadU24(pixel));
            held[i - start] = cell;
            fours[four_count] = others[other_count] = static_cast<std::uint16_t>(i - start);
            const std::uint32_t listed = HoldsRecord(cell), four = KindOf(cell) == kFour;  // kNotYet is of no kind
            four_count += listed & four;
            other_count += listed & (four ^ 1);
        }
        for (std::size_t k = 0; k < four_count; ++k) {
            const std::uint8_t* pixel = row + offsets[start + fours[k]];
            out[start + fours[k]] = SearchFour(lists + RecordAt(held[fours[k]]), pixel[2], pixel[1], pixel[0]);
        }
        for (std::size_t k = 0; k < other_count; ++k) {
            const std::uint8_t* pixel = row + offsets[start + others[k]];
            out[start + others[k]] = FindInList(held[others[k]], pixel[2], pixel[1], pixel[0]);
        }
    }
}
