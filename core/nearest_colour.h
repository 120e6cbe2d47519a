// Exact nearest-colour search in a 256-colour palette: the entry at the
// smallest squared RGB distance, ties going to the lowest index.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>
#include "core/palette_source.h"

class NearestPaletteColour {
public:
    // The colour cube is cut into 32 x 32 x 32 cells of 8 x 8 x 8 colours,
    // red slowest, blue fastest, a word each. Most cells place a colour by
    // themselves: those to whose every colour one entry is nearest, and those
    // where one of two entries is, whose colours differ in one channel only,
    // as the neighbours along a palette's ramps do. Their bytes, from the
    // lowest: the shift that brings that channel of 0xRRGGBB to the lowest
    // byte, the last value of it that the first entry takes, the first entry,
    // and the entry for higher values (a single entry: shift 0, 255, the
    // entry twice). Any other cell holds kRecordFlag plus its kind in its
    // lowest byte and, above it, the place of a record of its candidates, one
    // of which is nearest to each colour of the cell, in steps of
    // kRecordBytes. Up to four entries are held as four (fewer repeat the
    // last), which a search reads with the same few reads whatever they are;
    // a longer list holds the count less one, then the entries in index
    // order. The cells and the records together stay within 256 KB for any
    // palette, so they stay in a core's own cache however a picture jumps.
    static constexpr int kCellBits = 3;
    static constexpr std::size_t kCells = std::size_t{1} << (3 * (8 - kCellBits));
    static constexpr std::uint32_t kRecordFlag = 0x80;
    static constexpr std::size_t kRecordBytes = 16;
    enum Kind : std::uint32_t { kFour = 0, kLongList = 1 };
    static constexpr std::size_t kMaxListBytes = 128 * 1024;
    // A cell not worked out yet: a record of no kind.
    static constexpr std::uint32_t kNotYet = 0xFFFFFFFF;
    static constexpr bool HoldsRecord(std::uint32_t cell) { return (cell & kRecordFlag) != 0; }
    static constexpr Kind KindOf(std::uint32_t cell) { return static_cast<Kind>(cell & 3); }
    // Where the record of a cell that holds one begins.
    static constexpr std::size_t RecordAt(std::uint32_t cell) { return std::size_t{cell >> 8} * kRecordBytes; }
    static constexpr std::uint32_t RecordCell(std::size_t at, Kind kind) { return static_cast<std::uint32_t>(at / kRecordBytes) << 8 | kRecordFlag | kind; }
    static constexpr std::uint32_t OneEntryCell(std::uint8_t entry) { return std::uint32_t{entry} << 24 | std::uint32_t{entry} << 16 | 0xFF00; }
    // The entry a cell that holds no record gives 0xRRGGBB.
    static constexpr std::uint8_t Placed(std::uint32_t cell, std::uint32_t rgb) {
        const std::uint32_t value = rgb >> (cell & 31) & 0xFF, limit = cell >> 8 & 0xFF;
        return static_cast<std::uint8_t>(cell >> (16 + 8 * ((limit - value) >> 31)));
    }
    // Where the cell of a colour lies.
    static constexpr std::uint32_t CellOf(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
        return (red >> kCellBits) << 10 | (green >> kCellBits) << 5 | blue >> kCellBits;
    }
    static_assert(kMaxListBytes / kRecordBytes < (std::size_t{1} << 24));
    static_assert(kCells * sizeof(std::uint32_t) + kMaxListBytes <= 256 * 1024);
    // Cells are worked out a box of 4 x 4 x 4 of them at a time, 32 x 32 x 32
    // colours, when a colour of the box is first searched for.
    static constexpr int kBoxBits = 5;

