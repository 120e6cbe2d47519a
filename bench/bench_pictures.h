// Made-up source pictures for the benchmarks: smooth colour gradients with a
// little noise, as a scanned or painted texture has, so that neighbouring
// pixels are alike but rarely equal.
#pragma once
#include <cstdint>
#include "core/packed_dib.h"

PackedDib MakeTrueColourPicture(std::int32_t width, std::int32_t height);
// An 8-bit picture whose colour table is the given palette.
PackedDib MakeIndexedPicture(std::int32_t width, std::int32_t height, std::span<const std::uint8_t> palette);
