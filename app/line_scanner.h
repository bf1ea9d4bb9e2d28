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

// Which bytes end a line.
enum class LineEnds {
    kCrLf,     // a CR LF whose CR starts a character
    kCrLfOrLf, // that, or an LF that starts a character and follows no such CR
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
    static constexpr std::size_t kChunkBlocks = 16; // blocks classified per call
    // Classifies the whole blocks from bytes[at] on (at most kChunkBlocks),
    // or else the last bytes padded to a block; returns how many blocks.
    std::size_t classify(const char* bytes, std::size_t n, std::size_t at,
                         ByteClasses* classes) const;

    // What a block leaves to the next.
    struct Phase {
        ByteMask second;  // 1: the next byte is the second byte of a character
        ByteMask crStart; // 1: the last byte was a CR that starts a character
    };
    // The line ends of a block of which `size` bytes are the piece's: bit k
    // for a line end whose last byte is byte k; *crLf the CR LF ones.
    // Without lone LFs the LF mask is not made: the bits are those of the
    // bytes after a CR that starts a character, where an LF ends a line.
    static ByteMask blockEnds(const ByteClasses& c, std::size_t size, bool loneLf, Phase* phase,
                              ByteMask* crLf);

    Phase phase_ = {0, 0};
    bool ended_ = false;
    bool loneLf_;
};

// The second bytes of two-byte characters among a block's bytes, given its
// lead-range bytes; *carry (0 or 1) tells whether byte 0 is one, and is
// then set to whether the byte after the block is one. A run of lead-range
// bytes that follows a character's end pairs up from its start: its bytes at
// an odd distance from that start, and the byte after an odd run, are second
// bytes. Adding the runs' odd start bits to the runs carries through every
// run that starts at an odd bit and flips the phase there.
inline ByteMask secondBytes(ByteMask lead, ByteMask* carry) {
    constexpr ByteMask even = ~ByteMask{0} / 3; // bits 0, 2, 4, ...
    lead &= ~*carry;                            // a second byte leads nothing
    const ByteMask follows = lead << 1 | *carry;
    const ByteMask oddStarts = lead & ~even & ~follows;
    ByteMask sum;
    *carry = __builtin_add_overflow(oddStarts, lead, &sum) ? 1 : 0;
    return (even ^ sum << 1) & follows;
}

inline ByteMask LineScanner::blockEnds(const ByteClasses& c, std::size_t size, bool loneLf,
                                       Phase* phase, ByteMask* crLf) {
    ByteMask lead = c.lead, cr = c.cr, lf = c.lf;
    ByteMask text = ~ByteMask{0}; // the bytes of the piece's text
    if (size < kBlockBytes) text = (ByteMask{1} << size) - 1;
    if (c.stop) text &= (ByteMask{1} << lowestBit(c.stop)) - 1; // the text ends before it
    lead &= text;
    cr &= text;
    const ByteMask second = secondBytes(lead, &phase->second);
    if (size < kBlockBytes) phase->second = (second >> size) & 1; // the byte after the piece
    const ByteMask crStarts = cr & ~second;
    const ByteMask afterCr = (crStarts << 1 | phase->crStart) & text;
    phase->crStart = (crStarts >> (size - 1)) & 1;
    if (!loneLf) return *crLf = afterCr;
    lf &= text;
    *crLf = lf & afterCr;
    return *crLf | (lf & ~second & ~*crLf);
}

template <class LineEnd>
std::size_t LineScanner::scan(const char* bytes, std::size_t n, LineEnd&& lineEnd) {
    if (ended_) return 0;
    ByteClasses classes[kChunkBlocks];
    Phase phase = phase_; // held here: the callback may write memory of any type
    const bool loneLf = loneLf_;
    // The block at `at`, `size` bytes of it the piece's: false at a stop byte.
    auto visit = [&](const ByteClasses& c, std::size_t at, std::size_t size) {
        ByteMask crLf;
        for (ByteMask ends = blockEnds(c, size, loneLf, &phase, &crLf); ends; ends &= ends - 1) {
            const unsigned k = lowestBit(ends);
            if (!loneLf && bytes[at + k] != '\n') continue; // a CR without LF
            lineEnd(at + k + 1, unsigned((crLf >> k) & 1) + 1);
        }
        return c.stop == 0;
    };
    std::size_t at = 0;
    while (n - at >= kBlockBytes) {
        const std::size_t blocks = classify(bytes, n, at, classes);
        for (std::size_t b = 0; b < blocks; ++b, at += kBlockBytes) {
            if (!visit(classes[b], at, kBlockBytes)) {
                ended_ = true;
                return at + lowestBit(classes[b].stop);
            }
        }
    }
    if (at < n) {
        classify(bytes, n, at, classes);
        if (!visit(classes[0], at, n - at)) {
            ended_ = true;
            return at + lowestBit(classes[0].stop);
        }
    }
    phase_ = phase;
    return n;
}

} // namespace app
