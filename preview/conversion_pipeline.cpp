#include "preview/conversion_pipeline.h"
#include <array>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "core/bitmap_file.h"
#include "core/bitmap_to_texture.h"
#include "core/texture_conversion.h"
#include "core/texture_file.h"
#include "core/messages.h"
#include "platform/message_box.h"
#include "core/palette_source.h"
#include "platform/guards.h"
#include "preview/preview_panes.h"
#include "settings/settings_store.h"
#include "settings/texture_settings.h"

namespace {

// Shows failure; false, for the conversion that stops there.
bool Told(HWND owner, const Failure& failure) {
    ShowMessage(owner, *failure.message, failure.path);
    return false;
}

// The pictures a batch holds, drawn now.
void DrawKeptPictures(HWND main_window, ConversionBatch* batch) {
    if (!batch || !batch->undrawn_source || !batch->undrawn_converted) return;
    ShowPictures(main_window, *batch->undrawn_source, *batch->undrawn_converted);
    batch->panes_drawn_at = GetTickCount64();
    batch->undrawn_source.reset();
    batch->undrawn_converted.reset();
}

std::optional<PackedDib> CopyOf(const PackedDib& picture) {
    std::optional<PackedDib> copy = PackedDib::Allocate(picture.size());
    if (copy && picture.size() != 0) std::memcpy(copy->data(), picture.data(), picture.size());
    return copy;
}

// The pictures of a conversion shown in the panes at once; a batch holds
// copies of them instead, drawn when it last drew a tenth of a second ago or
// more.
void ShowConverted(HWND main_window, const PackedDib& source, const PackedDib& converted, ConversionBatch* batch) {
    if (batch) {
        batch->undrawn_source = CopyOf(source);
        batch->undrawn_converted = CopyOf(converted);
        if (batch->undrawn_source && batch->undrawn_converted) {
            if (GetTickCount64() - batch->panes_drawn_at >= 100) DrawKeptPictures(main_window, batch);
            return;
        }
    }
    ShowPictures(main_window, source, converted);
}

// The failures of a batch's writes, oldest first; a writer's message has no owner.
void TellWrites(HWND main_window, ConversionBatch& batch, const std::vector<Failure>& failures) {
    if (!failures.empty()) DrawKeptPictures(main_window, &batch);
    for (const Failure& failure : failures) Told(nullptr, failure);
}

// Asks before an existing file is replaced; a folder of that name gets no
// question and fails later, when it cannot be written. In a batch, a question,
// or a target an earlier write is still making, waits for every write before
// it, so that what those came to is told first.
bool MayWriteTarget(HWND main_window, const char* target_path, ConversionBatch* batch) {
    if (batch && batch->writes.Writing(target_path)) TellWrites(main_window, *batch, batch->writes.WaitForAll());
    if (!IsExistingFile(target_path)) {
        if (batch) TellWrites(main_window, *batch, batch->writes.Ended());
        return true;
    }
    if (batch) TellWrites(main_window, *batch, batch->writes.WaitForAll());
    DrawKeptPictures(main_window, batch);
    return ShowMessage(main_window, kOverwriteTarget, target_path) == IDYES;
}

// A writer's message, which has no owner.
void ShowIfFailed(const Result<Done>& written) {
    if (!written) Told(nullptr, written.Problem());
}

// Writes the converted picture to target_path as the request's kind of file,
// once the user agrees to replace a file there; in a batch, on the batch's
// threads.
void WriteTarget(HWND main_window, const char* target_path, bool texture, PackedDib converted, ConversionBatch* batch) {
    if (!MayWriteTarget(main_window, target_path, batch)) return;
    // Each write runs once; it lets the picture go before the wait for the disk.
    auto write = [texture, path = std::string(target_path), dib = std::make_shared<PackedDib>(std::move(converted))] {
        return texture ? WriteTextureFile(path.c_str(), std::move(*dib)) : WriteBitmapFile(path.c_str(), std::move(*dib));
    };
    if (batch) {
        TellWrites(main_window, *batch, batch->writes.Start(target_path, std::move(write)));
    } else {
        ShowIfFailed(write());
    }
}

void CopyToClipboard(HWND main_window, const PackedDib& dib) {
    OpenedClipboard clipboard(main_window);
    if (!clipboard) return;
    EmptyClipboard();
    PutDibOnClipboard(dib);
}

}  // namespace

