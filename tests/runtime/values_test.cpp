#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/values.h"

namespace {

TEST(Texts, NullAndEmptyAreTheEmptyText) {
    EXPECT_EQ(rt::textLength(nullptr), 0u);
    EXPECT_EQ(rt::textLength(""), 0u);
    EXPECT_STREQ(rt::orEmpty(nullptr), "");
    rt::TextValue copy(rt::copyText(nullptr));
    ASSERT_NE(copy.get(), nullptr); // a fresh one-byte text
    EXPECT_EQ(copy.length(), 0u);
}

TEST(Texts, BlankTextIsABlankFilledTerminatedBuffer) {
    rt::TextValue blanks(rt::blankText(5));
    EXPECT_STREQ(blanks.get(), "     ");
}

TEST(ByteSets, LayoutAndEmptyResults) {
    EXPECT_EQ(rt::newByteSet("abc", 0), nullptr);
    EXPECT_EQ(rt::newByteSet("abc", -1), nullptr);
    rt::ByteSetValue set(rt::newByteSet("a\0c", 3));
    ASSERT_NE(set.get(), nullptr);
    EXPECT_EQ(set.get()->dimensions, 1);
    EXPECT_EQ(set.length(), 3);
    EXPECT_EQ(std::memcmp(set.data(), "a\0c", 3), 0);
    EXPECT_EQ(rt::kEmptyByteSet.dimensions, 1);
    EXPECT_EQ(rt::kEmptyByteSet.length, 0);
}

TEST(ValueBlocks, ValuesSitInTheLowEndOfTheField) {
    rt::ValueBlock i = rt::ValueBlock::ofInt(-2);
    EXPECT_EQ(i.low, 0xFFFFFFFEu);
    EXPECT_EQ(i.high, 0u);
    EXPECT_EQ(i.tag, rt::kTagInt);
    rt::ValueBlock d = rt::ValueBlock::ofDouble(2.5);
    EXPECT_EQ(d.asDouble(), 2.5);
    rt::ValueBlock l = rt::ValueBlock::ofLong(-5000000000LL);
    EXPECT_EQ(l.asLong(), -5000000000LL);
    const char* text = "x";
    EXPECT_EQ(rt::ValueBlock::ofText(text).asText(), text);
    EXPECT_TRUE(rt::ValueBlock::none().omitted());
    // The argument list of a command is a count and consecutive 12-byte blocks.
    rt::ValueBlock args[2] = {i, d};
    EXPECT_EQ(reinterpret_cast<char*>(&args[1]) - reinterpret_cast<char*>(&args[0]), 12);
}

TEST(TypeTags, ClassesAndSizes) {
    EXPECT_TRUE(rt::isBasicClass(rt::kTagDouble));
    EXPECT_TRUE(rt::isBasicClass(rt::kTagText | rt::kArrayFlag));
    EXPECT_FALSE(rt::isBasicClass(0x40000001u));
    EXPECT_FALSE(rt::isBasicClass(0x00000001u));
    EXPECT_EQ(rt::elementTag(rt::kTagInt | rt::kArrayFlag), rt::kTagInt);
    EXPECT_EQ(rt::elementSize(rt::kTagByte), 1u);
    EXPECT_EQ(rt::elementSize(rt::kTagShort), 2u);
    EXPECT_EQ(rt::elementSize(rt::kTagInt), 4u);
    EXPECT_EQ(rt::elementSize(rt::kTagFloat), 4u);
    EXPECT_EQ(rt::elementSize(rt::kTagLogical), 4u);
    EXPECT_EQ(rt::elementSize(rt::kTagText), sizeof(void*));
    EXPECT_EQ(rt::elementSize(rt::kTagLong), 8u);
    EXPECT_EQ(rt::elementSize(rt::kTagDateTime), 8u);
    EXPECT_EQ(rt::elementSize(0x40000001u), 0u);
}

TEST(Arrays, AppendToTheConstantEmptyArrayCopiesIt) {
    rt::Array array = const_cast<rt::Array>(&rt::kEmptyArray);
    char* element = rt::copyText("one");
    rt::appendElement(&array, sizeof(char*), &element);
    ASSERT_NE(array, &rt::kEmptyArray);
    EXPECT_EQ(rt::elementCount(&rt::kEmptyArray), 0); // the constant is untouched
    EXPECT_EQ(rt::elementCount(array), 1);
    EXPECT_STREQ(*static_cast<char**>(rt::elementAddress(array, 1, sizeof(char*))), "one");
    rt::releaseArray(array, rt::kTagText);
}

TEST(Arrays, AppendCollapsesToOneDimension) {
    // A 2 x 3 array of integers, as another runtime might hand one over.
    auto* array = static_cast<rt::Array>(rt::allocate(3 * 4 + 6 * 4));
    array->dimensions = 2;
    array->sizes[0] = 2;
    reinterpret_cast<std::int32_t*>(array)[2] = 3;
    auto* items = reinterpret_cast<std::int32_t*>(array) + 3;
    for (int i = 0; i < 6; ++i) items[i] = i + 1;
    std::int32_t seven = 7;
    rt::appendElement(&array, 4, &seven);
    EXPECT_EQ(array->dimensions, 1);
    ASSERT_EQ(rt::elementCount(array), 7);
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(*static_cast<std::int32_t*>(rt::elementAddress(array, i, 4)), i);
    rt::releaseArray(array, rt::kTagInt);
}

TEST(Arrays, NewEmptyArrayAndRedimension) {
    rt::TextArray lines(rt::newEmptyArray());
    EXPECT_EQ(lines.count(), 0);
    rt::redimension(lines.address(), 3, rt::kTagText);
    EXPECT_EQ(lines.count(), 3);
    EXPECT_STREQ(rt::orEmpty(lines.at(3)), ""); // zero-filled: empty texts
    rt::redimension(lines.address(), 0, rt::kTagText);
    EXPECT_EQ(lines.count(), 0);
}

TEST(GrowBuffers, SmallBuffersComeFromThePoolLargeOnesFromTheHeap) {
    rt::GrowBuffer buffer;
    rt::growInit(&buffer);
    int before = rt::blockPool().inUse;
    std::vector<int> targets(200);
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(rt::growAppendPointer(&buffer, &targets[i]));
        if ((i + 1) * sizeof(void*) <= 512) {
            EXPECT_TRUE(rt::growInPool(&buffer)) << i;
        }
    }
    EXPECT_FALSE(rt::growInPool(&buffer)); // moved to the heap past 512 bytes
    EXPECT_EQ(rt::blockPool().inUse, before); // and gave its pool block back
    ASSERT_EQ(buffer.size, 200 * sizeof(void*));
    auto** pointers = reinterpret_cast<int**>(buffer.data);
    for (int i = 0; i < 200; ++i) EXPECT_EQ(pointers[i], &targets[i]);
    rt::growRelease(&buffer);
    EXPECT_EQ(buffer.data, nullptr);
}

