#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/text.h"
#include "runtime/values.h"
#include "tests/support/owned_values.h"

namespace {

// Takes the array over and returns its elements; every element must be a
// real text (an empty piece is "" and never null).
std::vector<std::string> pieces(rt::Array owned) {
    rt::TextArray array(owned);
    std::vector<std::string> out;
    EXPECT_NE(owned, nullptr);
    if (!owned) return out;
    EXPECT_EQ(owned->dimensions, 1);
    for (std::int32_t i = 1; i <= array.count(); ++i) {
        EXPECT_NE(array.at(i), nullptr) << "element " << i;
        out.emplace_back(rt::orEmpty(array.at(i)));
    }
    return out;
}

using Lines = std::vector<std::string>;

using testsupport::bytesOf;
using testsupport::textOf;

rt::ByteSetValue byteSet(const std::string& s) {
    return rt::ByteSetValue(rt::newByteSet(s.data(), static_cast<std::int32_t>(s.size())));
}

TEST(SplitText, CrLfSeparatesLinesAndAFinalOneAddsNothing) {
    EXPECT_EQ(pieces(rt::splitText("a\r\nb\r\n", "\r\n")), (Lines{"a", "b"}));
    EXPECT_EQ(pieces(rt::splitText("a\r\nb", "\r\n")), (Lines{"a", "b"}));
    EXPECT_EQ(pieces(rt::splitText("a\r\n\r\nb", "\r\n")), (Lines{"a", "", "b"}));
    EXPECT_EQ(pieces(rt::splitText("\r\n", "\r\n")), (Lines{""}));
    EXPECT_EQ(pieces(rt::splitText("\r\n\r\n", "\r\n")), (Lines{"", ""}));
    // Only the pair separates: lone CR and LF stay inside their line.
    EXPECT_EQ(pieces(rt::splitText("a\rb\nc\n\r\r\n", "\r\n")), (Lines{"a\rb\nc\n\r"}));
    EXPECT_EQ(pieces(rt::splitText("a\r", "\r\n")), (Lines{"a\r"}));
    EXPECT_EQ(pieces(rt::splitText("x\ny\nz\n", "\r\n")), (Lines{"x\ny\nz\n"}));
}

TEST(SplitText, EmptyTextsAndDelimiters) {
    EXPECT_EQ(pieces(rt::splitText("", "\r\n")), Lines{});
    EXPECT_EQ(pieces(rt::splitText(nullptr, "\r\n")), Lines{});
    EXPECT_EQ(pieces(rt::splitText("abc", "")), (Lines{"abc"}));
    EXPECT_EQ(pieces(rt::splitText("abc", nullptr)), (Lines{"abc"})); // a null text is ""
    EXPECT_EQ(pieces(rt::splitText("ab", "abc")), (Lines{"ab"}));
    EXPECT_EQ(pieces(rt::splitText(",")), (Lines{""}));
    // A fresh array every time, never the constant.
    rt::TextArray empty(rt::splitText(""));
    EXPECT_NE(empty.get(), &rt::kEmptyArray);
    EXPECT_EQ(empty.count(), 0);
}

TEST(SplitText, DefaultDelimiterAndMaximum) {
    EXPECT_EQ(pieces(rt::splitText("a,b,c")), (Lines{"a", "b", "c"}));
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, 2)), (Lines{"a", "b"}));
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, 3)), (Lines{"a", "b", "c"}));
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, 9)), (Lines{"a", "b", "c"}));
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, 1)), (Lines{"a"}));
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, 0)), Lines{});
    EXPECT_EQ(pieces(rt::splitText("a,b,c", std::nullopt, -4)), Lines{});
    EXPECT_EQ(pieces(rt::splitText("abc", "", 0)), Lines{});
}

TEST(SplitText, NeverSplitsInsideATwoByteCharacter) {
    // 0x81 0x0D is one character: its second byte is not the CR of a line end.
    EXPECT_EQ(pieces(rt::splitText("\x81\r\nb\r\nc", "\r\n")), (Lines{"\x81\r\nb", "c"}));
    // A second byte equal to a one-byte delimiter.
    EXPECT_EQ(pieces(rt::splitText("\x81\\x\\y", "\\")), (Lines{"\x81\\x", "y"}));
    // A delimiter that is itself a two-byte character.
    EXPECT_EQ(pieces(rt::splitText("a\xA3\xAC"
                                   "b\xB0\xA3\xAC"
                                   "c",
                                   "\xA3\xAC")),
              (Lines{"a", "b\xB0\xA3\xAC"
                          "c"}));
    // A lead byte at the very end stays in the last piece.
    EXPECT_EQ(pieces(rt::splitText("ab\x81", ",")), (Lines{"ab\x81"}));
    EXPECT_EQ(pieces(rt::splitText("a,\x81", ",")), (Lines{"a", "\x81"}));
    EXPECT_EQ(pieces(rt::splitText("a\r\n\xFF", "\r\n")), (Lines{"a", "\xFF"}));
}

