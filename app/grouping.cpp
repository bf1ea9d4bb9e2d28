#include "app/grouping.h"

#include <algorithm>

namespace app {

// --- files of so many lines ---------------------------------------------------------------

LinesGrouping::LinesGrouping(const LineIndex& index, LineStart first, std::uint64_t perFile)
    : index_(index), firstLine_(first.line), start_(first), perFile_(perFile) {
    walker_.from(first);
}

std::uint64_t LinesGrouping::end(const Piece& piece) {
    if (!aimed_) {
        aimed_ = true;
        target_ = start_.line + std::min(perFile_, index_.count() - start_.line);
        const LineStart mark = index_.markAtLine(target_);
        walker_.from(mark.offset > start_.offset ? mark : start_);
    }
    if (target_ >= index_.count()) return piece.last ? index_.textEnd() : kNoEnd;
    if (!walker_.toLine(target_, piece)) return kNoEnd;
    start_ = walker_.at();
    aimed_ = false;
    return start_.offset;
}

std::uint64_t LinesGrouping::files() const {
    const std::uint64_t lines = index_.count() - firstLine_;
    return lines == 0 ? 0 : (lines - 1) / perFile_ + 1;
}

} // namespace app
