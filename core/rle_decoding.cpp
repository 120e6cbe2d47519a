#include "core/rle_decoding.h"
#include <algorithm>
#include <array>
#include <cstring>

namespace {
// The stream, a few kilobytes at a time: it has no length of its own, and
// the file's rest may be anything.
class StreamBytes {
public:
    StreamBytes(ReadableFile& file, std::uint64_t offset) : file_(file), offset_(offset) {}
    // False at the end of the file or after a failed read.
    bool Next(std::uint8_t& byte) {
        if (at_ == end_) {
            const std::optional<std::size_t> got = ended_ ? std::optional<std::size_t>(0) : file_.ReadAt(offset_, buffer_);
            if (!got) failed_ = true;
            if (!got || *got == 0) {
                ended_ = true;
                return false;
            }
            offset_ += *got;
            at_ = 0;
            end_ = *got;
        }
        byte = buffer_[at_++];
        return true;
    }
    bool Failed() const { return failed_; }

private:
    ReadableFile& file_;
    std::uint64_t offset_;
    std::array<std::uint8_t, 4096> buffer_;
    std::size_t at_ = 0, end_ = 0;
    bool ended_ = false, failed_ = false;
};

// The index of the i-th pixel of a run or an absolute run from byte: a 4-bit
// byte holds two, the high one first.
std::uint8_t IndexOf(std::uint8_t byte, std::size_t i, bool four_bits) {
    return four_bits ? static_cast<std::uint8_t>((i & 1) ? byte & 15 : byte >> 4) : byte;
}

// Where kept position `at` lies in a list of kept positions (all of them
// when the list is empty): its place, or nothing when it is not kept.
std::int64_t KeptIndex(const std::vector<std::int32_t>& kept, std::int64_t at) {
    if (kept.empty()) return at;
    const auto found = std::lower_bound(kept.begin(), kept.end(), at);
    return found != kept.end() && *found == at ? found - kept.begin() : -1;
}

// The cursor of the stream: x from the left, y in stream rows. Pixels past
// the end of a row are dropped; x never passes the width. It knows the kept
// row under it (or none) and the first kept column at or after x.
class Cursor {
public:
    explicit Cursor(const RleTarget& target)
        : target_(target), kept_height_(target.part.rows.empty() ? target.height : static_cast<std::int64_t>(target.part.rows.size())) {
        FindRow();
    }

    bool InPicture() const { return y_ < target_.height; }

    // A run of count pixels, the i-th of which is index(i).
    template <typename Index>
    void Run(std::size_t count, Index index) {
        const std::int64_t end = std::min<std::int64_t>(x_ + static_cast<std::int64_t>(count), target_.width);
        if (line_) {
            const std::vector<std::int32_t>& columns = target_.part.columns;
            if (columns.empty()) {
                for (std::int64_t x = x_; x < end; ++x) Set(x, index(static_cast<std::size_t>(x - x_)));
            } else {
                for (; column_ < columns.size() && columns[column_] < end; ++column_) {
                    Set(static_cast<std::int64_t>(column_), index(static_cast<std::size_t>(columns[column_] - x_)));
                }
            }
        }
        x_ = end;
    }
    void EndLine() {
        x_ = 0;
        GoDown(1);
    }
    void Move(std::uint8_t right, std::uint8_t up) {
        x_ = std::min<std::int64_t>(x_ + right, target_.width);
        if (up != 0) GoDown(up);
        const std::vector<std::int32_t>& columns = target_.part.columns;
        column_ = static_cast<std::size_t>(std::lower_bound(columns.begin(), columns.end(), x_) - columns.begin());
    }

    // The stream is over: the rows it did not reach are index 0 throughout.
    void Finish() {
        if (InPicture()) GoDown(target_.height - y_);
    }

private:
    std::int32_t FromTop(std::int64_t y) const { return static_cast<std::int32_t>(target_.top_down ? y : target_.height - 1 - y); }

