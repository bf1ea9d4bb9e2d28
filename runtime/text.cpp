#include "runtime/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/platform.h"

namespace rt {

namespace {

inline unsigned char byteAt(const char* p, std::size_t i) {
    return static_cast<unsigned char>(p[i]);
}

bool isFullWidthSpace(const char* p, std::size_t i, std::size_t length) {
    return i + 1 < length && byteAt(p, i) == 0xA1 && byteAt(p, i + 1) == 0xA1;
}

// Start and end of the text without its leading and (when asked) trailing
// spaces. Walks forward by characters so that a trailing A1 byte that is
// the second half of another character is never taken for a space.
void trimmedRange(const char* text, bool trailing, std::size_t* from, std::size_t* to) {
    std::size_t length = textLength(text);
    std::size_t i = 0;
    for (;;) {
        if (i < length && text[i] == ' ')
            ++i;
        else if (isFullWidthSpace(text, i, length))
            i += 2;
        else
            break;
    }
    *from = i;
    if (!trailing) {
        *to = length;
        return;
    }
    std::size_t end = i;
    while (i < length) {
        if (text[i] == ' ') {
            ++i;
        } else if (isFullWidthSpace(text, i, length)) {
            i += 2;
        } else {
            // A space is never the second byte of a character: a lead byte
            // before one stands alone, and the space is trimmed.
            i += text[i + 1] == ' ' ? 1 : characterSize(text, i, length);
            end = i;
        }
    }
    *to = end;
}

char* textOrNull(const char* source, std::size_t n) {
    return n ? newText(source, static_cast<std::uint32_t>(n)) : nullptr;
}

} // namespace

TextCollector::TextCollector() {
    growInit(&pointers_);
}

TextCollector::~TextCollector() {
    for (std::int32_t i = 0, n = count(); i < n; ++i) {
        char* text;
        std::memcpy(&text, pointers_.data + sizeof(ArrayHeader) + std::size_t(i) * sizeof text,
                    sizeof text);
        free(text);
    }
    growRelease(&pointers_);
}

void TextCollector::add(char* owned) {
    bool room = pointers_.size > 0 || growResize(&pointers_, sizeof(ArrayHeader));
    if (!room || !growAppendPointer(&pointers_, owned)) {
        // A dropped text would be a wrong result: this is out of memory.
        free(owned);
        outOfMemory();
    }
}

std::int32_t TextCollector::count() const {
    if (pointers_.size < sizeof(ArrayHeader)) return 0;
    return static_cast<std::int32_t>((pointers_.size - sizeof(ArrayHeader)) / sizeof(char*));
}

Array TextCollector::finish() {
    const std::int32_t n = count();
    if (n == 0) {
        growRelease(&pointers_);
        return newEmptyArray();
    }
    Array result;
    if (growInPool(&pointers_)) {
        result = newArray(n, sizeof(char*));
        if (n)
            std::memcpy(arrayData(result), pointers_.data + sizeof(ArrayHeader),
                        std::size_t(n) * sizeof(char*));
        pointers_.size = sizeof(ArrayHeader); // the texts are the array's now
        growRelease(&pointers_);
    } else {
        // The heap block is handed over whole, its spare room cut off.
        void* block = pointers_.data;
        if (pointers_.capacity - pointers_.size > 256)
            if (void* cut = platform::heapRealloc(block, pointers_.size)) block = cut;
        result = static_cast<Array>(block);
        pointers_.data = nullptr;
        pointers_.capacity = pointers_.size = 0;
    }
    result->dimensions = 1;
    result->sizes[0] = n;
    growInit(&pointers_);
    return result;
}

char* joinTexts(const char* const* texts, std::size_t count) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += textLength(texts[i]);
    if (total >= 0xFFFFFFFFu) outOfMemory();
    auto* result = static_cast<char*>(allocate(total + 1));
    char* at = result;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t n = textLength(texts[i]);
        if (n) std::memcpy(at, texts[i], n);
        at += n;
    }
    *at = 0;
    return result;
}