TEST(SplitText, ManyPiecesOutgrowThePoolAndKeepTheirOrder) {
    const int before = rt::blockPool().inUse;
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += std::to_string(i) + "\r\n";
    Lines got = pieces(rt::splitText(text.c_str(), "\r\n"));
    ASSERT_EQ(got.size(), 5000u);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(got[std::size_t(i)], std::to_string(i));
    EXPECT_EQ(rt::blockPool().inUse, before); // the collecting buffer went back
}

// Joining the pieces again gives the text back, whatever lies between the
// line ends (single-byte texts).
TEST(SplitText, PiecesJoinBackToTheText) {
    std::mt19937 random(12345);
    const char alphabet[] = {'a', '\r', '\n', '\r', '\n', 'b'};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        std::size_t n = random() % 24;
        for (std::size_t i = 0; i < n; ++i)
            text += alphabet[random() % sizeof alphabet];
        Lines got = pieces(rt::splitText(text.c_str(), "\r\n"));
        std::string joined;
        for (std::size_t i = 0; i < got.size(); ++i)
            joined += (i ? "\r\n" : "") + got[i];
        if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) joined += "\r\n";
        ASSERT_EQ(joined, text);
    }
}

TEST(TextCollector, SmallAndLargeArraysKeepTheirOrder) {
    const int before = rt::blockPool().inUse;
    for (int n : {0, 1, 3, 63, 64, 10000}) {
        rt::TextCollector collector;
        for (int i = 0; i < n; ++i)
            collector.add(rt::copyText(std::to_string(i).c_str()));
        EXPECT_EQ(collector.count(), n);
        Lines got = pieces(collector.finish());
        ASSERT_EQ(int(got.size()), n);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(got[std::size_t(i)], std::to_string(i));
        EXPECT_EQ(collector.count(), 0); // empty again after finish
        EXPECT_EQ(pieces(collector.finish()), Lines{});
    }
    EXPECT_EQ(rt::blockPool().inUse, before);
}

// Texts not handed over go with the collector (the leak checker of the
// sanitizer build reports them otherwise).
TEST(TextCollector, UnfinishedTextsAreFreed) {
    const int before = rt::blockPool().inUse;
    for (int n : {5, 5000}) {
        rt::TextCollector collector;
        for (int i = 0; i < n; ++i)
            collector.add(rt::copyText("unfinished"));
    }
    EXPECT_EQ(rt::blockPool().inUse, before);
}

TEST(JoinTexts, AlwaysAFreshText) {
    char* empty = rt::joinTexts({"", nullptr, ""});
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(empty, rt::kEmptyText);
    EXPECT_STREQ(empty, "");
    rt::free(empty);
    EXPECT_EQ(textOf(rt::joinTexts({"ab", nullptr, "cd", "\xD6\xD0"})), "abcd\xD6\xD0");
    EXPECT_EQ(textOf(rt::joinTexts({"only"})), "only");
}

TEST(CompareTexts, NullIsEmptyAndBytesAreUnsigned) {
    EXPECT_EQ(rt::compareTexts(nullptr, nullptr), 0);
    EXPECT_EQ(rt::compareTexts(nullptr, ""), 0);
    EXPECT_EQ(rt::compareTexts("", nullptr), 0);
    EXPECT_EQ(rt::compareTexts(nullptr, "a"), -1);
    EXPECT_EQ(rt::compareTexts("a", nullptr), 1);
    EXPECT_EQ(rt::compareTexts("ab", "abc"), -1);
    EXPECT_EQ(rt::compareTexts("abd", "abc"), 1);
    EXPECT_EQ(rt::compareTexts("same", "same"), 0);
    EXPECT_EQ(rt::compareTexts("\xE9", "a"), 1); // 0xE9 is above 'a', not negative
    EXPECT_EQ(rt::compareTexts("a", "\xE9"), -1);
}

