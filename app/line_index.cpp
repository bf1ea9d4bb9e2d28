#include "app/line_index.h"

#include <algorithm>
#include <utility>

namespace app {

LineStart LineIndex::markAtLine(std::uint64_t line) const {
    if (marks_.empty()) return {};
    const std::uint64_t last = marks_.size() - 1;
    const std::uint64_t i = std::min(line / kMarkEvery, last);
    return {i * kMarkEvery, marks_[std::size_t(i)]};
}

LineStart LineIndex::markAtOffset(std::uint64_t offset) const {
    if (marks_.empty()) return {};
    const std::uint64_t* first = marks_.data();
    const std::uint64_t* after = std::upper_bound(first, first + marks_.size(), offset);
    const auto i = std::uint64_t(after - first) - 1; // marks_[0] is 0
    return {i * kMarkEvery, marks_[std::size_t(i)]};
}

IndexBuilder::IndexBuilder(LineEnds rule) : scanner_(rule) {
    index_.rule_ = rule;
    index_.marks_.push(0);
}

// Few lines start with a blank or the lead byte of "第" or of the
// full-width space: only those are looked at further.
inline bool mayBeHeading(char first) {
    switch (static_cast<unsigned char>(first)) {
    case ' ':
    case '\t':
    case 0xA1:
    case 0xB5:
        return true;
    default:
        return false;
    }
}

void IndexBuilder::lookAtLine(const char* bytes, std::size_t n, std::uint64_t at) {
    headingOpen_ = false;
    heading_.start();
    switch (n == 0 ? HeadingMatcher::kMore : heading_.feed(bytes, n)) {
    case HeadingMatcher::kYes:
        index_.headings_.push(at);
        break;
    case HeadingMatcher::kMore: // the line goes on in the next piece
        headingOpen_ = true;
        headingAt_ = at;
        break;
    case HeadingMatcher::kNo:
        break;
    }
}

std::size_t IndexBuilder::add(const char* bytes, std::size_t n) {
    const std::uint64_t at = index_.textEnd_;
    if (at == 0 && n > 0 && mayBeHeading(bytes[0])) lookAtLine(bytes, n, 0); // the first line
    if (headingOpen_ && n > 0) {
        headingOpen_ = false;
        const HeadingMatcher::Answer answer = heading_.feed(bytes, n);
        if (answer == HeadingMatcher::kYes) index_.headings_.push(headingAt_);
        headingOpen_ = answer == HeadingMatcher::kMore;
    }
    // Counted in locals, which the scanner's loop keeps in registers.
    std::uint64_t lineEnds = lineEnds_;
    std::size_t last = 0; // where the last line found starts, 0 for none
    const std::size_t text = scanner_.scan(bytes, n, [&](std::size_t next, unsigned) {
        last = next;
        if (++lineEnds % kMarkEvery == 0) index_.marks_.push(at + next);
        if (next == n || mayBeHeading(bytes[next])) lookAtLine(bytes + next, n - next, at + next);
    });
    lineEnds_ = lineEnds;
    if (last) index_.lastLineStart_ = at + last;
    index_.textEnd_ = at + text;
    return text;
}

LineIndex IndexBuilder::finish() {
    // A heading still open at the end is cut short: no heading. A line
    // start at the very end starts no line.
    if (!index_.headings_.empty() &&
        index_.headings_[index_.headings_.size() - 1] >= index_.textEnd_)
        index_.headings_.pop();
    index_.count_ = lineEnds_ + (index_.lastLineEnded() ? 0 : 1);
    return std::move(index_);
}

} // namespace app
