// The search of true-colour pixels, a few rows at a time, eight at a time on
// processors with AVX2: the same table and the same answers as the search
// one pixel at a time, with the table's reads made by gathers. A photograph
// puts a seventh of its pixels in cells that hold a record; one at a time,
// each of those costs a few nanoseconds of dependent reads, eight at a time
// a fraction. Where the processor has AVX-512, the first pass, which reads
// every pixel's cell, takes sixteen at a time.
//
// It stays one pixel at a time where wide_words.h has no wide reads, on
// processors without AVX2, and on systems that do not save its registers.
#include "core/nearest_colour.h"
#include <algorithm>
#include <bit>
#include <cstdint>
#include "core/cube_palette_search.h"
#include "core/little_endian.h"
#include "core/wide_words.h"

#ifdef LUMIVANE_WIDE_READS

namespace {

constexpr std::size_t kLanes = 8;
// The lanes of the cell pass on processors with AVX-512.
constexpr std::size_t kWideLanes = 16;
// Pixels are searched in runs of up to this many, of as many whole rows as
// fit: each kind of search costs some branches the colours decide for each
// run, as its loops end, which a row of 256 pixels alone would pay a sixth
// of its time for.
constexpr std::size_t kRun = 1024;

// For each set of lanes, the set lanes in order, one byte each: the
// permutation that packs them to the front.
constexpr std::array<std::uint64_t, 256> PackOrders() {
    std::array<std::uint64_t, 256> orders{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned packed = 0;
        for (unsigned lane = 0; lane < kLanes; ++lane) {
            if (mask >> lane & 1) orders[mask] |= std::uint64_t{lane} << (8 * packed++);
        }
    }
    return orders;
}
constexpr std::array<std::uint64_t, 256> kPackOrders = PackOrders();

// Pixels waiting for one kind of search: colour (blue, green, red from the
// lowest byte), where the record of its cell begins, in steps of eight bytes
// (or, until KeepFours, the cell itself), and its place in the run; room for
// a whole group of the widest pass past the last.
struct Waiting {
    alignas(32) std::array<std::uint32_t, kRun + kWideLanes> colours;
    alignas(32) std::array<std::uint32_t, kRun + kWideLanes> records;
    alignas(32) std::array<std::uint32_t, kRun + kWideLanes> places;
    std::size_t count = 0;
};

__attribute__((target("avx2"))) inline __m256i Pack(__m256i values, unsigned mask) {
    const __m256i order = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kPackOrders[mask])));
    return _mm256_permutevar8x32_epi32(values, order);
}

// Stores all eight lanes at count, whatever the mask (a test of it would be
// a branch the colours decide); returns the new count. The count is passed
// by value: held in the object, it would be read again after every store.
__attribute__((target("avx2"))) inline std::size_t Add(Waiting& waiting, std::size_t count, unsigned mask, __m256i colours, __m256i records,
                                                       __m256i places) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(&waiting.colours[count]), Pack(colours, mask));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(&waiting.records[count]), Pack(records, mask));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(&waiting.places[count]), Pack(places, mask));
    return count + static_cast<std::size_t>(std::popcount(mask));
}

// Fills the last group with copies of the first pixel, whose answer is then
// stored again at its own place.
void FillLastGroup(Waiting& waiting) {
    for (std::size_t i = waiting.count; i % kLanes != 0; ++i) {
        waiting.colours[i] = waiting.colours[0];
        waiting.records[i] = waiting.records[0];
        waiting.places[i] = waiting.places[0];
    }
}

// Bit i set when lane i is all ones.
__attribute__((target("avx2"))) inline unsigned MaskOf(__m256i lanes) {
    return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(lanes)));
}

__attribute__((target("avx2"))) inline __m256i Load(const std::uint32_t* from) {
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(from));
}

// Stores the low byte of each lane at out + place.
__attribute__((target("avx2"))) inline void Scatter(__m256i indices, __m256i places, std::uint8_t* out) {
    alignas(32) std::uint32_t index[kLanes], place[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(index), indices);
    _mm256_store_si256(reinterpret_cast<__m256i*>(place), places);
    for (std::size_t lane = 0; lane < kLanes; ++lane) out[place[lane]] = static_cast<std::uint8_t>(index[lane]);
}

