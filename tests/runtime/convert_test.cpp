#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/convert.h"
#include "runtime/values.h"
#include "tests/support/owned_values.h"

namespace {

using testsupport::bytesOf;
using testsupport::textOf;

std::string dateText(double day) {
    return textOf(rt::toText(rt::ValueBlock::ofDouble(day, rt::kTagDateTime)));
}

rt::ValueBlock arrayOf(rt::Array a, std::uint32_t elementTag) {
    return rt::ValueBlock::ofPointer(elementTag | rt::kArrayFlag, a);
}

TEST(ToText, IntegersOfEveryWidth) {
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofInt(0))), "0"); // not null
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofInt(-17))), "-17");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofInt(INT_MIN))), "-2147483648");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::of(rt::kTagByte, 0x1FF))), "255");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::of(rt::kTagShort, 0x18000))), "-32768");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::of(rt::kTagSubroutine, 4096))), "4096");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofLong(INT64_MIN))), "-9223372036854775808");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofLong(INT64_MAX))), "9223372036854775807");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofLong(5000000000LL))), "5000000000");
}

TEST(ToText, RealsLoseTrailingZeros) {
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofFloat(0.1f))), "0.1");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(100))), "100");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(-2.5))), "-2.5");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(0))), "0");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(1.5))), "1.5");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(10.25))), "10.25");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(1234567.0000004))), "1234567");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(0.0000006))), "0.000001"); // "%f" rounds
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(std::numeric_limits<double>::infinity()))),
              "inf");
    EXPECT_EQ(
        textOf(rt::toText(rt::ValueBlock::ofDouble(-std::numeric_limits<double>::infinity()))),
        "-inf");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofDouble(std::nan("")))), "nan");
}

// Beyond 1e252 "%f" needs more than 259 characters: every digit is kept and
// nothing runs past the buffer.
TEST(ToText, HugeRealsKeepEveryDigit) {
    for (double v : {1e252, -1e260, 1e300, DBL_MAX, -DBL_MAX, 123456789e250}) {
        std::string text = textOf(rt::toText(rt::ValueBlock::ofDouble(v)));
        EXPECT_GE(text.size(), 253u);
        EXPECT_EQ(text.find('.'), std::string::npos) << text; // the point went with the zeros
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    std::string most = textOf(rt::toText(rt::ValueBlock::ofDouble(-DBL_MAX)));
    EXPECT_EQ(most.size(), 310u); // sign and 309 digits
    char buffer[rt::kNumberBufferSize];
    EXPECT_LT(rt::formatReal(-DBL_MAX, buffer, sizeof buffer), int(sizeof buffer));
    // A small buffer is cut, never overrun.
    char small[8];
    std::memset(small, 'z', sizeof small);
    rt::formatReal(1e300, small, 4);
    EXPECT_EQ(small[3], '\0');
    EXPECT_EQ(small[4], 'z');
}

TEST(ToText, LogicalsTextsAndByteSets) {
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofLogical(true))), "真");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::of(rt::kTagLogical, 7))), "真");
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofLogical(false))), "假");

    EXPECT_EQ(rt::toText(rt::ValueBlock::ofText("")), nullptr);
    EXPECT_EQ(rt::toText(rt::ValueBlock::ofText(nullptr)), nullptr);
    const char original[] = "copy me";
    char* copy = rt::toText(rt::ValueBlock::ofText(original));
    EXPECT_NE(copy, original);
    EXPECT_EQ(textOf(copy), "copy me");

    rt::ByteSetValue set(rt::newByteSet("ab\0cd", 5));
    EXPECT_EQ(textOf(rt::toText(rt::ValueBlock::ofPointer(rt::kTagByteSet, set.get()))), "ab");
    rt::ByteSetValue leadingZero(rt::newByteSet("\0ab", 3));
    EXPECT_EQ(rt::toText(rt::ValueBlock::ofPointer(rt::kTagByteSet, leadingZero.get())), nullptr);
    EXPECT_EQ(rt::toText(rt::ValueBlock::ofPointer(rt::kTagByteSet, nullptr)), nullptr);

    EXPECT_EQ(rt::toText(rt::ValueBlock::none()), nullptr);
    EXPECT_EQ(rt::toText(rt::ValueBlock::of(0x40000001u, 5)), nullptr);
    EXPECT_EQ(rt::toText(rt::ValueBlock::of(0x80000009u, 5)), nullptr); // basic class, no such type
}

