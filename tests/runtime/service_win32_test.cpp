// The runtime's service callback, the library command call and the table of
// command libraries, as a library sees them.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/service.h"
#include "skin/skin_library.h"
#include "tests/support/box_answerer_win32.h"

namespace {

using rt::runtimeService;
using rt::ValueBlock;

std::uintptr_t word(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p);
}
const char* text(std::uintptr_t w) {
    return reinterpret_cast<const char*>(w);
}
std::int32_t asInt(std::uintptr_t w) {
    return static_cast<std::int32_t>(w);
}

std::int32_t toInt(ValueBlock v) {
    return asInt(runtimeService(rt::kRequestValueToInt, word(&v), 0));
}

TEST(ServiceRequests, ConstantAnswersAndNoProgramWindows) {
    EXPECT_EQ(runtimeService(1004, 0, 0), 1u);
    EXPECT_EQ(runtimeService(1005, 0, 0), 4u);
    EXPECT_EQ(runtimeService(2030, 0, 0), 3u);
    // A library's modal dialog finds no program windows to disable.
    EXPECT_EQ(runtimeService(2032, 0, 0), 0u);
    EXPECT_EQ(runtimeService(2033, 0, 0), 0u);
    EXPECT_EQ(runtimeService(2033, 3, 0), 0u);
}

TEST(ServiceRequests, ValueToIntegerTruncatesRealsTowardZero) {
    EXPECT_EQ(toInt(ValueBlock::ofDouble(2.9)), 2);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(-2.9)), -2);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(-0.5)), 0);
    EXPECT_EQ(toInt(ValueBlock::ofFloat(7.75f)), 7);
    EXPECT_EQ(toInt(ValueBlock::ofFloat(-7.75f)), -7);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(2147483647.9)), 2147483647);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(-2147483648.9)), INT32_MIN);
}

TEST(ServiceRequests, ValueToIntegerTakesLowBitsOfOtherTypes) {
    EXPECT_EQ(toInt(ValueBlock::ofLong(0x100000005LL)), 5);
    EXPECT_EQ(toInt(ValueBlock::ofLong(-3)), -3);
    EXPECT_EQ(toInt(ValueBlock::ofInt(-123456)), -123456);
    ValueBlock byte{0x1FF, 0x7, rt::kTagByte}; // no masking to the type's width
    EXPECT_EQ(toInt(byte), 0x1FF);
    // A date-time is a double too, but only float and double are converted.
    ValueBlock date = ValueBlock::ofDouble(1.5, rt::kTagDateTime);
    EXPECT_EQ(toInt(date), static_cast<std::int32_t>(date.low));
}

TEST(ServiceRequests, ValueToIntegerOfUnrepresentableRealsIsDefined) {
    EXPECT_EQ(toInt(ValueBlock::ofDouble(1e20)), INT32_MIN);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(-1e20)), INT32_MIN);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(std::numeric_limits<double>::quiet_NaN())), INT32_MIN);
    EXPECT_EQ(toInt(ValueBlock::ofDouble(2147483648.0)), INT32_MIN);
    EXPECT_EQ(runtimeService(rt::kRequestValueToInt, 0, 0), 0u); // no block at all
}

TEST(ServiceRequests, ArgumentsFollowTheProgramName) {
    struct Case {
        const char* line;
        std::size_t argumentsAt;
    } cases[] = {
        {"\"C:\\Program Files\\t.exe\" -a b", 25}, // quoted: past the quote and one space
        {"\"C:\\t.exe\"  two", 11},                // only one space is skipped
        {"\"C:\\t.exe\"x", 10},                    // no space after the quote
        {"\"C:\\t.exe\"", 10},                     // the bare quoted name
        {"\"C:\\no end", 10},                      // an unterminated quote ends the line
        {"C:\\t.exe -x y", 9},                     // bare: past the first space
        {"C:\\t.exe  -x", 9},
        {"C:\\t.exe", 8}, // the bare name alone
        {"", 0},
    };
    for (const Case& c : cases) {
        const char* result = rt::argumentsAfterProgramName(c.line);
        EXPECT_EQ(result, c.line + c.argumentsAt) << c.line;
    }
    EXPECT_STREQ(rt::argumentsAfterProgramName(nullptr), "");
}

