#include "preview/conversion_pipeline.h"
#include <array>
#include <cstring>
#include <optional>
#include "core/bitmap_file.h"
#include "core/reduced_picture.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "core/message_sink.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "resources/resource_ids.h"
#include "settings/settings_store.h"

namespace {

int g_running_conversions = 0;

class RunningConversion {
public:
    RunningConversion() { ++g_running_conversions; }
    ~RunningConversion() { --g_running_conversions; }
    RunningConversion(const RunningConversion&) = delete;
    RunningConversion& operator=(const RunningConversion&) = delete;
};

bool IsKnownMode(std::uint32_t mode) {
    switch (mode) {
    case kPreviewBitmap:
    case kPreviewTexture:
    case kBitmapToTexture:
    case kTextureToBitmap:
    case kCopyTextureToClipboard:
    case kCopyBitmapToClipboard:
        return true;
    default:
        return false;
    }
}

bool ReadsBitmap(std::uint32_t mode) {
    return mode == kPreviewBitmap || mode == kBitmapToTexture || mode == kCopyBitmapToClipboard;
}

// Stretches the whole picture over the pane's client area. A picture much
// larger than the pane is first cut down to it by the same whole-pixel rule,
// which shows the same pixels for a fraction of the work.
void DrawIntoPane(HWND main_window, int pane_id, const PackedDib& picture) {
    HWND pane = GetDlgItem(main_window, pane_id);
    if (!pane) return;
    RECT client{};
    GetClientRect(pane, &client);
    WindowDC dc(pane);
    if (!dc) return;
    const BitmapInfoHeader full = picture.Header();
    const bool much_larger = full.biWidth > 2 * client.right || full.biHeight > 2 * client.bottom;
    const std::optional<PackedDib> reduced =
        much_larger ? ReducedPicture(picture, client.right, client.bottom) : std::nullopt;
    const PackedDib& dib = reduced ? *reduced : picture;
    const BitmapInfoHeader header = dib.Header();
    SetStretchBltMode(dc.Get(), COLORONCOLOR);
    StretchDIBits(dc.Get(), 0, 0, client.right, client.bottom, 0, 0, header.biWidth, header.biHeight,
                  dib.Pixels().data(), reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
}

// Asks before an existing file is replaced; a folder of that name gets no
// question and fails later, when it cannot be written.
bool MayWriteTarget(HWND main_window, const char* target_path) {
    if (!IsExistingFile(target_path)) return true;
    return ShowMessage(main_window, target_path, "Do you want to overwrite existing target?",
                       MB_ICONQUESTION | MB_YESNO) == IDYES;
}

void CopyToClipboard(HWND main_window, const PackedDib& dib) {
    OpenedClipboard clipboard(main_window);
    if (!clipboard) return;
    EmptyClipboard();
    PutDibOnClipboard(dib);
}

}  // namespace

bool IsConversionRunning() { return g_running_conversions > 0; }

bool PutDibOnClipboard(const PackedDib& dib) {
    const std::span<const std::uint8_t> image = dib.Image();
    if (image.empty()) return false;
    OwnedGlobal block = CopyToGlobal(image);
    if (!block || !SetClipboardData(CF_DIB, block.Get())) return false;
    block.Release();  // the clipboard owns it now
    return true;
}

bool RunConversion(HWND main_window, const char* source_path, const char* target_path, std::uint32_t mode) {
    if (!IsKnownMode(mode) || !source_path) return false;
    RunningConversion running;

    std::optional<PackedDib> source = ReadsBitmap(mode) ? ReadBitmapFile(source_path) : ReadTextureFile(source_path);
    if (!source) return false;

    std::array<std::uint8_t, kTexturePaletteBytes> palette{};
    if (!LoadTexturePalette(main_window, palette)) return false;

    std::optional<PackedDib> converted = ConvertToTexture(*source, palette);
    if (!converted) {
        ShowMessage(main_window, source_path, "Cannot convert this picture!", MB_OK | MB_ICONWARNING);
        return false;
    }

    DrawIntoPane(main_window, IDC_SOURCE_PANE, *source);
    DrawIntoPane(main_window, IDC_DESTINATION_PANE, *converted);
    GdiFlush();

    switch (mode) {
    case kBitmapToTexture:
        if (target_path && MayWriteTarget(main_window, target_path)) WriteTextureFile(target_path, *converted);
        break;
    case kTextureToBitmap:
        if (target_path && MayWriteTarget(main_window, target_path)) WriteBitmapFile(target_path, *converted);
        break;
    case kCopyTextureToClipboard:
        CopyToClipboard(main_window, *converted);
        break;
    case kCopyBitmapToClipboard:
        CopyToClipboard(main_window, *source);
        break;
    default:
        break;
    }
    return true;
}
