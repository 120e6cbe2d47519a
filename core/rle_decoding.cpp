#include "core/rle_decoding.h"
#include <algorithm>
#include <array>
#include <cstring>

namespace {
// The stream, a few kilobytes at a time: it has no length of its own, and
// the file's rest may be anything.
class StreamBytes {
public:
    explicit StreamBytes(ReadableFile& file) : file_(file) {}
    // False at the end of the file or after a failed read.
    bool Next(std::uint8_t& byte) {
        if (at_ == end_) {
            const std::optional<std::size_t> got = ended_ ? std::nullopt : file_.Read(buffer_);
            if (!got || *got == 0) {
                ended_ = true;
                return false;
            }
            at_ = 0;
            end_ = *got;
        }
        byte = buffer_[at_++];
        return true;
    }

private:
    ReadableFile& file_;
    std::array<std::uint8_t, 4096> buffer_;
    std::size_t at_ = 0, end_ = 0;
    bool ended_ = false;
};

// The cursor of the stream: x from the left, y in stream rows. Pixels past
// the end of a row are dropped; x never passes the width.
class Cursor {
public:
    explicit Cursor(const RleTarget& target) : target_(target) {}

    bool InPicture() const { return y_ < target_.height; }
    void Put(std::uint8_t index) {
        if (x_ == target_.width) return;
        const std::int64_t row = target_.top_down ? target_.height - 1 - y_ : y_;
        std::uint8_t* line = target_.pixels.data() + static_cast<std::size_t>(row) * target_.stride;
        if (target_.four_bits) {
            std::uint8_t& pair = line[x_ >> 1];
            pair = (x_ & 1) ? static_cast<std::uint8_t>((pair & 0xF0) | index) : static_cast<std::uint8_t>((pair & 0x0F) | index << 4);
        } else {
            line[x_] = index;
        }
        ++x_;
    }
    void EndLine() {
        x_ = 0;
        ++y_;
    }
    void Move(std::uint8_t right, std::uint8_t up) {
        x_ = std::min<std::int64_t>(x_ + right, target_.width);
        y_ += up;
    }

private:
    const RleTarget& target_;
    std::int64_t x_ = 0, y_ = 0;
};

// The index of the i-th pixel of a run or an absolute run from byte: a 4-bit
// byte holds two, the high one first.
std::uint8_t IndexOf(std::uint8_t byte, unsigned i, bool four_bits) {
    return four_bits ? static_cast<std::uint8_t>((i & 1) ? byte & 15 : byte >> 4) : byte;
}
}  // namespace

void DecodeRle(ReadableFile& file, const RleTarget& target) {
    std::memset(target.pixels.data(), 0, target.pixels.size());
    StreamBytes stream(file);
    Cursor cursor(target);
    std::uint8_t count, value;
    while (cursor.InPicture() && stream.Next(count) && stream.Next(value)) {
        if (count > 0) {  // a run of count pixels
            for (unsigned i = 0; i < count; ++i) cursor.Put(IndexOf(value, i, target.four_bits));
            continue;
        }
        switch (value) {
            case 0: cursor.EndLine(); break;
            case 1: return;  // end of picture
            case 2: {
                std::uint8_t right, up;
                if (!stream.Next(right) || !stream.Next(up)) return;
                cursor.Move(right, up);
                break;
            }
            default: {  // value pixels as they are, padded to a whole 16-bit word
                const unsigned bytes = target.four_bits ? (value + 1u) / 2 : value;
                std::uint8_t byte = 0;
                for (unsigned i = 0; i < value; ++i) {
                    if ((!target.four_bits || i % 2 == 0) && !stream.Next(byte)) return;
                    cursor.Put(IndexOf(byte, i, target.four_bits));
                }
                if (bytes % 2 == 1 && !stream.Next(byte)) return;
                break;
            }
        }
    }
}
