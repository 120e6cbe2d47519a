#include "core/bitmap_layout.h"
#include <cstring>
#include "core/little_endian.h"
#include "core/messages.h"

namespace {
constexpr std::uint32_t kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3, kBiJpeg = 4, kBiPng = 5, kBiAlphaBitFields = 6;
constexpr std::uint32_t kCoreHeaderBytes = 12;  // OS/2 1.x
constexpr std::uint32_t kOs2HeaderBytes = 64;   // OS/2 2.x

bool IsPaletteDepth(std::uint16_t bits) { return bits == 1 || bits == 2 || bits == 4 || bits == 8; }

bool IsReadableDepth(std::uint16_t bits) {
    return IsPaletteDepth(bits) || bits == 16 || bits == 24 || bits == 32;
}

// The eleven fields of the info header, those a short header lacks zero.
BitmapInfoHeader FieldsOf(std::span<const std::uint8_t> info) {
    BitmapInfoHeader fields{};
    if (LoadU32(info.data()) == kCoreHeaderBytes) {
        fields.biWidth = LoadU16(&info[4]);
        fields.biHeight = LoadU16(&info[6]);
        fields.biPlanes = LoadU16(&info[8]);
        fields.biBitCount = LoadU16(&info[10]);
    } else {
        std::memcpy(&fields, info.data(), sizeof fields);
    }
    return fields;
}

// The same compression numbers mean other things in OS/2 2.x files; a 1-bit
// "bit fields" or a 24-bit "JPEG" file can only be one of those.
const Message* EncodingOf(const BitmapInfoHeader& fields, bool os2, PixelEncoding& encoding) {
    const std::uint16_t bits = fields.biBitCount;
    switch (fields.biCompression) {
        case kBiRgb:
            if (bits == 64) return &kDepth64Refused;
            if (!IsReadableDepth(bits)) return &kDepthRefused;
            encoding = bits == 2 ? PixelEncoding::TwoBits : PixelEncoding::Plain;
            return nullptr;
        case kBiRle8:
        case kBiRle4: {
            const bool eight = fields.biCompression == kBiRle8;
            if (bits != (eight ? 8 : 4)) return &kCompressionRefused;
            encoding = eight ? PixelEncoding::Rle8 : PixelEncoding::Rle4;
            return nullptr;
        }
        case kBiBitFields:
            if (os2 || bits == 1) return &kOs2HuffmanRefused;
            [[fallthrough]];
        case kBiAlphaBitFields:
            if (os2 || (bits != 16 && bits != 32)) return bits == 64 ? &kDepth64Refused : &kCompressionRefused;
            encoding = PixelEncoding::BitFields;
            return nullptr;
        case kBiJpeg: return os2 || bits == 24 ? &kOs2Rle24Refused : &kJpegRefused;
        case kBiPng: return &kPngRefused;
        default: return &kCompressionRefused;
    }
}

// Bit fields that are the layout of a plain 16- or 32-bit image are read as one.
bool IsPlainLayout(const ColourMasks& masks, std::uint16_t bits) {
    return bits == 16 ? masks.red == 0x7C00 && masks.green == 0x03E0 && masks.blue == 0x001F
                      : masks.red == 0xFF0000 && masks.green == 0x00FF00 && masks.blue == 0x0000FF;
}

// OS/2 1.x files have no colour count; a shorter table than the depth allows
// ends where bfOffBits puts the pixels.
std::uint32_t CoreTableEntries(std::uint16_t bits, std::uint32_t pixel_offset) {
    const std::uint32_t full = 1u << bits, start = kFileHeaderBytes + kCoreHeaderBytes;
    if (pixel_offset <= start) return full;
    const std::uint32_t room = (pixel_offset - start) / 3;
    return room == 0 || room > full ? full : room;
}
}  // namespace

const Message* HeaderSizeRefusal(std::uint32_t size) {
    switch (size) {
        case kCoreHeaderBytes: case 40: case 52: case 56: case kOs2HeaderBytes: case 108: case kLargestInfoHeaderBytes:
            return nullptr;
        default:
            // Between the two OS/2 headers lie the shortened forms of the second.
            return size > kCoreHeaderBytes && size < kOs2HeaderBytes ? &kOs2Bitmap : &kHeaderSizeRefused;
    }
}

