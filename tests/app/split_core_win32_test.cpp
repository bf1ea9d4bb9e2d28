// Export failures and the report box on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/split_core.h"
#include "runtime/values.h"
#include "tests/support/box_answerer_win32.h"

namespace {

class SplitCoreWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
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

TEST_F(SplitCoreWin32, OneErrorBoxNamesTheFileThatFailed) {
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

TEST_F(SplitCoreWin32, CompleteExportShowsAPlainBox) {
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
TEST_F(SplitCoreWin32, FolderEndingInABackslashStillWorks) {
    std::string withSlash = folder_ + "\\";
    app::ExportResult result = app::exportLines(withSlash.c_str(), "2");
    EXPECT_EQ(result.written, 2);
    EXPECT_FALSE(result.failed());
    EXPECT_TRUE(exists(outputName(1)));
    EXPECT_TRUE(exists(outputName(2)));
}

} // namespace