    // Searches palette (256 RGBQUAD entries: blue, green, red, reserved),
    // working out the table as colours are searched for: a palette costs
    // next to nothing until it is used, and then only the boxes its pictures
    // reach. Any number of threads may search it together. Throws
    // std::bad_alloc without memory for the table. The records take
    // record_room bytes at most (no less than one list of every entry
    // takes, no more than kMaxListBytes); a smaller room only makes the
    // search slower, never inexact.
    explicit NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette, std::size_t record_room = kMaxListBytes);
    // Searches a table worked out before (by the build, for the built-in
    // palette), which must outlive the search; nothing is copied.
    NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette, std::span<const std::uint32_t, kCells> cells,
                         std::span<const std::uint8_t> lists);
    NearestPaletteColour(const NearestPaletteColour&) = delete;
    NearestPaletteColour& operator=(const NearestPaletteColour&) = delete;

    // Index of the nearest entry to the colour: one table read, and for the
    // colours near where entries meet (but for two along one channel), a few
    // exact distances.
    std::uint8_t Find(std::uint32_t red, std::uint32_t green, std::uint32_t blue) const {
        const std::uint32_t cell = LoadCell(cells_, CellOf(red, green, blue));
        return HoldsRecord(cell) ? FindInList(cell, red, green, blue) : Placed(cell, red << 16 | green << 8 | blue);
    }
    // The same for 0xRRGGBB.
    std::uint8_t Find(std::uint32_t rgb) const { return Find(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

    // Where the pixels a search takes from a row lie, as byte offsets, and
    // the step from each pixel to the next within every whole group of
    // eight when it is the same for all (as a picture of the texture's
    // width, or four times it, gives them), or 0: worked out once for all
    // the rows of a picture, which share their offsets. The offsets must
    // outlive it, unchanged.
    class RowOffsets {
    public:
        explicit RowOffsets(std::span<const std::uint32_t> offsets);
        std::span<const std::uint32_t> Offsets() const { return offsets_; }
        std::uint32_t GroupStep() const { return group_step_; }

    private:
        std::span<const std::uint32_t> offsets_;
        std::uint32_t group_step_ = 0;
    };

    // Maps the pixels of blue, green, red bytes, the i-th at
    // row[offsets.Offsets()[i]] (all three bytes within the row), into out:
    // eight or sixteen at a time where the processor can, reading the table
    // the way that is faster on it, unless asked for one at a time or for
    // one way (the same answers; a way the processor lacks is taken by a
    // narrower one). The widest way searches a palette of the texture
    // palette's shape by arithmetic, without the table.
    enum class Width { kOnePixel, kWidest, kEightByGathers, kEightByLoads, kSixteenByGathers, kSixteenByLoads };
    void MapBgrPixels(std::span<const std::uint8_t> row, const RowOffsets& offsets, std::uint8_t* out, Width width = Width::kWidest) const {
        const std::uint8_t* const start = row.data();
        MapBgrRows({&start, 1}, row.size(), offsets, out, width);
    }
    // The same for several rows of row_bytes each, which share their
    // offsets: the answers for rows[r] go to out + r * (the count of
    // offsets). A few rows at a time cost less than each alone.
    void MapBgrRows(std::span<const std::uint8_t* const> rows, std::size_t row_bytes, const RowOffsets& offsets, std::uint8_t* out,
                    Width width = Width::kWidest) const;
    // The same for count pixels at offsets, for one row.
    void MapBgrPixels(std::span<const std::uint8_t> row, const std::uint32_t* offsets, std::size_t count, std::uint8_t* out,
                      Width width = Width::kWidest) const {
        MapBgrPixels(row, RowOffsets({offsets, count}), out, width);
    }

    bool IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const;
    std::span<const std::uint8_t, kTexturePaletteBytes> Palette() const { return palette_; }

    // Works out every cell not worked out yet.
    void Complete() const;
    // The table itself: every cell, and the lists they point into. Whole
    // only after Complete, and while no other thread searches.
    std::span<const std::uint32_t, kCells> Cells() const { return std::span<const std::uint32_t, kCells>(cells_, kCells); }
    std::span<const std::uint8_t> Lists() const { return {lists_, list_bytes_}; }

private:
    // Cells are read as they may be written by another thread that has just
    // worked out their box, and with its lists.
    static std::uint32_t LoadCell(const std::uint32_t* cells, std::uint32_t at) {
        return std::atomic_ref<std::uint32_t>(const_cast<std::uint32_t&>(cells[at])).load(std::memory_order_acquire);
    }
    // The same eight pixels at a time where the processor can; false where not.
    bool MapBgrRowsWide(std::span<const std::uint8_t* const> rows, std::size_t row_bytes, const RowOffsets& offsets, std::uint8_t* out,
                        Width width) const;
    void MapBgrRowOneByOne(const std::uint8_t* row, const RowOffsets& offsets, std::uint8_t* out) const;
    std::uint8_t FindInList(std::uint32_t cell, std::uint32_t red, std::uint32_t green, std::uint32_t blue) const;
    std::uint32_t WorkedOutCell(std::uint32_t at) const;
    void SetColours();
    void Build(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::span<const std::uint8_t> from) const;
    void FillBox(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t cell) const;
    void StoreCell(std::uint32_t at, std::uint32_t cell) const;
    std::uint32_t Keep(std::span<const std::uint8_t> list) const;

    std::array<std::uint8_t, kTexturePaletteBytes> palette_;
    // Each entry's red, green, blue and the sum of their squares.
    std::array<std::array<std::int32_t, 4>, 256> colours_{};
    // Each entry's blue, green and red bytes, from the lowest, as a pixel holds them.
    std::array<std::uint32_t, 256> packed_colours_{};
    // The entries whose colour no entry before them has.
    std::array<std::uint8_t, 256> distinct_{};
    std::size_t distinct_count_ = 0;
    // A table worked out as it is used: its cells, its lists (room for all of
    // them is held from the start, so they never move), the lists stored so
    // far by a hash of their entries, and the list of all distinct entries,
    // once stored. Written under the lock only.
    mutable std::mutex lock_;
    mutable std::vector<std::uint32_t> own_cells_;
    mutable std::vector<std::uint8_t> own_lists_;
    // A power of two at least twice the most records that fit, so the
    // search for a free place stays short and ends.
    static constexpr std::size_t kStoredSlots = 0x4000;
    static_assert(kMaxListBytes / kRecordBytes * 2 <= kStoredSlots);
    mutable std::vector<std::uint32_t> stored_;
    mutable std::uint32_t every_list_ = 0;
    const std::uint32_t* cells_ = nullptr;
    const std::uint8_t* lists_ = nullptr;
    mutable std::size_t list_bytes_ = 0;
    std::size_t record_room_ = kMaxListBytes;
    // The texture palette's shape (cube_palette_search.h): the widest search
    // works each colour out without the table.
    bool cube_and_greys_ = false;
};
