#include "app/grouping.h"

#include <algorithm>

namespace app {

// --- files of so many lines ---------------------------------------------------------------

LinesGrouping::LinesGrouping(const LineIndex& index, LineStart first, std::uint64_t perFile,
                             std::uint64_t longer)
    : index_(index), firstLine_(first.line), start_(first), perFile_(perFile), longer_(longer),
      walker_(index.rule()) {
    walker_.from(first);
}

std::uint64_t LinesGrouping::end(const Piece& piece) {
    if (!aimed_) {
        aimed_ = true;
        const std::uint64_t lines = perFile_ + (file_ < longer_ ? 1 : 0);
        target_ = start_.line + std::min(lines, index_.count() - start_.line);
        const LineStart mark = index_.markAtLine(target_);
        walker_.from(mark.offset > start_.offset ? mark : start_);
    }
    if (target_ >= index_.count()) return piece.last ? index_.textEnd() : kNoEnd;
    if (!walker_.toLine(target_, piece)) return kNoEnd;
    start_ = walker_.at();
    aimed_ = false;
    ++file_;
    return start_.offset;
}

std::uint64_t LinesGrouping::files() const {
    const std::uint64_t lines = index_.count() - firstLine_;
    const std::uint64_t inLonger = longer_ * (perFile_ + 1);
    if (lines <= inLonger) return (lines + perFile_) / (perFile_ + 1);
    return longer_ + (lines - inLonger + perFile_ - 1) / perFile_;
}

LinesGrouping partsGrouping(const LineIndex& index, LineStart first, std::uint64_t parts) {
    const std::uint64_t lines = index.count() - first.line;
    const std::uint64_t files = std::max<std::uint64_t>(1, std::min(parts, lines));
    return LinesGrouping(index, first, std::max<std::uint64_t>(1, lines / files), lines % files);
}

// --- files of so many bytes ---------------------------------------------------------------

SizeGrouping::SizeGrouping(const LineIndex& index, LineStart first, std::uint64_t budget)
    : index_(index), start_(first), budget_(budget), walker_(index.rule()) {
    walker_.from(first);
}

std::uint64_t SizeGrouping::end(const Piece& piece) {
    const std::uint64_t textEnd = index_.textEnd();
    if (!aimed_) {
        aimed_ = true;
        // The file that reaches the end holds the CR LF a last line gets too.
        const std::uint64_t added = index_.lastLineEnded() ? 0 : 2;
        last_ = textEnd + added - start_.offset <= budget_;
        limit_ = start_.offset + budget_;
        if (!last_) {
            const LineStart mark = index_.markAtOffset(limit_);
            walker_.from(mark.offset > start_.offset ? mark : start_);
        }
    }
    if (last_) return piece.last ? textEnd : kNoEnd;
    LineStart end;
    if (walker_.beyond(limit_, piece)) {
        // The last line start within the budget; a longer line goes alone.
        end = walker_.before().offset > start_.offset ? walker_.before() : walker_.at();
    } else if (piece.last) {
        // The text's last line, without a line end, runs past the budget.
        end = walker_.at().offset > start_.offset ? walker_.at() : LineStart{0, textEnd};
    } else {
        return kNoEnd;
    }
    start_ = end;
    aimed_ = false;
    return end.offset;
}

// --- files of so many chapters ------------------------------------------------------------

namespace {

std::size_t firstHeadingFrom(const LineIndex& index, std::uint64_t from) {
    const rt::GrowArray<std::uint64_t>& headings = index.headings();
    return std::size_t(std::lower_bound(headings.data(), headings.data() + headings.size(), from) -
                       headings.data());
}

} // namespace

ChapterGrouping::ChapterGrouping(const LineIndex& index, std::uint64_t from, std::uint64_t perFile)
    : index_(index), perFile_(perFile), first_(firstHeadingFrom(index, from)) {
    next_ = first_ + std::size_t(std::min<std::uint64_t>(perFile_, index.headings().size()));
}

std::uint64_t ChapterGrouping::headingsFrom(const LineIndex& index, std::uint64_t from) {
    return index.headings().size() - firstHeadingFrom(index, from);
}

std::uint64_t ChapterGrouping::end(const Piece& piece) {
    const rt::GrowArray<std::uint64_t>& headings = index_.headings();
    if (next_ >= headings.size()) return piece.last ? index_.textEnd() : kNoEnd;
    const std::uint64_t heading = headings[next_];
    if (heading > piece.end()) return kNoEnd;
    next_ += std::size_t(std::min<std::uint64_t>(perFile_, headings.size() - next_));
    return heading;
}

std::uint64_t ChapterGrouping::files() const {
    const std::uint64_t chapters = index_.headings().size() - first_;
    return chapters == 0 ? 1 : (chapters - 1) / perFile_ + 1;
}

} // namespace app
