// A picture brought to the texture's size one source row at a time, so that
// the whole picture need never be held at once. With averaging, a side that
// is shrunk gives each target pixel the mean of the source area it covers: a
// box filter whose edges count the covered fraction of a source pixel. A side
// that is not shrunk, and every side without averaging, keeps whole pixels as
// StretchBlt's COLORONCOLOR mode picks them (core/stretch_map.h). Colours are
// averaged as stored, in sRGB values.
#pragma once
#include <cstdint>
#include <span>
#include <vector>
#include "core/row_sink.h"

// How a source row's pixels are held: one of the depths the readers hand out
// (1, 4, 8, 16 as 5-5-5, 24 or 32 bits) and, up to 8 bits, the colour table
// of RGBQUAD entries; an index past its end is black.
struct SourceRowFormat {
    std::uint16_t bits;
    std::span<const std::uint8_t> colour_table;
};

// A channel of a scaled pixel counts 256ths of a level: 0 to 255 x 256.
inline constexpr std::uint32_t kScaledLevel = 256;

class SmoothScaler final : public RowSink {
public:
    // Throws std::bad_alloc when there is no memory for the picture.
    SmoothScaler(std::int32_t source_width, std::int32_t source_height, const SourceRowFormat& format, std::int32_t width,
                 std::int32_t height, bool average);

    // Whether the source row, counted from the top, shows in the picture at all.
    bool Uses(std::int32_t from_top) const override;
    // Adds the source row from_top (counted from the top). The rows come in
    // order, all from the top down or all from the bottom up, each once; the
    // rows that Uses refuses may be left out. A repeated row costs no look at
    // its pixels: a run-length picture's empty rows come at no more than the
    // cost of their bytes.
    void AddRow(std::int32_t from_top, const std::uint8_t* row, bool repeated = false) override;

    // The scaled picture, complete once every used row is in: red, green and
    // blue of each pixel, rows from the top.
    std::span<const std::uint16_t> Picture() const { return picture_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

private:
    // How one side maps onto the source: averaged, each source pixel weighs
    // unit and each target pixel gathers total; otherwise the source pixel
    // each target pixel shows.
    struct Axis {
        bool averaged = false;
        std::uint64_t unit = 1;
        std::uint64_t total = 1;
        std::vector<std::int32_t> picks;
    };
    // Where an averaged target column takes its colour from: columns first to
    // last, weighing first_weight, unit each between, and last_weight.
    struct Span {
        std::uint32_t first;
        std::uint32_t last;
        std::uint32_t first_weight;
        std::uint32_t last_weight;
    };
    static Axis MakeAxis(std::int32_t source, std::int32_t target, bool average,
                         std::vector<std::int32_t> (*picks)(std::int32_t, std::int32_t));

    template <typename Colour>
    void SumRow(const Colour& colour);
    bool SumPixels(const std::uint8_t* row);  // false for a depth it does not know
    void AddToTargetRow(std::int32_t target_row, std::uint64_t weight);

    std::int32_t width_, height_;
    SourceRowFormat format_;
    std::uint8_t table_[256 * 3] = {};  // blue, green, red of every index
    Axis across_, down_;
    std::vector<Span> spans_;
    std::vector<std::uint64_t> row_sums_;     // the current source row's share of each target pixel
    bool sums_of_last_ = false;               // row_sums_ are those of the row added last
    std::vector<std::uint64_t> open_rows_;    // two target rows being gathered, by target row & 1
    std::uint64_t gathered_[2] = {};          // weight each has had
    std::vector<std::uint16_t> picture_;
};
