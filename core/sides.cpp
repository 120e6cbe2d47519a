#include "core/sides.h"
#include "core/bitmap_file.h"
#include "core/target_naming.h"
#include "core/texture_file.h"
#include "resources/resource_ids.h"

namespace {

// A texture is 256 x 256 and read whole for any consumer.
Result<PackedDib> ReadTextureForSize(const char* path, std::int32_t, std::int32_t, bool* whole) {
    if (whole) *whole = true;
    return ReadTextureFile(path);
}

constexpr SideTraits kSides[] = {
    {Side::Bitmaps, Side::Textures, IDC_BITMAPS_LIST, IDC_BMP_TO_AF, IDM_COPY_BMP, "*.bmp", &ReadBitmapFileForSize,
     PipelineRequest::PreviewBitmap, PipelineRequest::BitmapToTexture, PipelineRequest::CopyBitmapToClipboard,
     Direction::BmpToAf},
    {Side::Textures, Side::Bitmaps, IDC_TEXTURES_LIST, IDC_AF_TO_BMP, IDM_COPY_AF, "*.*af", &ReadTextureForSize,
     PipelineRequest::PreviewTexture, PipelineRequest::TextureToBitmap, PipelineRequest::CopyTextureToClipboard,
     Direction::AfToBmp},
};

}  // namespace

const SideTraits& TraitsOf(Side side) { return kSides[side == Side::Bitmaps ? 0 : 1]; }

std::optional<Side> SideOfList(int list_id) {
    for (const SideTraits& traits : kSides) {
        if (traits.list_id == list_id) return traits.side;
    }
    return std::nullopt;
}

std::optional<Side> SideReadBy(PipelineRequest request) {
    for (const SideTraits& traits : kSides) {
        if (request == traits.preview_request || request == traits.convert_request || request == traits.copy_request) {
            return traits.side;
        }
    }
    return std::nullopt;
}
