#include "runtime/convert.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/platform.h"
#include "runtime/text.h"

namespace rt {

const char kInformationCaption[] = "信息";

namespace {

const char kTrue[] = "真";
const char kFalse[] = "假";

int put(char* buffer, std::size_t size, const char* text) {
    return std::snprintf(buffer, size, "%s", text);
}

// Bytes of the array's elements up to the first zero byte as a text, for
// the integer element types; null for others and for no bytes at all.
char* arrayBytesAsText(const ValueBlock& value) {
    std::uint32_t element = elementTag(value.tag);
    if (element != kTagByte && element != kTagShort && element != kTagInt &&
        element != kTagSubroutine && element != kTagLong)
        return nullptr;
    auto* array = static_cast<const ArrayHeader*>(value.asPointer());
    if (!array) return nullptr;
    std::int32_t count = elementCount(array);
    if (count <= 0) return nullptr;
    std::size_t bytes = std::size_t(count) * elementSize(element);
    auto* data = reinterpret_cast<const char*>(arrayData(array));
    const void* zero = std::memchr(data, 0, bytes);
    std::size_t n = zero ? std::size_t(static_cast<const char*>(zero) - data) : bytes;
    return n ? newText(data, static_cast<std::uint32_t>(n)) : nullptr;
}

bool isBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Full-width solidus and reverse solidus become their ASCII forms, character
// by character (a two-byte character is never split).
std::string mapSolidi(const char* text, std::size_t length) {
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (characterSize(text, i, length) == 2) {
            auto t = static_cast<unsigned char>(text[i + 1]);
            if (c == 0xA3 && t == 0xAF)
                out += '/';
            else if (c == 0xA3 && t == 0xDC)
                out += '\\';
            else
                out.append(text + i, 2);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

int formatReal(double value, char* buffer, std::size_t size) {
    if (std::isnan(value)) return put(buffer, size, "nan");
    if (std::isinf(value)) return put(buffer, size, value < 0 ? "-inf" : "inf");
    int n = std::snprintf(buffer, size, "%f", value);
    if (n < 0 || std::size_t(n) >= size) return n; // cut; the caller sizes buffers to fit
    char* point = std::strchr(buffer, '.');
    if (!point) return n;
    char* last = buffer + n - 1;
    while (last > point && *last == '0')
        --last;
    if (last == point) --last;
    last[1] = 0;
    return static_cast<int>(last + 1 - buffer);
}

int formatDateTime(double value, bool dateOnly, char* buffer, std::size_t size) {
    // Every day whose year "%d" can print has a date: about 7.8e11 days
    // either way. The first bound keeps the 64-bit arithmetic exact.
    if (!std::isfinite(value) || std::fabs(value) >= 1e15) return -1;
    double whole = 0;
    double fraction = std::modf(value, &whole);
    // A time that rounds up to a whole day stays on its own day, as "24时":
    // stored texts of such times were made that way.
    auto seconds = static_cast<std::int64_t>(std::fabs(fraction) * 86400 + 0.5);
    auto day = static_cast<std::int64_t>(whole);
    // Day 0 is 30 December 1899. Counted from 1 March of year 0 of the
    // proleptic Gregorian calendar so that leap days fall at a year's end.
    std::int64_t z = day + 693899; // days from 0000-03-01 to 1899-12-30
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t dayOfEra = z - era * 146097;
    std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    int dayOfMonth = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    int month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    std::int64_t longYear = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    if (longYear < INT32_MIN || longYear > INT32_MAX) return -1; // no year to print
    int year = static_cast<int>(longYear);

    int hours = static_cast<int>(seconds / 3600);
    int minutes = static_cast<int>(seconds % 3600 / 60);
    int secs = static_cast<int>(seconds % 60);
    if (dateOnly || (!hours && !minutes && !secs))
        return std::snprintf(buffer, size, "%d年%d月%d日", year, month, dayOfMonth);
    if (secs)
        return std::snprintf(buffer, size, "%d年%d月%d日%d时%d分%d秒", year, month, dayOfMonth,
                             hours, minutes, secs);
    if (minutes)
        return std::snprintf(buffer, size, "%d年%d月%d日%d时%d分", year, month, dayOfMonth, hours,
                             minutes);
    return std::snprintf(buffer, size, "%d年%d月%d日%d时", year, month, dayOfMonth, hours);
}

int formatValue(const ValueBlock& value, char* buffer, std::size_t size) {
    switch (value.tag) {
    case kTagInt:
    case kTagSubroutine:
        return std::snprintf(buffer, size, "%d", value.asInt());
    case kTagByte:
        return std::snprintf(buffer, size, "%d", static_cast<int>(value.low & 0xFF));
    case kTagShort:
        return std::snprintf(buffer, size, "%d",
                             static_cast<int>(static_cast<std::int16_t>(value.low)));
    case kTagLong:
        return std::snprintf(buffer, size, "%" PRId64, value.asLong());
    case kTagFloat:
        return formatReal(static_cast<double>(value.asFloat()), buffer, size);
    case kTagDouble:
        return formatReal(value.asDouble(), buffer, size);
    case kTagLogical:
        return put(buffer, size, value.low ? kTrue : kFalse);
    case kTagDateTime:
        return formatDateTime(value.asDouble(), false, buffer, size);
    default:
        return -1;
    }
}

char* toText(const ValueBlock& value) {
    if (!isBasicClass(value.tag)) return nullptr;
    if (isArrayTag(value.tag)) return arrayBytesAsText(value);
    if (value.tag == kTagByteSet) {
        auto* bytes = static_cast<const ByteSetHeader*>(value.asPointer());
        std::int32_t length = byteSetLength(bytes);
        if (length <= 0) return nullptr;
        auto* data = reinterpret_cast<const char*>(byteSetData(bytes));
        const void* zero = std::memchr(data, 0, std::size_t(length));
        std::size_t n =
            zero ? std::size_t(static_cast<const char*>(zero) - data) : std::size_t(length);
        return n ? newText(data, static_cast<std::uint32_t>(n)) : nullptr;
    }
    if (value.tag == kTagText) {
        const char* text = value.asText();
        std::uint32_t n = textLength(text);
        return n ? newText(text, n) : nullptr;
    }
    char buffer[kNumberBufferSize];
    int n = formatValue(value, buffer, sizeof buffer);
    if (n <= 0) return nullptr;
    return copyText(buffer);
}

std::int32_t parseInteger(const char* text) {
    std::size_t length = textLength(text);
    if (!length) return 0;
    std::string solidi = mapSolidi(text, length);
    // Half-width forms never take more bytes than their full-width ones;
    // the spare room only guards against a mapping that would.
    std::string mapped(solidi.size() * 2 + 2, '\0');
    int n = platform::mapHalfWidth(solidi.data(), static_cast<int>(solidi.size()), &mapped[0],
                                   static_cast<int>(mapped.size()));
    if (n > 0)
        mapped.resize(std::size_t(n));
    else
        mapped = solidi; // no mapping available: parse the text as it is

    std::size_t i = 0;
    while (i < mapped.size() && isBlank(static_cast<unsigned char>(mapped[i])))
        ++i;
    bool negative = false;
    if (i < mapped.size() && (mapped[i] == '+' || mapped[i] == '-')) negative = mapped[i++] == '-';
    std::uint32_t result = 0; // wraps modulo 2^32, as documented
    while (i < mapped.size() && mapped[i] >= '0' && mapped[i] <= '9')
        result = result * 10u + std::uint32_t(mapped[i++] - '0');
    if (negative) result = 0u - result;
    return static_cast<std::int32_t>(result);
}

std::int32_t toInteger(const ValueBlock& value) {
    switch (value.tag) {
    case kTagLogical:
    case kTagSubroutine:
    case kTagInt:
    case kTagLong:
        return static_cast<std::int32_t>(value.low);
    case kTagByte:
        return static_cast<std::int32_t>(value.low & 0xFF);
    case kTagShort:
        return static_cast<std::int16_t>(value.low);
    case kTagFloat:
    case kTagDouble: {
        double v = value.tag == kTagFloat ? double(value.asFloat()) : value.asDouble();
        // Outside the range the conversion is undefined in C++; x86's
        // truncating conversion gives the "integer indefinite" value.
        if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
        return static_cast<std::int32_t>(v);
    }
    case kTagText:
        return parseInteger(value.asText());
    default:
        return 0;
    }
}

ByteSet toByteSet(const ValueBlock& value) {
    if (isArrayTag(value.tag)) {
        if (!isBasicClass(value.tag) || elementTag(value.tag) != kTagByte) return nullptr;
        auto* array = static_cast<const ArrayHeader*>(value.asPointer());
        if (!array) return nullptr;
        return newByteSet(arrayData(array), elementCount(array));
    }
    if (!isBasicClass(value.tag)) return nullptr;
    if (value.tag == kTagText) {
        const char* text = value.asText();
        return newByteSet(text, static_cast<std::int32_t>(textLength(text)));
    }
    if (value.tag == kTagByteSet) {
        auto* bytes = static_cast<const ByteSetHeader*>(value.asPointer());
        std::int32_t length = byteSetLength(bytes);
        return length > 0 ? newByteSet(byteSetData(bytes), length) : nullptr;
    }
    return newByteSet(&value, static_cast<std::int32_t>(elementSize(value.tag)));
}

std::int32_t messageBox(const ValueBlock& message, std::optional<std::uint32_t> style,
                        std::optional<const char*> caption) {
    char buffer[kNumberBufferSize] = {};
    const char* text = buffer;
    if (message.tag == kTagText)
        text = orEmpty(message.asText());
    else if (formatValue(message, buffer, sizeof buffer) < 0)
        buffer[0] = 0; // arrays, byte sets and unknown tags: an empty box
    const char* title = caption ? orEmpty(*caption) : kInformationCaption;
    return platform::messageBox(nullptr, text, title, style.value_or(0)) - 1;
}

} // namespace rt
