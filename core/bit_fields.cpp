#include "core/bit_fields.h"
#include <bit>
#include "core/little_endian.h"

namespace {
std::optional<ColourChannel> ChannelOf(std::uint32_t mask, std::uint16_t bits) {
    ColourChannel channel;
    if (mask == 0) return channel;
    if (bits < 32 && (mask >> bits) != 0) return std::nullopt;
    channel.mask = mask;
    channel.shift = std::countr_zero(mask);
    channel.width = std::popcount(mask);
    if ((mask >> channel.shift) != (std::uint64_t{1} << channel.width) - 1) return std::nullopt;  // a gap in the run
    if (channel.width <= 8) {
        const std::uint32_t width = static_cast<std::uint32_t>(channel.width);
        for (std::uint32_t value = 0; value < (1u << width); ++value) {
            std::uint32_t repeated = 0, filled = 0;
            for (; filled < 8; filled += width) repeated = repeated << width | value;
            channel.widened[value] = static_cast<std::uint8_t>(repeated >> (filled - 8));
        }
    }
    return channel;
}
}  // namespace

std::optional<ColourChannels> ChannelsOf(const ColourMasks& masks, std::uint16_t bits) {
    if ((masks.red & masks.green) != 0 || (masks.red & masks.blue) != 0 || (masks.green & masks.blue) != 0) return std::nullopt;
    const std::optional<ColourChannel> red = ChannelOf(masks.red, bits);
    const std::optional<ColourChannel> green = ChannelOf(masks.green, bits);
    const std::optional<ColourChannel> blue = ChannelOf(masks.blue, bits);
    if (!red || !green || !blue) return std::nullopt;
    return ColourChannels{*red, *green, *blue};
}

void UnpackBitFieldRow(std::uint8_t* row, std::int32_t width, std::uint16_t bits, const ColourChannels& channels) {
    // From the right end, so that no packed pixel is overwritten before it is read.
    const std::size_t from_bytes = bits / 8u, to_bytes = bits == 16 ? 3 : 4;
    for (std::size_t x = static_cast<std::size_t>(width); x-- > 0;) {
        const std::uint8_t* from = row + x * from_bytes;
        const std::uint32_t pixel = bits == 16 ? LoadU16(from) : LoadU32(from);
        std::uint8_t* to = row + x * to_bytes;
        to[0] = channels.blue.EightBits(pixel);
        to[1] = channels.green.EightBits(pixel);
        to[2] = channels.red.EightBits(pixel);
        if (to_bytes == 4) to[3] = 0;
    }
}
