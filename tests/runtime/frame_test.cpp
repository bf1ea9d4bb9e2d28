// The one path by which the process ends, checked in child processes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "runtime/memory.h"
#include "runtime/process.h"
#include "tests/support/boxes.h"

namespace {

void say(const char* what) {
    std::fputs(what, stderr);
    std::fflush(stderr);
}
void hook1() { say("hook1 "); }
void hook2() { say("hook2 "); }
void hook3() { say("hook3 "); }
void finalHook() { say("final "); }
void atExit() { say("atexit "); }

std::uintptr_t libraryA(std::uintptr_t event, std::uintptr_t first, std::uintptr_t second) {
    std::fprintf(stderr, "A%u(%u,%u) ", unsigned(event), unsigned(first != 0), unsigned(second));
    return 0;
}
std::uintptr_t libraryB(std::uintptr_t event, std::uintptr_t, std::uintptr_t) {
    std::fprintf(stderr, "B%u ", unsigned(event));
    return static_cast<std::uintptr_t>(-1);
}

void installEverything() {
    rt::NotifyFunction libraries[] = {libraryA, libraryB};
    rt::setLibraryNotifyTable(libraries, 2);
    rt::notifyLibrariesOfStart(reinterpret_cast<std::uintptr_t>(&installEverything));
    rt::setExitHook(rt::kAppCleanupHook, hook1);
    rt::setExitHook(rt::kOpenFilesHook, hook2);
    rt::setExitHook(rt::kSpareHook, hook3);
    rt::setFinalHook(finalHook);
    std::atexit(atExit);
}

using FrameDeathTest = ::testing::Test;

TEST(FrameDeathTest, EndProcessRunsHooksThenLibrariesThenFinalHook) {
    EXPECT_EXIT(
        {
            installEverything();
            rt::recordReturnPoint();
            rt::endProcess(0);
        },
        ::testing::ExitedWithCode(0),
        "A1\\(1,0\\) B1 hook1 hook2 hook3 A6\\(0,0\\) B6 final atexit");
}

TEST(FrameDeathTest, EndProcessPassesItsCodeAndRunsNothingAfterTheCall) {
    EXPECT_EXIT(
        {
            rt::recordReturnPoint();
            rt::endProcess(7);
            say("after the call");
        },
        ::testing::ExitedWithCode(7), "^$");
}

TEST(FrameDeathTest, WithoutAReturnPointTheProcessEndsAtOnce) {
    // Ending before the main sequence started skips the C runtime's exit:
    // handlers registered with atexit never run.
    EXPECT_EXIT(
        {
            installEverything();
            rt::endProcess(3);
        },
        ::testing::ExitedWithCode(3), "hook1 hook2 hook3 A6\\(0,0\\) B6 final $");
}

TEST(FrameDeathTest, HooksThatWereClearedDoNotRun) {
    EXPECT_EXIT(
        {
            installEverything();
            rt::setExitHook(rt::kOpenFilesHook, nullptr);
            rt::setFinalHook(nullptr);
            rt::recordReturnPoint();
            rt::endProcess(0);
        },
        ::testing::ExitedWithCode(0), "hook1 hook3 A6\\(0,0\\) B6 atexit");
}

TEST(FrameDeathTest, FatalReportsStillRunTheCleanUp) {
    EXPECT_EXIT(
        {
            testsupport::echoAndAnswerBoxes();
            installEverything();
            rt::recordReturnPoint();
            rt::internalError(9, 0xABC);
        },
        ::testing::ExitedWithCode(0),
        "\\[error\\] program internal error number is 9\\. \\(0xABCh\\)\\s*hook1 hook2 hook3 A6");
}

} // namespace
