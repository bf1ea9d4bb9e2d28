// The vector path of the piece sum. This file alone is built with SSE2
// whatever the product's target, and runs only where vectorPath(): it
// includes nothing that other files also compile.
#include "app/piece_sum.h"
#include "app/vector_path.h"

#if defined(TEXTSPLIT_VECTOR_PATH)
#include <emmintrin.h>

namespace app {

void addGroupsByVectors(const char* bytes, std::size_t groups, PieceLanes* lanes) {
    auto load = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
    __m128i w0 = load(lanes->words), w1 = load(lanes->words + 2);
    __m128i w2 = load(lanes->words + 4), w3 = load(lanes->words + 6);
    __m128i halves = load(lanes->halves), running = load(lanes->running);
    for (; groups > 0; --groups, bytes += kSumGroup) {
        __m128i v = load(bytes), t = v;
        w0 = _mm_add_epi64(w0, v);
        v = load(bytes + 16);
        w1 = _mm_add_epi64(w1, v);
        t = _mm_add_epi32(t, v);
        v = load(bytes + 32);
        w2 = _mm_add_epi64(w2, v);
        t = _mm_add_epi32(t, v);
        v = load(bytes + 48);
        w3 = _mm_add_epi64(w3, v);
        t = _mm_add_epi32(t, v);
        // t holds (low, high) of the even words and of the odd ones: their
        // sums as (low, high) in lane 0 and (high, low) in lane 1.
        t = _mm_add_epi32(_mm_shuffle_epi32(t, _MM_SHUFFLE(0, 1, 1, 0)),
                          _mm_shuffle_epi32(t, _MM_SHUFFLE(2, 3, 3, 2)));
        halves = _mm_add_epi64(halves, t);
        running = _mm_add_epi64(running, halves);
    }
    auto store = [](void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); };
    store(lanes->words, w0);
    store(lanes->words + 2, w1);
    store(lanes->words + 4, w2);
    store(lanes->words + 6, w3);
    store(lanes->halves, halves);
    store(lanes->running, running);
}

} // namespace app
#endif
