#include "crypto/Sha1Blocks.h"

#if defined(__x86_64__)

#include <cpuid.h>
#include <immintrin.h>

#include <utility>

namespace {

// The instructions keep A, B, C, D in one register with A in the highest lane, and E in the
// highest lane of another, added to the first of the four schedule words of the next rounds.
// The schedule is kept as four registers of four words, newest overwriting oldest.

// Rounds 4G to 4G + 3, then the schedule words and E of the next four (E from the A of
// before these rounds, rotated, as sha1nexte computes); after the last, the E of the block.
template <int G>
[[gnu::target("sha,sse4.1,ssse3"), gnu::always_inline]] inline void FourRounds(__m128i& abcd,
                                                                               __m128i& eAndWords,
                                                                               __m128i (&w)[4],
                                                                               __m128i eAtStart) {
    const __m128i before = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, eAndWords, G / 5);  // functions and constants by 20s
    constexpr int kNext = G + 1;
    if constexpr (kNext == 20) {
        eAndWords = _mm_sha1nexte_epu32(before, eAtStart);
    } else {
        if constexpr (kNext >= 4) {
            // W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]), four words at a time.
            __m128i& oldest = w[kNext % 4];
            oldest = _mm_sha1msg1_epu32(oldest, w[(kNext + 1) % 4]);
            oldest = _mm_xor_si128(oldest, w[(kNext + 2) % 4]);
            oldest = _mm_sha1msg2_epu32(oldest, w[(kNext + 3) % 4]);
        }
        eAndWords = _mm_sha1nexte_epu32(before, w[kNext % 4]);
    }
}

template <int... G>
[[gnu::target("sha,sse4.1,ssse3"), gnu::always_inline]] inline void EightyRounds(
    __m128i& abcd, __m128i& eAndWords, __m128i (&w)[4], __m128i eAtStart,
    std::integer_sequence<int, G...>) {
    (FourRounds<G>(abcd, eAndWords, w, eAtStart), ...);
}

[[gnu::target("sha,sse4.1,ssse3")]] void ShaNiBlocks(std::array<uint32_t, 5>& hash,
                                                     const uint8_t* blocks, std::size_t count) {
    // Reverses the 16 octets: big-endian words, the first in the highest lane.
    const __m128i wordOrder = _mm_set_epi64x(0x0001020304050607, 0x08090A0B0C0D0E0F);
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hash.data())), 0x1B);
    // The lower lanes stay zero, so adding E to the first words adds nothing to the others.
    __m128i e = _mm_set_epi32(int(hash[4]), 0, 0, 0);
    for (; count > 0; --count, blocks += 64) {
        const __m128i abcdAtStart = abcd;
        const __m128i eAtStart = e;
        __m128i w[4];
        for (int i = 0; i < 4; ++i) {
            w[i] = _mm_shuffle_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), wordOrder);
        }
        e = _mm_add_epi32(e, w[0]);
        EightyRounds(abcd, e, w, eAtStart, std::make_integer_sequence<int, 20>{});
        abcd = _mm_add_epi32(abcd, abcdAtStart);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(hash.data()), _mm_shuffle_epi32(abcd, 0x1B));
    hash[4] = uint32_t(_mm_extract_epi32(e, 3));
}

}  // namespace

Sha1BlockFunction Sha1ShaNiBlocks() {
    __builtin_cpu_init();  // may run before the constructors that would do it
    // CPUID leaf 7 directly for SHA: clang's __builtin_cpu_supports does not know "sha".
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    const bool sha = __get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) && (ebx & bit_SHA) != 0;
    const bool supported =
        sha && __builtin_cpu_supports("sse4.1") && __builtin_cpu_supports("ssse3");
    return supported ? ShaNiBlocks : nullptr;
}

#else

Sha1BlockFunction Sha1ShaNiBlocks() { return nullptr; }

#endif
