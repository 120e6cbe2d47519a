#include "core/reduced_picture.h"
#include <algorithm>
#include <cstring>
#include "core/stretch_map.h"

std::optional<PackedDib> ReducedPicture(const PackedDib& source, std::int32_t width, std::int32_t height) {
    BitmapInfoHeader header = source.Header();
    const std::size_t bytes_per_pixel = header.biBitCount / 8u;
    const bool whole_bytes = header.biBitCount == 8 || header.biBitCount == 16 || header.biBitCount == 24 ||
                             header.biBitCount == 32;
    if (!whole_bytes || header.biPlanes != 1 || width <= 0 || height <= 0 || source.Pixels().empty()) {
        return std::nullopt;
    }
    const std::vector<std::int32_t> columns = StretchedColumns(header.biWidth, width);
    const std::vector<std::int32_t> rows = StretchedRows(header.biHeight, height);
    const std::size_t source_stride = static_cast<std::size_t>(DibRowStride(header));
    const std::int32_t source_height = header.biHeight;

    header.biWidth = width;
    header.biHeight = height;
    header.biSizeImage = 0;
    const std::optional<std::size_t> size = DibImageBytes(header);
    if (!size) return std::nullopt;
    std::optional<PackedDib> reduced = PackedDib::Allocate(*size);
    if (!reduced) return std::nullopt;
    reduced->SetHeader(header);
    const std::span<const std::uint8_t> table = source.ColorTable();
    std::memcpy(reduced->ColorTable().data(), table.data(), std::min(table.size(), reduced->ColorTable().size()));

    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    const std::uint8_t* from = source.Pixels().data();
    std::uint8_t* to = reduced->Pixels().data();
    for (std::int32_t y = 0; y < height; ++y) {  // counted from the top, as the map is
        const std::uint8_t* source_row =
            from + static_cast<std::size_t>(source_height - 1 - rows[static_cast<std::size_t>(y)]) * source_stride;
        std::uint8_t* target_row = to + static_cast<std::size_t>(height - 1 - y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            std::memcpy(target_row + static_cast<std::size_t>(x) * bytes_per_pixel,
                        source_row + static_cast<std::size_t>(columns[static_cast<std::size_t>(x)]) * bytes_per_pixel,
                        bytes_per_pixel);
        }
    }
    return reduced;
}
