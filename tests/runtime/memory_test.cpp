#include <gtest/gtest.h>

#include <cstring>

#include "runtime/memory.h"
#include "runtime/platform.h"
#include "runtime/values.h"
#include "tests/support/boxes.h"

namespace {

const char kConstantText[] = "a constant of the program";

TEST(Memory, AllocateZeroFillsAndNeverReturnsNull) {
    void* empty = rt::allocate(0);
    EXPECT_NE(empty, nullptr);
    rt::free(empty);
    auto* block = static_cast<unsigned char*>(rt::allocate(4096));
    for (int i = 0; i < 4096; ++i) ASSERT_EQ(block[i], 0) << i;
    rt::free(block);
}

TEST(Memory, ReallocateKeepsContentsAndNullMeansFresh) {
    auto* fresh = static_cast<unsigned char*>(rt::reallocate(nullptr, 64));
    ASSERT_NE(fresh, nullptr);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(fresh[i], 0);
    std::memcpy(fresh, "abcdef", 6);
    auto* grown = static_cast<unsigned char*>(rt::reallocate(fresh, 100000));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::memcmp(grown, "abcdef", 6), 0);
    rt::free(grown);
}

TEST(Memory, FreeIgnoresSmallValuesAndConstants) {
    rt::free(nullptr);
    rt::free(reinterpret_cast<void*>(1));
    rt::free(reinterpret_cast<void*>(0xFFFF));
    rt::free(const_cast<char*>(kConstantText));
    rt::free(const_cast<char*>(rt::kEmptyText));
    rt::free(const_cast<rt::ByteSetHeader*>(&rt::kEmptyByteSet));
    EXPECT_STREQ(kConstantText, "a constant of the program"); // still readable
    // A string literal lives in the image too.
    const char* literal = "literal";
    rt::free(const_cast<char*>(literal));
    EXPECT_STREQ(literal, "literal");
}

TEST(Memory, ReleasingTheConstantEmptyArrayLeavesIt) {
    rt::releaseArray(const_cast<rt::Array>(&rt::kEmptyArray), rt::kTagText);
    EXPECT_EQ(rt::kEmptyArray.dimensions, 1);
    EXPECT_EQ(rt::elementCount(&rt::kEmptyArray), 0);
}

using MemoryDeathTest = ::testing::Test;

TEST(MemoryDeathTest, ArrayIndexChecksAreInternalErrors) {
    rt::TextArray lines(rt::newEmptyArray());
    rt::redimension(lines.address(), 2, rt::kTagText);
    // The box has no owner, caption "error", and shows the number and the
    // context in hexadecimal; the process then ends with code 0.
    EXPECT_EXIT((testsupport::echoAndAnswerBoxes(), lines.at(0)), ::testing::ExitedWithCode(0),
                "\\[error\\] program internal error number is 4\\. \\(0x\\w+h\\)");
    EXPECT_EXIT((testsupport::echoAndAnswerBoxes(), lines.at(3)), ::testing::ExitedWithCode(0),
                "\\[error\\] program internal error number is 1\\.");
    EXPECT_EXIT((testsupport::echoAndAnswerBoxes(), rt::redimension(lines.address(), -1, rt::kTagText)),
                ::testing::ExitedWithCode(0), "\\[error\\] program internal error number is 10\\.");
}

// An element count whose block a size_t cannot measure (only a 32-bit build
// can be asked for one) is out of memory, never a wrapped, tiny block. The
// cap makes the 64-bit build refuse the same counts at once.
TEST(MemoryDeathTest, ArraysBeyondTheAddressSpaceAreOutOfMemory) {
    for (auto [count, tag] : {std::pair{0x40000000, rt::kTagText}, {0x7FFFFFFF, rt::kTagDouble}}) {
        rt::Array array = rt::newEmptyArray();
        EXPECT_EXIT((testsupport::echoAndAnswerBoxes(),
                     platform::setHeapLimit(std::size_t{64} << 20),
                     rt::redimension(&array, count, tag)),
                    ::testing::ExitedWithCode(0), "\\[error\\] 内存不足")
            << count;
        rt::free(array);
    }
}

} // namespace
