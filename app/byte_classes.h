// The bytes the line scanner looks for, as bit masks over blocks of as many
// bytes as a machine word has bits (64 on 64-bit, 32 on 32-bit): bit k of a
// mask stands for byte k of the block. Masks let the scanner follow the
// character phase through runs of two-byte characters a block at a time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace app {

using ByteMask = std::uintptr_t;
constexpr std::size_t kBlockBytes = sizeof(ByteMask) * 8;

struct ByteClasses {
    ByteMask lead; // in the lead range (rt::isLeadByte: 0x80 and above)
    ByteMask cr;
    ByteMask lf;
    ByteMask stop; // zero or 0x1A
};

// The index of the lowest bit set in m (not 0).
inline unsigned lowestBit(ByteMask m) {
    return sizeof(ByteMask) == 8 ? unsigned(__builtin_ctzll(m))
                                 : unsigned(__builtin_ctz(unsigned(m)));
}

// The classes of `blocks` whole blocks at `bytes`, by the vector path where
// the processor has it; LFs only when asked for (lf stays 0 otherwise).
void classifyBlocks(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out);

// The two ways, with the same results; by vectors only where vectorPath().
void classifyBlocksByWords(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out);
void classifyBlocksByVectors(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out);

} // namespace app
