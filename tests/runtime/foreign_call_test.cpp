#include <gtest/gtest.h>

#include "runtime/foreign_call.h"
#include "tests/support/boxes.h"

namespace {

std::uintptr_t sum3(std::uintptr_t a, std::uintptr_t b, std::uintptr_t c) {
    return a * 100 + b * 10 + c;
}
std::uintptr_t none() { return 42; }

TEST(ForeignCall, PassesArgumentsInOrderAndReturnsTheResult) {
    std::uintptr_t args[] = {1, 2, 3};
    EXPECT_EQ(rt::callForeign(reinterpret_cast<const void*>(sum3), args, 3) & 0xFFFFFFFF, 123u);
    EXPECT_EQ(rt::callForeignWord(reinterpret_cast<const void*>(none), {}), 42u);
}

#if defined(__i386__)
// The two conventions a handler may have: the callee pops its arguments, or
// the caller does.
std::uintptr_t __attribute__((stdcall)) calleePops(std::uintptr_t a, std::uintptr_t b,
                                                    std::uintptr_t c) {
    return a - b - c;
}
std::uintptr_t __attribute__((cdecl)) callerPops(std::uintptr_t a, std::uintptr_t b,
                                                  std::uintptr_t c) {
    return a + b + c;
}
std::uintptr_t __attribute__((stdcall)) popsTwo(std::uintptr_t a, std::uintptr_t b) {
    return a + b;
}
long long wide() { return 0x1122334455667788LL; }

TEST(ForeignCall32, BothConventionsKeepTheStackBalanced) {
    std::uintptr_t args[] = {10, 3, 2};
    for (int i = 0; i < 1000; ++i) { // an imbalance would pile up and crash
        ASSERT_EQ(rt::callForeign(reinterpret_cast<const void*>(calleePops), args, 3) & 0xFFFFFFFF, 5u);
        ASSERT_EQ(rt::callForeign(reinterpret_cast<const void*>(callerPops), args, 3) & 0xFFFFFFFF, 15u);
    }
}

TEST(ForeignCall32, ReturnsEdxEax) {
    EXPECT_EQ(rt::callForeign(reinterpret_cast<const void*>(wide), nullptr, 0),
              0x1122334455667788ULL);
}

using ForeignCall32DeathTest = ::testing::Test;

TEST(ForeignCall32DeathTest, AnUnbalancedCallIsInternalErrorSix) {
    // Three arguments to a callee that pops two leaves the stack off by one word.
    std::uintptr_t args[] = {1, 2, 3};
    EXPECT_EXIT((testsupport::echoAndAnswerBoxes(),
                 rt::callForeign(reinterpret_cast<const void*>(popsTwo), args, 3)),
                ::testing::ExitedWithCode(0), "\\[error\\] program internal error number is 6\\.");
}
#endif

} // namespace
