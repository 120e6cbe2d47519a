// Copying the columns of a picture that are kept, row by row.
#pragma once
#include <cstdint>
#include <span>

// Copies the pixels of row at columns (pixel positions, in order, each
// pixel within the row) side by side into out, in the held form of bits a
// pixel (1, 4, 8, 16, 24 or 32; rows of other depths are widened to one of
// these first). Pixels of fewer than 8 bits go in with OR, so out must be
// zero there. Nothing is read outside the row, nor written past the last
// pixel of out.
void PickColumns(std::span<const std::uint8_t> row, std::uint16_t bits, std::span<const std::int32_t> columns, std::uint8_t* out);
