#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "app/piece_sum.h"
#include "app/vector_path.h"

namespace {

std::uint64_t sumOf(const std::string& bytes) {
    return app::pieceSum(bytes.data(), bytes.size());
}

std::uint64_t wordPathSum(const std::string& bytes) {
    app::forceWordPath(true);
    std::uint64_t value = sumOf(bytes);
    app::forceWordPath(false);
    return value;
}

std::string randomBytes(std::mt19937& random, std::size_t n) {
    std::string bytes(n, 0);
    for (char& c : bytes)
        c = char(random());
    return bytes;
}

// One value on both paths, at any length and any address; and these values
// on every width, so that a piece's sum means the same in every build.
TEST(PieceSum, OneValueOnEveryPathWidthAndAddress) {
    std::mt19937 random(11);
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64},
                          std::size_t{65}, std::size_t{1000}, app::kPieceSumLimit}) {
        const std::string bytes = randomBytes(random, n);
        const std::uint64_t value = sumOf(bytes);
        for (std::size_t offset = 1; offset < 16; offset += 7) {
            std::string moved(offset, 'x');
            moved += bytes;
            ASSERT_EQ(app::pieceSum(moved.data() + offset, n), value) << n << " at " << offset;
        }
        ASSERT_EQ(wordPathSum(bytes), value) << n;
    }
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += char('a' + i % 26) + std::string(i % 7 == 0 ? "\xD6\xD0\r\n" : "");
    EXPECT_EQ(sumOf(""), 0x5DFE38D71FCC5E31u);
    EXPECT_EQ(sumOf(text), 0x352A1BDCD5B880D7u);
    EXPECT_EQ(wordPathSum(text), sumOf(text));
}

// Any single changed byte, another length, two swapped 8-byte words: the
// sum changes. The swaps include words that differ in one bit only, at
// distances of powers of two, where a plain sum of 64-bit words would not
// see them.
TEST(PieceSum, ChangedBytesLengthsAndSwappedWordsChangeTheValue) {
    std::mt19937 random(12);
    const std::string small = randomBytes(random, 4096 + 17);
    const std::uint64_t smallSum = sumOf(small);
    for (std::size_t at = 0; at < small.size(); ++at) {
        std::string changed = small;
        changed[at] ^= char(1 + random() % 255);
        ASSERT_NE(sumOf(changed), smallSum) << at;
    }
    const std::string piece = randomBytes(random, app::kPieceSumLimit);
    const std::uint64_t whole = sumOf(piece);
    EXPECT_NE(sumOf(piece.substr(0, piece.size() - 1)), whole);
    EXPECT_NE(sumOf(small + '\0'), smallSum);
    EXPECT_NE(sumOf(std::string(64, '\0')), sumOf(std::string(65, '\0')));

    std::string words = piece;
    for (std::size_t k = 0; k < words.size(); k += 8) // equal words but one
        std::memcpy(&words[k], "abcdefgh", 8);
    const std::uint64_t base = sumOf(words);
    for (unsigned bit : {0u, 31u, 32u, 63u}) {
        for (std::size_t from : {std::size_t{0}, std::size_t{8}}) {
            std::string one = words;
            std::uint64_t w;
            std::memcpy(&w, &one[from], 8);
            w ^= std::uint64_t{1} << bit;
            std::memcpy(&one[from], &w, 8);
            const std::uint64_t oneSum = sumOf(one);
            ASSERT_NE(oneSum, base);
            for (std::size_t distance = 8; from + distance < words.size(); distance *= 4) {
                std::string swapped = one;
                std::swap_ranges(&swapped[from], &swapped[from] + 8, &swapped[from + distance]);
                ASSERT_NE(sumOf(swapped), oneSum) << "bit " << bit << " distance " << distance;
            }
        }
    }
    for (int round = 0; round < 30; ++round) {
        std::string swapped = piece;
        const std::size_t a = 8 * (random() % (piece.size() / 8));
        const std::size_t b = 8 * (random() % (piece.size() / 8));
        if (a == b) continue;
        std::swap_ranges(&swapped[a], &swapped[a] + 8, &swapped[b]);
        ASSERT_NE(sumOf(swapped), whole) << a << " " << b;
    }
}

} // namespace
