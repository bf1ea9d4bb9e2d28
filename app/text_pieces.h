// The bytes of an imported text as export reads them: in order, in pieces
// of about a megabyte at most, from the store's memory or from its file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace app {

// Pieces hold at most this much new text: memory stays that of a buffer,
// whatever the file's size, and a piece takes a tenth of a second even from
// a drive of 10 MB/s, so the window never waits long.
constexpr std::size_t kPieceSize = std::size_t{1} << 20;

// How reading the text went.
enum class Reading { kRead, kStopped, kUnreadable, kChanged };

struct Piece {
    const char* bytes = nullptr;
    std::size_t size = 0;
    std::uint64_t at = 0; // the offset of bytes[0] in the text
    bool last = false;    // the piece reaches the end of the text
    std::uint64_t end() const { return at + size; }
};

class TextPieces {
  public:
    // Whether the last `keep` bytes of the current piece can come again at
    // the front of the next one, contiguous with what follows.
    virtual bool keepable(std::size_t keep) const = 0;
    // The next piece; `keep` (which keepable allowed, else 0) bytes of the
    // piece before come again at its front. A piece of size 0 follows the
    // last.
    virtual Reading next(std::size_t keep, Piece* piece) = 0;
    // The next piece starts at or before `offset`, which an earlier piece
    // reached.
    virtual void rewind(std::uint64_t offset) = 0;

  protected:
    ~TextPieces() = default;
};

} // namespace app
