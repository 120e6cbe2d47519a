#include "core/pixel_rows.h"
#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <optional>
#include <utility>
#include "core/column_picking.h"
#include "core/packed_dib.h"
#include "core/rle_decoding.h"

namespace {
// Turns width 2-bit indices at the start of row into 4-bit ones in place,
// from the right end so that none is overwritten before it is read.
void WidenTwoBitRow(std::uint8_t* row, std::int32_t width) {
    for (std::size_t pair = (static_cast<std::size_t>(width) + 1) / 2; pair-- > 0;) {
        const std::uint8_t quarter = static_cast<std::uint8_t>(row[pair / 2] >> ((pair & 1) ? 0 : 4));
        row[pair] = static_cast<std::uint8_t>((quarter >> 2 & 3) << 4 | (quarter & 3));
    }
}

std::size_t FileRowStride(std::int32_t width, std::uint16_t bits) {
    return (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
}

// Room reused from file to file, through the packed DIB allocator, so that
// the tests' limit sees it. A reading takes a room of its use from the shelf
// and puts it back when done, whichever thread it runs on: a batch keeps as
// many rooms as it reads files at once, not one for each of its threads,
// each of whose first file would fault in its pages again. More than a
// megabyte is room of its own, given back after the file, so that one wide
// picture does not keep it.
enum class Use { HeldRow, FileRows };

class RoomShelf {
public:
    std::optional<PackedDib> Take(Use use) {
        const std::lock_guard<std::mutex> guard(lock_);
        Kept& kept = kept_[Index(use)];
        if (kept.count == 0) return std::nullopt;
        return std::exchange(kept.rooms[--kept.count], std::nullopt);
    }
    // Frees the room when the shelf is full; never allocates, so that it may
    // run as a reading unwinds.
    void Put(Use use, std::optional<PackedDib>& room) {
        const std::lock_guard<std::mutex> guard(lock_);
        Kept& kept = kept_[Index(use)];
        if (kept.count < kept.rooms.size()) kept.rooms[kept.count++] = std::exchange(room, std::nullopt);
    }

private:
    static std::size_t Index(Use use) { return use == Use::HeldRow ? 0 : 1; }
    struct Kept {
        std::array<std::optional<PackedDib>, 16> rooms;
        std::size_t count = 0;
    };
    std::mutex lock_;
    Kept kept_[2];
};

// Never destroyed: a thread still reading as the program ends may put its room back.
RoomShelf& Shelf() {
    static RoomShelf* const shelf = new RoomShelf;
    return *shelf;
}

class ReusedRoom {
public:
    explicit ReusedRoom(Use use) : use_(use) {}
    ~ReusedRoom() {
        if (room_ && room_->size() <= kKeptBytes) Shelf().Put(use_, room_);
    }
    ReusedRoom(const ReusedRoom&) = delete;
    ReusedRoom& operator=(const ReusedRoom&) = delete;

    std::uint8_t* Get(std::size_t bytes) {
        if (!room_ && bytes <= kKeptBytes) room_ = Shelf().Take(use_);
        if (!room_) room_ = PackedDib::Allocate(bytes);
        if (room_ && room_->size() < bytes && !room_->Resize(bytes)) return nullptr;
        return room_ ? room_->data() : nullptr;
    }

private:
    static constexpr std::size_t kKeptBytes = 1u << 20;
    Use use_;
    std::optional<PackedDib> room_;
};

// Kept rows that lie close together in the file are read as one piece, with
// the rows between: a call costs as much as copying some kilobytes on bare
// hardware, and tens of kilobytes on a virtual machine, where entering the
// kernel is dear, or under Wine. Every fourth row of a picture 1024 pixels
// wide is read in 42 calls, not 256. Where the file reads many pieces in one
// call, a piece costs little more than its bytes, and only rows closer than
// a copy's worth are read together.
constexpr std::size_t kFileRowsBytes = 64u << 10;
constexpr std::uint64_t kMostBytesSkipped = 32u << 10;
constexpr std::uint64_t kMostBytesSkippedInPieces = 4u << 10;
constexpr std::size_t kMostPieces = 64;
// Fetching from the disk the bytes between two reads costs about as much as
// a fetch of its own when they are this close; farther apart, the rows of a
// 2048-pixel-wide picture, say, each read has a hint of its own.
constexpr std::uint64_t kMostBytesHintedOver = 16u << 10;
}  // namespace

namespace {
// The rows of an uncompressed file, read in the order they lie in the file,
// a few close ones in one call: the in_file'th of count rows lies at file row
// file_row(in_file), or is skipped when that is negative. A plain row is
// handed to take(in_file, line) where it was read, valid until take returns;
// any other is copied to line_of(in_file), stride bytes, and turned into its
// held form there first. A file that ends inside its last row fails
// whichever rows are read.
class FileRowWalk {
public:
    FileRowWalk(ReadableFile& file, const BitmapLayout& layout)
        : file_(file), layout_(layout), stride_(static_cast<std::size_t>(DibRowStride(layout.header))),
          file_stride_(layout.encoding == PixelEncoding::Plain ? stride_ : FileRowStride(layout.header.biWidth, layout.file_bits)),
          file_room_(Use::FileRows) {}

