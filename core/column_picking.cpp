#include "core/column_picking.h"
#include <algorithm>
#include <cstddef>
#include <cstring>
#include "core/wide_words.h"

namespace {

template <std::size_t kBytes>
void PickWholeBytes(const std::uint8_t* row, std::span<const std::int32_t> columns, std::uint8_t* out) {
    for (std::size_t x = 0; x < columns.size(); ++x) std::memcpy(out + x * kBytes, row + static_cast<std::size_t>(columns[x]) * kBytes, kBytes);
}

#ifdef LUMIVANE_WIDE_READS
// Eight pixels of three bytes at a time, on processors with AVX2: the words
// they begin are read, by three plain reads where they are every fourth
// pixel, as a picture four times the texture's width has them, otherwise by
// a gather; then a shuffle drops each word's fourth byte. That takes the
// place of sixteen moves. Only words that lie whole in the row are read.
// Returns how many pixels were copied, from the first.
[[gnu::target("avx2")]] std::size_t PickThreeByteGroups(std::span<const std::uint8_t> row, std::span<const std::int32_t> columns, std::uint8_t* out) {
    if (!HasAvx2() || row.size() < 4) return 0;
    // The last column whose word lies in the row, and whose place in bytes
    // a lane holds.
    const __m256i last_word = _mm256_set1_epi32(static_cast<std::int32_t>(std::min<std::size_t>((row.size() - 4) / 3, INT32_MAX / 3)));
    // Bytes 0 to 11 of each half: its four pixels' first three bytes; then
    // words 0 to 2 and 4 to 6: the eight pixels' 24 bytes.
    const __m256i drop_fourth = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1,
                                                 -1, -1);
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    std::size_t x = 0;
    for (; x + 8 <= columns.size(); x += 8) {
        const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&columns[x]));
        if (_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(at, last_word))) != 0) break;
        const std::size_t first = static_cast<std::size_t>(columns[x]) * 3;
        const __m256i words = EvenlySpaced(at, columns[x], 4) && row.size() - first >= 96
                                  ? WordsTwelveBytesApart(row.data() + first)
                                  : _mm256_i32gather_epi32(reinterpret_cast<const int*>(row.data()), _mm256_add_epi32(at, _mm256_add_epi32(at, at)), 1);
        const __m256i packed = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(words, drop_fourth), join);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x * 3), _mm256_castsi256_si128(packed));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * 3 + 16), _mm256_extracti128_si256(packed, 1));
    }
    return x;
}
#else
std::size_t PickThreeByteGroups(std::span<const std::uint8_t>, std::span<const std::int32_t>, std::uint8_t*) { return 0; }
#endif

// Otherwise pixels of three bytes are moved four bytes at a time, the fourth
// being the next pixel's, which its own move then puts right: three bytes
// take two moves, four take one. Not from the last column kept, whose fourth
// byte may lie past the row, and so never into the last pixel of out.
void PickThreeByteColumns(std::span<const std::uint8_t> row, std::span<const std::int32_t> columns, std::uint8_t* out) {
    if (columns.empty()) return;
    const std::size_t last = static_cast<std::size_t>(columns.back());
    std::size_t x = PickThreeByteGroups(row, columns, out);
    for (; x < columns.size() && static_cast<std::size_t>(columns[x]) < last; ++x) {
        std::uint32_t pixel;
        std::memcpy(&pixel, row.data() + static_cast<std::size_t>(columns[x]) * 3, 4);
        std::memcpy(out + x * 3, &pixel, 4);
    }
    for (; x < columns.size(); ++x) std::memcpy(out + x * 3, row.data() + last * 3, 3);
}

}  // namespace

void PickColumns(std::span<const std::uint8_t> row, std::uint16_t bits, std::span<const std::int32_t> columns, std::uint8_t* out) {
    // A copy of a size known here is a move or two, not a call.
    switch (bits) {
        case 8: return PickWholeBytes<1>(row.data(), columns, out);
        case 16: return PickWholeBytes<2>(row.data(), columns, out);
        case 24: return PickThreeByteColumns(row, columns, out);
        case 32: return PickWholeBytes<4>(row.data(), columns, out);
        case 1:
        case 4: break;  // below
        default: return;  // no other depth is held
    }
    const unsigned per_byte = 8u / bits, mask = (1u << bits) - 1;
    for (std::size_t x = 0; x < columns.size(); ++x) {
        const std::size_t from = static_cast<std::size_t>(columns[x]);
        const unsigned value = row[from / per_byte] >> ((per_byte - 1 - from % per_byte) * bits) & mask;
        out[x / per_byte] = static_cast<std::uint8_t>(out[x / per_byte] | value << ((per_byte - 1 - x % per_byte) * bits));
    }
}
