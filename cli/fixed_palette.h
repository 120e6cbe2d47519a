// The palette the readers take while it lives: the built-in one or that of a
// JASC-PAL file in the converter, any one in tests.
#pragma once
#include <algorithm>
#include "core/jasc_palette.h"
#include "core/palette_source.h"

class FixedPalette final : public PaletteSource {
public:
    explicit FixedPalette(const TexturePalette& palette) : palette_(palette), previous_(SetPaletteSource(this)) {}
    ~FixedPalette() override { SetPaletteSource(previous_); }
    FixedPalette(const FixedPalette&) = delete;
    FixedPalette& operator=(const FixedPalette&) = delete;

    Result<Done> Load(std::span<std::uint8_t, kTexturePaletteBytes> destination) override {
        std::copy(palette_.begin(), palette_.end(), destination.begin());
        return Done{};
    }

private:
    const TexturePalette palette_;
    PaletteSource* previous_;
};