Array splitText(const char* text, std::optional<const char*> delimiter,
                std::optional<std::int32_t> maximum) {
    const char* delim = delimiter ? orEmpty(*delimiter) : ",";
    const std::size_t length = textLength(text);
    const bool limited = maximum.has_value();
    std::int32_t left = limited ? std::max<std::int32_t>(*maximum, 0) : 0;
    if (length == 0 || (limited && left == 0)) return newEmptyArray();

    const std::size_t d = std::strlen(delim);
    if (d == 0) {
        Array one = newArray(1, sizeof(char*));
        textElements(one)[0] = newText(text, static_cast<std::uint32_t>(length));
        return one;
    }

    TextCollector pieces;
    const unsigned char first = static_cast<unsigned char>(delim[0]);
    std::size_t start = 0, q = 0, rest = length;
    while (rest >= d) {
        const unsigned char c = byteAt(text, q);
        if (c == first && std::memcmp(text + q, delim, d) == 0) {
            pieces.add(newText(text + start, static_cast<std::uint32_t>(q - start)));
            q += d;
            rest -= d;
            start = q;
            if (limited && --left == 0) break;
            continue;
        }
        // The delimiter never starts at the second byte of a character; a
        // lead byte at the very end stays in the last piece.
        const std::size_t step = characterSize(text, q, length);
        q += step;
        rest -= step;
    }
    if (length > start && !(limited && left == 0))
        pieces.add(newText(text + start, static_cast<std::uint32_t>(length - start)));
    return pieces.finish();
}

std::int32_t compareTexts(const char* left, const char* right) {
    int r = std::strcmp(orEmpty(left), orEmpty(right)); // compares unsigned bytes
    return r < 0 ? -1 : r > 0 ? 1 : 0;
}

char* spaces(std::int32_t n) {
    return n < 1 ? nullptr : blankText(static_cast<std::uint32_t>(n));
}

char* duplicateText(const char* text) {
    return textOrNull(text, textLength(text));
}

char* rightPart(const char* text, std::int32_t n) {
    std::size_t length = textLength(text);
    if (!length || n <= 0) return nullptr;
    std::size_t take = std::min<std::size_t>(length, static_cast<std::size_t>(n));
    return newText(text + (length - take), static_cast<std::uint32_t>(take));
}

char* trimLeft(const char* text) {
    std::size_t from = 0, to = 0;
    trimmedRange(text, false, &from, &to);
    return textOrNull(orEmpty(text) + from, to - from);
}

char* trimBoth(const char* text) {
    std::size_t from = 0, to = 0;
    trimmedRange(text, true, &from, &to);
    return textOrNull(orEmpty(text) + from, to - from);
}

char* character(std::int32_t code) {
    char c = static_cast<char>(code & 0xFF);
    return c ? newText(&c, 1) : nullptr;
}

std::int32_t characterCode(const char* text, std::optional<std::int32_t> position) {
    std::int32_t at = position.value_or(1);
    std::size_t length = textLength(text);
    if (at < 1 || static_cast<std::size_t>(at) > length) return 0;
    return static_cast<std::int8_t>(text[at - 1]);
}

ByteSet zeroByteSet(std::int32_t n) {
    return newByteSet(nullptr, n);
}

ByteSet leftBytes(const ByteSetHeader* bytes, std::int32_t n) {
    std::int32_t length = byteSetLength(bytes);
    if (length <= 0 || n <= 0) return nullptr;
    return newByteSet(byteSetData(bytes), std::min(length, n));
}

