// The part of a picture a reader keeps: every row and column, or only those
// that stretching the picture to a smaller size shows.
#pragma once
#include <cstdint>
#include <vector>
#include "core/packed_dib.h"

// Rows counted from the top and columns from the left, each list ascending;
// an empty list keeps them all.
struct KeptPart {
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> columns;
};

// What stretching a width x height picture to shown_width x shown_height
// shows of it: the rows and columns of a longer side that the stretch picks
// (the whole side of a shorter one), so that the part kept, stretched to the
// shown size, is the same picture. 0 for a side keeps that side whole.
KeptPart ShownPart(std::int32_t width, std::int32_t height, std::int32_t shown_width, std::int32_t shown_height);

// The header of the picture that keeps part of the picture of header.
BitmapInfoHeader KeptHeader(const BitmapInfoHeader& header, const KeptPart& part);
