// Exact nearest-colour search in a 256-colour palette: the entry at the
// smallest squared RGB distance, ties going to the lowest index.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <vector>
#include "platform/palette_source.h"

class NearestPaletteColour {
public:
    // palette: 256 RGBQUAD entries (blue, green, red, reserved).
    explicit NearestPaletteColour(std::span<const std::uint8_t, kTexturePaletteBytes> palette);

    // Index of the nearest entry to the colour 0xRRGGBB.
    std::uint8_t Find(std::uint32_t rgb) {
        if (rgb == last_rgb_) return last_index_;
        std::uint32_t cell = leaves_[LeafOf(rgb)];
        if (cell == kUnknown) cell = BuildLeaf(rgb);
        last_rgb_ = rgb;
        last_index_ = (cell & kSingle) ? static_cast<std::uint8_t>(cell) : Search(cell - 1, rgb);
        return last_index_;
    }

    bool IsFor(std::span<const std::uint8_t, kTexturePaletteBytes> palette) const;
    std::span<const std::uint8_t, kTexturePaletteBytes> Palette() const { return palette_; }

private:
    // A leaf cell holds 0 until it is first needed, then either kSingle plus the
    // one entry nearest to every colour in it, or 1 + the offset of its
    // candidate list in pool_ (a count less one, then the entries).
    static constexpr std::uint32_t kUnknown = 0;
    static constexpr std::uint32_t kSingle = 0x80000000u;
    static constexpr int kLeafShift = 3;    // 32 x 32 x 32 cells of 8 x 8 x 8 colours
    static constexpr int kParentShift = 4;  // 16 x 16 x 16 cells of 16 x 16 x 16 colours

    static std::uint32_t LeafOf(std::uint32_t rgb) {
        return ((rgb >> (16 + kLeafShift)) & 31) << 10 | ((rgb >> (8 + kLeafShift)) & 31) << 5 | ((rgb >> kLeafShift) & 31);
    }
    std::uint32_t BuildLeaf(std::uint32_t rgb);
    const std::vector<std::uint8_t>& ParentCandidates(std::uint32_t rgb);
    std::uint8_t Search(std::uint32_t offset, std::uint32_t rgb) const;

    std::array<std::uint8_t, kTexturePaletteBytes> palette_;
    std::array<std::int32_t, 256> red_{}, green_{}, blue_{};
    std::vector<std::uint32_t> leaves_;
    std::vector<std::vector<std::uint8_t>> parents_;  // empty until needed; a built list is never empty
    std::vector<std::uint8_t> pool_;
    std::uint32_t last_rgb_ = 0xFFFFFFFFu;  // no colour: colours have 24 bits
    std::uint8_t last_index_ = 0;
};
