#include "core/bitmap_file.h"
#include <array>
#include <cstring>
#include <vector>
#include "core/bitmap_layout.h"
#include "core/file_access.h"
#include "core/little_endian.h"
#include "core/messages.h"
#include "core/pixel_rows.h"

namespace {

// The two-letter types of OS/2's other bitmap files: arrays, icons and pointers.
bool IsOs2BitmapType(std::uint16_t type) {
    for (const char* name : {"BA", "CI", "CP", "IC", "PT"}) {
        if (type == LoadU16(reinterpret_cast<const std::uint8_t*>(name))) return true;
    }
    return false;
}

// Turns entries of three bytes (blue, green, red), packed at the start of
// table, into four-byte ones in place, from the last so none is overwritten
// before it is read.
void WidenCoreEntries(std::span<std::uint8_t> table) {
    for (std::size_t entry = table.size() / 4; entry-- > 0;) {
        std::memmove(&table[entry * 4], &table[entry * 3], 3);
        table[entry * 4 + 3] = 0;
    }
}

class BitmapReader {
public:
    // shown_width x shown_height: the size the picture will be stretched to,
    // when only the rows and columns that stretching shows are wanted; 0 x 0
    // for the whole picture.
    BitmapReader(const char* path, std::int32_t shown_width, std::int32_t shown_height)
        : path_(path), shown_width_(shown_width), shown_height_(shown_height) {}

    Result<PackedDib> Read(bool* whole = nullptr) {
        BitmapLayout layout;
        Result<PackedDib> dib = ReadHeadersAndTable(layout);
        if (!dib) return dib;

        // Of a larger picture only the part stretching shows is kept: fewer
        // bytes to read and to hold, and it stretches to the same picture.
        const KeptPart part = ShownPart(layout.header.biWidth, layout.header.biHeight, shown_width_, shown_height_);
        if (whole) *whole = part.rows.empty() && part.columns.empty();
        const BitmapInfoHeader kept = KeptHeader(layout.header, part);
        if (!dib->Resize(*DibImageBytes(kept))) return Fail(kBitmapPixelsNoMemory);
        dib->SetHeader(kept);
        if (const Message* failure = ReadPixelRows(*file_, layout, part, dib->Pixels())) return Fail(*failure);
        return dib;
    }

    Result<Done> ReadRows(const BitmapRowsStart& start) {
        BitmapLayout layout;
        const Result<PackedDib> head = ReadHeadersAndTable(layout);
        if (!head) return head.Problem();
        RowSink* sink = start(layout.header, head->ColorTable());
        const Message* failure = sink ? StreamPixelRows(*file_, layout, *sink) : &kBitmapPixelsNoMemory;
        if (failure) return Fail(*failure);
        return Done{};
    }

private:
    // The headers and the colour table, in a packed DIB of their own, once
    // the file is known to reach its pixels; or why not.
    Result<PackedDib> ReadHeadersAndTable(BitmapLayout& layout) {
        file_ = Files().OpenForReading(path_);
        if (!file_) return Fail(kBitmapNotOpened);

        // The file header, the info header and the masks behind it, in one read.
        std::array<std::uint8_t, kFileHeaderBytes + kLargestInfoHeaderBytes + kMostMaskBytes> headers{};
        const std::optional<std::size_t> got = file_->ReadAt(0, headers);
        if (!got) return Fail(kBitmapHeaderShort);
        const std::span<const std::uint8_t> start(headers.data(), *got);
        if (start.size() < kFileHeaderBytes) return Fail(kBitmapHeaderShort);
        const std::uint16_t type = LoadU16(&start[0]);
        if (IsOs2BitmapType(type)) return Fail(kOs2Bitmap);
        if (type != kBitmapFileType || LoadU16(&start[6]) != 0 || LoadU16(&start[8]) != 0) {
            return Fail(kNotABitmap);
        }

        std::optional<PackedDib> dib = PackedDib::Allocate(kInfoHeaderBytes + 4);
        if (!dib) return Fail(kBitmapNoMemory);
        if (const Message* failure = ReadLayout(LoadU32(&start[10]), start.subspan(kFileHeaderBytes), layout)) return Fail(*failure);
        dib->SetHeader(layout.header);

        // The colour table is small; the pixels get their room only once the
        // table has been read and the file is known to reach the pixels.
        const std::size_t table_bytes = DibColorTableBytes(layout.header);
        if (table_bytes > 4 && !dib->Resize(kInfoHeaderBytes + table_bytes)) return Fail(kBitmapPixelsNoMemory);
        if (const Message* failure = ReadColourTable(layout, {dib->data() + kInfoHeaderBytes, table_bytes})) return Fail(*failure);
        if (const Message* failure = ReachPixels(layout.pixel_offset)) return Fail(*failure);
        return *std::move(dib);
    }