TEST(ToText, IntegerArraysGiveTheirBytes) {
    rt::Array bytes = rt::newArray(4, 1);
    std::memcpy(rt::arrayData(bytes), "ab\0c", 4);
    EXPECT_EQ(textOf(rt::toText(arrayOf(bytes, rt::kTagByte))), "ab");
    rt::free(bytes);

    rt::Array ints = rt::newArray(2, 4);
    std::memcpy(rt::arrayData(ints), "abcdef\0\0", 8);
    EXPECT_EQ(textOf(rt::toText(arrayOf(ints, rt::kTagInt))), "abcdef");
    rt::free(ints);

    rt::Array shorts = rt::newArray(2, 2);
    std::memcpy(rt::arrayData(shorts), "wxyz", 4); // no zero at all: every byte
    EXPECT_EQ(textOf(rt::toText(arrayOf(shorts, rt::kTagShort))), "wxyz");
    rt::free(shorts);

    rt::Array longs = rt::newArray(1, 8);
    EXPECT_EQ(rt::toText(arrayOf(longs, rt::kTagLong)), nullptr); // zeros only
    rt::free(longs);

    rt::Array doubles = rt::newArray(1, 8);
    std::memcpy(rt::arrayData(doubles), "abcdefgh", 8);
    EXPECT_EQ(rt::toText(arrayOf(doubles, rt::kTagDouble)), nullptr);
    rt::free(doubles);
    EXPECT_EQ(rt::toText(arrayOf(nullptr, rt::kTagByte)), nullptr);
}

TEST(DateTimeText, DocumentedDays) {
    EXPECT_EQ(dateText(2.75), "1900年1月1日18时");
    EXPECT_EQ(dateText(0), "1899年12月30日");
    EXPECT_EQ(dateText(0.5), "1899年12月30日12时");
    EXPECT_EQ(dateText(-1.25), "1899年12月29日6时");
    EXPECT_EQ(dateText(1), "1899年12月31日");
    EXPECT_EQ(dateText(1 + 5.0 / 1440), "1899年12月31日0时5分");
    EXPECT_EQ(dateText(1.0 / 86400), "1899年12月30日0时0分1秒");
    EXPECT_EQ(dateText(2 + (13 * 3600 + 7) / 86400.0), "1900年1月1日13时0分7秒");
    EXPECT_EQ(dateText(61), "1900年3月1日"); // 1900 had no 29 February
    EXPECT_EQ(dateText(36526), "2000年1月1日");
    EXPECT_EQ(dateText(36585), "2000年2月29日");
    char dateOnly[64];
    rt::formatDateTime(2.75, true, dateOnly, sizeof dateOnly);
    EXPECT_STREQ(dateOnly, "1900年1月1日");
}

TEST(DateTimeText, YearEndsBeforeDayZeroRoundingToMidnightAndFarDays) {
    const struct {
        double day;
        const char* text;
    } rows[] = {
        {-363, "1899年1月1日"},
        {-364, "1898年12月31日"}, // a year's last day, never its day 0
        {-365, "1898年12月30日"},
        // A time that rounds up to 24:00 stays on its own day.
        {0.999999999, "1899年12月30日24时"},
        {1.9999999, "1899年12月31日24时"},
        {-1.9999999, "1899年12月29日24时"},
        {1e9, "2739807年1月2日"},
        {-1e9, "-2736008年12月27日"},
        {7.8e11 + 0.5, "2135569365年6月12日12时"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(dateText(row.day), row.text) << row.day;
    // No date for these: the year would not fit a 32-bit integer.
    for (double day : {std::nan(""), 7.9e11, -7.9e11, 1e300})
        EXPECT_EQ(rt::toText(rt::ValueBlock::ofDouble(day, rt::kTagDateTime)), nullptr) << day;
}

// Every day from 1800 to 2100 is the day after its predecessor, by a plain
// count of month lengths.
TEST(DateTimeText, ConsecutiveDaysFollowTheCalendar) {
    auto monthLength = [](int y, int m) {
        static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        return m == 2 && leap ? 29 : days[m - 1];
    };
    int y = 1800, m = 1, d = 1;
    const int first = -36522; // 1 January 1800
    for (int day = first; day <= 73051; ++day) {
        char expected[64], got[64];
        std::snprintf(expected, sizeof expected, "%d年%d月%d日", y, m, d);
        rt::formatDateTime(day, false, got, sizeof got);
        ASSERT_STREQ(got, expected) << "day " << day;
        if (++d > monthLength(y, m)) {
            d = 1;
            if (++m > 12) m = 1, ++y;
        }
    }
    EXPECT_EQ(y, 2100);
}

TEST(ToInteger, TextsAreParsedAfterFullWidthMapping) {
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("\xA3\xB1\xA3\xB2")), 12); // full-width 12
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("\xA3\xAD\xA3\xB7")), -7); // full-width -7
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("\xA1\xA1 5x")), 5);       // full-width space
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("12abc")), 12);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("abc")), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("")), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText(nullptr)), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText(" \t-42")), -42);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("+8")), 8);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("-")), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("\xD6\xD0"
                                                   "3")),
              0); // a character first
    // Overflow wraps modulo 2^32.
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("2147483648")), INT_MIN);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("4294967297")), 1);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofText("-2147483649")), INT_MAX);
}

