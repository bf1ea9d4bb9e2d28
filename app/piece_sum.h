// A checksum of one piece of a file (up to 1 MiB), taken at import and again
// at export to find a piece that changed in between. It sees every byte of
// the file, so it costs a few additions per 16 bytes:
// - the sum of each of the eight 8-byte word positions of a 64-byte group
//   (the word's index modulo 8), which changes with any changed byte and
//   any two different words swapped between positions;
// - for words swapped within one position, a Fletcher sum over the groups:
//   the 32-bit halves of the group's words summed (wrapping at 32 bits, so
//   that both halves can be put first), then the running sum of those, once
//   with the low half first and once with the high half first. Whichever
//   half differs, its difference times the groups between the two words
//   cannot vanish in 64 bits.
// These sums and the piece's length fold into one value: pieces that differ
// so always give different sums, and different values unless the fold
// collides (as any two 64-bit hashes may). The same value on every path and
// width.
#pragma once

#include <cstddef>
#include <cstdint>

namespace app {

constexpr std::size_t kPieceSumLimit = std::size_t{1} << 20;

// The checksum of n bytes, n at most kPieceSumLimit.
std::uint64_t pieceSum(const char* bytes, std::size_t n);

// The sums over whole 64-byte groups, by either path (by vectors only where
// vectorPath()); pieceSum adds the last bytes and folds them.
constexpr std::size_t kSumGroup = 64;
struct PieceLanes {
    std::uint64_t words[8]; // the words at each position
    // Per group, the group's low halves summed and its high halves summed,
    // as one word with the low sum first (lane 0) and one with the high sum
    // first (lane 1); the sum of those, and the running sum of that.
    std::uint64_t halves[2];
    std::uint64_t running[2];
};
void addGroupsByWords(const char* bytes, std::size_t groups, PieceLanes* lanes);
void addGroupsByVectors(const char* bytes, std::size_t groups, PieceLanes* lanes);

} // namespace app
