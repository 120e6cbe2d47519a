#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>
#include "core/clipboard_dib_check.h"

namespace {

// A block of exactly `bytes`, zeros after its header; the sanitizers catch a read past it.
TEST(ClipboardDibCheck, FindsTheRowsBehindEveryHeaderKindAndRefusesWhatDoesNotFit) {
    const struct {
        std::size_t bytes;
        std::uint32_t header_size;
        std::int32_t width, height;
        std::uint16_t planes, bits;
        std::uint32_t compression, colours;
        std::size_t pixels_at;  // 0: refused for the reason given
        const char* text;
    } rows[] = {
        {66600, 40, 256, 256, 1, 8, 0, 0, 1064, "256 x 256 pixels, 8 bits per pixel"},
        {52, 40, 2, 1, 1, 1, 0, 0, 48, "2 x 1 pixels, 1 bit per pixel"},
        {108, 40, 2, 1, 1, 4, 0, 0, 104, "2 x 1 pixels, 4 bits per pixel"},
        {48, 40, 2, 1, 1, 8, 0, 1, 44, "2 x 1 pixels, 8 bits per pixel"},  // a table shorter than the depth allows
        {44, 40, 2, 1, 1, 16, 0, 0, 40, "2 x 1 pixels, 16 bits per pixel"},
        {64, 40, 3, 2, 1, 24, 0, 0, 40, "3 x 2 pixels, 24 bits per pixel"},  // rows padded to 12 bytes
        {52, 40, 1, 1, 1, 24, 0, 2, 48, "1 x 1 pixels, 24 bits per pixel"},  // a table before true-colour rows
        {120, 108, 1, 1, 1, 8, 0, 2, 116, "1 x 1 pixels, 8 bits per pixel"},  // the table follows a V4 header
        {128, 124, 1, 1, 1, 24, 0, 0, 124, "1 x 1 pixels, 24 bits per pixel"},  // the rows follow a V5 header
        {66599, 40, 256, 256, 1, 8, 0, 0, 0, "it holds fewer bytes than its header says"},
        {63, 40, 3, 2, 1, 24, 0, 0, 0, "it holds fewer bytes than its header says"},
        {119, 108, 1, 1, 1, 8, 0, 2, 0, "it holds fewer bytes than its header says"},
        {66600, 40, 65535, 65535, 1, 32, 0, 0, 0, "it holds fewer bytes than its header says"},
        {20, 40, 256, 256, 1, 8, 0, 0, 0, "its header is incomplete"},
        {100, 124, 1, 1, 1, 24, 0, 0, 0, "its header is incomplete"},
        {66600, 12, 256, 256, 1, 8, 0, 0, 0, "its header is of an unknown kind"},
        {66600, 40, 256, 256, 3, 8, 0, 0, 0, "its header is damaged"},
        {66600, 40, 256, 256, 1, 8, 1, 0, 0, "it is compressed"},
        {66600, 40, 256, 256, 1, 8, 3, 0, 0, "its colours are bit masks"},
        {66600, 40, 256, 256, 1, 32, 6, 0, 0, "its colours are bit masks"},
        {66600, 40, 256, 256, 1, 2, 0, 0, 0, "its bit depth is not one this viewer draws"},
        {66600, 40, 256, -256, 1, 8, 0, 0, 0, "its rows are stored top down"},
        {66600, 40, 0, 256, 1, 8, 0, 0, 0, "it has no pixels"},
        {66600, 40, 256, 0, 1, 8, 0, 0, 0, "it has no pixels"},
        {66600, 40, 70000, 1, 1, 8, 0, 0, 0, "it is too large"},
        {66600, 40, 1, 70000, 1, 8, 0, 0, 0, "it is too large"},
        {66600, 40, 256, 256, 1, 4, 0, 17, 0, "its colour table is too long"},
        {66600, 40, 256, 256, 1, 24, 0, 257, 0, "its colour table is too long"},
    };
    for (const auto& row : rows) {
        const BitmapInfoHeader header{row.header_size, row.width, row.height, row.planes, row.bits,
                                      row.compression, 0, 0, 0, row.colours, 0};
        std::vector<std::uint8_t> block(row.bytes, 0);
        std::memcpy(block.data(), &header, std::min(block.size(), sizeof header));
        const ClipboardDibLayout layout = CheckClipboardDib(block);
        const bool drawable = row.pixels_at != 0;
        const std::string refused = "The clipboard image can't be shown: " + std::string(row.text) + ".";
        EXPECT_EQ(layout.status, drawable ? row.text : refused);
        ASSERT_EQ(layout.drawable, drawable) << row.text;
        if (!drawable) continue;
        EXPECT_EQ(layout.pixels_offset, row.pixels_at) << row.text;
        EXPECT_EQ(layout.pixels_offset + layout.pixel_bytes, row.bytes) << row.text;  // the rows end the block
    }
}

}  // namespace