std::size_t MaskBytesBehind(std::span<const std::uint8_t> info) {
    if (info.size() != kInfoHeaderBytes || LoadU32(info.data()) != kInfoHeaderBytes) return 0;
    const std::uint32_t compression = LoadU32(&info[16]);
    return compression == kBiBitFields ? 12 : compression == kBiAlphaBitFields ? 16 : 0;
}

const Message* ParseBitmapLayout(std::uint32_t pixel_offset, std::span<const std::uint8_t> info, BitmapLayout& layout) {
    const BitmapInfoHeader fields = FieldsOf(info);
    const std::uint32_t header_bytes = LoadU32(info.data());
    const bool os2 = header_bytes == kOs2HeaderBytes;
    if (const Message* refusal = EncodingOf(fields, os2, layout.encoding)) return refusal;
    const std::int64_t height = fields.biHeight < 0 ? -std::int64_t{fields.biHeight} : fields.biHeight;
    if (height == 0 || fields.biWidth <= 0 || fields.biPlanes == 0) return &kNoPixelsRefused;
    if (height > INT32_MAX) return &kBitmapTooLarge;

    layout.top_down = fields.biHeight < 0;
    layout.file_bits = fields.biBitCount;
    BitmapInfoHeader& header = layout.header;
    header = fields;
    header.biSize = kInfoHeaderBytes;
    header.biHeight = static_cast<std::int32_t>(height);
    header.biCompression = kBiRgb;
    if (layout.encoding == PixelEncoding::BitFields) {
        // Behind a 40-byte header or inside a larger one, in the same place.
        const ColourMasks masks{LoadU32(&info[40]), LoadU32(&info[44]), LoadU32(&info[48])};
        const std::optional<ColourChannels> channels = ChannelsOf(masks, fields.biBitCount);
        if (!channels) return &kMasksRefused;
        layout.channels = *channels;
        if (IsPlainLayout(masks, fields.biBitCount)) {
            layout.encoding = PixelEncoding::Plain;
        } else {
            header.biBitCount = fields.biBitCount == 16 ? 24 : 32;
        }
    }
    if (layout.encoding == PixelEncoding::TwoBits) {
        header.biBitCount = 4;
        if (header.biClrUsed == 0) header.biClrUsed = 4;
    }
    if (layout.encoding != PixelEncoding::Plain) header.biPlanes = 1;
    if (header_bytes == kCoreHeaderBytes && IsPaletteDepth(fields.biBitCount)) {
        const std::uint32_t entries = CoreTableEntries(fields.biBitCount, pixel_offset);
        if (entries != (1u << fields.biBitCount)) header.biClrUsed = entries;
    }
    const bool changed = header_bytes != kInfoHeaderBytes || layout.encoding != PixelEncoding::Plain || layout.top_down;
    if (changed) header.biSizeImage = 0;

    const bool too_many_colours = IsPaletteDepth(fields.biBitCount) ? header.biClrUsed > (1u << fields.biBitCount)
                                                                     : header.biClrUsed > 0xFFFFu / 4;
    if (too_many_colours) return &kColourTableRefused;
    const std::optional<std::size_t> image = DibImageBytes(header);
    if (!image || *image - kInfoHeaderBytes - DibColorTableBytes(header) > kMaxBitmapPixelBytes) return &kBitmapTooLarge;

    layout.entry_bytes = header_bytes == kCoreHeaderBytes ? 3 : 4;
    layout.table_offset = static_cast<std::uint32_t>(kFileHeaderBytes + info.size());
    // Pixels that start inside the headers or the colour table would read
    // those bytes as pixels; bfOffBits 0 puts them right behind the table.
    const std::uint32_t table_end = layout.table_offset + DibColorCount(header) * layout.entry_bytes;
    if (pixel_offset != 0 && pixel_offset < table_end) return &kPixelsInsideHeaders;
    layout.pixel_offset = pixel_offset != 0 ? pixel_offset : table_end;
    return nullptr;
}
