#include "archive/Crc32.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>

namespace {

// Folding with carry-less multiplication, for processors that have it: four
// 128-bit lanes run through the data in parallel, each multiplied forward past
// the others and added to the next block, then fold into one lane, then down to
// 32 bits by a Barrett reduction. The constants are powers of x modulo the
// polynomial, bit-reflected like the CRC itself: x^544 and x^480 fold over 512
// bits, x^160 and x^96 over 128 bits, x^64 from 64 to 32 bits; then the
// reflected polynomial and floor(x^64 / P).
constexpr long long X544 = 0x154442bd4;
constexpr long long X480 = 0x1c6e41596;
constexpr long long X160 = 0x1751997d0;
constexpr long long X96 = 0x0ccaa009e;
constexpr long long X64 = 0x163cd6124;
constexpr long long POLYNOMIAL = 0x1db710641;
constexpr long long QUOTIENT = 0x1f7011641;

__attribute__((target("pclmul,sse4.1"))) __m128i foldLane(__m128i lane, __m128i constants,
                                                          __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

__attribute__((target("pclmul,sse4.1"))) __m128i load(const unsigned char* bytes) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// The CRC register (not complemented) after count bytes, a multiple of 16 and at
// least 64, starting from crc.
__attribute__((target("pclmul,sse4.1"))) uint32_t foldCrc32(const unsigned char* bytes,
                                                            size_t count, uint32_t crc) {
    // Four named lanes rather than an array: the compiler keeps them in registers,
    // where an array's lanes went through memory on every fold.
    __m128i lane0 = _mm_xor_si128(load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i lane1 = load(bytes + 16);
    __m128i lane2 = load(bytes + 32);
    __m128i lane3 = load(bytes + 48);
    bytes += 64;
    count -= 64;
    const __m128i over512 = _mm_set_epi64x(X480, X544);
    for (; count >= 64; bytes += 64, count -= 64) {
        lane0 = foldLane(lane0, over512, load(bytes));
        lane1 = foldLane(lane1, over512, load(bytes + 16));
        lane2 = foldLane(lane2, over512, load(bytes + 32));
        lane3 = foldLane(lane3, over512, load(bytes + 48));
    }

    const __m128i over128 = _mm_set_epi64x(X96, X160);
    __m128i folded =
        foldLane(foldLane(foldLane(lane0, over128, lane1), over128, lane2), over128, lane3);
    for (; count >= 16; bytes += 16, count -= 16)
        folded = foldLane(folded, over128, load(bytes));

    // 128 bits to 64, then to 32 plus 32 bits of remainder.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    folded = _mm_xor_si128(_mm_srli_si128(folded, 8), _mm_clmulepi64_si128(folded, over128, 0x10));
    const __m128i shifted = _mm_srli_si128(folded, 4);
    folded = _mm_clmulepi64_si128(_mm_and_si128(folded, low32), _mm_set_epi64x(0, X64), 0x00);
    folded = _mm_xor_si128(folded, shifted);

    // Barrett reduction: subtract floor(value / P) * P.
    const __m128i barrett = _mm_set_epi64x(QUOTIENT, POLYNOMIAL);
    __m128i quotient = _mm_clmulepi64_si128(_mm_and_si128(folded, low32), barrett, 0x10);
    quotient = _mm_clmulepi64_si128(_mm_and_si128(quotient, low32), barrett, 0x00);
    return static_cast<uint32_t>(_mm_extract_epi32(_mm_xor_si128(folded, quotient), 1));
}

bool canFold() {
    static const bool supported =
        __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}

} // namespace
#endif

// zlib's CRC works on several words at once and is well over twice as fast as a
// table per byte; folding, where the processor can, is faster again. Every
// extracted byte is checked, so this shows in extraction times.
uint32_t crc32Of(const unsigned char* bytes, size_t count) {
    uint32_t crc = 0;
#if defined(__x86_64__)
    if (count >= 64 && canFold()) {
        const size_t folded = count & ~size_t{15};
        crc = ~foldCrc32(bytes, folded, ~crc);
        bytes += folded;
        count -= folded;
    }
#endif
    return static_cast<uint32_t>(crc32_z(crc, bytes, count));
}
