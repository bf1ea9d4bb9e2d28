// The one export loop: the store hands over its text piece by piece, the
// grouping says where each file ends, the group writer makes the files.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/group_writer.h"
#include "app/grouping.h"
#include "app/line_index.h"
#include "app/progress.h"
#include "app/text_pieces.h"

namespace app {

// Writes the lines from the line start `from` on into the files the
// grouping cuts, straight from the pieces; the last line gets CR LF when it
// has none. A run of a file shorter than kMinWrite that the next piece goes
// on with comes again with it, so that files are written in few large
// writes. Ends when the text is written, the writer stops, or the pieces
// cannot be read as imported.
Reading writeFiles(TextPieces& pieces, Grouping& grouping, const LineIndex& index,
                   std::uint64_t from, GroupWriter& writer);

// How many files the grouping cuts from the text, where only the end tells
// (files of a size). The progress counts the text's bytes twice: this pass
// is the first half of the work.
Reading countFiles(TextPieces& pieces, Grouping& grouping, const LineIndex& index,
                   Progress* progress, std::uint64_t* files);

} // namespace app
