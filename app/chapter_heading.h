// The chapter headings of Chinese novels: a line whose first characters,
// after blanks (space, tab, the full-width space), are "第", one to nine
// numerals (零〇一二两三四五六七八九十百千万, or digits, half- or full-width)
// and one of 章节回卷部篇集. The line is walked character by character with
// the one double-byte step, so a "第" is never the bytes of two others.
#pragma once

#include <cstddef>

namespace app {

class HeadingMatcher {
  public:
    enum Answer { kNo, kYes, kMore };
    // A new line begins.
    void start() { *this = HeadingMatcher(); }
    // Looks at the next bytes of the line (bytes after its end, if given,
    // never change the answer): kMore when they end before it is known.
    Answer feed(const char* bytes, std::size_t n);

  private:
    Answer step(unsigned character);

    enum Phase { kBlanks, kNumerals, kDone };
    Phase phase_ = kBlanks;
    unsigned numerals_ = 0;
    int lead_ = -1; // a lead byte whose second byte is in the next bytes
    Answer answer_ = kMore;
};

// Whether the line that starts at `bytes` (n bytes of it at most) is a
// heading; a line cut short by n counts as no heading.
bool isChapterHeading(const char* bytes, std::size_t n);

} // namespace app
