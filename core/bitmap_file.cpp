#include "core/bitmap_file.h"
#include <array>
#include <cstring>
#include <vector>
#include "core/bitmap_layout.h"
#include "core/file_access.h"
#include "core/little_endian.h"
#include "core/messages.h"
#include "core/pixel_rows.h"
#include "core/stretch_map.h"

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
    // rows: the height the picture will be stretched to, when only the rows
    // that stretching shows are wanted; 0 for every row.
    BitmapReader(const char* path, std::int32_t rows) : path_(path), rows_(rows) {}

    std::optional<PackedDib> Read() {
        file_ = Files().OpenForReading(path_);
        if (!file_) return Fail(kBitmapNotOpened);

        std::array<std::uint8_t, kFileHeaderBytes> file_header{};
        if (!ReadExactly(*file_, file_header)) return Fail(kBitmapHeaderShort);
        const std::uint16_t type = LoadU16(&file_header[0]);
        if (IsOs2BitmapType(type)) return Fail(kOs2Bitmap);
        if (type != kBitmapFileType || LoadU16(&file_header[6]) != 0 || LoadU16(&file_header[8]) != 0) {
            return Fail(kNotABitmap);
        }

        std::optional<PackedDib> dib = PackedDib::Allocate(kInfoHeaderBytes + 4);
        if (!dib) return Fail(kBitmapNoMemory);
        BitmapLayout layout;
        if (const Message* failure = ReadLayout(LoadU32(&file_header[10]), layout)) return Fail(*failure);
        dib->SetHeader(layout.header);

        // The colour table is small; the pixels get their room only once the
        // table has been read and the file is known to reach the pixels.
        const std::size_t table_bytes = DibColorTableBytes(layout.header);
        if (table_bytes > 4 && !dib->Resize(kInfoHeaderBytes + table_bytes)) return Fail(kBitmapPixelsNoMemory);
        if (const Message* failure = ReadColourTable(layout, {dib->data() + kInfoHeaderBytes, table_bytes})) return Fail(*failure);
        if (const Message* failure = ReachPixels(layout.pixel_offset)) return Fail(*failure);

        // A taller picture of plain rows keeps only the rows stretching shows:
        // fewer bytes to read, and it stretches to the same picture.
        BitmapInfoHeader kept = layout.header;
        const bool some_rows = rows_ > 0 && layout.encoding == PixelEncoding::Plain && kept.biHeight > rows_;
        if (some_rows) {
            kept.biHeight = rows_;
            kept.biSizeImage = 0;
        }
        if (!dib->Resize(*DibImageBytes(kept))) {
            dib.reset();
            return Fail(kBitmapPixelsNoMemory);
        }
        if (some_rows) {
            dib->SetHeader(kept);
            if (!ReadShownRows(layout, dib->Pixels())) return Fail(kBitmapShort);
            return dib;
        }
        if (!file_->Seek(layout.pixel_offset)) return Fail(kBitmapNotPositioned);
        if (!ReadPixelRows(*file_, layout, dib->Pixels())) return Fail(kBitmapShort);
        return dib;
    }