// Squared distances of eight colours (blue, green, red from the lowest byte)
// to eight others: blue and red as pairs of 16-bit differences, green alone.
struct Spread {
    __m256i blue_red;
    __m256i green;
};

__attribute__((target("avx2"))) inline Spread SpreadOf(__m256i colours) {
    return {_mm256_and_si256(colours, _mm256_set1_epi32(0x00FF00FF)), _mm256_and_si256(_mm256_srli_epi32(colours, 8), _mm256_set1_epi32(0xFF))};
}

__attribute__((target("avx2"))) inline __m256i SquaredDistance(Spread a, Spread b) {
    const __m256i blue_red = _mm256_sub_epi16(a.blue_red, b.blue_red);
    const __m256i green = _mm256_sub_epi16(a.green, b.green);
    return _mm256_add_epi32(_mm256_madd_epi16(blue_red, blue_red), _mm256_madd_epi16(green, green));
}

// One pixel's blue, green and red, with the reads the row allows.
inline std::uint32_t ColourAt(const std::uint8_t* start, std::size_t size, std::uint32_t offset) {
    const std::uint8_t* pixel = start + offset;
    return size - offset < 4 ? LoadU24(pixel) : LoadU32(pixel) & 0xFFFFFF;
}

// Sixteen pixels at a time while their bytes lie within 64 of the first
// one's, as those of a picture up to about a third wider than the texture
// do: one read of 64 bytes (fewer at the row's end) and one byte permute
// put them in their words. Returns the pixels read.
#ifndef __clang__  // as in PlaceByCell16
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
[[gnu::noinline, gnu::target("avx512f,avx512bw,avx512vbmi")]] std::size_t ReadNearby16(const std::uint8_t* start, std::size_t size,
                                                                                     const std::uint32_t* offsets, std::size_t count,
                                                                                     std::uint32_t* colours) {
    std::size_t i = 0;
    for (; count - i >= kWideLanes; i += kWideLanes) {
        const std::uint32_t first = offsets[i];
        // Each pixel's distance from the first; one before it wraps to a large one.
        const __m512i apart = _mm512_sub_epi32(_mm512_loadu_si512(&offsets[i]), _mm512_set1_epi32(static_cast<std::int32_t>(first)));
        if (_mm512_cmpgt_epu32_mask(apart, _mm512_set1_epi32(61)) != 0) break;
        const std::size_t left = size - first;
        const __mmask64 readable = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
        const __m512i bytes = _mm512_maskz_loadu_epi8(readable, start + first);
        // Bytes apart, apart + 1 and apart + 2 to the lowest three of each word.
        const __m512i which = _mm512_add_epi32(_mm512_add_epi32(apart, _mm512_slli_epi32(apart, 8)),
                                               _mm512_add_epi32(_mm512_slli_epi32(apart, 16), _mm512_set1_epi32(0x020100)));
        _mm512_storeu_si512(&colours[i], _mm512_maskz_permutexvar_epi8(0x7777777777777777ull, which, bytes));
    }
    return i;
}
#ifndef __clang__
#pragma GCC diagnostic pop
#endif

