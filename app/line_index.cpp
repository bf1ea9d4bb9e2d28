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

// Few lines start with a blank or the lead byte of "第": only those are
// looked at further.
inline bool mayBeHeading(char first) {
    const auto c = static_cast<unsigned char>(first);
    return c == ' ' || c == '\t' || c == 0xA1 || c == 0xB5;
}

void IndexBuilder::lookAtLine(const char* bytes, std::size_t n, std::uint64_t at) {
    headingOpen_ = false;
    if (n == 0) { // the line starts in the next piece
        headingOpen_ = true;
        heading_.start();
        headingAt_ = at;
        return;
    }
    if (!mayBeHeading(bytes[0])) return;
    heading_.start();
    switch (heading_.feed(bytes, n)) {
    case HeadingMatcher::kYes:
        index_.headings_.push(at);
        break;
    case HeadingMatcher::kMore:
        headingOpen_ = true;
        headingAt_ = at;
        break;
    case HeadingMatcher::kNo:
        break;
    }
}

std::size_t IndexBuilder::add(const char* bytes, std::size_t n) {
    const std::uint64_t at = index_.textEnd_;
    if (at == 0 && n > 0) lookAtLine(bytes, n, 0); // the first line
    if (headingOpen_ && n > 0) {
        headingOpen_ = false;
        const HeadingMatcher::Answer answer = heading_.feed(bytes, n);
        if (answer == HeadingMatcher::kYes) index_.headings_.push(headingAt_);
        headingOpen_ = answer == HeadingMatcher::kMore;
    }
    const std::size_t text = scanner_.scan(bytes, n, [&](std::size_t next, unsigned) {
        index_.lastLineStart_ = at + next;
        if (++lineEnds_ % kMarkEvery == 0) index_.marks_.push(at + next);
        lookAtLine(bytes + next, n - next, at + next);
    });
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
