// Conversions between the basic types, the text forms of numbers, logicals
// and date-time values, and the message box command. Each conversion takes
// one value block: the type tag decides how the value is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "runtime/values.h"

namespace rt {

// Fresh text of the value; null when the result is empty or the tag is not
// convertible. Texts are copied, byte sets and arrays of byte, short,
// integer, subroutine and long elements give their bytes up to the first
// zero byte.
char* toText(const ValueBlock& value);

// Texts are parsed as decimal after full-width forms are mapped to ASCII
// (leading blanks, a sign, digits; wraps modulo 2^32; no digits give 0).
// Reals truncate toward zero; NaN and values outside the 32-bit range give
// the smallest integer, as the processor's truncation does.
std::int32_t toInteger(const ValueBlock& value);
std::int32_t parseInteger(const char* text);

// Fresh byte set of the value's bytes in memory order; null when empty or
// not convertible.
ByteSet toByteSet(const ValueBlock& value);

// Shows the value (formatted as to text does; arrays and byte sets give an
// empty message) in a box without owner window. Returns the button pressed
// as the box's result minus 1: 0 for OK, 1 Cancel, ... 6 No.
std::int32_t messageBox(const ValueBlock& message,
                        std::optional<std::uint32_t> style = std::nullopt,
                        std::optional<const char*> caption = std::nullopt);

// The default caption of message boxes, "信息".
extern const char kInformationCaption[];

// Text forms. Buffers of kNumberBufferSize hold every value of every type:
// the longest is "%f" of -1.8e308, 317 characters.
constexpr std::size_t kNumberBufferSize = 328;
// Writes the text form of a basic, non-array value that is not a text or
// byte set; returns its length, or -1 when the tag has no text form.
int formatValue(const ValueBlock& value, char* buffer, std::size_t size);
// "%f" of the value with trailing zeros (and a bare point) cut: 1.5, 100, 0.
// Infinities and NaN give "inf", "-inf" and "nan" on every platform.
int formatReal(double value, char* buffer, std::size_t size);
// "%d年%d月%d日" and, unless dateOnly or the time is midnight, the time from
// the hour down to the last non-zero field ("18时", "6时5分", "0时0分1秒"; a
// time that rounds up to a whole day is "24时" of its own day). The value
// counts days from 30 December 1899, the fraction's magnitude is the time
// of day. Returns -1 for NaN, infinities and days whose year does not fit
// a 32-bit integer (beyond about 7.8e11 days), which have no date.
int formatDateTime(double value, bool dateOnly, char* buffer, std::size_t size);

} // namespace rt
