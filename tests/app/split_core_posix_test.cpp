// Export failures and the report box against the POSIX stand-in, which can
// cut writes short and records every box.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/split_core.h"
#include "runtime/process.h"
#include "runtime/platform.h"
#include "tests/native/platform_posix.h"

namespace {

// Export runs from both stores: held in memory (false) and kept in the file.
class SplitCorePosix : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        platform::posix::reset();
        app::setStoreLimits(GetParam() ? 0 : app::kMemoryStoreLimit);
        char pattern[] = "/tmp/textsplit_core_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        folder_ = dir_ + "/out"; // the output names are "out\文本N.txt" inside dir_
        app::createLines();
        std::string in = dir_ + "/in.txt";
        std::FILE* f = std::fopen(in.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("one\r\ntwo\r\nthree\r\nfour\r\nfive", f);
        std::fclose(f);
        ASSERT_EQ(app::importFile(in.c_str()), 5);
    }
    void TearDown() override {
        platform::posix::reset();
        app::releaseLines();
        app::setStoreLimits();
        std::string command = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    std::string outputName(int number) const {
        return folder_ + "\\文本" + std::to_string(number) + ".txt";
    }
    // A file of `count` times the line, in the test's folder.
    std::string lines(const char* name, const char* line, int count) const {
        const std::string path = dir_ + "/" + name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        for (int i = 0; f && i < count; ++i)
            std::fputs(line, f);
        if (f) std::fclose(f);
        return path;
    }
    bool exists(const std::string& name) const {
        struct stat st {};
        return ::stat(name.c_str(), &st) == 0;
    }

    std::string dir_, folder_;
};

TEST_P(SplitCorePosix, ShortWriteStopsTheExportAtThatFile) {
    platform::posix::writeLimit = 4; // "one\r\ntwo\r\n" does not fit
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.written, 0);
    ASSERT_TRUE(result.failed());
    EXPECT_EQ(result.failedFile.c_str(), outputName(1));
    EXPECT_FALSE(exists(outputName(1))) << "no cut file under its name";
    EXPECT_FALSE(exists(outputName(1) + ".未完成")) << "nor under another";
    EXPECT_FALSE(exists(outputName(2))); // nothing after the failure

    app::showExportReport(result);
    EXPECT_EQ(platform::posix::messageBoxCount, 1);
    EXPECT_EQ(platform::posix::lastMessageBox.caption, "信息");
    EXPECT_EQ(platform::posix::lastMessageBox.style, 0x10u); // MB_ICONERROR
    EXPECT_EQ(platform::posix::lastMessageBox.text,
              "写入文件失败：" + outputName(1) + "\r\n共导出0个文本");
}

TEST_P(SplitCorePosix, FailureInTheMiddleKeepsTheFilesBeforeIt) {
    // A folder where file 2 should go: that file cannot be created.
    ASSERT_EQ(::mkdir(outputName(2).c_str(), 0755), 0);
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.written, 1);
    EXPECT_EQ(result.failedFile.c_str(), outputName(2));
    EXPECT_TRUE(exists(outputName(1)));
    EXPECT_FALSE(exists(outputName(2) + ".未完成")); // the name could not be given
    EXPECT_FALSE(exists(outputName(3)));

    app::showExportReport(result);
    EXPECT_EQ(platform::posix::messageBoxCount, 1); // one box, not one per file
    EXPECT_EQ(platform::posix::lastMessageBox.text,
              "写入文件失败：" + outputName(2) + "\r\n共导出1个文本");
}

// A program that opens each new file as it is closed (an indexer, a virus
// scanner) keeps the unfinished file of a failed write from going: the box
// names it, and no file bears the group's own name.
TEST_P(SplitCorePosix, AnUnfinishedFileThatCannotGoIsNamedInTheBox) {
    platform::posix::writeLimit = 4;
    platform::posix::holdAfterClose = outputName(1) + ".未完成";
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.outcome, app::ExportResult::kWriteFailed);
    EXPECT_EQ(result.leftFile.c_str(), outputName(1) + ".未完成");
    EXPECT_FALSE(exists(outputName(1)));
    app::showExportReport(result);
    EXPECT_EQ(platform::posix::lastMessageBox.text, "写入文件失败：" + outputName(1) +
                                                        "\r\n未能删除未完成的文件：" +
                                                        outputName(1) + ".未完成\r\n共导出0个文本");
}

