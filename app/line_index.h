// Where the lines of an imported text start, sparsely: the offset of every
// kMarkEvery-th line, the line count, where the text ends and whether its
// last line has a line end. Both stores keep the text's bytes as the file
// holds them and find any line from this index, scanning at most
// kMarkEvery lines from a mark.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/chapter_heading.h"
#include "app/line_scanner.h"
#include "runtime/values.h"

namespace app {

// A line start every this many lines: 8 bytes a mark, a thousandth of a
// line array, and a group end is found within a thousand lines.
constexpr std::uint64_t kMarkEvery = 1024;

// A line start: its line number (from 0) and its offset in the text.
struct LineStart {
    std::uint64_t line = 0;
    std::uint64_t offset = 0;
};

class LineIndex {
  public:
    std::uint64_t count() const { return count_; }
    std::uint64_t textEnd() const { return textEnd_; }
    // Whether the last line has its line end; export gives it CR LF if not.
    bool lastLineEnded() const { return lastLineStart_ == textEnd_; }
    // Where the last line starts (textEnd() when the last line has its end).
    std::uint64_t lastLineStart() const { return lastLineStart_; }
    // The marked line start at or before line `line`.
    LineStart markAtLine(std::uint64_t line) const;
    // The last marked line start at or before `offset`.
    LineStart markAtOffset(std::uint64_t offset) const;
    // Where the chapter headings start, in order.
    const rt::GrowArray<std::uint64_t>& headings() const { return headings_; }
    // The rule the lines were found by; every later walk keeps it.
    LineEnds rule() const { return rule_; }

  private:
    friend class IndexBuilder;
    LineEnds rule_ = LineEnds::kCrLf;
    std::uint64_t count_ = 0;
    std::uint64_t textEnd_ = 0;
    std::uint64_t lastLineStart_ = 0;
    rt::GrowArray<std::uint64_t> marks_; // the offset of line i * kMarkEvery
    rt::GrowArray<std::uint64_t> headings_;
};

// Builds the index of a text fed in pieces, in order (the import).
class IndexBuilder {
  public:
    explicit IndexBuilder(LineEnds rule = LineEnds::kCrLf);
    // Scans the next piece; returns how many of its bytes are text: all, or
    // those before a stop byte (then the text has ended).
    std::size_t add(const char* bytes, std::size_t n);
    bool ended() const { return scanner_.ended(); }
    std::uint64_t textBytes() const { return index_.textEnd_; }
    // The index of all bytes added; the builder is spent.
    LineIndex finish();

  private:
    // Whether the line that starts at bytes[0] (its offset `at`; n bytes of
    // the piece from there) is a chapter heading; one that goes on in the
    // next piece is decided there.
    void lookAtLine(const char* bytes, std::size_t n, std::uint64_t at);

    LineScanner scanner_;
    LineIndex index_;
    std::uint64_t lineEnds_ = 0;
    HeadingMatcher heading_;
    bool headingOpen_ = false; // the heading_ of the line at headingAt_ goes on
    std::uint64_t headingAt_ = 0;
};

} // namespace app
