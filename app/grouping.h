// Where each file of an export ends. A grouping is asked, piece by piece of
// the text in order, for the end of the file being written; it finds it from
// the line index, scanning only the lines between a mark and the end.
#pragma once

#include <cstdint>

#include "app/line_index.h"
#include "app/line_walker.h"
#include "app/text_pieces.h"

namespace app {

// No file ends within the piece.
constexpr std::uint64_t kNoEnd = ~std::uint64_t{0};

class Grouping {
  public:
    virtual ~Grouping() = default;
    // The end of the file being written if it lies within the piece (then
    // the next file is being written), else kNoEnd. The last file ends at
    // the end of the text, in the last piece.
    virtual std::uint64_t end(const Piece& piece) = 0;
    // How many files there will be; 0 when not known before the end.
    virtual std::uint64_t files() const = 0;
};

// Files of `perFile` lines each, the last taking what is left, from the
// first line start on.
class LinesGrouping final : public Grouping {
  public:
    LinesGrouping(const LineIndex& index, LineStart first, std::uint64_t perFile);
    std::uint64_t end(const Piece& piece) override;
    std::uint64_t files() const override;

  private:
    const LineIndex& index_;
    const std::uint64_t firstLine_;
    LineStart start_; // of the file being written
    std::uint64_t perFile_;
    std::uint64_t target_ = 0; // the first line of the next file
    bool aimed_ = false;
    LineWalker walker_;
};

} // namespace app
