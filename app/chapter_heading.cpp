#include "app/chapter_heading.h"

#include "runtime/text.h"

namespace app {

namespace {

// Characters as the code page gives them: a two-byte character as its lead
// byte times 256 plus its second byte. Written as numbers, so that every
// build (whatever its literals' encoding) matches the same bytes.
constexpr unsigned kOrdinal = 0xB5DA; // 第
constexpr unsigned kFullWidthSpace = 0xA1A1;
constexpr unsigned kNumerals[] = {0xC1E3, 0xA996, 0xD2BB, 0xB6FE, 0xC1BD, 0xC8FD, 0xCBC4, 0xCEE5,
                                  0xC1F9, 0xC6DF, 0xB0CB, 0xBEC5, 0xCAAE, 0xB0D9, 0xC7A7, 0xCDF2};
constexpr unsigned kUnits[] = {0xD5C2, 0xBDDA, 0xBBD8, 0xBEED, 0xB2BF, 0xC6AA, 0xBCAF};
constexpr unsigned kMostNumerals = 9;

template <std::size_t N> bool among(unsigned c, const unsigned (&set)[N]) {
    for (unsigned x : set)
        if (x == c) return true;
    return false;
}

bool isNumeral(unsigned c) {
    return (c >= '0' && c <= '9') || (c >= 0xA3B0 && c <= 0xA3B9) || among(c, kNumerals);
}

} // namespace

HeadingMatcher::Answer HeadingMatcher::step(unsigned c) {
    switch (phase_) {
    case kBlanks:
        if (c == ' ' || c == '\t' || c == kFullWidthSpace) return kMore;
        if (c != kOrdinal) return kNo;
        phase_ = kNumerals;
        return kMore;
    case kNumerals:
        if (isNumeral(c)) return ++numerals_ <= kMostNumerals ? kMore : kNo;
        phase_ = kDone;
        return numerals_ > 0 && among(c, kUnits) ? kYes : kNo;
    case kDone:
        break;
    }
    return answer_;
}

HeadingMatcher::Answer HeadingMatcher::feed(const char* bytes, std::size_t n) {
    for (std::size_t i = 0; i < n && answer_ == kMore; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (lead_ >= 0) {
            answer_ = step(unsigned(lead_) << 8 | b);
            lead_ = -1;
        } else if (rt::isLeadByte(char(b))) {
            lead_ = b;
        } else {
            answer_ = step(b);
        }
    }
    return answer_;
}

bool isChapterHeading(const char* bytes, std::size_t n) {
    HeadingMatcher matcher;
    return matcher.feed(bytes, n) == HeadingMatcher::kYes;
}

} // namespace app
