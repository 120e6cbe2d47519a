// Little-endian fields at any byte position of a file's bytes, where a
// reinterpret_cast could be misaligned.
#pragma once
#include <cstdint>
#include <cstring>

inline std::uint16_t LoadU16(const std::uint8_t* bytes) {
    std::uint16_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

inline std::uint32_t LoadU32(const std::uint8_t* bytes) {
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Three bytes, as a pixel of 24 bits or a colour table entry holds blue,
// green and red: 0x00RRGGBB.
inline std::uint32_t LoadU24(const std::uint8_t* bytes) {
    return bytes[0] | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16;
}

inline void StoreU16(std::uint8_t* bytes, std::uint16_t value) { std::memcpy(bytes, &value, sizeof value); }
inline void StoreU32(std::uint8_t* bytes, std::uint32_t value) { std::memcpy(bytes, &value, sizeof value); }
