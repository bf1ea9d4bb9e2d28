// Where the lines of a text end, for both stores of the lines: a CR LF whose
// CR starts a character ends a line (a CR that is the second byte of a
// two-byte character does not), and the text ends before the first zero
// byte or 0x1A. This is exactly how split text at CR LF splits the text that
// read text gives. A scanner made for it also ends a line at a lone LF.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/byte_classes.h"

namespace app {

inline unsigned lowestBit(ByteMask m) {
    return sizeof(ByteMask) == 8 ? unsigned(__builtin_ctzll(m)) : unsigned(__builtin_ctz(unsigned(m)));
}

// Which bytes end a line.
enum class LineEnds {
    kCrLf,      // a CR LF whose CR starts a character
    kCrLfOrLf,  // that, or an LF that starts a character and follows no such CR
};

// Finds the line ends of a text that comes in pieces of any size. The
// character phase is followed a block at a time through bit masks: a byte
// that is not a lead byte always ends a character, so in a run of lead-range
// bytes the characters pair up from the run's start, and one addition per
// block finds the runs that start at odd bytes. What a piece leaves open is
// carried to the next: whether its last byte is a CR at a character start,
// and whether the next byte is a second byte.
class LineScanner {
  public:
    explicit LineScanner(LineEnds ends = LineEnds::kCrLf) : loneLf_(ends == LineEnds::kCrLfOrLf) {}

    // Scans the next piece. For every line end, calls lineEnd(next,
    // endBytes): `next` is the index in the piece of the first byte of the
    // next line (1..n; n when that line starts in the next piece), endBytes
    // 2 for a CR LF (whose CR was the last byte of the piece before when
    // next == 1) and 1 for a lone LF. Returns how many of the piece's bytes
    // are text: all n, or those before the first stop byte; then the text
    // has ended and later pieces give nothing.
    template <class LineEnd> std::size_t scan(const char* bytes, std::size_t n, LineEnd&& lineEnd);
    bool ended() const { return ended_; }
    void reset() { *this = LineScanner(loneLf_ ? LineEnds::kCrLfOrLf : LineEnds::kCrLf); }

  private:
    static constexpr std::size_t kChunkBlocks = 16; // blocks per call of scanChunk
    struct Chunk {
        // Per block: bit k for a line end whose last byte is byte k of the
        // block; crLf the CR LF ones among them.
        ByteMask ends[kChunkBlocks], crLf[kChunkBlocks];
        std::size_t blocks; // blocks looked at
        std::size_t bytes;  // bytes they cover; those of text when ended()
    };
    // The line ends of up to kChunkBlocks blocks from bytes[at] on.
    void scanChunk(const char* bytes, std::size_t n, std::size_t at, Chunk* chunk);
    // The line ends of one block of which `size` bytes are the piece's.
    ByteMask blockEnds(ByteClasses c, std::size_t size, ByteMask* crLf);

    ByteMask second_ = 0;  // 1: the next byte is the second byte of a character
    ByteMask crStart_ = 0; // 1: the last byte was a CR that starts a character
    bool ended_ = false;
    bool loneLf_;
};

template <class LineEnd>
std::size_t LineScanner::scan(const char* bytes, std::size_t n, LineEnd&& lineEnd) {
    if (ended_) return 0;
    Chunk chunk;
    for (std::size_t at = 0; at < n; at += chunk.bytes) {
        scanChunk(bytes, n, at, &chunk);
        for (std::size_t b = 0; b < chunk.blocks; ++b) {
            const std::size_t base = at + b * kBlockBytes + 1;
            for (ByteMask ends = chunk.ends[b]; ends; ends &= ends - 1) {
                const unsigned k = lowestBit(ends);
                lineEnd(base + k, unsigned((chunk.crLf[b] >> k) & 1) + 1);
            }
        }
        if (ended_) return at + chunk.bytes;
    }
    return n;
}

} // namespace app
