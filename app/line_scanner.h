// Where the lines of a text end, for both stores of the lines: a CR LF whose
// CR starts a character ends a line (a CR that is the second byte of a
// two-byte character does not), and the text ends before the first zero
// byte or 0x1A. This is exactly how split text at CR LF splits the text that
// read text gives.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace app {

// The first byte at or after `from` and before `to` that is a CR or a stop
// byte (zero or 0x1A); `to` when there is none.
std::size_t findSpecial(const char* bytes, std::size_t from, std::size_t to);

#if defined(__SSE2__)
// Bit k is set when byte k of the 16 at p is a CR or a stop byte.
inline unsigned specials16(const char* p) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                               _mm_cmpeq_epi8(v, _mm_set1_epi8(0x1A)));
    return unsigned(_mm_movemask_epi8(_mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_setzero_si128()))));
}

// The same for the 64 bytes at p.
inline std::uint64_t specials64(const char* p) {
    return std::uint64_t(specials16(p)) | std::uint64_t(specials16(p + 16)) << 16 |
           std::uint64_t(specials16(p + 32)) << 32 | std::uint64_t(specials16(p + 48)) << 48;
}
#endif

// Finds the line ends of a text that comes in pieces of any size. What a
// piece leaves open is carried to the next: a CR at its very end (an LF may
// follow), and whether the run of lead-range bytes at its end is odd (then
// a CR after it is a second byte).
class LineScanner {
  public:
    // Scans the next piece. For every line end, calls lineEnd(cr) with the
    // index of its CR in the piece: -1 when the CR was the last byte of the
    // piece before. Returns how many of the piece's bytes are text: all n,
    // or those before the first stop byte; then the text has ended and
    // later pieces give nothing.
    template <class LineEnd> std::size_t scan(const char* bytes, std::size_t n, LineEnd&& lineEnd);
    bool ended() const { return ended_; }
    void reset() { *this = LineScanner(); }

  private:
    // Whether the CR at `at` starts a character: the lead-range bytes just
    // before it pair up from the start of their run.
    bool startsCharacter(const char* bytes, std::size_t at) const;
    void carryLeadRun(const char* bytes, std::size_t n);

    bool crAtEnd_ = false;  // the piece before ended in a CR that starts a character
    bool oddLeads_ = false; // its run of lead-range bytes at the end was odd
    bool ended_ = false;
};

template <class LineEnd>
std::size_t LineScanner::scan(const char* d, std::size_t n, LineEnd&& lineEnd) {
    if (ended_ || n == 0) return 0;
    std::size_t i = 0; // the bytes before i have been looked at
    if (crAtEnd_) {
        crAtEnd_ = false;
        if (d[0] == '\n') {
            lineEnd(std::ptrdiff_t{-1});
            i = 1;
        }
    }
    // The CR or stop byte at j; false when looking stops there.
    auto visit = [&](std::size_t j) {
        if (d[j] != '\r') { // a stop byte: the text ends before it
            ended_ = true;
            i = j;
            return false;
        }
        if (j + 1 == n) { // whether an LF follows shows in the next piece
            crAtEnd_ = startsCharacter(d, j);
            i = n;
            return false;
        }
        if (d[j + 1] == '\n' && startsCharacter(d, j)) {
            lineEnd(static_cast<std::ptrdiff_t>(j));
            i = j + 2;
        } else {
            i = j + 1;
        }
        return true;
    };
    bool looking = true;
#if defined(__SSE2__)
    for (std::size_t base = i; looking && n - base >= 64; base += 64) {
        for (std::uint64_t mask = specials64(d + base); looking && mask; mask &= mask - 1) {
            std::size_t j = base + std::size_t(__builtin_ctzll(mask));
            if (j >= i) looking = visit(j);
        }
        if (looking && i < base + 64) i = base + 64;
    }
#endif
    while (looking) {
        std::size_t j = findSpecial(d, i, n);
        if (j == n) {
            i = n;
            break;
        }
        looking = visit(j);
    }
    if (ended_) return i;
    if (!crAtEnd_)
        carryLeadRun(d, n);
    else
        oddLeads_ = false; // a CR is no lead byte
    return n;
}

} // namespace app
