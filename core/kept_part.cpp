#include "core/kept_part.h"
#include "core/stretch_map.h"

KeptPart ShownPart(std::int32_t width, std::int32_t height, std::int32_t shown_width, std::int32_t shown_height) {
    KeptPart part;
    if (shown_height > 0 && height > shown_height) part.rows = StretchedRows(height, shown_height);
    if (shown_width > 0 && width > shown_width) part.columns = StretchedColumns(width, shown_width);
    return part;
}

BitmapInfoHeader KeptHeader(const BitmapInfoHeader& header, const KeptPart& part) {
    BitmapInfoHeader kept = header;
    if (!part.rows.empty()) kept.biHeight = static_cast<std::int32_t>(part.rows.size());
    if (!part.columns.empty()) kept.biWidth = static_cast<std::int32_t>(part.columns.size());
    if (!part.rows.empty() || !part.columns.empty()) kept.biSizeImage = 0;
    return kept;
}