private:
    // Reads into pixels, bottom row first, the rows_ rows of the picture of
    // layout that stretching it to rows_ rows shows. A file that ends before
    // its last row fails as it does when read whole.
    bool ReadShownRows(const BitmapLayout& layout, std::span<std::uint8_t> pixels) {
        const std::int32_t height = layout.header.biHeight;
        const std::size_t stride = static_cast<std::size_t>(DibRowStride(layout.header));
        const std::uint64_t end = layout.pixel_offset + static_cast<std::uint64_t>(height) * stride;
        const std::optional<std::span<const std::uint8_t>> mapped = file_->Mapped();
        const auto read = [&](std::uint64_t at, std::span<std::uint8_t> into) {
            if (!mapped) {
                const std::optional<std::size_t> got = file_->ReadAt(at, into);
                return got && *got == into.size();
            }
            if (at > mapped->size() || mapped->size() - at < into.size()) return false;
            std::memcpy(into.data(), mapped->data() + at, into.size());
            return true;
        };
        std::array<std::uint8_t, 1> last{};
        if (!read(end - 1, last)) return false;
        const std::vector<std::int32_t> shown = StretchedRows(height, rows_);
        for (std::size_t row = 0; row < shown.size(); ++row) {
            const std::int32_t from_top = shown[shown.size() - 1 - row];
            const std::uint64_t in_file = static_cast<std::uint64_t>(layout.top_down ? from_top : height - 1 - from_top);
            if (!read(layout.pixel_offset + in_file * stride, pixels.subspan(row * stride, stride))) return false;
        }
        return true;
    }

    // The info header and the masks behind it, read and understood; why the
    // file is refused, or null.
    const Message* ReadLayout(std::uint32_t pixel_offset, BitmapLayout& layout) {
        std::array<std::uint8_t, kLargestInfoHeaderBytes + kMostMaskBytes> info{};
        if (!ReadExactly(*file_, {info.data(), 4})) return &kBitmapShort;
        const std::uint32_t header_bytes = LoadU32(info.data());
        if (const Message* refusal = HeaderSizeRefusal(header_bytes)) return refusal;
        if (!ReadExactly(*file_, {info.data() + 4, header_bytes - 4})) return &kBitmapShort;
        const std::size_t mask_bytes = MaskBytesBehind({info.data(), header_bytes});
        if (mask_bytes != 0 && !ReadExactly(*file_, {info.data() + header_bytes, mask_bytes})) return &kBitmapShort;
        return ParseBitmapLayout(pixel_offset, {info.data(), header_bytes + mask_bytes}, layout);
    }

    const Message* ReadColourTable(const BitmapLayout& layout, std::span<std::uint8_t> table) {
        if (table.empty()) return nullptr;
        const std::size_t file_bytes = table.size() / 4 * layout.entry_bytes;
        if (!file_->Seek(layout.table_offset)) return &kBitmapNotPositioned;
        const std::optional<std::size_t> got = file_->Read(table.first(file_bytes));
        if (!got) return &kBitmapNotPositioned;
        if (*got != file_bytes) return &kTableOutsideFile;
        if (layout.entry_bytes == 3) WidenCoreEntries(table);
        return nullptr;
    }

    // Whether the file holds at least one byte at the pixel offset.
    const Message* ReachPixels(std::uint32_t pixel_offset) {
        std::array<std::uint8_t, 1> first{};
        if (!file_->Seek(pixel_offset)) return &kBitmapNotPositioned;
        const std::optional<std::size_t> got = file_->Read(first);
        if (!got) return &kBitmapShort;
        return *got == 0 ? &kPixelsOutsideFile : nullptr;
    }

    // Closes the file before the message, as every failure does.
    std::nullopt_t Fail(const Message& message) {
        file_.reset();
        ShowMessage(nullptr, message, path_);
        return std::nullopt;
    }

    const char* path_;
    std::int32_t rows_;
    std::unique_ptr<ReadableFile> file_;
};
}  // namespace

std::optional<PackedDib> ReadBitmapFile(const char* path) { return BitmapReader(path, 0).Read(); }

std::optional<PackedDib> ReadBitmapFileForHeight(const char* path, std::int32_t height) { return BitmapReader(path, height).Read(); }

bool WriteBitmapFile(const char* path, const PackedDib& dib) {
    const std::span<const std::uint8_t> image = dib.Image();
    if (image.empty()) {
        ShowMessage(nullptr, kWriteFailed, path);
        return false;
    }
    const std::uint32_t pixel_offset = static_cast<std::uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + DibColorTableBytes(dib.Header()));
    std::array<std::uint8_t, kFileHeaderBytes> file_header{};
    StoreU16(&file_header[0], kBitmapFileType);
    StoreU32(&file_header[2], static_cast<std::uint32_t>(kFileHeaderBytes + image.size()));
    StoreU32(&file_header[10], pixel_offset);

    const std::span<const std::uint8_t> pieces[] = {file_header, image};
    switch (Files().ReplaceFile(path, pieces)) {
        case WriteOutcome::Written: return true;
        case WriteOutcome::CreateFailed: ShowMessage(nullptr, kBitmapNotCreated, path); return false;
        case WriteOutcome::WriteFailed: break;
    }
    ShowMessage(nullptr, kWriteFailed, path);
    return false;
}
