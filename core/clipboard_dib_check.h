// An image another program put on the clipboard (a CF_DIB block), checked
// against the size of the block that holds it before anything is drawn from it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include "core/packed_dib.h"

struct ClipboardDibLayout {
    bool drawable = false;
    std::string status;                // size and depth, or why the image can't be shown
    BitmapInfoHeader header{};         // the block's first 40 bytes, whatever its header kind
    std::size_t table_entries = 0;     // colours in the block's own table
    std::size_t possible_colours = 0;  // 2, 16 or 256 at 8 bits or fewer, else 0
    std::size_t pixels_offset = 0;     // from the start of the block
    std::size_t pixel_bytes = 0;
};

// "The clipboard image can't be shown: <reason>."
std::string CantShowClipboardImage(const char* reason);

// Where the table and rows of a CF_DIB block lie, or the reason it can't be
// shown. Nothing outside the block is read, whatever its header claims.
ClipboardDibLayout CheckClipboardDib(std::span<const std::uint8_t> block);