// A write the system delayed fails at the close (a network share): that
// file is not counted, and nothing bears its name.
TEST_P(SplitCorePosix, AFailedCloseIsAFailedWrite) {
    platform::posix::failCloseAfter = 2;
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.outcome, app::ExportResult::kWriteFailed);
    EXPECT_EQ(result.failedFile.c_str(), outputName(2));
    EXPECT_EQ(result.written, 1);
    EXPECT_TRUE(exists(outputName(1)));
    EXPECT_FALSE(exists(outputName(2)));
    EXPECT_FALSE(exists(outputName(2) + ".未完成"));
}

// Where the file system's identities cannot be trusted, the full names
// tell: the imported file among the names is refused, other files are not.
TEST_P(SplitCorePosix, UntrustedIdentitiesFallBackToNames) {
    platform::posix::untrustedIdentities = true;
    std::FILE* f = std::fopen(outputName(2).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("x\r\ny\r\nz", f);
    std::fclose(f);
    f = std::fopen(outputName(1).c_str(), "wb"); // an older output, not the imported file
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    ASSERT_EQ(app::importFile(outputName(2).c_str()), 3);
    app::ExportResult result = app::exportLines(folder_.c_str(), "1");
    EXPECT_EQ(result.outcome, app::ExportResult::kWouldOverwrite);
    EXPECT_EQ(result.failedFile.c_str(), outputName(2));
    result = app::exportLines(folder_.c_str(), "3"); // one file: 文本1.txt only
    EXPECT_EQ(result.outcome, app::ExportResult::kWritten);
    EXPECT_EQ(result.written, 1);
}

using SplitCorePosixDeathTest = SplitCorePosix;

// Memory runs out in the middle of an import (the heap capped below what the
// lines need): the out-of-memory box, then the end with code 0.
TEST_P(SplitCorePosixDeathTest, ImportPastTheHeapCapShowsTheOutOfMemoryBox) {
    const std::string big =
        lines("big.txt", "a line of text in a file too large for the heap\r\n", 200000);
    EXPECT_EXIT(
        {
            rt::recordReturnPoint();
            platform::setHeapLimit(std::size_t{2} << 20);
            app::importFile(big.c_str());
            std::fputs("import returned\n", stderr);
        },
        ::testing::ExitedWithCode(0), "\\[error\\] 内存不足");
}

TEST_P(SplitCorePosix, CompleteExportShowsThePlainCount) {
    app::ExportResult result = app::exportLines(folder_.c_str(), "2");
    EXPECT_EQ(result.written, 3);
    EXPECT_FALSE(result.failed());
    platform::posix::nextAnswer = 1; // IDOK
    EXPECT_EQ(app::showExportReport(result), 0);
    EXPECT_EQ(platform::posix::lastMessageBox.text, "共导出3个文本");
    EXPECT_EQ(platform::posix::lastMessageBox.caption, "信息");
    EXPECT_EQ(platform::posix::lastMessageBox.style, 0u);
}

// A held file needs its bytes and an index of a thousandth of its lines: a
// million short lines (3 MB) held under a heap capped at 6 MB, where a
// pointer a line alone would need 4 or 8.
TEST_P(SplitCorePosixDeathTest, AHeldFileNeedsLittleMoreThanItsBytes) {
    const std::string big = lines("short_lines.txt", "x\r\n", 1000000);
    EXPECT_EXIT(
        {
            rt::recordReturnPoint();
            platform::setHeapLimit(std::size_t{6} << 20);
            const std::int64_t n = app::importFile(big.c_str());
            std::fprintf(stderr, "held %lld in memory %d\n", static_cast<long long>(n),
                         !app::linesInFile());
            platform::exitProcess(0);
        },
        ::testing::ExitedWithCode(0), "held 1000000 in memory 1");
}

// A file kept in its file needs its two buffers and little more, whatever
// its size: 12 MB import and export under a heap capped at 4 MB.
using SplitCorePosixInFile = SplitCorePosix;
TEST_P(SplitCorePosixInFile, NeedsOnlyItsBuffers) {
    const std::string big =
        lines("big.txt", "a line of text in a file larger than the heap\r\n", 250000);
    platform::setHeapLimit(std::size_t{4} << 20);
    EXPECT_EQ(app::importFile(big.c_str()), 250000);
    app::ExportResult result = app::exportLines(folder_.c_str(), "100000");
    EXPECT_EQ(result.written, 3);
    EXPECT_FALSE(result.failed());
    EXPECT_EQ(platform::posix::messageBoxCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Stores, SplitCorePosix, ::testing::Bool());
INSTANTIATE_TEST_SUITE_P(InMemory, SplitCorePosixDeathTest, ::testing::Values(false));
INSTANTIATE_TEST_SUITE_P(InFile, SplitCorePosixInFile, ::testing::Values(true));

} // namespace