TEST(ServiceRequests, ArgumentsPointIntoTheProcessCommandLine) {
    const char* line = GetCommandLineA();
    const char* arguments = text(runtimeService(rt::kRequestArguments, 0, 0));
    ASSERT_GE(arguments, line);
    ASSERT_LE(arguments, line + std::strlen(line));
    EXPECT_EQ(arguments, rt::argumentsAfterProgramName(line));
    // What follows the program name is what the C runtime split into argv.
    if (__argc > 1) {
        EXPECT_EQ(std::string(arguments).find(__argv[1]), 0u) << line;
    } else {
        EXPECT_STREQ(arguments, "") << line;
    }
}

TEST(ServiceRequests, PathsOfAGivenProgram) {
    const char* program = "C:\\tools\\split.exe";
    EXPECT_STREQ(text(rt::programPathRequest(2004, 0, nullptr, program)), "split.exe");
    EXPECT_STREQ(text(rt::programPathRequest(2003, 0, nullptr, program)), "C:\\tools");

    char mine[rt::kPathBufferSize];
    for (std::uintptr_t selector : {std::uintptr_t(1), std::uintptr_t(2001)}) {
        std::memset(mine, 'x', sizeof mine);
        const char* theirs = text(rt::programPathRequest(1006, selector, mine, program));
        EXPECT_STREQ(mine, "C:\\tools\\") << selector;
        EXPECT_STREQ(theirs, "C:\\tools\\") << selector;
        EXPECT_NE(theirs, mine);
    }
    std::memset(mine, 'x', sizeof mine);
    EXPECT_STREQ(text(rt::programPathRequest(1006, 2002, mine, program)), "split.exe");
    EXPECT_STREQ(mine, "split.exe");

    std::strcpy(mine, "untouched");
    EXPECT_EQ(rt::programPathRequest(1006, 3, mine, program), 0u);
    EXPECT_STREQ(mine, "untouched");
}

