#include "app/file_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/piece_sum.h"

namespace app {

namespace {

static_assert(kPieceSize <= kPieceSumLimit, "a piece is summed whole");
// Bytes of a piece still to be written when the next is read come again
// before it: at most this many (more are written at once).
constexpr std::size_t kKeep = std::size_t{256} << 10;

// Reads into the buffer what the file holds of the next `want` bytes:
// fewer only where the file ends.
bool readPiece(std::intptr_t file, char* buffer, std::uint32_t want, std::uint32_t* got) {
    *got = 0;
    while (*got < want) {
        std::uint32_t n = 0;
        if (!rt::readBytes(file, buffer + *got, want - *got, &n)) return false;
        if (n == 0) break;
        *got += n;
    }
    return true;
}

} // namespace

// --- file store ---------------------------------------------------------------------

Reading FileStore::import(rt::OpenFile file, std::uint64_t size, LineEnds rule,
                          Progress* progress) {
    file_ = std::move(file);
    index_ = LineIndex();
    sums_.clear();
    if (!rt::setFilePosition(file_.get(), 0)) return Reading::kUnreadable;
    IndexBuilder builder(rule);
    rt::HeapBlock buffer(kPieceSize);
    for (std::uint64_t at = 0; at < size && !builder.ended();) {
        const auto want =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(kPieceSize, size - at));
        std::uint32_t got = 0;
        if (!readPiece(file_.get(), buffer.data(), want, &got)) return Reading::kUnreadable;
        if (got == 0) break;
        sums_.push(pieceSum(buffer.data(), builder.add(buffer.data(), got)));
        at += got;
        if (got < want) break; // the file is shorter than it was
        if (!builder.ended() && !keepGoing(progress, at, size)) return Reading::kStopped;
    }
    index_ = builder.finish();
    return Reading::kRead;
}

// --- pieces ------------------------------------------------------------------------------

FileStore::Pieces::Pieces(const FileStore& store) : store_(store), buffer_(kPieceSize + kKeep) {}

bool FileStore::Pieces::keepable(std::size_t keep) const {
    return keep <= kKeep && keep <= size_;
}

// From the start of the piece that holds `offset`: a piece is compared with
// its checksum as a whole.
void FileStore::Pieces::rewind(std::uint64_t offset) {
    piece_ = std::size_t(offset / kPieceSize);
    next_ = std::uint64_t(piece_) * kPieceSize;
    size_ = 0;
    seek_ = true;
}

Reading FileStore::Pieces::next(std::size_t keep, Piece* piece) {
    char* bytes = buffer_.data();
    if (keep > 0) std::memmove(bytes, bytes + size_ - keep, keep);
    if (seek_ && !rt::setFilePosition(store_.file_.get(), next_)) return Reading::kUnreadable;
    seek_ = false;
    const std::uint64_t textEnd = store_.index_.textEnd();
    const auto want =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(kPieceSize, textEnd - next_));
    std::uint32_t got = 0;
    if (want > 0 && !readPiece(store_.file_.get(), bytes + keep, want, &got))
        return Reading::kUnreadable;
    // Nothing is written from a piece that differs from the one imported:
    // its lines may not be those counted.
    if (want > 0 && (got != want || piece_ == store_.sums_.size() ||
                     pieceSum(bytes + keep, got) != store_.sums_[piece_]))
        return Reading::kChanged;
    if (want > 0) ++piece_;
    *piece = {bytes, keep + got, next_ - keep, next_ + got == textEnd};
    next_ += got;
    size_ = keep + got;
    return Reading::kRead;
}

} // namespace app
