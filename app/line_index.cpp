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

IndexBuilder::IndexBuilder() {
    index_.marks_.push(0);
}

std::size_t IndexBuilder::add(const char* bytes, std::size_t n) {
    const std::uint64_t at = index_.textEnd_;
    const std::size_t text = scanner_.scan(bytes, n, [&](std::ptrdiff_t cr) {
        const std::uint64_t next = at + std::uint64_t(cr + 2);
        index_.lastLineStart_ = next;
        if (++lineEnds_ % kMarkEvery == 0) index_.marks_.push(next);
    });
    index_.textEnd_ = at + text;
    return text;
}

LineIndex IndexBuilder::finish() {
    index_.count_ = lineEnds_ + (index_.lastLineEnded() ? 0 : 1);
    return std::move(index_);
}

} // namespace app