bool PutDibOnClipboard(const PackedDib& dib) {
    const std::span<const std::uint8_t> image = dib.Image();
    if (image.empty()) return false;
    OwnedGlobal block = CopyToGlobal(image);
    if (!block || !SetClipboardData(CF_DIB, block.Get())) return false;
    block.Release();  // the clipboard owns it now
    return true;
}

ConversionBatch::ConversionBatch(Side side) : options(TextureOptionsFor(side)) {}

void FinishBatch(HWND main_window, ConversionBatch& batch) {
    DrawKeptPictures(main_window, &batch);
    TellWrites(main_window, batch, batch.writes.WaitForAll());
}

bool RunConversion(HWND main_window, const char* source_path, const char* target_path, PipelineRequest request,
                   ConversionBatch* batch) {
    const std::optional<Side> side = SideReadBy(request);
    if (!side || !source_path) return false;
    // Followed before it is read: a message box about it lets the window
    // repaint, which must not read it again. The options are read once, for
    // the pane and for the conversion alike.
    const TextureOptions options = batch ? batch->options : TextureOptionsFor(*side);
    FollowFile(main_window, *side, source_path, options);
    // A message about this file finds the panes showing the file before it.
    const auto fail = [&](HWND owner, const Failure& failure) {
        DrawKeptPictures(main_window, batch);
        return Told(owner, failure);
    };

    // Of a large picture only what the texture shows is read for the
    // conversion, then only what the Source pane shows for the pane, and the
    // whole picture only for the clipboard. The readers' and writers'
    // messages have no owner, the others the main window, as they always had.
    const SideTraits& traits = TraitsOf(*side);
    bool whole = false;
    Result<PackedDib> source = traits.read(source_path, kTextureSide, kTextureSide, &whole);
    if (!source) return fail(nullptr, source.Problem());

    std::array<std::uint8_t, kTexturePaletteBytes> palette{};
    if (const Result<Done> loaded = LoadTexturePalette(palette); !loaded) return fail(main_window, loaded.Problem());

    // The Destination pane shows what converting writes, options and all.
    // Averaging takes in every row of the bitmap, which is read again for
    // it one row at a time rather than held whole.
    std::optional<PackedDib> converted;
    if (*side == Side::Bitmaps && options.smooth) {
        const std::shared_ptr<const NearestPaletteColour> nearest = SharedNearestColour(palette);
        if (nearest) {
            Result<PackedDib> conversion = ConvertBitmapFile(source_path, *nearest, options);
            // The file read again may fail to read now; a picture it holds
            // that cannot be converted is the main window's message.
            if (!conversion && conversion.Problem().message != &kCannotConvert) return fail(nullptr, conversion.Problem());
            converted = std::move(conversion).Take();
        }
    } else {
        converted = ConvertToTexture(*source, palette, options);
    }
    if (!converted) return fail(main_window, {&kCannotConvert, source_path});

    // What was cut down to the texture's size is read again: for the Source
    // pane only what it shows, and the whole picture for the clipboard.
    if (!whole) {
        const bool for_clipboard = request == PipelineRequest::CopyBitmapToClipboard;
        const SIZE pane = SourcePaneSize(main_window);
        source = traits.read(source_path, for_clipboard ? 0 : pane.cx, for_clipboard ? 0 : pane.cy, nullptr);
        if (!source) return fail(nullptr, source.Problem());
    }
    ShowConverted(main_window, *source, *converted, batch);

    switch (request) {
    case PipelineRequest::BitmapToTexture:
    case PipelineRequest::TextureToBitmap:
        if (target_path) WriteTarget(main_window, target_path, request == PipelineRequest::BitmapToTexture, *std::move(converted), batch);
        break;
    case PipelineRequest::CopyTextureToClipboard:
        CopyToClipboard(main_window, *converted);
        break;
    case PipelineRequest::CopyBitmapToClipboard:
        CopyToClipboard(main_window, *source);
        break;
    default:
        break;
    }
    return true;
}
