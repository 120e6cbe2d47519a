// The two sides of the main window: the Bitmaps list over a folder of BMP
// files and the Textures list over a folder of AF files. Everything that
// differs between them is one row of one table; no other code stands for a
// side by a number.
#pragma once
#include <cstdint>
#include <optional>
#include "core/failure.h"
#include "core/packed_dib.h"
#include "core/target_naming.h"

enum class Side { Bitmaps, Textures };
inline constexpr Side kBothSides[] = {Side::Bitmaps, Side::Textures};

// The conversion pipeline's requests: preview, convert to the other side,
// copy to the clipboard. Each reads a file of one side. The numbers are
// those earlier versions used.
enum class PipelineRequest : std::uint32_t {
    PreviewBitmap = 1,
    PreviewTexture = 2,
    BitmapToTexture = 3,
    TextureToBitmap = 4,
    CopyTextureToClipboard = 0x10005,
    CopyBitmapToClipboard = 0x20005,
};

struct SideTraits {
    Side side;
    Side other;
    int list_id;                 // the main window's list view
    int convert_button;          // converts the list's selection to the other side
    int copy_command;            // the context-menu entry that copies one of its files
    const char* file_pattern;    // the files its list shows
    // Reads a file of the side for a consumer that shows it at shown_width x
    // shown_height: of a larger picture only what that shows is kept; 0 x 0
    // keeps the whole picture. Or why not. whole, when given, tells whether
    // what was kept is the whole picture.
    Result<PackedDib> (*read)(const char* path, std::int32_t shown_width, std::int32_t shown_height, bool* whole);
    PipelineRequest preview_request;
    PipelineRequest convert_request;
    PipelineRequest copy_request;
    Direction target_direction;  // how a file converted from this side is named
};

const SideTraits& TraitsOf(Side side);
// The side whose list has this id, or nothing for any other control.
std::optional<Side> SideOfList(int list_id);
// The side whose files a pipeline request reads, or nothing for an unknown code.
std::optional<Side> SideReadBy(PipelineRequest request);