TEST(SmallTextCommands, PartsAndCopies) {
    EXPECT_EQ(textOf(rt::spaces(3)), "   ");
    EXPECT_EQ(rt::spaces(0), nullptr);
    EXPECT_EQ(rt::spaces(-1), nullptr);

    const char original[] = "x";
    char* copy = rt::duplicateText(original);
    EXPECT_NE(copy, original);
    EXPECT_EQ(textOf(copy), "x");
    EXPECT_EQ(rt::duplicateText(""), nullptr);
    EXPECT_EQ(rt::duplicateText(nullptr), nullptr);

    EXPECT_EQ(textOf(rt::rightPart("hello", 3)), "llo");
    EXPECT_EQ(textOf(rt::rightPart("hello", 99)), "hello");
    EXPECT_EQ(rt::rightPart("hello", 0), nullptr);
    EXPECT_EQ(rt::rightPart("", 3), nullptr);
    EXPECT_EQ(rt::rightPart(nullptr, 3), nullptr);

    EXPECT_EQ(textOf(rt::character(0x141)), "A"); // low 8 bits
    EXPECT_EQ(textOf(rt::character(0xE9)), "\xE9");
    EXPECT_EQ(rt::character(0x100), nullptr);
    EXPECT_EQ(rt::character(0), nullptr);

    EXPECT_EQ(rt::characterCode("\xE9"), -23);
    EXPECT_EQ(rt::characterCode("ab", 2), 'b');
    EXPECT_EQ(rt::characterCode("ab", 3), 0);
    EXPECT_EQ(rt::characterCode("ab", 0), 0);
    EXPECT_EQ(rt::characterCode("", 1), 0);
    EXPECT_EQ(rt::characterCode(nullptr), 0);
}

TEST(SmallTextCommands, TrimmingTakesFullWidthSpacesAsSpaces) {
    EXPECT_EQ(textOf(rt::trimLeft("  \xA1\xA1 x \xA1\xA1")), "x \xA1\xA1");
    EXPECT_EQ(textOf(rt::trimBoth("  \xA1\xA1 x y \xA1\xA1 ")), "x y");
    EXPECT_EQ(rt::trimLeft(" \xA1\xA1 "), nullptr);
    EXPECT_EQ(rt::trimBoth(" \xA1\xA1 "), nullptr);
    EXPECT_EQ(rt::trimBoth(nullptr), nullptr);
    // A character whose second byte is A1 is not half of a space.
    EXPECT_EQ(textOf(rt::trimBoth("x\xB0\xA1\xA1")), "x\xB0\xA1\xA1");
    EXPECT_EQ(textOf(rt::trimBoth("x\xB0\xA1\xA1\xA1")), "x\xB0\xA1");
    // A space is never the second byte of a character: the lead byte before
    // trailing spaces stands alone and every space goes.
    EXPECT_EQ(textOf(rt::trimBoth("abc\xB0  ")), "abc\xB0");
    EXPECT_EQ(textOf(rt::trimBoth("abc\xB0 \xA1\xA1")), "abc\xB0");
    EXPECT_EQ(textOf(rt::trimBoth(" \xB0 ")), "\xB0");
    EXPECT_EQ(textOf(rt::trimLeft("\xB0\xA1 x")), "\xB0\xA1 x");
    // A lone A1 at the end is no full-width space.
    EXPECT_EQ(textOf(rt::trimLeft("\xA1")), "\xA1");
}

TEST(SmallByteSetCommands, NewAndLeftPart) {
    EXPECT_EQ(bytesOf(rt::zeroByteSet(4)), std::string(4, '\0'));
    EXPECT_EQ(rt::zeroByteSet(0), nullptr);
    auto abc = byteSet("abcdef");
    EXPECT_EQ(bytesOf(rt::leftBytes(abc.get(), 3)), "abc");
    EXPECT_EQ(bytesOf(rt::leftBytes(abc.get(), 100)), "abcdef");
    EXPECT_EQ(rt::leftBytes(abc.get(), 0), nullptr);
    EXPECT_EQ(rt::leftBytes(nullptr, 3), nullptr);
    EXPECT_EQ(rt::leftBytes(&rt::kEmptyByteSet, 3), nullptr);
}

TEST(ReplaceBytes, ReplacesCountedOccurrences) {
    auto input = byteSet("a-b-c");
    auto dash = byteSet("-");
    auto plus = byteSet("+");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), dash.get(), plus.get())), "a+b+c");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), dash.get(), plus.get(), 1, 1)), "a+b-c");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), dash.get(), plus.get(), 3)), "a-b+c");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), dash.get())), "abc"); // omitted: deleted
    auto wide = byteSet("<=>");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), dash.get(), wide.get())), "a<=>b<=>c");
    auto aaa = byteSet("aaaa a");
    auto aa = byteSet("aa");
    auto b = byteSet("b");
    EXPECT_EQ(bytesOf(rt::replaceBytes(aaa.get(), aa.get(), b.get())), "bb a"); // no overlaps
}

