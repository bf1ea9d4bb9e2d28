#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "app/byte_classes.h"
#include "app/line_scanner.h"
#include "app/vector_path.h"
#include "tests/support/line_reference.h"

namespace {

using testing_support::LineEndList;
using testing_support::referenceLineEnds;

// Every test runs on the vector path (where the processor has it) and on
// the word path.
class LineScan : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override { app::forceWordPath(GetParam()); }
    void TearDown() override { app::forceWordPath(false); }
};

struct Scanned {
    LineEndList ends;
    std::size_t text = 0;
    bool ended = false;
};

// Scans `bytes` in the pieces given by `cut` (sizes, the last repeated) and
// gives the line ends as indexes into the whole text.
template <class Cut> Scanned scanInPieces(const std::string& bytes, app::LineEnds rule, Cut cut) {
    app::LineScanner scanner(rule);
    Scanned out;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min(cut(), bytes.size() - at);
        const std::size_t text =
            scanner.scan(bytes.data() + at, n, [&](std::size_t next, unsigned e) {
                EXPECT_TRUE(next >= 1 && next <= n) << next << " of " << n;
                out.ends.emplace_back(at + next, e);
            });
        EXPECT_TRUE(text == n || scanner.ended());
        out.text += text;
        at += n;
    }
    out.ended = scanner.ended();
    return out;
}

void expectReference(const std::string& bytes, const Scanned& got, bool loneLf,
                     const std::string& what) {
    std::size_t textEnd = 0;
    const LineEndList expected = referenceLineEnds(bytes, loneLf, &textEnd);
    ASSERT_EQ(got.ends, expected) << what;
    ASSERT_EQ(got.text, textEnd) << what;
    ASSERT_EQ(got.ended, textEnd < bytes.size()) << what;
}

TEST_P(LineScan, EdgesOfTheRule) {
    struct Case {
        const char* bytes;
        std::size_t size;
        std::size_t text; // bytes of text
        LineEndList crLf, orLf;
    };
    const Case cases[] = {
        {"a\r\nb", 4, 4, {{3, 2}}, {{3, 2}}},
        {"\xB0\r\nb", 4, 4, {}, {{3, 1}}},          // the CR is a second byte
        {"\xB0\xB0\r\n", 4, 4, {{4, 2}}, {{4, 2}}}, // an even run
        {"\xB0\xB0\xB0\r\n", 5, 5, {}, {{5, 1}}},   // an odd run
        {"\xB0\n\n", 3, 3, {}, {{3, 1}}},           // an LF as a second byte
        {"\r\r\n\n", 4, 4, {{3, 2}}, {{3, 2}, {4, 1}}},
        {"\xB0\0\r\n", 4, 1, {}, {}}, // a stop byte ends the text even as a second byte
        {"a\r\x1A\n", 4, 2, {}, {}},
        {"\r\n\0\r\n", 5, 2, {{2, 2}}, {{2, 2}}},
        {"\xFF\x80\r\n\x81", 5, 5, {{4, 2}}, {{4, 2}}}, // 0x80 and 0xFF lead too
    };
    for (const Case& c : cases) {
        const std::string bytes(c.bytes, c.size);
        for (bool loneLf : {false, true}) {
            const auto rule = loneLf ? app::LineEnds::kCrLfOrLf : app::LineEnds::kCrLf;
            for (std::size_t piece : {std::size_t{1}, std::size_t{2}, bytes.size()}) {
                Scanned got = scanInPieces(bytes, rule, [&] { return piece; });
                EXPECT_EQ(got.ends, loneLf ? c.orLf : c.crLf) << c.bytes << " piece " << piece;
                EXPECT_EQ(got.text, c.text) << c.bytes;
            }
        }
    }
}