// Each pixel's blue, green and red. Where each group's eight pixels lie side
// by side in the row, as a picture of the texture's width has them, or are
// every fourth pixel, as a picture four times as wide has them, a group is
// spread from one read or three; otherwise a group is gathered, which on
// some processors costs a third of eight plain reads and their stores (where
// the processor has AVX-512, uneven groups that lie close together are read
// by ReadNearby16 first). Which way is settled once for the picture's rows,
// by the step of their groups: a test for each group would be a branch the
// picture's width decides at random, and a test for each row costs a
// twentieth of the search.
[[gnu::noinline, gnu::target("avx2")]] void ReadColours(std::span<const std::uint8_t> row, const std::uint32_t* offsets, std::size_t count,
                                                        std::uint32_t group_step, std::uint32_t* colours) {
    const std::uint8_t* const start = row.data();
    const std::size_t size = row.size();
    const std::size_t whole = count / kLanes * kLanes;
    std::size_t i = group_step == 0 && HasAvx512Vbmi() ? ReadNearby16(start, size, offsets, count, colours) : 0;
    if (group_step == 3) {
        // The read's words 0 to 2 in one half and 3 to 5 in the other put
        // pixels 0 to 3 and 4 to 7 at the start of each half, where a
        // shuffle reaches. A group's 24 bytes lie in the row; near its end
        // the read of 32 ends where they do.
        const __m256i halves = _mm256_setr_epi32(0, 1, 2, 2, 3, 4, 5, 5);
        const __m256i spread =
            _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
        for (; i < whole; i += kLanes) {
            const std::uint32_t first = offsets[i];
            const std::size_t back = size - first >= 32 ? 0 : 8;
            if (first < back) break;  // a row too short to read 32 bytes at all
            const __m256i placed = WordsOf(start + first - back, _mm256_add_epi32(halves, _mm256_set1_epi32(static_cast<std::int32_t>(back / 4))));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(&colours[i]), _mm256_shuffle_epi8(placed, spread));
        }
    } else if (group_step == 12) {
        // Each pixel begins a word: three reads of eight words hold all eight.
        for (; i < whole && size - offsets[i] >= 96; i += kLanes) {
            const __m256i all = WordsTwelveBytesApart(start + offsets[i]);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(&colours[i]), _mm256_and_si256(all, _mm256_set1_epi32(0xFFFFFF)));
        }
    } else if (size >= 4) {
        // Any other spacing: a gather of eight words, while all eight lie
        // whole within the row.
        const __m256i last_word = _mm256_set1_epi32(static_cast<std::int32_t>(std::min<std::size_t>(size - 4, INT32_MAX)));
        for (; i < whole; i += kLanes) {
            const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&offsets[i]));
            if (MaskOf(_mm256_cmpgt_epi32(at, last_word)) != 0) break;
            const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(start), at, 1);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(&colours[i]), _mm256_and_si256(words, _mm256_set1_epi32(0xFFFFFF)));
        }
    }
    for (; i < count; ++i) colours[i] = ColourAt(start, size, offsets[i]);
}

// The cells at eight places, by plain reads, as the gathers' are: a cell
// another thread stores meanwhile is an aligned word, read whole as it was or
// as it is, and a record's lists are read at a place the word read gives, so
// after it. The places go from the register to the reads two by two:
// stored and read back one by one, they made the pass that places pixels by
// their cells a twentieth slower (photo 256, Zen 3: 8,192 groups of eight,
// the same 65,536 reads). A 32-bit processor has no 64-bit moves from a
// register; there they still go through memory.
__attribute__((target("avx2"))) inline __m256i ReadCells(const std::uint32_t* cells, __m256i places) {
#ifdef __x86_64__
    const __m128i low = _mm256_castsi256_si128(places), high = _mm256_extracti128_si256(places, 1);
    const std::uint64_t pairs[4] = {static_cast<std::uint64_t>(_mm_cvtsi128_si64(low)), static_cast<std::uint64_t>(_mm_extract_epi64(low, 1)),
                                    static_cast<std::uint64_t>(_mm_cvtsi128_si64(high)), static_cast<std::uint64_t>(_mm_extract_epi64(high, 1))};
    const auto at = [&](int lane) { return static_cast<std::int32_t>(cells[pairs[lane / 2] >> (32 * (lane % 2)) & 0xFFFFFFFF]); };
#else
    alignas(32) std::uint32_t place[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(place), places);
    const auto at = [&](int lane) { return static_cast<std::int32_t>(cells[place[lane]]); };
#endif
    return _mm256_setr_epi32(at(0), at(1), at(2), at(3), at(4), at(5), at(6), at(7));
}

// Places of pixels searched one at a time.
struct Slow {
    std::array<std::uint16_t, kRun> places;
    std::size_t count = 0;
};

