// Reads of pixels eight at a time for the code that uses AVX2 on x86
// processors, in 64-bit and 32-bit programs alike. On Windows GCC does not
// align the stack for 32-byte values and may still move them with
// instructions that need it; the build has the assembler encode those moves
// as ones that do not (LUMIVANE_UNALIGNED_VECTOR_MOVES), and without that
// the code that includes this stays one pixel at a time.
#pragma once
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && (!defined(_WIN32) || defined(LUMIVANE_UNALIGNED_VECTOR_MOVES))
#define LUMIVANE_WIDE_READS 1
#include <immintrin.h>
#include <cstdint>

// Whether this processor has AVX2 and the system saves its registers: asked
// once.
inline bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

// Whether this processor has AVX-512 with byte and 256-bit forms, and the
// system saves its registers: asked once.
inline bool HasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl");
    return has;
}

// Whether this processor also has AVX-512's byte permutes: asked once.
inline bool HasAvx512Vbmi() {
    static const bool has = HasAvx512() && __builtin_cpu_supports("avx512vbmi");
    return has;
}

// Whether a gather reads the eight words of a table faster than eight plain
// reads do: so on Intel's processors, while on AMD's a gather of eight takes
// longer than the eight reads. Asked once.
inline bool GathersAreFast() {
    static const bool fast = __builtin_cpu_is("intel");
    return fast;
}

// The given words of the eight at bytes.
[[gnu::target("avx2")]] inline __m256i WordsOf(const std::uint8_t* bytes, __m256i which) {
    return _mm256_permutevar8x32_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)), which);
}

// The words that begin eight pixels 12 bytes apart from bytes on, as every
// fourth pixel of a row of three-byte pixels lies: three reads, of 96 bytes
// that must all be readable.
[[gnu::target("avx2")]] inline __m256i WordsTwelveBytesApart(const std::uint8_t* bytes) {
    const __m256i low = WordsOf(bytes, _mm256_setr_epi32(0, 3, 6, 0, 0, 0, 0, 0));
    const __m256i middle = WordsOf(bytes + 32, _mm256_setr_epi32(0, 0, 0, 1, 4, 7, 0, 0));
    const __m256i high = WordsOf(bytes + 64, _mm256_setr_epi32(0, 0, 0, 0, 0, 0, 2, 5));
    return _mm256_blend_epi32(_mm256_blend_epi32(low, middle, 0x38), high, 0xC0);
}

// Whether the eight values are first, first + step, ... first + 7 step.
[[gnu::target("avx2")]] inline bool EvenlySpaced(__m256i values, std::int32_t first, std::int32_t step) {
    const __m256i steps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(step));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi32(values, _mm256_add_epi32(_mm256_set1_epi32(first), steps))) == -1;
}
#endif
