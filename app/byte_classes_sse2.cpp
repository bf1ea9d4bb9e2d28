// The vector path of the byte classes. This file alone is built with SSE2
// whatever the product's target, and runs only where vectorPath(): it
// includes nothing that other files also compile.
#include "app/byte_classes.h"
#include "app/vector_path.h"

#if defined(TEXTSPLIT_VECTOR_PATH)
#include <emmintrin.h>

namespace app {

namespace {

inline ByteMask bitsOf(__m128i bytes) {
    return ByteMask(unsigned(_mm_movemask_epi8(bytes)));
}

inline __m128i load(const char* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

template <bool kLfs> void classify(const char* bytes, std::size_t blocks, ByteClasses* out) {
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i eof = _mm_set1_epi8(0x1A), zero = _mm_setzero_si128();
    // Stop bytes are rare: the least of min(v, v ^ 0x1A) over all blocks is
    // zero only where one is, and only then are their masks made.
    __m128i least = _mm_set1_epi8(-1);
    for (std::size_t b = 0; b < blocks; ++b) {
        const char* block = bytes + b * kBlockBytes;
        ByteMask lead = 0, crs = 0, lfs = 0;
        for (unsigned q = 0; q < kBlockBytes; q += 16) {
            const __m128i v = load(block + q);
            lead |= bitsOf(v) << q; // the top bit: 0x80 and above
            crs |= bitsOf(_mm_cmpeq_epi8(v, cr)) << q;
            if (kLfs) lfs |= bitsOf(_mm_cmpeq_epi8(v, lf)) << q;
            least = _mm_min_epu8(least, _mm_min_epu8(v, _mm_xor_si128(v, eof)));
        }
        out[b] = ByteClasses{lead, crs, lfs, 0};
    }
    if (!bitsOf(_mm_cmpeq_epi8(least, zero))) return;
    for (std::size_t b = 0; b < blocks; ++b)
        for (unsigned q = 0; q < kBlockBytes; q += 16) {
            const __m128i v = load(bytes + b * kBlockBytes + q);
            out[b].stop |= bitsOf(_mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, eof)))
                           << q;
        }
}

} // namespace

void classifyBlocksByVectors(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out) {
    if (lfs)
        classify<true>(bytes, blocks, out);
    else
        classify<false>(bytes, blocks, out);
}

} // namespace app
#endif