    // The info header and the masks behind it, from the bytes that follow
    // the file header, understood; why the file is refused, or null.
    static const Message* ReadLayout(std::uint32_t pixel_offset, std::span<const std::uint8_t> info, BitmapLayout& layout) {
        if (info.size() < 4) return &kBitmapShort;
        const std::uint32_t header_bytes = LoadU32(info.data());
        if (const Message* refusal = HeaderSizeRefusal(header_bytes)) return refusal;
        if (info.size() < header_bytes) return &kBitmapShort;
        const std::size_t mask_bytes = MaskBytesBehind(info.first(header_bytes));
        if (info.size() < header_bytes + mask_bytes) return &kBitmapShort;
        return ParseBitmapLayout(pixel_offset, info.first(header_bytes + mask_bytes), layout);
    }

    const Message* ReadColourTable(const BitmapLayout& layout, std::span<std::uint8_t> table) {
        if (table.empty()) return nullptr;
        const std::size_t file_bytes = table.size() / 4 * layout.entry_bytes;
        const std::optional<std::size_t> got = file_->ReadAt(layout.table_offset, table.first(file_bytes));
        if (!got) return &kBitmapNotPositioned;
        if (*got != file_bytes) return &kTableOutsideFile;
        if (layout.entry_bytes == 3) WidenCoreEntries(table);
        return nullptr;
    }

    // Whether the file holds at least one byte at the pixel offset.
    const Message* ReachPixels(std::uint32_t pixel_offset) {
        std::array<std::uint8_t, 1> first{};
        const std::optional<std::size_t> got = file_->ReadAt(pixel_offset, first);
        if (!got) return &kBitmapShort;
        return *got == 0 ? &kPixelsOutsideFile : nullptr;
    }

    // The file is closed before anyone hears of the failure.
    Failure Fail(const Message& message) {
        file_.reset();
        return Failure{&message, path_};
    }

    const char* path_;
    std::int32_t shown_width_, shown_height_;
    std::unique_ptr<ReadableFile> file_;
};
}  // namespace

Result<PackedDib> ReadBitmapFile(const char* path) { return BitmapReader(path, 0, 0).Read(); }

Result<PackedDib> ReadBitmapFileForSize(const char* path, std::int32_t width, std::int32_t height, bool* whole) {
    return BitmapReader(path, width, height).Read(whole);
}

Result<Done> ReadBitmapFileRows(const char* path, const BitmapRowsStart& start) { return BitmapReader(path, 0, 0).ReadRows(start); }

namespace {

Result<Done> WriteBitmap(const char* path, const PackedDib& dib, const std::function<void()>& written) {
    const std::span<const std::uint8_t> image = dib.Image();
    if (image.empty()) return Failure{&kWriteFailed, path};
    const std::uint32_t pixel_offset = static_cast<std::uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + DibColorTableBytes(dib.Header()));
    std::array<std::uint8_t, kFileHeaderBytes> file_header{};
    StoreU16(&file_header[0], kBitmapFileType);
    StoreU32(&file_header[2], static_cast<std::uint32_t>(kFileHeaderBytes + image.size()));
    StoreU32(&file_header[10], pixel_offset);

    const std::span<const std::uint8_t> pieces[] = {file_header, image};
    switch (Files().ReplaceFile(path, pieces, written)) {
        case WriteOutcome::Written: return Done{};
        case WriteOutcome::CreateFailed: return Failure{&kBitmapNotCreated, path};
        case WriteOutcome::WriteFailed: break;
    }
    return Failure{&kWriteFailed, path};
}

}  // namespace

Result<Done> WriteBitmapFile(const char* path, const PackedDib& dib) { return WriteBitmap(path, dib, nullptr); }

Result<Done> WriteBitmapFile(const char* path, PackedDib&& dib) {
    return WriteBitmap(path, dib, [&dib] { dib.Release(); });
}
