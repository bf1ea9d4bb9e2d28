// Text and byte-set commands. Texts are byte strings in the ANSI code page:
// a byte of 0x80 or above leads a two-byte character wherever a command
// scans. Every result is a fresh heap block owned by the caller (or null
// where stated); arguments are borrowed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

#include "runtime/values.h"

namespace rt {

// The one rule of every walk over a text: a byte of 0x80 or above leads a
// two-byte character; a lead byte with nothing after it stands alone.
inline bool isLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}
// The bytes of the character at text[i] in a text of length bytes: 1 or 2.
inline std::size_t characterSize(const char* text, std::size_t i, std::size_t length) {
    return isLeadByte(text[i]) && i + 1 < length ? 2 : 1;
}
// The same at the start of a zero-terminated text (the terminator is never a
// second byte).
inline std::size_t characterSize(const char* text) {
    return isLeadByte(text[0]) && text[1] ? 2 : 1;
}

// Concatenation of the texts in order (null counts as ""); never null.
char* joinTexts(const char* const* texts, std::size_t count);
inline char* joinTexts(std::initializer_list<const char*> texts) {
    return joinTexts(texts.begin(), texts.size());
}

// Splits at every occurrence of the delimiter (default ","), never inside a
// two-byte character. Empty pieces between delimiters stay, a trailing
// delimiter adds no empty piece; an empty delimiter gives the whole text as
// one element. With a maximum, at most that many pieces are kept (negative
// counts as 0). Always a fresh one-dimensional array of texts.
Array splitText(const char* text, std::optional<const char*> delimiter = std::nullopt,
                std::optional<std::int32_t> maximum = std::nullopt);

// Collects fresh texts in order into a new one-dimensional array of texts.
// The pointers gather in a growable buffer whose heap block then becomes
// the array itself, so a large array is never copied. Texts collected but
// not handed over in an array are freed with the collector.
class TextCollector {
  public:
    TextCollector();
    TextCollector(const TextCollector&) = delete;
    TextCollector& operator=(const TextCollector&) = delete;
    ~TextCollector();

    // Takes the text over; out of memory ends the process.
    void add(char* owned);
    std::int32_t count() const;
    // The collected texts as an array; the collector is empty afterwards.
    Array finish();

  private:
    GrowBuffer pointers_; // an array header's room, then the pointers
};

// -1, 0 or 1 by unsigned bytes; null equals "".
std::int32_t compareTexts(const char* left, const char* right);

// n ASCII spaces; null when n < 1.
char* spaces(std::int32_t n);
// A copy; null when the text is empty.
char* duplicateText(const char* text);
// The last n bytes (all of them when n exceeds the length); null when the
// text is empty or n <= 0.
char* rightPart(const char* text, std::int32_t n);
// Without leading ASCII and full-width (A1 A1) spaces; null when nothing is
// left.
char* trimLeft(const char* text);
// Without leading and trailing ASCII and full-width spaces; null when
// nothing is left.
char* trimBoth(const char* text);
// One-byte text of the code's low 8 bits; null when they are 0.
char* character(std::int32_t code);
// The byte at the position (from 1) as a signed 8-bit value; 0 outside the
// text.
std::int32_t characterCode(const char* text, std::optional<std::int32_t> position = std::nullopt);

// n zero bytes; null when n <= 0.
ByteSet zeroByteSet(std::int32_t n);
// The first min(n, length) bytes; null when empty or n <= 0.
ByteSet leftBytes(const ByteSetHeader* bytes, std::int32_t n);
// Replaces non-overlapping occurrences of sought, scanning from the start
// position (from 1), at most maximum of them; an omitted replacement
// deletes. An occurrence that ends at the last byte is replaced too.
ByteSet replaceBytes(const ByteSetHeader* bytes, const ByteSetHeader* sought,
                     std::optional<const ByteSetHeader*> replacement = std::nullopt,
                     std::optional<std::int32_t> start = std::nullopt,
                     std::optional<std::int32_t> maximum = std::nullopt);

// Copies the value's bytes to target: a text with its terminator, a byte
// set's or byte array's bytes, a basic value by its size; at most maximum
// bytes when one above 0 is given. Returns the bytes copied (0 for an empty
// text or byte set, other arrays and tags outside the basic class).
std::size_t writeToMemory(const ValueBlock& value, void* target,
                          std::optional<std::int32_t> maximum = std::nullopt);

std::int32_t bitAnd(std::initializer_list<std::int32_t> values);
std::int32_t bitOr(std::initializer_list<std::int32_t> values);
inline std::int32_t bitNot(std::int32_t value) {
    return ~value;
}
// Arithmetic shift by count modulo 32.
std::int32_t shiftRight(std::int32_t value, std::int32_t count);
// high's low 16 bits * 65536 + low's low 16 bits.
std::int32_t joinShorts(std::int32_t low, std::int32_t high);
double absoluteValue(double value);

} // namespace rt
