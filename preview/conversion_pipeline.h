// Reads a bitmap or texture, converts it to a 256 x 256 texture in the texture
// palette, shows both pictures in the main window's panes and then, by the
// request, writes the result or puts an image on the clipboard.
#pragma once
#include <windows.h>
#include <cstdint>
#include <optional>
#include "core/packed_dib.h"
#include "core/sides.h"
#include "core/texture_conversion.h"
#include "core/writes_in_flight.h"

// target_path is used by the two conversions to the other side only; an
// unknown request does nothing. True when the source was read and shown;
// every failure has been reported to the user before it returns. Calls may
// nest: a message box shown here lets the main window repaint, which may
// preview a changed file. In a batch, the options are the batch's, the
// pictures may be drawn later, and the target is written on the batch's
// threads: a failure to write it is told later, in the order of the files,
// before the batch's next question, or at a later write, or by FinishBatch.
struct ConversionBatch;
bool RunConversion(HWND main_window, const char* source_path, const char* target_path, PipelineRequest request,
                   ConversionBatch* batch = nullptr);

// What the conversions of a batch of several files share: the texture options,
// read once as the batch begins (every file of it converts alike), the
// writes in flight, and the panes' pictures. A batch draws its panes at most
// ten times a second however fast its files convert; the pictures of the
// last file converted since are held until the next drawing, which comes
// before any message and at the end.
struct ConversionBatch {
    explicit ConversionBatch(Side side);
    TextureOptions options;
    WritesInFlight writes;
    ULONGLONG panes_drawn_at = 0;
    std::optional<PackedDib> undrawn_source, undrawn_converted;
};
// The end of a batch: draws the last file's pictures, waits for its writes
// and tells each failure to write.
void FinishBatch(HWND main_window, ConversionBatch& batch);

// Hands a copy of the packed DIB to the open, emptied clipboard as CF_DIB.
bool PutDibOnClipboard(const PackedDib& dib);
