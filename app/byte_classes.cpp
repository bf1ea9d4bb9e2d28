#include "app/byte_classes.h"

#include <cstring>

#include "app/vector_path.h"

namespace app {

namespace {

using Word = std::uintptr_t;
constexpr std::size_t kWordBytes = sizeof(Word);
constexpr Word kOnes = ~Word{0} / 255, kHighs = kOnes * 0x80, kLows = kOnes * 0x7F;
static_assert(kBlockBytes == 8 * kWordBytes, "a block is eight words");

// Bit 7 of each byte, byte j's at bit j: the multiplication moves bit 7 of
// byte j to the top byte's bit j, and its other products land apart from
// each other below that byte, so nothing carries into it.
constexpr Word kGather = sizeof(Word) == 8 ? Word(0x0002040810204081u) : Word(0x00204081u);
inline ByteMask highBits(Word w) {
    return ByteMask(((w & kHighs) * kGather) >> (8 * kWordBytes - kWordBytes));
}

// 0x80 in exactly the zero bytes of x.
inline Word zeroBytes(Word x) {
    return ~(((x & kLows) + kLows) | x | kLows);
}

// 0x80 in exactly the bytes of x below 0x20: no sum carries into the next
// byte.
inline Word controlBytes(Word x) {
    return ~(((x & kLows) + kOnes * 0x60) | x) & kHighs;
}

} // namespace

void classifyBlocksByWords(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out) {
    for (; blocks > 0; --blocks, bytes += kBlockBytes, ++out) {
        ByteClasses c{0, 0, 0, 0};
        for (unsigned k = 0; k < 8; ++k) {
            Word w;
            std::memcpy(&w, bytes + k * kWordBytes, sizeof w);
            const unsigned shift = k * kWordBytes;
            c.lead |= highBits(w) << shift;
            const Word controls = controlBytes(w);
            if (!controls) continue; // no CR, LF or stop byte: most words
            const Word crs = zeroBytes(w ^ (kOnes * '\r')),
                       newLines = zeroBytes(w ^ (kOnes * '\n'));
            c.cr |= highBits(crs) << shift;
            if (lfs) c.lf |= highBits(newLines) << shift;
            if (controls & ~(crs | newLines))
                c.stop |= highBits(zeroBytes(w) | zeroBytes(w ^ (kOnes * 0x1A))) << shift;
        }
        *out = c;
    }
}

void classifyBlocks(const char* bytes, std::size_t blocks, bool lfs, ByteClasses* out) {
#if defined(TEXTSPLIT_VECTOR_PATH)
    if (vectorPath()) {
        classifyBlocksByVectors(bytes, blocks, lfs, out);
        return;
    }
#endif
    classifyBlocksByWords(bytes, blocks, lfs, out);
}

} // namespace app
