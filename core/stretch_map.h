// Which source pixel each target pixel takes when a picture is stretched or
// squeezed by whole pixels, exactly as StretchBlt does in COLORONCOLOR mode:
// rows and columns are repeated or dropped, never blended. Positions count
// from the left and from the top of the picture.
#pragma once
#include <cstdint>
#include <vector>

// For each of target_width columns, the source column it shows.
std::vector<std::int32_t> StretchedColumns(std::int32_t source_width, std::int32_t target_width);
// For each of target_height rows (top first), the source row (top first) it shows.
std::vector<std::int32_t> StretchedRows(std::int32_t source_height, std::int32_t target_height);