// Reads each whole group's cells and stores in out what they place; the
// pixels whose cell holds a record, or is not worked out yet, wait in
// listed, with their cells. Returns the pixels done. The cells are read by
// gathers, or by plain reads once all their places are known.
template <bool kGathers>
[[gnu::noinline, gnu::target("avx2")]] std::size_t PlaceByCell(const std::uint32_t* pixels, std::size_t count, const std::uint32_t* cells,
                                                                std::uint8_t* out, Waiting& listed) {
    const std::size_t whole = count / kLanes * kLanes;
    std::size_t listed_count = 0;
    const __m256i low_byte = _mm256_set1_epi32(0xFF);
    // First every group's cells, then what they hold: the reads of the table
    // follow one another without instructions waiting for them in between.
    alignas(32) std::array<std::uint32_t, kRun> held;
    for (std::size_t i = 0; i < whole; i += kLanes) {
        const __m256i colours = Load(&pixels[i]);
        const __m256i cell_at = _mm256_or_si256(_mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(colours, 9), _mm256_set1_epi32(0x7C00)),
                                                                _mm256_and_si256(_mm256_srli_epi32(colours, 6), _mm256_set1_epi32(0x3E0))),
                                                _mm256_and_si256(_mm256_srli_epi32(colours, 3), _mm256_set1_epi32(0x1F)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(&held[i]),
                           kGathers ? _mm256_i32gather_epi32(reinterpret_cast<const int*>(cells), cell_at, 4) : ReadCells(cells, cell_at));
    }
    __m256i places = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    for (std::size_t i = 0; i < whole; i += kLanes, places = _mm256_add_epi32(places, _mm256_set1_epi32(kLanes))) {
        const __m256i colours = Load(&pixels[i]);
        const __m256i cell = Load(&held[i]);
        const __m256i value = _mm256_and_si256(_mm256_srlv_epi32(colours, _mm256_and_si256(cell, _mm256_set1_epi32(31))), low_byte);
        const __m256i past = _mm256_cmpgt_epi32(value, _mm256_and_si256(_mm256_srli_epi32(cell, 8), low_byte));
        // Each lane's byte 2, or byte 3 where the value is past the limit,
        // to the first four bytes of its half: one shuffle picks them all.
        const __m256i pick = _mm256_sub_epi8(_mm256_setr_epi8(2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                              2, 6, 10, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1),
                                             _mm256_shuffle_epi8(past, _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                                                                        0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1)));
        const __m256i placed = _mm256_shuffle_epi8(cell, pick);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi32(_mm256_castsi256_si128(placed), _mm256_extracti128_si256(placed, 1)));
        // The record flag, bit 7, moved to the top of each lane.
        const unsigned holds_record = MaskOf(_mm256_slli_epi32(cell, 24));
        listed_count = Add(listed, listed_count, holds_record, colours, cell, places);
    }
    listed.count = listed_count;
    return whole;
}

