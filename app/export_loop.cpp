#include "app/export_loop.h"

#include <algorithm>

namespace app {

Reading writeFiles(TextPieces& pieces, Grouping& grouping, const LineIndex& index,
                   std::uint64_t from, GroupWriter& writer) {
    const char kLineEnd[] = "\r\n";
    std::uint64_t unwritten = from; // the first byte of the file not yet written
    std::size_t keep = 0;
    for (;;) {
        Piece piece;
        const Reading reading = pieces.next(keep, &piece);
        if (reading != Reading::kRead) return reading;
        keep = 0;
        auto at = [&](std::uint64_t offset) { return piece.bytes + (offset - piece.at); };
        bool rewound = false;
        for (std::uint64_t end; !rewound && (end = grouping.end(piece)) != kNoEnd;) {
            const bool last = end == index.textEnd();
            const bool addEnd = last && !index.lastLineEnded();
            if (end < unwritten) {
                // Files of a size learn where one ends only past its end:
                // what went into it beyond goes into the next, read again.
                writer.retract(unwritten - end);
                pieces.rewind(end);
                rewound = true;
            } else {
                writer.put(at(unwritten), std::size_t(end - unwritten), addEnd);
            }
            if (addEnd) writer.put(kLineEnd, 2, false);
            writer.endGroup();
            unwritten = end;
            if (last || !writer.going()) return Reading::kRead;
        }
        if (rewound) continue;
        if (unwritten < piece.end()) {
            const auto rest = std::size_t(piece.end() - unwritten);
            if (!piece.last && rest < kMinWrite && pieces.keepable(rest)) {
                keep = rest;
            } else {
                writer.put(at(unwritten), rest, true);
                unwritten = piece.end();
            }
        }
        if (!writer.going() || piece.last) return Reading::kRead;
    }
}

Reading countFiles(TextPieces& pieces, Grouping& grouping, const LineIndex& index,
                   Progress* progress, std::uint64_t* files) {
    *files = 0;
    for (;;) {
        Piece piece;
        const Reading reading = pieces.next(0, &piece);
        if (reading != Reading::kRead) return reading;
        for (std::uint64_t end; (end = grouping.end(piece)) != kNoEnd;) {
            ++*files;
            if (end == index.textEnd()) return Reading::kRead;
        }
        if (piece.last) return Reading::kRead;
        if (!keepGoing(progress, piece.end(), index.textEnd() * 2)) return Reading::kStopped;
    }
}

} // namespace app
