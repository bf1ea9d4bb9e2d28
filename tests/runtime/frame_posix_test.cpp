// Out of memory with the POSIX stand-in failing an allocation on purpose.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/memory.h"
#include "runtime/process.h"
#include "runtime/values.h"
#include "runtime/platform.h"
#include "tests/native/platform_posix.h"

namespace {

void cleanup() { fputs("cleanup ", stderr); }

using MemoryPosixDeathTest = ::testing::Test;

TEST(MemoryPosixDeathTest, OutOfMemoryShowsItsBoxAndEndsWithZero) {
    EXPECT_EXIT(
        {
            rt::setExitHook(rt::kAppCleanupHook, cleanup);
            rt::recordReturnPoint();
            platform::posix::failAllocationAfter = 1;
            rt::allocate(16);
        },
        ::testing::ExitedWithCode(0), "\\[error\\] 内存不足\\s*cleanup");
}

// The heap runs out under its cap: the reserve is given back before the box
// is built, so the box has room of its own.
TEST(MemoryPosixDeathTest, TheReserveIsGivenBackBeforeTheBox) {
    EXPECT_EXIT(
        {
            rt::setExitHook(rt::kAppCleanupHook, [] {
                std::fprintf(stderr, "room at the box %d ",
                             platform::posix::lastMessageBox.heapRoom >= rt::kMemoryReserve);
            });
            rt::recordReturnPoint();
            platform::setHeapLimit(rt::kMemoryReserve + (std::size_t{4} << 20));
            rt::holdMemoryReserve();
            static void* held[64]; // kept, so they are no leak at the end
            for (void*& block : held)
                block = rt::allocate(std::size_t{1} << 20);
        },
        ::testing::ExitedWithCode(0), "\\[error\\] 内存不足\\s*room at the box 1");
}

TEST(MemoryPosix, FailedReallocateIsTheCallersToHandle) {
    void* block = rt::allocate(16);
    platform::posix::failAllocationAfter = 1;
    EXPECT_EQ(rt::reallocate(block, 1 << 20), nullptr);
    EXPECT_EQ(platform::posix::messageBoxCount, 0);
    rt::free(block);
    platform::posix::reset();
}

TEST(MemoryPosix, GrowBufferKeepsItsElementsWhenGrowingFails) {
    rt::GrowBuffer buffer;
    rt::growInit(&buffer);
    int x = 0;
    for (int i = 0; i < 128; ++i) ASSERT_TRUE(rt::growAppendPointer(&buffer, &x));
    std::uint32_t size = buffer.size;
    platform::posix::failAllocationAfter = 1;
    // The next pointer needs a heap block; it is not added, the rest stays.
    if (buffer.capacity - buffer.size < sizeof(void*)) {
        EXPECT_FALSE(rt::growAppendPointer(&buffer, &x));
        EXPECT_EQ(buffer.size, size);
        EXPECT_TRUE(rt::growInPool(&buffer));
    }
    platform::posix::reset();
    for (std::uint32_t i = 0; i < size / sizeof(void*); ++i)
        EXPECT_EQ(reinterpret_cast<int**>(buffer.data)[i], &x);
    rt::growRelease(&buffer);
}

} // namespace