// The same sixteen pixels at a time, the last group's missing lanes masked
// off, so every pixel of the run is done. (GCC 12 warns of its own
// intrinsics' undefined lanes there.)
#ifndef __clang__
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
template <bool kGathers>
[[gnu::noinline, gnu::target("avx512f,avx512bw,avx512vl")]] std::size_t PlaceByCell16(const std::uint32_t* pixels, std::size_t count,
                                                                                     const std::uint32_t* cells, std::uint8_t* out, Waiting& listed) {
    std::size_t listed_count = 0;
    const auto present = [count](std::size_t i) {
        return static_cast<__mmask16>(count - i >= kWideLanes ? 0xFFFF : (1u << (count - i)) - 1);
    };
    alignas(64) std::array<std::uint32_t, kRun> held;
    for (std::size_t i = 0; i < count; i += kWideLanes) {
        const __m512i colours = _mm512_maskz_loadu_epi32(present(i), &pixels[i]);
        const __m512i cell_at = _mm512_or_si512(_mm512_or_si512(_mm512_and_si512(_mm512_srli_epi32(colours, 9), _mm512_set1_epi32(0x7C00)),
                                                                _mm512_and_si512(_mm512_srli_epi32(colours, 6), _mm512_set1_epi32(0x3E0))),
                                                _mm512_and_si512(_mm512_srli_epi32(colours, 3), _mm512_set1_epi32(0x1F)));
        _mm512_store_si512(&held[i], kGathers ? _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), present(i), cell_at, cells, 4) : cell_at);
    }
    if (!kGathers) {
        for (std::size_t i = 0; i < count; ++i) held[i] = cells[held[i]];
    }
    __m512i places = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (std::size_t i = 0; i < count; i += kWideLanes, places = _mm512_add_epi32(places, _mm512_set1_epi32(kWideLanes))) {
        const __mmask16 here = present(i);
        const __m512i colours = _mm512_maskz_loadu_epi32(here, &pixels[i]);
        const __m512i cell = _mm512_maskz_load_epi32(here, &held[i]);
        const __m512i value = _mm512_and_si512(_mm512_srlv_epi32(colours, _mm512_and_si512(cell, _mm512_set1_epi32(31))), _mm512_set1_epi32(0xFF));
        const __mmask16 past = _mm512_cmpgt_epu32_mask(value, _mm512_and_si512(_mm512_srli_epi32(cell, 8), _mm512_set1_epi32(0xFF)));
        const __m512i placed = _mm512_srlv_epi32(cell, _mm512_mask_blend_epi32(past, _mm512_set1_epi32(16), _mm512_set1_epi32(24)));
        _mm_mask_storeu_epi8(out + i, here, _mm512_cvtepi32_epi8(placed));
        const __mmask16 holds_record = _mm512_mask_test_epi32_mask(here, cell, _mm512_set1_epi32(static_cast<int>(NearestPaletteColour::kRecordFlag)));
        _mm512_storeu_si512(&listed.colours[listed_count], _mm512_maskz_compress_epi32(holds_record, colours));
        _mm512_storeu_si512(&listed.records[listed_count], _mm512_maskz_compress_epi32(holds_record, cell));
        _mm512_storeu_si512(&listed.places[listed_count], _mm512_maskz_compress_epi32(holds_record, places));
        listed_count += static_cast<std::size_t>(std::popcount(static_cast<unsigned>(holds_record)));
    }
    listed.count = listed_count;
    return count;
}
#ifndef __clang__
#pragma GCC diagnostic pop
#endif

// Keeps waiting in listed, packed to its front, the pixels whose cell holds
// up to four entries, with where their record begins in steps of eight
// bytes; sends those whose cell holds a longer list or is not worked out yet
// to the search one pixel at a time. Each group is read before any store
// can reach it: the stores go no further than the groups already read.
[[gnu::noinline, gnu::target("avx2")]] void KeepFours(Waiting& listed, Slow& slow) {
    std::size_t four_count = 0;
    for (std::size_t k = 0; k < listed.count; k += kLanes) {
        // Lanes past the last pixel hold copies Add left there.
        const unsigned present = listed.count - k >= kLanes ? 0xFF : (1u << (listed.count - k)) - 1;
        const __m256i cell = Load(&listed.records[k]);
        const __m256i colours = Load(&listed.colours[k]);
        const __m256i places = Load(&listed.places[k]);
        const __m256i kind = _mm256_and_si256(cell, _mm256_set1_epi32(0xFF));
        const unsigned four = present & MaskOf(_mm256_cmpeq_epi32(kind, _mm256_set1_epi32(NearestPaletteColour::kRecordFlag | NearestPaletteColour::kFour)));
        for (unsigned mask = present & ~four; mask != 0; mask &= mask - 1) {
            slow.places[slow.count++] = static_cast<std::uint16_t>(listed.places[k + static_cast<std::size_t>(std::countr_zero(mask))]);
        }
        four_count = Add(listed, four_count, four, colours, _mm256_slli_epi32(_mm256_srli_epi32(cell, 8), 1), places);
    }
    listed.count = four_count;
}

// The four words of the records of eight waiting pixels: word w of each
// pixel's record in words[w], lane by lane. Each record is read whole, the
// records of pixels j and j + 4 into one register, and the four registers
// turned so that each holds one word of all eight.
struct RecordWords {
    __m256i words[4];
};

