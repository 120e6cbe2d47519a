// Exact nearest-colour search in a 256-colour palette: the entry at the
// smallest squared RGB distance, ties going to the lowest index.
#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>
#include "core/palette_source.h"

class NearestPaletteColour {
public:
    // palette: 256 RGBQUAD entries (blue, green, red, reserved).
    explicit NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette);

    // Index of the nearest entry to the colour. No branch depends on the
    // colour once its corner is known, so noisy pictures cost what flat ones do.
    std::uint8_t Find(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
        const std::uint32_t key = red_key_[red] | green_key_[green] | blue_key_[blue];
        std::uint32_t corner = corners_[key >> kCornerShift];
        if (corner == kUnknown) corner = BuildCorner(key);
        return answers_[(corner >> kCornerShift) + (key & corner & kPlaceMask)];
    }
    // The same for 0xRRGGBB.
    std::uint8_t Find(std::uint32_t rgb) { return Find(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

    // Maps count pixels of blue, green, red bytes, the i-th at row + offsets[i], into out.
    void MapBgrPixels(const std::uint8_t* row, const std::uint32_t* offsets, std::size_t count, std::uint8_t* out);

    bool IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const;
    std::span<const std::uint8_t, kTexturePaletteBytes> Palette() const { return palette_; }

private:
    // The colour cube is cut into 64 x 64 x 64 corners of 4 x 4 x 4 colours. A
    // corner holds kUnknown until one of its colours is first asked for; then
    // the place of its answers in answers_ above kCornerShift, and below it
    // kPlaceMask when it has 64 answers, 0 when one entry is nearest to all
    // its colours. Corners with
    // one answer are the most common and take one byte, which keeps what a
    // picture touches in the processor's caches. Both tables have room for the
    // worst case from the start, so they never move; the system hands out
    // their pages as they are first written.
    static constexpr std::uint32_t kUnknown = 0;
    static constexpr std::size_t kCorners = std::size_t{1} << 18;
    // A colour's key, from one lookup per channel: its corner number above
    // kCornerShift (6 bits of red, green, blue), its place in the corner below.
    static constexpr int kCornerShift = 6;
    static constexpr std::uint32_t kPlaceMask = 63;

    std::uint32_t BuildCorner(std::uint32_t key);
    // The entries that can be nearest to some colour of a box of 2^size_bits
    // colours a side, with the given corner in box units, in index order.
    std::span<const std::uint8_t> BoxCandidates(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue);

    template <typename T>
    using Table = std::unique_ptr<T[], void (*)(void*)>;

    std::array<std::uint8_t, kTexturePaletteBytes> palette_;
    std::array<std::int32_t, 256> red_{}, green_{}, blue_{};
    std::array<std::uint32_t, 256> red_key_{}, green_key_{}, blue_key_{};
    Table<std::uint32_t> corners_;
    Table<std::uint8_t> answers_;
    static constexpr std::uint32_t kSingleAnswers = 256;  // no state of a built corner is kUnknown
    std::uint32_t answers_used_ = kSingleAnswers + 256;
    // Candidate lists of boxes 32, 16 and 8 colours a side: 1 + the place of
    // the list (its length less one, then its entries) in lists_, 0 until needed.
    std::array<std::vector<std::uint32_t>, 3> box_lists_;
    std::vector<std::uint8_t> lists_;
};
