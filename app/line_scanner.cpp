#include "app/line_scanner.h"

#include <cstring>

#include "runtime/text.h"

namespace app {

namespace {

inline bool isSpecial(unsigned char c) {
    return c == '\r' || c == 0 || c == 0x1A;
}

} // namespace

std::size_t findSpecial(const char* bytes, std::size_t from, std::size_t to) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
#if defined(__SSE2__)
    for (; to - from >= 16; from += 16)
        if (unsigned mask = specials16(bytes + from)) return from + unsigned(__builtin_ctz(mask));
#else
    // A word with no byte below 0x20 has none of the three; a word that has
    // one (a tab, an LF) is looked at byte by byte.
    using Word = std::uintptr_t;
    constexpr Word ones = ~Word{0} / 255, highs = ones * 0x80;
    for (; to - from >= sizeof(Word); from += sizeof(Word)) {
        Word w;
        std::memcpy(&w, p + from, sizeof w);
        if (((w - ones * 0x20) & ~w & highs) == 0) continue;
        for (std::size_t k = 0; k < sizeof(Word); ++k)
            if (isSpecial(p[from + k])) return from + k;
    }
#endif
    while (from < to && !isSpecial(p[from]))
        ++from;
    return from;
}

// A byte that is not a lead byte always ends a character (alone or as a
// second byte), so only the run of lead-range bytes just before `at`
// counts: they pair up as characters from the run's start, and an odd run
// takes `at` as its second byte. A run that reaches back to the start of
// the piece goes on in the piece before.
bool LineScanner::startsCharacter(const char* bytes, std::size_t at) const {
    std::size_t k = at;
    while (k > 0 && rt::isLeadByte(bytes[k - 1]))
        --k;
    bool odd = ((at - k) & 1) != 0;
    if (k == 0) odd ^= oddLeads_;
    return !odd;
}

void LineScanner::carryLeadRun(const char* bytes, std::size_t n) {
    std::size_t k = n;
    while (k > 0 && rt::isLeadByte(bytes[k - 1]))
        --k;
    bool odd = ((n - k) & 1) != 0;
    oddLeads_ = k == 0 ? oddLeads_ != odd : odd;
}

} // namespace app
