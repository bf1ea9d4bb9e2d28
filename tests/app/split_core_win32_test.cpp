// Export failures and the report box on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/split_core.h"
#include "runtime/memory.h"
#include "runtime/platform.h"
#include "runtime/process.h"
#include "runtime/values.h"
#include "tests/support/box_answerer_win32.h"

namespace {

// Both stores: held in memory (false) and kept in the file.
class SplitCoreWin32 : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        app::setStoreLimits(GetParam() ? 0 : app::kMemoryStoreLimit);
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        folder_ = std::string(temp) + "textsplit_core_" + std::to_string(GetCurrentProcessId()) +
                  "_" + std::to_string(GetTickCount());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        app::createLines();
        std::string in = folder_ + "\\in.txt";
        HANDLE f = CreateFileA(in.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(f, "one\r\ntwo\r\nthree", 15, &done, nullptr);
        CloseHandle(f);
        ASSERT_EQ(app::importFile(in.c_str()), 3);
    }
    void TearDown() override {
        app::releaseLines();
        app::setStoreLimits();
        for (int k = 1; k <= 4; ++k) {
            DeleteFileA(outputName(k).c_str());
            RemoveDirectoryA(outputName(k).c_str());
        }
        DeleteFileA((folder_ + "\\in.txt").c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string outputName(int k) const { return folder_ + "\\文本" + std::to_string(k) + ".txt"; }
    static bool exists(const std::string& name) {
        return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string folder_;
};

TEST_P(SplitCoreWin32, OneErrorBoxNamesTheFileThatFailed) {
    ASSERT_TRUE(CreateDirectoryA(outputName(2).c_str(), nullptr)); // file 2 cannot be made
    app::ExportResult result = app::exportLines(folder_.c_str(), "1");
    EXPECT_EQ(result.written, 1);
    EXPECT_EQ(result.failedFile.c_str(), outputName(2));
    EXPECT_TRUE(exists(outputName(1)));
    EXPECT_FALSE(exists(outputName(3)));

    testsupport::BoxAnswerer answerer("信息", IDOK);
    EXPECT_EQ(app::showExportReport(result), 0);
    testsupport::SeenBox seen = answerer.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.icon, LoadIcon(nullptr, IDI_ERROR));
    EXPECT_EQ(seen.text, "写入文件失败：" + outputName(2) + "\r\n共导出1个文本");
}

TEST_P(SplitCoreWin32, CompleteExportShowsAPlainBox) {
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.written, 2);
    testsupport::BoxAnswerer answerer("信息", IDOK);
    EXPECT_EQ(app::showExportReport(result), 0);
    testsupport::SeenBox seen = answerer.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.icon, nullptr);
    EXPECT_EQ(seen.text, "共导出2个文本");
}

// A drive root comes back from the folder browser with its backslash: the
// doubled backslash in the names is accepted.
TEST_P(SplitCoreWin32, FolderEndingInABackslashStillWorks) {
    std::string withSlash = folder_ + "\\";
    app::ExportResult result = app::exportLines(withSlash.c_str(), "2");
    EXPECT_EQ(result.written, 2);
    EXPECT_FALSE(result.failed());
    EXPECT_TRUE(exists(outputName(1)));
    EXPECT_TRUE(exists(outputName(2)));
}

INSTANTIATE_TEST_SUITE_P(Stores, SplitCoreWin32, ::testing::Bool());

// --- out of memory in the middle of an import ------------------------------

std::string gBigInput;
HANDLE gReporter;

// Finds the box while it is up, checks that the reserve has come back to
// the heap (room for most of it under the cap), reads and answers the box,
// and reports on stderr.
DWORD WINAPI reportOutOfMemoryBox(void*) {
    HWND box = testsupport::waitForWindow("error", "#32770", 30000, GetCurrentProcessId());
    if (!box) return 0;
    void* room = platform::heapAlloc(rt::kMemoryReserve / 4 * 3, false);
    platform::heapFree(room);
    testsupport::BoxAnswerer answerer("error", IDOK);
    testsupport::SeenBox seen = answerer.wait();
    std::fprintf(stderr, "[%s] %s icon=%d room=%d\n", seen.caption.c_str(), seen.text.c_str(),
                 seen.icon == LoadIcon(nullptr, IDI_ERROR), room != nullptr);
    std::fflush(stderr);
    return 0;
}

// The clean-up runs after the box: it lets the report finish first.
void cleanupAfterReport() {
    WaitForSingleObject(gReporter, 30000);
    DeleteFileA(gBigInput.c_str());
    std::fputs("cleanup\n", stderr);
}

using SplitCoreWin32DeathTest = ::testing::Test;

// The heap capped below what the lines need stands for an exhausted address
// space: the import ends in the out-of-memory box (caption "error", the error
// icon), built after the reserve went back, and the process ends with 0.
TEST(SplitCoreWin32DeathTest, ImportPastTheHeapCapShowsTheOutOfMemoryBox) {
    EXPECT_EXIT(
        {
            char temp[MAX_PATH];
            GetTempPathA(MAX_PATH, temp);
            gBigInput = std::string(temp) + "textsplit_oom_" +
                        std::to_string(GetCurrentProcessId()) + ".txt";
            HANDLE f = CreateFileA(gBigInput.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                                   nullptr);
            std::string chunk;
            while (chunk.size() < (1u << 20))
                chunk += "a line of text in a file too large for the capped heap\r\n";
            DWORD done = 0;
            for (int i = 0; i < 12; ++i)
                WriteFile(f, chunk.data(), DWORD(chunk.size()), &done, nullptr);
            CloseHandle(f);

            gReporter = CreateThread(nullptr, 0, reportOutOfMemoryBox, nullptr, 0, nullptr);
            rt::setExitHook(rt::kAppCleanupHook, cleanupAfterReport);
            platform::setHeapLimit(rt::kMemoryReserve + (std::size_t{4} << 20));
            rt::holdMemoryReserve();
            rt::recordReturnPoint();
            app::createLines();
            app::importFile(gBigInput.c_str());
            std::fputs("import returned\n", stderr);
        },
        ::testing::ExitedWithCode(0), "\\[error\\] 内存不足 icon=1 room=1\\s*cleanup");
}

} // namespace
