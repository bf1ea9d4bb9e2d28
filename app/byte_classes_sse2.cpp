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

} // namespace

void classifyBlocksByVectors(const char* bytes, std::size_t blocks, ByteClasses* out) {
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    const __m128i eof = _mm_set1_epi8(0x1A), zero = _mm_setzero_si128();
    for (; blocks > 0; --blocks, bytes += kBlockBytes, ++out) {
        ByteMask lead = 0, crs = 0, lfs = 0, stops = 0;
        for (unsigned q = 0; q < kBlockBytes; q += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + q));
            lead |= bitsOf(v) << q; // the top bit: 0x80 and above
            crs |= bitsOf(_mm_cmpeq_epi8(v, cr)) << q;
            lfs |= bitsOf(_mm_cmpeq_epi8(v, lf)) << q;
            stops |= bitsOf(_mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_cmpeq_epi8(v, eof))) << q;
        }
        *out = ByteClasses{lead, crs, lfs, stops};
    }
}

} // namespace app
#endif
