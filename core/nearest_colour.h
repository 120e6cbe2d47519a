// Exact nearest-colour search in a 256-colour palette: the entry at the
// smallest squared RGB distance, ties going to the lowest index.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>
#include "core/palette_source.h"

class NearestPaletteColour {
public:
    // The colour cube is cut into 64 x 64 x 64 corners of 4 x 4 x 4 colours.
    // Each corner names a block of 64 answers, red slowest, blue fastest;
    // blocks 0 to 255 hold one entry 64 times, for the corners (most of them)
    // to whose every colour one entry is nearest, so what a picture touches
    // stays small enough for the processor's caches.
    static constexpr std::size_t kCorners = std::size_t{1} << 18;
    static constexpr std::size_t kBlockBytes = 64;

    // Works out the answer of every colour of palette (256 RGBQUAD entries:
    // blue, green, red, reserved) at once, so that the table never changes
    // afterwards and any number of threads may search it together.
    explicit NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette);
    // Searches a table worked out before (by the build, for the built-in
    // palette), which must outlive the search; nothing is copied.
    NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette, std::span<const std::uint32_t, kCorners> blocks,
                         std::span<const std::uint8_t> answers);
    NearestPaletteColour(const NearestPaletteColour&) = delete;
    NearestPaletteColour& operator=(const NearestPaletteColour&) = delete;

    // Index of the nearest entry to the colour: two table reads, with no
    // branch on the colour, so noisy pictures cost what flat ones do.
    std::uint8_t Find(std::uint32_t red, std::uint32_t green, std::uint32_t blue) const {
        const std::uint32_t corner = (red >> 2) << 12 | (green >> 2) << 6 | blue >> 2;
        const std::uint32_t place = (red & 3) << 4 | (green & 3) << 2 | (blue & 3);
        return answers_[std::size_t{blocks_[corner]} * kBlockBytes + place];
    }
    // The same for 0xRRGGBB.
    std::uint8_t Find(std::uint32_t rgb) const { return Find(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF); }

    // Maps count pixels of blue, green, red bytes, the i-th at row + offsets[i], into out.
    void MapBgrPixels(const std::uint8_t* row, const std::uint32_t* offsets, std::size_t count, std::uint8_t* out) const;

    bool IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const;
    std::span<const std::uint8_t, kTexturePaletteBytes> Palette() const { return palette_; }

    // The table itself: the block of every corner, and the blocks of answers.
    std::span<const std::uint32_t, kCorners> Blocks() const { return std::span<const std::uint32_t, kCorners>(blocks_, kCorners); }
    std::span<const std::uint8_t> Answers() const { return {answers_, answer_bytes_}; }

private:
    void Build(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::span<const std::uint8_t> from);
    void FillBox(int size_bits, std::uint32_t red, std::uint32_t green, std::uint32_t blue, std::uint32_t block);

    std::array<std::uint8_t, kTexturePaletteBytes> palette_;
    std::array<std::int32_t, 256> red_{}, green_{}, blue_{};
    std::vector<std::uint32_t> own_blocks_;
    std::vector<std::uint8_t> own_answers_;
    const std::uint32_t* blocks_ = nullptr;
    const std::uint8_t* answers_ = nullptr;
    std::size_t answer_bytes_ = 0;
};
