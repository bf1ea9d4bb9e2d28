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

// Files of `perFile` lines each from the first line start on, the first
// `longer` files one line more; the last file takes what is left.
class LinesGrouping final : public Grouping {
  public:
    LinesGrouping(const LineIndex& index, LineStart first, std::uint64_t perFile,
                  std::uint64_t longer = 0);
    std::uint64_t end(const Piece& piece) override;
    std::uint64_t files() const override;

  private:
    const LineIndex& index_;
    const std::uint64_t firstLine_;
    LineStart start_; // of the file being written
    const std::uint64_t perFile_, longer_;
    std::uint64_t file_ = 0;   // the number of the file being written, from 0
    std::uint64_t target_ = 0; // the first line of the next file
    bool aimed_ = false;
    LineWalker walker_;
};

// `parts` files of lines from the first line start on, whose line counts
// differ by one at most, the first ones the longer; fewer when there are
// fewer lines.
LinesGrouping partsGrouping(const LineIndex& index, LineStart first, std::uint64_t parts);

// Files of whole lines of at most `budget` bytes each (the CR LF given to a
// last line without a line end included), from the first line start on; a
// longer line is a file of its own.
class SizeGrouping final : public Grouping {
  public:
    SizeGrouping(const LineIndex& index, LineStart first, std::uint64_t budget);
    std::uint64_t end(const Piece& piece) override;
    std::uint64_t files() const override { return 0; }

  private:
    const LineIndex& index_;
    LineStart start_;
    const std::uint64_t budget_;
    std::uint64_t limit_ = 0; // the file being written ends at or before it
    bool aimed_ = false, last_ = false;
    LineWalker walker_;
};

// Files of `perFile` chapters from `from` on: a file ends where the heading
// after its last chapter starts; the lines before the first heading go into
// the first file.
class ChapterGrouping final : public Grouping {
  public:
    ChapterGrouping(const LineIndex& index, std::uint64_t from, std::uint64_t perFile);
    std::uint64_t end(const Piece& piece) override;
    std::uint64_t files() const override;
    // How many headings lie from `from` on.
    static std::uint64_t headingsFrom(const LineIndex& index, std::uint64_t from);

  private:
    const LineIndex& index_;
    const std::uint64_t perFile_;
    std::size_t first_; // the first heading from `from` on
    std::size_t next_;  // the heading the file being written ends at
};

} // namespace app
