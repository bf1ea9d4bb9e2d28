// Walks the lines of an imported text from the line index and the text's
// pieces: from a marked line start to any line, without a state per line.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/line_index.h"
#include "app/line_scanner.h"
#include "app/text_pieces.h"
#include "runtime/values.h"

namespace app {

// Finds the line starts that follow a known line start, through the pieces
// that hold them. A line start needs no scanner state of its own, so a walk
// may begin at any of them (a mark, the end of the file before).
class LineWalker {
  public:
    // Line ends by the rule the text's lines were found by.
    explicit LineWalker(LineEnds rule) : scanner_(rule) {}
    // Walks on from this line start when it lies ahead of the walk.
    void from(LineStart start);
    // The last line start reached.
    LineStart at() const { return at_; }
    // The one before it (the walk's first line start while there is none).
    LineStart before() const { return before_; }
    // The bytes of the line end just before at(): 2 for CR LF, 1 for LF.
    unsigned endBytes() const { return endBytes_; }
    // Walks through the piece to the start of line `target`: true when
    // reached (at() is it), false when the piece ends first.
    bool toLine(std::uint64_t target, const Piece& piece);
    // Walks through the piece to the first line start beyond `offset`: true
    // when found (at() is it, before() the line start before it).
    bool beyond(std::uint64_t offset, const Piece& piece);

  private:
    template <class Reached> bool walk(const Piece& piece, Reached&& reached);

    LineScanner scanner_;
    LineStart at_, before_;
    unsigned endBytes_ = 0;
    std::uint64_t scanned_ = 0; // the bytes before this offset have been scanned
};

// The first line's bytes with its line end, read from the pieces, and where
// the second line starts.
Reading readFirstLine(TextPieces& pieces, const LineIndex& index, rt::GrowArray<char>* bytes,
                      LineStart* next);

// Calls visit with every line in order, its bytes without its line end.
using LineVisitor = void (*)(const char* bytes, std::size_t n, void* context);
void visitLines(TextPieces& pieces, const LineIndex& index, LineVisitor visit, void* context);

} // namespace app