TEST(ReplaceBytes, CopiesOrEmptiesAtTheEdges) {
    auto input = byteSet("abc");
    auto x = byteSet("x");
    auto c = byteSet("c");
    // Copies: nothing to seek, bad start or maximum, no occurrence.
    for (auto* r : {rt::replaceBytes(input.get(), nullptr, x.get()),
                    rt::replaceBytes(input.get(), c.get(), x.get(), 0),
                    rt::replaceBytes(input.get(), c.get(), x.get(), 1, 0),
                    rt::replaceBytes(input.get(), x.get(), c.get()),
                    rt::replaceBytes(input.get(), c.get(), x.get(), 4)}) {
        EXPECT_NE(r, input.get());
        EXPECT_EQ(bytesOf(r), "abc");
    }
    // An occurrence that ends at the last byte is replaced.
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), c.get(), x.get())), "abx");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), c.get(), x.get(), 3)), "abx");
    EXPECT_EQ(bytesOf(rt::replaceBytes(input.get(), input.get(), x.get())), "x");
    // Deleting everything leaves nothing: null.
    EXPECT_EQ(rt::replaceBytes(input.get(), input.get()), nullptr);
    // Input shorter than the sought bytes, or empty.
    auto longer = byteSet("abcd");
    EXPECT_EQ(rt::replaceBytes(input.get(), longer.get(), x.get()), nullptr);
    EXPECT_EQ(rt::replaceBytes(nullptr, c.get(), x.get()), nullptr);
}

TEST(WriteToMemory, CopiesTheBytesOfEachKind) {
    unsigned char target[16];
    auto fresh = [&] { std::memset(target, 0xEE, sizeof target); };

    fresh();
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofText("ab"), target), 3u);
    EXPECT_EQ(std::memcmp(target, "ab\0", 3), 0);
    EXPECT_EQ(target[3], 0xEE);

    fresh();
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofText("abcdef"), target, 2), 2u);
    EXPECT_EQ(std::memcmp(target, "ab", 2), 0);
    EXPECT_EQ(target[2], 0xEE);

    fresh();
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofInt(0x01020304), target), 4u);
    const unsigned char little[] = {4, 3, 2, 1};
    EXPECT_EQ(std::memcmp(target, little, 4), 0);
    EXPECT_EQ(target[4], 0xEE);

    fresh();
    double d = -2.5;
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofDouble(d), target), 8u);
    EXPECT_EQ(std::memcmp(target, &d, 8), 0);

    fresh();
    auto set = byteSet(std::string("\0x\0", 3));
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofPointer(rt::kTagByteSet, set.get()), target), 3u);
    EXPECT_EQ(std::memcmp(target, "\0x\0", 3), 0);

    fresh();
    rt::Array bytes = rt::newArray(5, 1);
    std::memcpy(rt::arrayData(bytes), "12345", 5);
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofPointer(rt::kTagByte | rt::kArrayFlag, bytes),
                                target, 0),
              5u); // a maximum of 0 is no maximum
    EXPECT_EQ(std::memcmp(target, "12345", 5), 0);
    rt::free(bytes);

    // Nothing at all for these.
    fresh();
    rt::Array ints = rt::newArray(2, 4);
    EXPECT_EQ(
        rt::writeToMemory(rt::ValueBlock::ofPointer(rt::kTagInt | rt::kArrayFlag, ints), target),
        0u);
    rt::free(ints);
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofText(""), target), 0u);
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::ofPointer(rt::kTagByteSet, nullptr), target), 0u);
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::of(0x40000001u, 7), target), 0u);
    EXPECT_EQ(rt::writeToMemory(rt::ValueBlock::none(), target), 0u);
    for (unsigned char c : target)
        EXPECT_EQ(c, 0xEE);
}

TEST(BitCommands, CombineShiftAndJoin) {
    EXPECT_EQ(rt::bitAnd({0xF0F0, 0xFF00, 0x3000}), 0x3000);
    EXPECT_EQ(rt::bitOr({1, 2, 8}), 11);
    EXPECT_EQ(rt::bitNot(0), -1);
    EXPECT_EQ(rt::shiftRight(-8, 1), -4); // arithmetic
    EXPECT_EQ(rt::shiftRight(-1, 31), -1);
    EXPECT_EQ(rt::shiftRight(64, 33), 32); // count modulo 32
    EXPECT_EQ(rt::joinShorts(0x1234, 0x5678), 0x56781234);
    EXPECT_EQ(rt::joinShorts(-1, 1), 0x0001FFFF);
    EXPECT_EQ(rt::joinShorts(0, -1), static_cast<std::int32_t>(0xFFFF0000u));
    EXPECT_EQ(rt::absoluteValue(-2.5), 2.5);
}

} // namespace