TEST(ServiceRequests, PathsWhenTheModulePathCannotBeRead) {
    EXPECT_EQ(rt::programPathRequest(2003, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(rt::programPathRequest(2004, 0, nullptr, nullptr), 0u);
    char mine[rt::kPathBufferSize] = "old";
    const char* theirs = text(rt::programPathRequest(1006, 1, mine, nullptr));
    ASSERT_NE(theirs, nullptr);
    EXPECT_STREQ(theirs, "");
    EXPECT_STREQ(mine, "");
    EXPECT_STREQ(text(rt::programPathRequest(1006, 2002, mine, nullptr)), "");
}

TEST(ServiceRequests, PathsSplitAtBackslashesNotAtTrailBytes) {
    // "\x81\x5C" is one double-byte character whose trail byte has the
    // value of a backslash.
    const char* program = "C:\\d\\a\x81\x5C.exe";
    EXPECT_STREQ(text(rt::programPathRequest(2004, 0, nullptr, program)), "a\x81\x5C.exe");
    EXPECT_STREQ(text(rt::programPathRequest(2003, 0, nullptr, program)), "C:\\d");
    const char* folderEnding = "C:\\\x81\x5C\\t.exe";
    EXPECT_STREQ(text(rt::programPathRequest(2003, 0, nullptr, folderEnding)), "C:\\\x81\x5C");
    EXPECT_STREQ(text(rt::programPathRequest(2004, 0, nullptr, folderEnding)), "t.exe");
}

TEST(ServiceRequests, PathsOfThisProgram) {
    char module[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, module, MAX_PATH);
    ASSERT_GT(n, 0u);
    std::string full(module, n);
    std::size_t slash = full.rfind('\\');
    ASSERT_NE(slash, std::string::npos);

    EXPECT_EQ(text(runtimeService(2003, 0, 0)), full.substr(0, slash));
    EXPECT_EQ(text(runtimeService(2004, 0, 0)), full.substr(slash + 1));
    char mine[rt::kPathBufferSize] = {};
    EXPECT_EQ(text(runtimeService(1006, 1, word(mine))), full.substr(0, slash + 1));
    EXPECT_EQ(std::string(mine), full.substr(0, slash + 1));
    EXPECT_EQ(text(runtimeService(1006, 2002, word(mine))), full.substr(slash + 1));
    EXPECT_EQ(std::string(mine), full.substr(slash + 1));
}

// A window that counts the application messages that reach it.
int gPumped;
LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP + 7) ++gPumped;
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND countingWindow() {
    static ATOM atom = [] {
        WNDCLASSA c = {};
        c.lpfnWndProc = countingProc;
        c.hInstance = GetModuleHandleA(nullptr);
        c.lpszClassName = "ServicePumpTest";
        return RegisterClassA(&c);
    }();
    EXPECT_NE(atom, 0);
    return CreateWindowA("ServicePumpTest", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

void drainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(ServiceRequests, PumpingDispatchesWaitingMessagesAndLeavesTheQuit) {
    HWND window = countingWindow();
    ASSERT_NE(window, nullptr);
    drainQueue();
    gPumped = 0;
    PostMessageA(window, WM_APP + 7, 0, 0);
    PostMessageA(window, WM_APP + 7, 0, 0);
    PostQuitMessage(42);
    EXPECT_EQ(runtimeService(rt::kRequestPumpMessages, 0, 0), 0u);
    EXPECT_EQ(gPumped, 2);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 42u);
    DestroyWindow(window);
    drainQueue();
}

TEST(ServiceRequests, PumpingReturnsAtOnceBeforeAWaitingQuit) {
    HWND window = countingWindow();
    ASSERT_NE(window, nullptr);
    drainQueue();
    gPumped = 0;
    PostQuitMessage(9);
    EXPECT_EQ(runtimeService(rt::kRequestPumpMessages, 0, 0), 0u);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 9u);
    // The quit stays at the head however often a library pumps.
    EXPECT_EQ(runtimeService(rt::kRequestPumpMessages, 0, 0), 0u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(gPumped, 0);
    DestroyWindow(window);
    drainQueue();
}

TEST(ServiceRequests, AllocateReallocateAndFreeUseTheRuntimeHeap) {
    auto* block = reinterpret_cast<std::uint8_t*>(runtimeService(rt::kRequestAllocate, 64, 0));
    ASSERT_NE(block, nullptr);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(block[i], 0) << i;
    EXPECT_GE(HeapSize(GetProcessHeap(), 0, block), 64u);
    std::memset(block, 0xAB, 64);
    auto* grown =
        reinterpret_cast<std::uint8_t*>(runtimeService(rt::kRequestReallocate, word(block), 5000));
    ASSERT_NE(grown, nullptr);
    EXPECT_GE(HeapSize(GetProcessHeap(), 0, grown), 5000u);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(grown[i], 0xAB) << i;
    EXPECT_EQ(runtimeService(rt::kRequestFree, word(grown), 0), 0u);

    auto* fresh = reinterpret_cast<std::uint8_t*>(runtimeService(rt::kRequestReallocate, 0, 16));
    ASSERT_NE(fresh, nullptr);
    for (int i = 0; i < 16; ++i)
        ASSERT_EQ(fresh[i], 0) << i;
    EXPECT_EQ(runtimeService(rt::kRequestFree, word(fresh), 0), 0u);
    // Free is as forgiving as the runtime's own.
    EXPECT_EQ(runtimeService(rt::kRequestFree, 0, 0), 0u);
    EXPECT_EQ(runtimeService(rt::kRequestFree, word(rt::kEmptyText), 0), 0u);
}

bool heapBlockLive(const void* p) {
    return HeapValidate(GetProcessHeap(), 0, p) != FALSE;
}

TEST(ServiceRequests, ReleaseArrayFreesByElementType) {
    rt::Array texts = rt::newArray(2, sizeof(char*));
    char* first = rt::copyText("one");
    char* second = rt::copyText("two");
    rt::textElements(texts)[0] = first;
    rt::textElements(texts)[1] = second;
    ASSERT_TRUE(heapBlockLive(first));
    EXPECT_EQ(runtimeService(rt::kRequestReleaseArray, rt::kTagText, word(texts)), 0u);
    EXPECT_FALSE(heapBlockLive(first));
    EXPECT_FALSE(heapBlockLive(second));
    EXPECT_FALSE(heapBlockLive(texts));

    // Integers: only the block; the element values are not pointers.
    rt::Array ints = rt::newArray(2, 4);
    reinterpret_cast<std::int32_t*>(rt::arrayData(ints))[0] = 0x12345678;
    EXPECT_EQ(runtimeService(rt::kRequestReleaseArray, rt::kTagInt, word(ints)), 0u);
    EXPECT_FALSE(heapBlockLive(ints));

    // A tag outside the basic types releases nothing.
    rt::Array other = rt::newArray(1, sizeof(char*));
    char* kept = rt::copyText("kept");
    rt::textElements(other)[0] = kept;
    EXPECT_EQ(runtimeService(rt::kRequestReleaseArray, 0x40000001u, word(other)), 0u);
    EXPECT_EQ(runtimeService(rt::kRequestReleaseArray, 0, word(other)), 0u);
    EXPECT_TRUE(heapBlockLive(other));
    EXPECT_TRUE(heapBlockLive(kept));
    EXPECT_STREQ(kept, "kept");
    rt::releaseArray(other, rt::kTagText);
}

TEST(ServiceRequests, UnsupportedCodesShowTheirBoxAndAnswerZero) {
    for (std::uintptr_t code :
         {std::uintptr_t(0), std::uintptr_t(1007), std::uintptr_t(2031), std::uintptr_t(3000)}) {
        testsupport::BoxAnswerer answerer; // any box, so that a wrong caption cannot hang
        EXPECT_EQ(runtimeService(code, 5, 6), 0u) << code;
        testsupport::SeenBox seen = answerer.wait();
        ASSERT_TRUE(seen.found) << code;
        EXPECT_EQ(seen.caption, "ostrelin");
        char expected[128];
        std::snprintf(expected, sizeof expected, "不支持系统功能函数%d. 请将此信息反馈给作者",
                      static_cast<int>(code));
        EXPECT_EQ(seen.text, expected);
        EXPECT_EQ(seen.icon, LoadIconA(nullptr, MAKEINTRESOURCEA(32513))); // IDI_ERROR
    }
}

// In the child of a death test: an exit hook reports what reached the user
// before the process ends.
testsupport::BoxAnswerer* gDeathAnswerer;
void reportBoxAtExit() {
    testsupport::SeenBox seen = gDeathAnswerer->wait();
    std::string shown;
    for (char c : seen.text)
        shown += c == '\r' ? "<CR>" : c == '\n' ? "<LF>" : std::string(1, c);
    std::fprintf(stderr, "box caption=[%s] text=[%s] error-icon=%d\n", seen.caption.c_str(),
                 shown.c_str(), seen.icon == LoadIconA(nullptr, MAKEINTRESOURCEA(32513)));
    std::fflush(stderr);
}
void reportExit() {
    std::fprintf(stderr, "exit hooks ran\n");
    std::fflush(stderr);
}

TEST(ServiceRequestsDeathTest, RuntimeErrorShowsItsBoxAndEndsWithZero) {
    EXPECT_EXIT(
        {
            gDeathAnswerer = new testsupport::BoxAnswerer();
            rt::setExitHook(rt::kSpareHook, reportBoxAtExit);
            runtimeService(rt::kRequestRuntimeError, word("disk on fire"), 0);
            std::fprintf(stderr, "returned\n");
        },
        ::testing::ExitedWithCode(0),
        "box caption=\\[ERROR\\] text=\\[Ostrelin RunTime Error:<CR><LF><CR><LF>disk on fire\\] "
        "error-icon=1");
}

TEST(ServiceRequestsDeathTest, EndProcessRunsTheExitHooksAndEndsWithTheCode) {
    EXPECT_EXIT(
        {
            rt::setExitHook(rt::kSpareHook, reportExit);
            runtimeService(rt::kRequestEndProcess, 7, 0);
            std::fprintf(stderr, "returned\n");
        },
        ::testing::ExitedWithCode(7), "exit hooks ran");
}

// --- the library command call ----------------------------------------------

struct SeenCall {
    ValueBlock resultAtEntry;
    ValueBlock* resultAddress;
    std::uintptr_t count;
    ValueBlock* arguments;
};
SeenCall gSeen;

// Adds its integer arguments and answers a long integer.
void addCommand(ValueBlock* result, std::uintptr_t count, ValueBlock* arguments) {
    gSeen = {*result, result, count, arguments};
    std::int64_t sum = 0;
    for (std::uintptr_t i = 0; i < count; ++i)
        sum += arguments[i].omitted() ? 1000 : arguments[i].asInt();
    *result = ValueBlock::ofLong(sum + (std::int64_t(1) << 40));
}

// Writes its value and leaves the tag 0, as a command may.
void untaggedCommand(ValueBlock* result, std::uintptr_t, ValueBlock*) {
    result->low = 77;
}

TEST(LibraryCommandCall, PassesResultBlockCountAndArgumentsAndHandsBackTheResult) {
    const ValueBlock args[] = {ValueBlock::ofInt(3), ValueBlock::none(), ValueBlock::ofInt(-5)};
    std::memset(&gSeen, 0xCC, sizeof gSeen);
    ValueBlock result = rt::callLibraryCommand(reinterpret_cast<const void*>(&addCommand), args, 3);
    EXPECT_EQ(gSeen.count, 3u);
    EXPECT_EQ(gSeen.arguments, args);
    // The result block is cleared before the call.
    EXPECT_EQ(gSeen.resultAtEntry.low, 0u);
    EXPECT_EQ(gSeen.resultAtEntry.high, 0u);
    EXPECT_EQ(gSeen.resultAtEntry.tag, 0u);
    EXPECT_EQ(result.tag, rt::kTagLong);
    EXPECT_EQ(result.asLong(), 998 + (std::int64_t(1) << 40));
}

TEST(LibraryCommandCall, NoArgumentsAndAnUntaggedResult) {
    ValueBlock result =
        rt::callLibraryCommand(reinterpret_cast<const void*>(&addCommand), nullptr, 0);
    EXPECT_EQ(gSeen.count, 0u);
    EXPECT_EQ(result.asLong(), std::int64_t(1) << 40);
    result = rt::callLibraryCommand(reinterpret_cast<const void*>(&untaggedCommand), {});
    EXPECT_EQ(result.low, 77u);
    EXPECT_EQ(result.high, 0u);
    EXPECT_EQ(result.tag, 0u);
}

TEST(LibraryCommandCall, SwitchesTheSkinEngineAsTheToolDoes) {
    const void* applySkin = reinterpret_cast<const void*>(&skin::applySkin);
    ValueBlock on = rt::callLibraryCommand(applySkin, {ValueBlock::ofInt(2)});
    EXPECT_EQ(on.asInt(), 1);
    EXPECT_EQ(skin::schemeNumber(), 2);
    EXPECT_TRUE(skin::skinActive());
    // Switching on again switches off first; the answer is that of switching on.
    EXPECT_EQ(rt::callLibraryCommand(applySkin, {ValueBlock::ofInt(3)}).asInt(), 1);
    EXPECT_EQ(skin::schemeNumber(), 3);
    // Any other scheme switches off: 1 when it was on, 0 when it already was off.
    EXPECT_EQ(rt::callLibraryCommand(applySkin, {ValueBlock::ofInt(0)}).asInt(), 1);
    EXPECT_FALSE(skin::skinActive());
    EXPECT_EQ(rt::callLibraryCommand(applySkin, {ValueBlock::ofInt(4)}).asInt(), 0);
    EXPECT_EQ(skin::schemeNumber(), 4); // stored whatever its value
    EXPECT_EQ(rt::callLibraryCommand(applySkin, {ValueBlock::ofInt(1)}).asInt(), 1);
    EXPECT_EQ(skin::schemeNumber(), 1);
    EXPECT_EQ(skin::setSkinActive(5), 0);
    EXPECT_TRUE(skin::skinActive());
    EXPECT_EQ(skin::setSkinActive(0), 1);
}

// --- the library table -------------------------------------------------------

TEST(CommandLibraries, SkinNotifyKeepsTheCallbackAndIgnoresTheEnd) {
    EXPECT_EQ(skin::skinNotify(1, 0x1234, 0), 0u);
    EXPECT_EQ(skin::serviceCallback(), 0x1234u);
    skin::setSkinActive(1);
    EXPECT_EQ(skin::skinNotify(6, 0, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(skin::skinNotify(3, 0x99, 0), static_cast<std::uintptr_t>(-1));
    EXPECT_EQ(skin::serviceCallback(), 0x1234u);
    EXPECT_TRUE(skin::skinActive()); // the end of the process does not switch it off
    skin::setSkinActive(0);
}

} // namespace
