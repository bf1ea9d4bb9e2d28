#include "app/line_scanner.h"

namespace app {

namespace {

constexpr ByteMask kEven = ~ByteMask{0} / 3; // bits 0, 2, 4, ...

// The second bytes of two-byte characters among a block's bytes, given its
// lead-range bytes; *carry (0 or 1) tells whether byte 0 is one, and is
// then set to whether the byte after the block is one. A run of lead-range
// bytes that follows a character's end pairs up from its start: its bytes at
// an odd distance from that start, and the byte after an odd run, are second
// bytes. Adding the runs' odd start bits to the runs carries through every
// run that starts at an odd bit and flips the phase there.
inline ByteMask secondBytes(ByteMask lead, ByteMask* carry) {
    lead &= ~*carry; // a second byte leads nothing
    const ByteMask follows = lead << 1 | *carry;
    const ByteMask oddStarts = lead & ~kEven & ~follows;
    ByteMask sum;
    *carry = __builtin_add_overflow(oddStarts, lead, &sum) ? 1 : 0;
    return (kEven ^ sum << 1) & follows;
}

} // namespace

inline ByteMask LineScanner::blockEnds(ByteClasses c, std::size_t size, ByteMask* crLf) {
    if (c.stop) { // the text ends before the first stop byte
        const ByteMask before = (ByteMask{1} << lowestBit(c.stop)) - 1;
        c.lead &= before;
        c.cr &= before;
        c.lf &= before;
        ended_ = true;
    }
    const ByteMask second = secondBytes(c.lead, &second_);
    if (size < kBlockBytes) second_ = (second >> size) & 1; // the byte after the piece
    const ByteMask crStarts = c.cr & ~second;
    *crLf = c.lf & (crStarts << 1 | crStart_);
    crStart_ = (crStarts >> (size - 1)) & 1;
    if (!loneLf_) return *crLf;
    return *crLf | (c.lf & ~second & ~*crLf);
}

void LineScanner::scanChunk(const char* bytes, std::size_t n, std::size_t at, Chunk* chunk) {
    ByteClasses classes[kChunkBlocks];
    std::size_t blocks = (n - at) / kBlockBytes;
    if (blocks > kChunkBlocks) blocks = kChunkBlocks;
    std::size_t size = blocks * kBlockBytes;
    if (blocks > 0) {
        classifyBlocks(bytes + at, blocks, classes);
    } else { // the piece's last bytes, padded with bytes of no class
        char tail[kBlockBytes];
        size = n - at;
        for (std::size_t k = 0; k < kBlockBytes; ++k)
            tail[k] = k < size ? bytes[at + k] : ' ';
        classifyBlocks(tail, 1, classes);
        blocks = 1;
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t left = size - b * kBlockBytes;
        chunk->ends[b] = blockEnds(classes[b], left < kBlockBytes ? left : kBlockBytes,
                                   &chunk->crLf[b]);
        if (ended_) {
            chunk->blocks = b + 1;
            chunk->bytes = b * kBlockBytes + lowestBit(classes[b].stop);
            return;
        }
    }
    chunk->blocks = blocks;
    chunk->bytes = size;
}

} // namespace app
