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

} // namespace

void classifyBlocksByWords(const char* bytes, std::size_t blocks, ByteClasses* out) {
    for (; blocks > 0; --blocks, bytes += kBlockBytes, ++out) {
        Word w[8];
        std::memcpy(w, bytes, sizeof w);
        ByteMask lead = 0;
        Word controls = 0; // 0x80 somewhere when a byte is below 0x20
        for (unsigned k = 0; k < 8; ++k) {
            lead |= highBits(w[k]) << (k * kWordBytes);
            controls |= (w[k] - kOnes * 0x20) & ~w[k];
        }
        *out = ByteClasses{lead, 0, 0, 0};
        if ((controls & kHighs) == 0) continue; // no CR, LF or stop byte
        for (unsigned k = 0; k < 8; ++k) {
            const unsigned shift = k * kWordBytes;
            out->cr |= highBits(zeroBytes(w[k] ^ (kOnes * '\r'))) << shift;
            out->lf |= highBits(zeroBytes(w[k] ^ (kOnes * '\n'))) << shift;
            out->stop |= highBits(zeroBytes(w[k]) | zeroBytes(w[k] ^ (kOnes * 0x1A))) << shift;
        }
    }
}

void classifyBlocks(const char* bytes, std::size_t blocks, ByteClasses* out) {
#if defined(TEXTSPLIT_VECTOR_PATH)
    if (vectorPath()) {
        classifyBlocksByVectors(bytes, blocks, out);
        return;
    }
#endif
    classifyBlocksByWords(bytes, blocks, out);
}

} // namespace app