// Random text of line ends, lead-range bytes (runs of them long and short)
// and rare stop bytes, in random pieces: exactly the reference's line ends,
// with both rules.
TEST_P(LineScan, AnyPiecesGiveTheLineEndsOfACharacterWalk) {
    std::mt19937 random(GetParam() ? 7 : 8);
    const char alphabet[] = {'a', '\r', '\n', '\r', '\n', '\x81', '\xB0', '\xFF', ' ', '\x80'};
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const std::size_t n = random() % (round % 10 == 0 ? 3000 : 300);
        const unsigned leadRuns = random() % 4; // how much the text favours lead bytes
        while (bytes.size() < n) {
            if (random() % 8 < leadRuns) {
                bytes.append(random() % 200, char(0xA1 + random() % 0x5E));
            } else {
                bytes += alphabet[random() % sizeof alphabet];
            }
        }
        if (round % 4 == 0 && !bytes.empty())
            bytes[random() % bytes.size()] = "\0\x1A"[random() % 2];
        const std::size_t block = app::kBlockBytes;
        const std::size_t sizes[] = {1, 3, block - 1, block, block + 1, 16 * block, 16 * block + 5};
        const std::size_t fixed = sizes[random() % (sizeof sizes / sizeof sizes[0])];
        const bool randomCut = random() % 2 == 0;
        for (bool loneLf : {false, true}) {
            const auto rule = loneLf ? app::LineEnds::kCrLfOrLf : app::LineEnds::kCrLf;
            Scanned got = scanInPieces(
                bytes, rule, [&] { return randomCut ? 1 + random() % (3 * block) : fixed; });
            expectReference(bytes, got, loneLf, "round " + std::to_string(round));
        }
    }
}

TEST_P(LineScan, AnEndedTextGivesNothingMoreAndResetStartsAfresh) {
    app::LineScanner scanner(app::LineEnds::kCrLfOrLf);
    int ends = 0;
    auto count = [&](std::size_t, unsigned) { ++ends; };
    EXPECT_EQ(scanner.scan("a\n\x1A\n", 4, count), 2u);
    EXPECT_TRUE(scanner.ended());
    EXPECT_EQ(scanner.scan("\n\r\n", 3, count), 0u);
    EXPECT_EQ(ends, 1);
    scanner.reset();                                 // keeps its rule
    EXPECT_EQ(scanner.scan("\xB0\n", 2, count), 2u); // no carry from before
    EXPECT_EQ(scanner.scan("\n", 1, count), 1u);
    EXPECT_EQ(ends, 2);
}

INSTANTIATE_TEST_SUITE_P(Paths, LineScan, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "WordPath" : "ProcessorsPath";
                         });

// Both paths class every byte alike, and as the rule's lead test does.
TEST(ByteClasses, BothPathsAgreeWithTheRule) {
    std::mt19937 random(3);
    std::string bytes(4 * app::kBlockBytes, 0);
    for (int round = 0; round < 2000; ++round) {
        for (char& c : bytes)
            c = char(random() % 3 == 0 ? "\r\n\0\x1A\x1F\x20\x7F\x80"[random() % 8] : random());
        app::ByteClasses words[4], vectors[4];
        app::classifyBlocksByWords(bytes.data(), 4, true, words);
#if defined(TEXTSPLIT_VECTOR_PATH)
        if (!app::vectorPath()) GTEST_SKIP() << "no SSE2";
        app::classifyBlocksByVectors(bytes.data(), 4, round % 2 == 0, vectors);
        if (round % 2) { // LFs not asked for: none, and the rest the same
            for (int b = 0; b < 4; ++b) {
                ASSERT_EQ(vectors[b].lf, 0u);
                vectors[b].lf = words[b].lf;
            }
        }
#else
        std::memcpy(vectors, words, sizeof words);
#endif
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const app::ByteClasses& w = words[i / app::kBlockBytes];
            const app::ByteClasses& v = vectors[i / app::kBlockBytes];
            const unsigned k = unsigned(i % app::kBlockBytes);
            const char c = bytes[i];
            const bool expected[4] = {rt::isLeadByte(c), c == '\r', c == '\n', c == 0 || c == 0x1A};
            const app::ByteMask wm[4] = {w.lead, w.cr, w.lf, w.stop};
            const app::ByteMask vm[4] = {v.lead, v.cr, v.lf, v.stop};
            for (int m = 0; m < 4; ++m) {
                ASSERT_EQ(((wm[m] >> k) & 1) != 0, expected[m]) << "words, byte " << int(c);
                ASSERT_EQ(((vm[m] >> k) & 1) != 0, expected[m]) << "vectors, byte " << int(c);
            }
        }
    }
}

} // namespace