    // Leaves the row under the cursor for the one rows further down the
    // stream, handing the rows left to target.rows on the way.
    void GoDown(std::int64_t rows) {
        for (std::int64_t y = y_; target_.rows && y < std::min<std::int64_t>(y_ + rows, target_.height); ++y) {
            if (!target_.rows->Uses(FromTop(y))) continue;
            target_.rows->AddRow(FromTop(y), target_.pixels.data(), !written_ && blank_handed_);
            blank_handed_ = !written_;
            if (written_) std::memset(target_.pixels.data(), 0, target_.stride);
            written_ = false;
        }
        y_ += rows;
        FindRow();
    }

    void FindRow() {
        column_ = 0;
        line_ = nullptr;
        if (!InPicture()) return;
        const std::int64_t from_top = FromTop(y_);
        if (target_.rows) {
            if (target_.rows->Uses(static_cast<std::int32_t>(from_top))) line_ = target_.pixels.data();
            return;
        }
        const std::int64_t kept = KeptIndex(target_.part.rows, from_top);
        if (kept >= 0) line_ = target_.pixels.data() + static_cast<std::size_t>(kept_height_ - 1 - kept) * target_.stride;
    }
    // Kept column at of the row under the cursor takes index.
    void Set(std::int64_t at, std::uint8_t index) {
        written_ = true;
        if (target_.four_bits) {
            std::uint8_t& pair = line_[at >> 1];
            pair = (at & 1) ? static_cast<std::uint8_t>((pair & 0xF0) | index) : static_cast<std::uint8_t>((pair & 0x0F) | index << 4);
        } else {
            line_[at] = index;
        }
    }

    const RleTarget& target_;
    std::int64_t kept_height_;
    std::int64_t x_ = 0, y_ = 0;
    std::uint8_t* line_ = nullptr;
    std::size_t column_ = 0;
    bool written_ = false;       // the row being handed out has had a pixel
    bool blank_handed_ = false;  // the row handed out last was all index 0
};
}  // namespace

namespace {
// Decodes the stream under the cursor; false when a read fails.
bool Decode(StreamBytes& stream, Cursor& cursor, bool four) {
    std::uint8_t count, value;
    while (cursor.InPicture() && stream.Next(count) && stream.Next(value)) {
        if (count > 0) {  // a run of count pixels
            cursor.Run(count, [&](std::size_t i) { return IndexOf(value, i, four); });
            continue;
        }
        switch (value) {
            case 0: cursor.EndLine(); break;
            case 1: return true;  // end of picture
            case 2: {
                std::uint8_t right, up;
                if (!stream.Next(right) || !stream.Next(up)) return !stream.Failed();
                cursor.Move(right, up);
                break;
            }
            default: {  // value pixels as they are, padded to a whole 16-bit word
                std::array<std::uint8_t, 255> bytes{};
                const std::size_t byte_count = four ? (value + 1u) / 2 : value;
                std::size_t got = 0;
                while (got < byte_count && stream.Next(bytes[got])) ++got;
                // A stream cut inside the run keeps the pixels of the bytes it has.
                const std::size_t pixels = four ? std::min<std::size_t>(value, got * 2) : got;
                cursor.Run(pixels, [&](std::size_t i) { return IndexOf(bytes[four ? i / 2 : i], i, four); });
                if (got < byte_count) return !stream.Failed();
                std::uint8_t pad;
                if (byte_count % 2 == 1 && !stream.Next(pad)) return !stream.Failed();
                break;
            }
        }
    }
    return !stream.Failed();
}
}  // namespace

bool DecodeRle(ReadableFile& file, std::uint64_t offset, const RleTarget& target) {
    std::memset(target.pixels.data(), 0, target.pixels.size());
    StreamBytes stream(file, offset);
    Cursor cursor(target);
    if (!Decode(stream, cursor, target.four_bits)) return false;
    cursor.Finish();
    return true;
}
