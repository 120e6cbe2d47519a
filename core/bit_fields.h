// Pixels whose colour channels lie where masks in the file put them (16- and
// 32-bit BI_BITFIELDS images), turned into the blue, green, red bytes of the
// plain 24- and 32-bit images the rest of the program takes. An alpha channel
// is left out: a texture has none, so each pixel's colour is used as stored.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

struct ColourMasks {
    std::uint32_t red;
    std::uint32_t green;
    std::uint32_t blue;
};

struct ColourChannel {
    std::uint32_t mask = 0;
    int shift = 0;  // of the mask's lowest bit
    int width = 0;  // bits in the mask; 0 for a channel that is always 0
    // The 8-bit value of each value of a channel up to 8 bits wide, its top bits repeated below it.
    std::array<std::uint8_t, 256> widened{};

    // Narrower channels are widened, wider ones keep their top 8 bits.
    std::uint8_t EightBits(std::uint32_t pixel) const {
        const std::uint32_t value = (pixel & mask) >> shift;
        return width > 8 ? static_cast<std::uint8_t>(value >> (width - 8)) : widened[value];
    }
};

struct ColourChannels {
    ColourChannel red;
    ColourChannel green;
    ColourChannel blue;
};

// The channels of pixels of bits (16 or 32) under masks, or nothing when a mask
// is not one unbroken run of bits, reaches beyond the pixel or shares bits with another.
std::optional<ColourChannels> ChannelsOf(const ColourMasks& masks, std::uint16_t bits);

// Unpacks width pixels of bits (16 or 32) at the start of row in place, into
// 3 bytes a pixel (from 16 bits) or 4 with a zero fourth byte (from 32 bits).
// The row must hold the unpacked size.
void UnpackBitFieldRow(std::uint8_t* row, std::int32_t width, std::uint16_t bits, const ColourChannels& channels);