TEST(GrowBuffers, AppendedBytesKeepTheirOffsetsAcrossTheMoveToTheHeap) {
    rt::GrowBuffer buffer;
    rt::growInit(&buffer);
    EXPECT_EQ(rt::growAppend(&buffer, "abcd", 4), 0);
    EXPECT_EQ(rt::growAppend(&buffer, nullptr, 2), 4); // zeros
    // Nothing or less appends nothing and answers the used size.
    EXPECT_EQ(rt::growAppend(&buffer, "x", 0), 6);
    EXPECT_EQ(rt::growAppend(&buffer, "x", -3), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data), buffer.size),
              std::string("abcd\0\0", 6));
    EXPECT_TRUE(rt::growInPool(&buffer));
    std::string expected("abcd\0\0", 6);
    for (int i = 0; i < 100; ++i) {
        const std::string piece(7, static_cast<char>('A' + i % 26));
        ASSERT_EQ(rt::growAppend(&buffer, piece.data(), 7),
                  static_cast<std::int32_t>(expected.size()));
        expected += piece;
    }
    EXPECT_FALSE(rt::growInPool(&buffer));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer.data), buffer.size), expected);
    rt::growRelease(&buffer);
}

TEST(GrowBuffers, PoolHasNinetySixBlocksThenTheHeapServes) {
    std::vector<rt::GrowBuffer> buffers(100);
    int before = rt::blockPool().inUse;
    for (auto& b : buffers) {
        rt::growInit(&b);
        ASSERT_TRUE(rt::growResize(&b, 16));
    }
    int pooled = 0;
    for (auto& b : buffers) pooled += rt::growInPool(&b);
    EXPECT_EQ(pooled, 96 - before);
    EXPECT_EQ(rt::blockPool().inUse, 96);
    for (auto& b : buffers) rt::growRelease(&b);
    EXPECT_EQ(rt::blockPool().inUse, before);
}

TEST(GrowBuffers, HeapGrowthIsGeometric) {
    rt::GrowBuffer buffer;
    rt::growInit(&buffer);
    int moves = 0;
    std::uint32_t capacity = 0;
    for (int i = 0; i < 200000; ++i) {
        ASSERT_TRUE(rt::growAppendPointer(&buffer, &buffer));
        if (buffer.capacity != capacity) ++moves, capacity = buffer.capacity;
    }
    // A fixed step of 128 bytes would resize thousands of times.
    EXPECT_LT(moves, 60);
    rt::growRelease(&buffer);
}

TEST(GrowBuffers, ShrinkKeepsTheSpareRoomBounded) {
    rt::GrowBuffer buffer;
    rt::growInit(&buffer);
    ASSERT_TRUE(rt::growResize(&buffer, 4000));
    ASSERT_TRUE(rt::growResize(&buffer, 3900)); // 228 spare: stays
    EXPECT_GE(buffer.capacity, 4000u);
    ASSERT_TRUE(rt::growResize(&buffer, 1000)); // would leave > 256 spare
    EXPECT_EQ(buffer.capacity, 1128u);
    EXPECT_EQ(buffer.size, 1000u);
    rt::growRelease(&buffer);
}

} // namespace
