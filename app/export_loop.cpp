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
        auto at = [&](std::uint64_t offset) { return piece.bytes + (offset - piece.at); };
        for (std::uint64_t end; (end = grouping.end(piece)) != kNoEnd;) {
            const bool last = end == index.textEnd();
            const bool addEnd = last && !index.lastLineEnded();
            writer.put(at(unwritten), std::size_t(end - unwritten), addEnd);
            if (addEnd) writer.put(kLineEnd, 2, false);
            writer.endGroup();
            unwritten = end;
            if (last || !writer.going()) return Reading::kRead;
        }
        keep = 0;
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

} // namespace app