[[gnu::target("avx2")]] inline __m128i RecordOf(const Waiting& waiting, std::size_t pixel, const std::uint8_t* lists) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lists + std::size_t{waiting.records[pixel]} * 8));
}

[[gnu::target("avx2")]] inline __m256i RecordsOf(const Waiting& waiting, std::size_t k, const std::uint8_t* lists, std::size_t j) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(RecordOf(waiting, k + j, lists)), RecordOf(waiting, k + j + 4, lists), 1);
}

[[gnu::target("avx2")]] inline RecordWords ReadRecords(const Waiting& waiting, std::size_t k, const std::uint8_t* lists) {
    const __m256i r04 = RecordsOf(waiting, k, lists, 0), r15 = RecordsOf(waiting, k, lists, 1);
    const __m256i r26 = RecordsOf(waiting, k, lists, 2), r37 = RecordsOf(waiting, k, lists, 3);
    const __m256i low_01 = _mm256_unpacklo_epi32(r04, r15), high_01 = _mm256_unpackhi_epi32(r04, r15);
    const __m256i low_23 = _mm256_unpacklo_epi32(r26, r37), high_23 = _mm256_unpackhi_epi32(r26, r37);
    return {{_mm256_unpacklo_epi64(low_01, low_23), _mm256_unpackhi_epi64(low_01, low_23), _mm256_unpacklo_epi64(high_01, high_23),
             _mm256_unpackhi_epi64(high_01, high_23)}};
}

// Fours: the first of the nearest, each word a colour with its entry on top.
[[gnu::noinline, gnu::target("avx2")]] void SearchFours(Waiting& fours, const std::uint8_t* lists, std::uint8_t* out) {
    FillLastGroup(fours);
    for (std::size_t k = 0; k < fours.count; k += kLanes) {
        const RecordWords record = ReadRecords(fours, k, lists);
        const __m256i colours = Load(&fours.colours[k]);
        const Spread pixel = SpreadOf(colours);
        __m256i best = record.words[0], best_distance = SquaredDistance(pixel, SpreadOf(best));
        for (int entry = 1; entry < 4; ++entry) {
            const __m256i distance = SquaredDistance(pixel, SpreadOf(record.words[entry]));
            best = _mm256_blendv_epi8(best, record.words[entry], _mm256_cmpgt_epi32(best_distance, distance));
            best_distance = _mm256_min_epi32(best_distance, distance);
        }
        Scatter(_mm256_srli_epi32(best, 24), Load(&fours.places[k]), out);
    }
}

// The nearest entry of a longer list to a colour, eight entries at a time.
// Each entry's key is its squared distance with its index below it, so the
// least key is the nearest entry and, of equally near ones, the first. The
// reads stay within the list's record: a last group of fewer than eight is
// read as the list's last eight entries, and a list of fewer than eight
// (never fewer than five) as the record's first eight bytes after its count.
// An entry searched twice, or one the list does not hold, never changes the
// answer: the nearest entry of the whole palette is in the list.
template <bool kGathers>
[[gnu::target("avx2")]] inline __m256i KeysOf(const std::uint8_t* entries, const std::uint32_t* packed_colours, Spread pixel) {
    const __m256i index = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(entries)));
    const auto colour = [&](int i) { return static_cast<std::int32_t>(packed_colours[entries[i]]); };
    const __m256i entry_colours = kGathers ? _mm256_i32gather_epi32(reinterpret_cast<const int*>(packed_colours), index, 4)
                                           : _mm256_setr_epi32(colour(0), colour(1), colour(2), colour(3), colour(4), colour(5), colour(6), colour(7));
    return _mm256_or_si256(_mm256_slli_epi32(SquaredDistance(pixel, SpreadOf(entry_colours)), 8), index);
}

