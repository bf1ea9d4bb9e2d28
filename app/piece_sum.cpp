#include "app/piece_sum.h"

#include <cstring>

#include "app/vector_path.h"

namespace app {

namespace {

// One more value into the fold: a bijection of h for each v.
inline std::uint64_t fold(std::uint64_t h, std::uint64_t v) {
    h ^= v;
    h *= 0x9E3779B97F4A7C15u;
    return h ^ h >> 31;
}

} // namespace

void addGroupsByWords(const char* bytes, std::size_t groups, PieceLanes* lanes) {
    PieceLanes s = *lanes;
    for (; groups > 0; --groups, bytes += kSumGroup) {
        std::uint32_t low = 0, high = 0;
        for (unsigned k = 0; k < 8; ++k) {
            std::uint32_t half[2]; // little-endian, as the vectors load them
            std::memcpy(half, bytes + 8 * k, sizeof half);
            s.words[k] += std::uint64_t(half[1]) << 32 | half[0];
            low += half[0];
            high += half[1];
        }
        s.halves[0] += std::uint64_t(high) << 32 | low;
        s.halves[1] += std::uint64_t(low) << 32 | high;
        s.running[0] += s.halves[0];
        s.running[1] += s.halves[1];
    }
    *lanes = s;
}

std::uint64_t pieceSum(const char* bytes, std::size_t n) {
    PieceLanes lanes{};
    const std::size_t groups = n / kSumGroup;
#if defined(TEXTSPLIT_VECTOR_PATH)
    if (vectorPath())
        addGroupsByVectors(bytes, groups, &lanes);
    else
#endif
        addGroupsByWords(bytes, groups, &lanes);
    if (const std::size_t rest = n - groups * kSumGroup) { // zeros after it; n tells apart
        char last[kSumGroup] = {};
        std::memcpy(last, bytes + groups * kSumGroup, rest);
        addGroupsByWords(last, 1, &lanes);
    }
    std::uint64_t h = fold(0x243F6A8885A308D3u, n);
    for (std::uint64_t v : lanes.words)
        h = fold(h, v);
    for (unsigned k = 0; k < 2; ++k)
        h = fold(fold(h, lanes.halves[k]), lanes.running[k]);
    return h;
}

} // namespace app
