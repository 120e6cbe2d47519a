// Where the texture palette comes from: the companion library in the program,
// a JASC-PAL file or the built-in palette in the batch converter, a fixed one
// in tests.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include "core/failure.h"

inline constexpr std::size_t kTexturePaletteBytes = 1024;  // 256 RGBQUAD entries

class PaletteSource {
public:
    virtual ~PaletteSource() = default;
    // Copies the 1,024-byte palette (blue, green, red, 0 per entry) into
    // destination, or says why it cannot.
    virtual Result<Done> Load(std::span<std::uint8_t, kTexturePaletteBytes> destination) = 0;
};

// The texture palette lookup every reader and the pipeline use.
Result<Done> LoadTexturePalette(std::span<std::uint8_t, kTexturePaletteBytes> destination);
// Replaces the palette source; returns the one in place. With none set, every
// lookup fails with "Fatal error (PAL1)!".
PaletteSource* SetPaletteSource(PaletteSource* source);