    std::size_t Stride() const { return stride_; }

    template <typename FileRow, typename LineOf, typename Take>
    const Message* Walk(std::int32_t count, FileRow file_row, LineOf line_of, Take take) {
        const std::uint64_t start = layout_.pixel_offset;
        std::uint8_t last = 0;
        const std::uint64_t file_end = start + static_cast<std::uint64_t>(layout_.header.biHeight) * file_stride_;
        if (!ReadExactlyAt(file_, file_end - 1, {&last, 1})) return &kBitmapShort;
        const std::size_t capacity = std::max(kFileRowsBytes, file_stride_);
        std::uint8_t* rows = file_room_.Get(capacity);
        if (!rows) return &kBitmapPixelsNoMemory;
        const std::uint64_t most_skipped = file_.ReadsPiecesTogether() ? kMostBytesSkippedInPieces : kMostBytesSkipped;
        const auto offset_of = [&](std::int64_t row) { return start + static_cast<std::uint64_t>(row) * file_stride_; };
        // The piece that begins with the first kept row from in_file on, if
        // any: where it lies in the file, and the next row it leaves out.
        struct Piece {
            std::int32_t first, next;
            std::uint64_t offset, end;
        };
        const auto piece_from = [&](std::int32_t in_file) -> std::optional<Piece> {
            for (; in_file < count && file_row(in_file) < 0; ++in_file) {}
            if (in_file == count) return std::nullopt;
            Piece piece{in_file, in_file + 1, offset_of(file_row(in_file)), 0};
            piece.end = piece.offset + file_stride_;
            for (; piece.next < count; ++piece.next) {
                const std::int64_t next_row = file_row(piece.next);
                if (next_row < 0) continue;
                const std::uint64_t next_offset = offset_of(next_row);
                if (next_offset - piece.end > most_skipped || next_offset + file_stride_ - piece.offset > capacity) break;
                piece.end = next_offset + file_stride_;
            }
            return piece;
        };
        // Every read is announced before the first is made: the rows kept
        // are seldom next to each other, and a file not in memory yet would
        // otherwise be fetched from the disk a row at a time, one wait each.
        // Reads less than kMostBytesHintedOver apart are announced as one.
        std::uint64_t hint_at = 0, hint_end = 0;
        for (std::optional<Piece> piece = piece_from(0); piece; piece = piece_from(piece->next)) {
            if (hint_end == 0 || piece->offset - hint_end > kMostBytesHintedOver) {
                if (hint_end != 0) file_.WillRead(hint_at, hint_end - hint_at);
                hint_at = piece->offset;
            }
            hint_end = piece->end;
        }
        if (hint_end != 0) file_.WillRead(hint_at, hint_end - hint_at);
        // Then as many pieces as fill the room are read at a time, and their
        // rows handed out.
        std::array<FilePiece, kMostPieces> pieces;
        std::array<std::int32_t, kMostPieces + 1> first_of_piece;  // and the end of the last
        for (std::optional<Piece> piece = piece_from(0); piece;) {
            std::size_t piece_count = 0, used = 0;
            for (; piece && piece_count < kMostPieces; piece = piece_from(piece->next)) {
                const std::size_t bytes = static_cast<std::size_t>(piece->end - piece->offset);
                if (used + bytes > capacity) break;
                pieces[piece_count] = {piece->offset, {rows + used, bytes}};
                first_of_piece[piece_count++] = piece->first;
                used += bytes;
            }
            first_of_piece[piece_count] = piece ? piece->first : count;
            if (!file_.ReadPieces({pieces.data(), piece_count})) return &kBitmapShort;
            for (std::size_t piece = 0; piece < piece_count; ++piece) {
                for (std::int32_t kept = first_of_piece[piece]; kept < first_of_piece[piece + 1]; ++kept) {
                    const std::int64_t row = file_row(kept);
                    if (row < 0) continue;
                    const std::uint8_t* in_rows = pieces[piece].into.data() + (offset_of(row) - pieces[piece].offset);
                    if (layout_.encoding == PixelEncoding::Plain) {
                        take(kept, in_rows);  // already in its held form
                        continue;
                    }
                    std::uint8_t* line = line_of(kept);
                    std::memcpy(line, in_rows, file_stride_);
                    if (layout_.encoding == PixelEncoding::BitFields) UnpackBitFieldRow(line, layout_.header.biWidth, layout_.file_bits, layout_.channels);
                    if (layout_.encoding == PixelEncoding::TwoBits) WidenTwoBitRow(line, layout_.header.biWidth);
                    take(kept, line);
                }
            }
        }
        return nullptr;
    }

private:
    ReadableFile& file_;
    const BitmapLayout& layout_;
    std::size_t stride_, file_stride_;
    ReusedRoom file_room_;
};

bool IsRunLength(const BitmapLayout& layout) { return layout.encoding == PixelEncoding::Rle8 || layout.encoding == PixelEncoding::Rle4; }
}  // namespace

const Message* ReadPixelRows(ReadableFile& file, const BitmapLayout& layout, const KeptPart& part, std::span<std::uint8_t> pixels) {
    const BitmapInfoHeader& header = layout.header;
    const BitmapInfoHeader kept = KeptHeader(header, part);
    const std::size_t kept_stride = static_cast<std::size_t>(DibRowStride(kept));
    const std::int32_t height = header.biHeight;
    if (IsRunLength(layout)) {
        const RleTarget target{pixels, kept_stride, header.biWidth, height, part, layout.encoding == PixelEncoding::Rle4, layout.top_down};
        return DecodeRle(file, layout.pixel_offset, target) ? nullptr : &kBitmapShort;
    }
    const bool plain = layout.encoding == PixelEncoding::Plain;
    if (plain && !layout.top_down && part.rows.empty() && part.columns.empty()) {
        return ReadExactlyAt(file, layout.pixel_offset, pixels) ? nullptr : &kBitmapShort;  // the rows as they are held
    }
    // Row by row, in the order they lie in the file; a row is never longer in
    // the file than held.
    const bool whole_rows = part.columns.empty();
    FileRowWalk walk(file, layout);
    ReusedRoom held_room(Use::HeldRow);
    std::uint8_t* room = nullptr;
    if (!plain) {
        room = held_room.Get(walk.Stride());
        if (!room) return &kBitmapPixelsNoMemory;
    }
    const std::int32_t kept_height = kept.biHeight;
    // Which kept row (from the top) lies in_file'th in the file, and where.
    const auto kept_row_of = [&](std::int32_t in_file) { return layout.top_down ? in_file : kept_height - 1 - in_file; };
    const auto target_of = [&](std::int32_t in_file) {
        return pixels.data() + static_cast<std::size_t>(kept_height - 1 - kept_row_of(in_file)) * kept_stride;
    };
    const auto file_row = [&](std::int32_t in_file) -> std::int64_t {
        const std::int32_t kept_row = kept_row_of(in_file);
        const std::int32_t from_top = part.rows.empty() ? kept_row : part.rows[static_cast<std::size_t>(kept_row)];
        return layout.top_down ? from_top : height - 1 - from_top;
    };
    return walk.Walk(
        kept_height, file_row, [&](std::int32_t) { return room; },
        [&](std::int32_t in_file, const std::uint8_t* line) {
            std::uint8_t* target = target_of(in_file);
            if (plain && whole_rows) {
                std::memcpy(target, line, kept_stride);  // padding and all, as the file has it
                return;
            }
            // The bytes past the pixels are zero, as a DIB's padding is; pixels
            // smaller than a byte are put in with OR, onto zeros.
            const std::size_t kept_width = whole_rows ? static_cast<std::size_t>(header.biWidth) : part.columns.size();
            const std::size_t written = header.biBitCount >= 8 ? kept_width * (header.biBitCount / 8u) : 0;
            std::memset(target + written, 0, kept_stride - written);
            if (whole_rows) {
                std::memcpy(target, line, (static_cast<std::size_t>(header.biWidth) * header.biBitCount + 7) / 8);
            } else {
                PickColumns({line, walk.Stride()}, header.biBitCount, part.columns, target);
            }
        });
}

const Message* StreamPixelRows(ReadableFile& file, const BitmapLayout& layout, RowSink& sink) {
    const BitmapInfoHeader& header = layout.header;
    const std::int32_t height = header.biHeight;
    const std::size_t stride = static_cast<std::size_t>(DibRowStride(header));
    ReusedRoom held_room(Use::HeldRow);
    std::uint8_t* room = held_room.Get(stride);
    if (!room) return &kBitmapPixelsNoMemory;
    if (IsRunLength(layout)) {
        const KeptPart whole;
        const RleTarget target{{room, stride}, stride, header.biWidth, height, whole, layout.encoding == PixelEncoding::Rle4, layout.top_down,
                               &sink};
        return DecodeRle(file, layout.pixel_offset, target) ? nullptr : &kBitmapShort;
    }
    const auto from_top = [&](std::int32_t in_file) { return layout.top_down ? in_file : height - 1 - in_file; };
    FileRowWalk walk(file, layout);
    return walk.Walk(
        height, [&](std::int32_t in_file) -> std::int64_t { return sink.Uses(from_top(in_file)) ? in_file : -1; },
        [&](std::int32_t) { return room; },
        [&](std::int32_t in_file, const std::uint8_t* line) { sink.AddRow(from_top(in_file), line, false); });
}
