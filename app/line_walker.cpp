#include "app/line_walker.h"

#include <algorithm>

#include "runtime/values.h"

namespace app {

namespace {

// The walk scans in slices, so that it stops soon after the line it looks
// for instead of at the end of the piece: small ones first (the next line
// of a group of one), then larger ones, up to this size.
constexpr std::size_t kFirstSlice = 256;
constexpr std::size_t kSlice = std::size_t{16} << 10;

} // namespace

void LineWalker::from(LineStart start) {
    if (start.offset <= at_.offset && scanned_ != 0) return;
    scanner_.reset();
    at_ = before_ = start;
    scanned_ = start.offset;
}

template <class Reached> bool LineWalker::walk(const Piece& piece, Reached&& reached) {
    if (scanned_ >= piece.end() || scanned_ < piece.at) return false;
    std::size_t pos = std::size_t(scanned_ - piece.at);
    bool found = false;
    for (std::size_t slice = kFirstSlice; pos < piece.size && !found;
         slice = std::min(slice * 2, kSlice)) {
        const std::size_t n = std::min(slice, piece.size - pos);
        const std::uint64_t base = piece.at + pos;
        scanner_.scan(piece.bytes + pos, n, [&](std::size_t next, unsigned endBytes) {
            if (found) return; // the rest of the slice is looked at again later
            before_ = at_;
            at_ = {at_.line + 1, base + next};
            endBytes_ = endBytes;
            found = reached(at_);
        });
        pos += n;
    }
    if (!found) {
        scanned_ = piece.end();
        return false;
    }
    // A line start carries no state: the walk goes on from there afresh.
    scanner_.reset();
    scanned_ = at_.offset;
    return true;
}

bool LineWalker::toLine(std::uint64_t target, const Piece& piece) {
    // Reached already (a mark): only once the piece holds it.
    if (at_.line >= target) return at_.line == target && at_.offset <= piece.end();
    return walk(piece, [&](LineStart s) { return s.line == target; });
}

bool LineWalker::beyond(std::uint64_t offset, const Piece& piece) {
    if (at_.offset > offset) return at_.offset <= piece.end();
    return walk(piece, [&](LineStart s) { return s.offset > offset; });
}

Reading readFirstLine(TextPieces& pieces, const LineIndex& index, rt::GrowArray<char>* bytes,
                      LineStart* next) {
    LineWalker walker(index.rule());
    for (;;) {
        Piece piece;
        const Reading reading = pieces.next(0, &piece);
        if (reading != Reading::kRead) return reading;
        const bool found = walker.toLine(1, piece);
        const std::uint64_t end = found ? walker.at().offset : piece.end();
        bytes->append(piece.bytes, std::size_t(end - piece.at));
        if (found || piece.last) {
            *next = found ? walker.at() : LineStart{1, piece.end()};
            return Reading::kRead;
        }
    }
}

void visitLines(TextPieces& pieces, const LineIndex& index, LineVisitor visit, void* context) {
    rt::GrowArray<char> line; // the bytes of a line that goes on in the next piece
    LineWalker walker(index.rule());
    std::uint64_t start = 0;
    auto emit = [&](const char* bytes, std::size_t n) {
        visit(bytes, n, context);
        line.clear();
    };
    for (Piece piece; pieces.next(0, &piece) == Reading::kRead && piece.size > 0;) {
        // Each line end found gives the line before it, without its end.
        while (walker.toLine(walker.at().line + 1, piece)) {
            const std::uint64_t end = walker.at().offset - walker.endBytes();
            if (start >= piece.at) {
                emit(piece.bytes + (start - piece.at), std::size_t(end - start));
            } else {
                // The line began in a piece before; its line end may have
                // begun there.
                if (end >= piece.at)
                    line.append(piece.bytes, std::size_t(end - piece.at));
                else
                    line.truncate(line.size() - std::size_t(piece.at - end));
                emit(line.data(), line.size());
            }
            start = walker.at().offset;
        }
        const std::uint64_t from = std::max(start, piece.at);
        line.append(piece.bytes + (from - piece.at), std::size_t(piece.end() - from));
        if (piece.last) break;
    }
    if (index.count() > 0 && !index.lastLineEnded()) emit(line.data(), line.size());
}

} // namespace app