TEST(ToInteger, NumbersByType) {
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(-3.9)), -3);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(3.9)), 3);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofFloat(2.9f)), 2);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(-2147483648.5)), INT_MIN);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(2147483647.9)), INT_MAX);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(1e10)), INT_MIN);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(std::nan(""))), INT_MIN);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofLong(0x100000005LL)), 5);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::of(rt::kTagByte, 0x1FF)), 255);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::of(rt::kTagShort, 0xFFFF)), -1);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofLogical(true)), 1);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::of(rt::kTagSubroutine, 77)), 77);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofDouble(5.5, rt::kTagDateTime)), 0);
    rt::ByteSetValue set(rt::newByteSet("12", 2));
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::ofPointer(rt::kTagByteSet, set.get())), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::of(rt::kTagInt | rt::kArrayFlag, 12)), 0);
    EXPECT_EQ(rt::toInteger(rt::ValueBlock::none()), 0);
}

TEST(ToByteSet, BytesInMemoryOrder) {
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofInt(1))), std::string("\1\0\0\0", 4));
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::of(rt::kTagByte, 0x1AB))), "\xAB");
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::of(rt::kTagShort, 0x1234))), "\x34\x12");
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofLogical(true))), std::string("\1\0\0\0", 4));
    double d = 2.75;
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofDouble(d, rt::kTagDateTime))),
              std::string(reinterpret_cast<const char*>(&d), 8));
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofLong(-2))),
              std::string(8, '\xFF').replace(0, 1, "\xFE"));
    float f = 0.5f;
    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofFloat(f))),
              std::string(reinterpret_cast<const char*>(&f), 4));

    EXPECT_EQ(bytesOf(rt::toByteSet(rt::ValueBlock::ofText("a\xD6\xD0"))),
              "a\xD6\xD0"); // no terminator
    EXPECT_EQ(rt::toByteSet(rt::ValueBlock::ofText("")), nullptr);
    rt::ByteSetValue set(rt::newByteSet("x\0y", 3));
    rt::ByteSet copy = rt::toByteSet(rt::ValueBlock::ofPointer(rt::kTagByteSet, set.get()));
    EXPECT_NE(copy, set.get());
    EXPECT_EQ(bytesOf(copy), std::string("x\0y", 3));
    EXPECT_EQ(rt::toByteSet(rt::ValueBlock::ofPointer(rt::kTagByteSet, nullptr)), nullptr);
}

TEST(ToByteSet, ArraysAndForeignTags) {
    rt::Array bytes = rt::newArray(3, 1);
    std::memcpy(rt::arrayData(bytes), "\0a\0", 3);
    EXPECT_EQ(bytesOf(rt::toByteSet(arrayOf(bytes, rt::kTagByte))), std::string("\0a\0", 3));
    rt::free(bytes);
    rt::Array ints = rt::newArray(2, 4);
    EXPECT_EQ(rt::toByteSet(arrayOf(ints, rt::kTagInt)), nullptr);
    rt::free(ints);
    rt::Array none = rt::newArray(0, 1);
    EXPECT_EQ(rt::toByteSet(arrayOf(none, rt::kTagByte)), nullptr);
    rt::free(none);
    EXPECT_EQ(rt::toByteSet(rt::ValueBlock::of(0x40000001u, 1)), nullptr);
    EXPECT_EQ(rt::toByteSet(rt::ValueBlock::of(0x12345678u, 1)), nullptr);
    EXPECT_EQ(rt::toByteSet(rt::ValueBlock::none()), nullptr);
}

} // namespace
