// The fatal boxes as a user sees them under Windows, and the code page.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/memory.h"
#include "runtime/process.h"
#include "tests/support/box_answerer_win32.h"
#include "tests/support/boxes.h"

namespace {

TEST(Platform, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

void cleanup() { fputs("cleanup ", stderr); }

using MemoryWin32DeathTest = ::testing::Test;

TEST(MemoryWin32DeathTest, OutOfMemoryShowsItsBoxAndEndsWithZero) {
    EXPECT_EXIT(
        {
            testsupport::echoAndAnswerBoxes();
            rt::setExitHook(rt::kAppCleanupHook, cleanup);
            rt::recordReturnPoint();
            rt::allocate(static_cast<std::size_t>(-1) / 2); // no heap gives this
        },
        ::testing::ExitedWithCode(0), "\\[error\\] 内存不足\\s*cleanup");
}

TEST(MemoryWin32, FreeIgnoresUnreadablePointers) {
    void* reserved = VirtualAlloc(nullptr, 4096, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(reserved, nullptr);
    rt::free(reserved); // would crash the heap if handed on
    VirtualFree(reserved, 0, MEM_RELEASE);
}

TEST(MemoryWin32DeathTest, TheBoxHasTheErrorIconAndNoOwner) {
    // Run the box in a child: the child answers it itself and reports what
    // it saw, icon included.
    EXPECT_EXIT(
        {
            testsupport::BoxAnswerer answerer(
                "error", IDOK, 15000, [](const testsupport::SeenBox& box) {
                    fprintf(stderr, "icon=%d\n", box.icon == LoadIcon(nullptr, IDI_ERROR));
                    fflush(stderr);
                });
            rt::recordReturnPoint();
            rt::internalError(6, 0x401000);
        },
        ::testing::ExitedWithCode(0), "icon=1");
}

} // namespace