ByteSet replaceBytes(const ByteSetHeader* bytes, const ByteSetHeader* sought,
                     std::optional<const ByteSetHeader*> replacement,
                     std::optional<std::int32_t> start, std::optional<std::int32_t> maximum) {
    const std::int32_t length = byteSetLength(bytes);
    const std::int32_t soughtLength = byteSetLength(sought);
    if (length <= 0 || length < soughtLength) return nullptr;
    const std::uint8_t* data = byteSetData(bytes);
    const std::int32_t from = start.value_or(1);
    const std::int32_t most = maximum.value_or(0x7FFFFFFF);
    // Every start from which a whole occurrence fits is accepted, the one
    // ending at the last byte included.
    if (soughtLength <= 0 || from < 1 || most < 1 || from > length - soughtLength + 1)
        return newByteSet(data, length);

    const std::uint8_t* soughtData = byteSetData(sought);
    const std::int32_t withLength = replacement ? byteSetLength(*replacement) : 0;
    const std::uint8_t* withData = withLength > 0 ? byteSetData(*replacement) : nullptr;

    // First pass counts, second builds; occurrences never overlap.
    std::int64_t found = 0;
    const std::uint8_t* end = data + length;
    for (const std::uint8_t* at = data + (from - 1); found < most;) {
        at = std::search(at, end, soughtData, soughtData + soughtLength);
        if (at == end) break;
        ++found;
        at += soughtLength;
    }
    if (found == 0) return newByteSet(data, length);
    std::int64_t total = length + (std::int64_t{withLength} - soughtLength) * found;
    if (total > 0x7FFFFFFF) outOfMemory();
    if (total <= 0) return nullptr;

    ByteSet result = newByteSet(nullptr, static_cast<std::int32_t>(total));
    std::uint8_t* out = byteSetData(result);
    const std::uint8_t* copied = data;
    const std::uint8_t* at = data + (from - 1);
    for (std::int64_t i = 0; i < found; ++i) {
        at = std::search(at, end, soughtData, soughtData + soughtLength);
        out = std::copy(copied, at, out);
        if (withLength > 0) out = std::copy(withData, withData + withLength, out);
        at += soughtLength;
        copied = at;
    }
    std::copy(copied, end, out);
    return result;
}

std::size_t writeToMemory(const ValueBlock& value, void* target,
                          std::optional<std::int32_t> maximum) {
    if (!target || !isBasicClass(value.tag)) return 0;
    const void* source = nullptr;
    std::size_t n = 0;
    if (isArrayTag(value.tag)) {
        auto* array = static_cast<const ArrayHeader*>(value.asPointer());
        if (elementTag(value.tag) != kTagByte || !array) return 0;
        source = arrayData(array);
        n = static_cast<std::size_t>(std::max(elementCount(array), 0));
    } else if (value.tag == kTagText) {
        const char* text = value.asText();
        n = textLength(text);
        if (n) ++n; // with its terminator
        source = text;
    } else if (value.tag == kTagByteSet) {
        auto* bytes = static_cast<const ByteSetHeader*>(value.asPointer());
        n = static_cast<std::size_t>(std::max(byteSetLength(bytes), 0));
        source = n ? byteSetData(bytes) : nullptr;
    } else {
        n = elementSize(value.tag);
        source = &value; // the value field holds the value in memory order
    }
    if (maximum && *maximum > 0) n = std::min(n, static_cast<std::size_t>(*maximum));
    if (n) std::memcpy(target, source, n);
    return n;
}

std::int32_t bitAnd(std::initializer_list<std::int32_t> values) {
    if (values.size() == 0) return 0;
    std::int32_t r = -1;
    for (std::int32_t v : values)
        r &= v;
    return r;
}

std::int32_t bitOr(std::initializer_list<std::int32_t> values) {
    std::int32_t r = 0;
    for (std::int32_t v : values)
        r |= v;
    return r;
}

std::int32_t shiftRight(std::int32_t value, std::int32_t count) {
    return value >> (count & 31);
}

std::int32_t joinShorts(std::int32_t low, std::int32_t high) {
    auto joined = (static_cast<std::uint32_t>(high) & 0xFFFFu) << 16 |
                  (static_cast<std::uint32_t>(low) & 0xFFFFu);
    return static_cast<std::int32_t>(joined);
}

double absoluteValue(double value) {
    return std::fabs(value);
}

} // namespace rt