template <bool kGathers>
[[gnu::target("avx2")]] std::uint8_t SearchLongList(const std::uint8_t* list, const std::uint32_t* packed_colours, std::uint32_t colour) {
    const std::size_t count = std::size_t{list[0]} + 1;
    const std::uint8_t* const entries = list + 1;
    const Spread pixel = SpreadOf(_mm256_set1_epi32(static_cast<std::int32_t>(colour)));
    __m256i least = KeysOf<kGathers>(entries + (count < kLanes ? 0 : count - kLanes), packed_colours, pixel);
    for (std::size_t first = 0; first + kLanes < count; first += kLanes) {
        least = _mm256_min_epi32(least, KeysOf<kGathers>(entries + first, packed_colours, pixel));
    }
    least = _mm256_min_epi32(least, _mm256_permute2x128_si256(least, least, 1));
    least = _mm256_min_epi32(least, _mm256_shuffle_epi32(least, 0x4E));
    least = _mm256_min_epi32(least, _mm256_shuffle_epi32(least, 0xB1));
    return static_cast<std::uint8_t>(_mm256_cvtsi256_si32(least));
}

}  // namespace

bool NearestPaletteColour::MapBgrRowsWide(std::span<const std::uint8_t* const> rows, std::size_t row_bytes, const RowOffsets& places,
                                          std::uint8_t* out, Width width) const {
    if (!HasAvx2()) return false;
    const std::uint32_t* const offsets = places.Offsets().data();
    const std::size_t count = places.Offsets().size();
    if (count == 0) return true;
    const bool gathers = width == Width::kWidest ? GathersAreFast() : width == Width::kEightByGathers || width == Width::kSixteenByGathers;
    const bool sixteen = (width == Width::kWidest || width == Width::kSixteenByGathers || width == Width::kSixteenByLoads) && HasAvx512();
    const auto place_by_cell = sixteen ? (gathers ? &PlaceByCell16<true> : &PlaceByCell16<false>) : gathers ? &PlaceByCell<true> : &PlaceByCell<false>;
    alignas(32) std::array<std::uint32_t, kRun> colours;
    Waiting listed;
    Slow slow;
    // A run holds as many whole rows as fit, or a piece of one row; pieces
    // begin at multiples of eight pixels, so their groups are the places' groups.
    const std::size_t rows_per_run = std::max<std::size_t>(kRun / count, 1);
    for (std::size_t first_row = 0; first_row < rows.size(); first_row += rows_per_run) {
        const std::size_t rows_here = std::min(rows_per_run, rows.size() - first_row);
        for (std::size_t start = 0; start < count; start += kRun) {
            const std::size_t piece = std::min(count - start, kRun);
            const std::size_t run = piece * rows_here;
            std::uint8_t* const run_out = out + first_row * count + start;
            slow.count = 0;
            for (std::size_t r = 0; r < rows_here; ++r) {
                ReadColours({rows[first_row + r], row_bytes}, offsets + start, piece, places.GroupStep(), colours.data() + r * piece);
            }
            if (cube_and_greys_ && width == Width::kWidest && MapCubeAndGreys(colours.data(), run, run_out)) continue;
            for (std::size_t i = place_by_cell(colours.data(), run, cells_, run_out, listed); i < run; ++i) {
                slow.places[slow.count++] = static_cast<std::uint16_t>(i);
            }
            KeepFours(listed, slow);
            SearchFours(listed, lists_, run_out);
            for (std::size_t s = 0; s < slow.count; ++s) {
                const std::uint32_t colour = colours[slow.places[s]];
                const std::uint32_t red = colour >> 16, green = colour >> 8 & 0xFF, blue = colour & 0xFF;
                const std::uint32_t cell = LoadCell(cells_, CellOf(red, green, blue));
                run_out[slow.places[s]] = !HoldsRecord(cell)             ? Placed(cell, colour)
                                          : KindOf(cell) != kLongList ? FindInList(cell, red, green, blue)
                                          : gathers                   ? SearchLongList<true>(lists_ + RecordAt(cell), packed_colours_.data(), colour)
                                                                      : SearchLongList<false>(lists_ + RecordAt(cell), packed_colours_.data(), colour);
            }
        }
    }
    return true;
}

#else

bool NearestPaletteColour::MapBgrRowsWide(std::span<const std::uint8_t* const>, std::size_t, const RowOffsets&, std::uint8_t*, Width) const {
    return false;
}

#endif
