// The built tool at work on files that take a while (the test copy, every
// read and write slowed through its seam), with the lines held in memory and kept in
// their file: the dialog answers meanwhile, shows how far it is, and Esc or
// closing stop the work as a user expects.
#include "tests/app/tool_test_win32.h"

using namespace tooltest;

namespace {

enum class Store { kMemory, kFile };

// 250,000 lines of 100 bytes: a hundred reads in memory's pieces, each
// slowed by 50 ms, and twenty-five in the file store's, by 200 ms; the export
// writes a hundred groups of 250,000 bytes.
constexpr size_t kLines = 250000;
constexpr size_t kGroup = 2500;
constexpr int kGroups = 100;

std::vector<std::string> bigLines() {
    std::vector<std::string> lines;
    lines.reserve(kLines);
    for (size_t i = 0; i < kLines; ++i) {
        std::string line = "第" + std::to_string(i) + "行 ";
        line.resize(98, 'x');
        lines.push_back(line);
    }
    return lines;
}

const char kImporting[] = "正在导入…… ";
const char kExporting[] = "正在导出…… ";

class ToolAtWork : public ToolTest, public ::testing::WithParamInterface<Store> {
  protected:
    void SetUp() override {
        seams_ = true;
        environment_ = {{"TEXTSPLIT_FILE_DELAY", GetParam() == Store::kFile ? "200" : "50"},
                        {"TEXTSPLIT_MEMORY_LIMIT", GetParam() == Store::kFile ? "0" : "536870912"},
                        {"TEXTSPLIT_DROP_SEAM", "1"}};
        ToolTest::SetUp();
    }

    // The time the dialog takes to answer a message sent from outside.
    DWORD answerTime() {
        DWORD start = GetTickCount();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result)) return 5000;
        return GetTickCount() - start;
    }

    // While the message line shows progress: the dialog answers within
    // 0.5 s every time asked, the buttons and the count box take no input,
    // and the percent rises. Returns the percents seen.
    std::vector<int> watchProgress(const std::string& prefix, int looks) {
        std::vector<int> seen;
        for (int i = 0; i < looks; ++i) {
            // Read before the text: the tool shows its final text before
            // the controls take input again.
            bool enabled = false;
            for (int id : {kImportItem, kExportItem, kCountItem})
                enabled = enabled || IsWindowEnabled(item(id));
            std::string text = textOf(item(kMessageLineItem));
            if (text.rfind(prefix, 0) != 0) break;
            seen.push_back(std::atoi(text.c_str() + prefix.size()));
            EXPECT_EQ(text.back(), '%') << text;
            EXPECT_FALSE(enabled) << "input taken during the work";
            EXPECT_LT(answerTime(), 500u);
            Sleep(60);
        }
        for (size_t i = 1; i < seen.size(); ++i)
            EXPECT_LE(seen[i - 1], seen[i]);
        return seen;
    }

    bool waitForProgress(const std::string& prefix) {
        DWORD start = GetTickCount();
        while (textOf(item(kMessageLineItem)).rfind(prefix, 0) != 0) {
            if (GetTickCount() - start > kWait) return false;
            Sleep(10);
        }
        return true;
    }

    void pressEscape() { PostMessageA(dialog_, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }

    // Imports the big file, then exports it in groups of kGroup into out,
    // until the export shows its progress.
    void startBigExport(const std::vector<std::string>& lines) {
        ASSERT_NO_FATAL_FAILURE(importBig(lines));
        typeCount(std::to_string(kGroup));
        HWND browser = startExport();
        ASSERT_NE(browser, nullptr);
        ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
        ASSERT_TRUE(waitForProgress(kExporting));
    }

    // What an export that ended early left in out: whole groups 文本1.txt to
    // 文本N.txt and nothing else (no cut file, no file of another name).
    void expectOnlyWholeGroups(const std::vector<std::string>& lines) {
        std::vector<std::string> expected = expectedGroups(lines, kGroup);
        const size_t written = filesIn(out_).size();
        EXPECT_LT(written, size_t(kGroups));
        for (size_t k = 1; k <= written; ++k)
            EXPECT_TRUE(readBytes(outputFile(int(k))) == expected[k - 1]) << k;
    }

    // Imports the big file and waits until it is in.
    void importBig(const std::vector<std::string>& lines) {
        ASSERT_NO_FATAL_FAILURE(importFile(writeInput("big.txt", join(lines, "\r\n"))));
        ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[250000]行"))
            << textOf(item(kMessageLineItem));
    }
};

TEST_P(ToolAtWork, ImportAnswersShowsProgressAndEscKeepsThePreviousLines) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("big.txt", join(bigLines(), "\r\n"))));
    ASSERT_TRUE(waitForProgress(kImporting));
    std::vector<int> seen = watchProgress(kImporting, 3);
    EXPECT_GE(seen.size(), 2u) << "the import was over too soon to watch";
    pressEscape();
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[3]行"))
        << textOf(item(kMessageLineItem));
    EXPECT_TRUE(IsWindow(dialog_)) << "Esc stops the work only";
    for (int id : {kImportItem, kExportItem, kCountItem})
        EXPECT_TRUE(IsWindowEnabled(item(id))) << id;

    // The lines are those of the import before.
    typeCount("1");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
    EXPECT_EQ(answerBox().text, "共导出3个文本");
    EXPECT_EQ(readBytes(outputFile(3)), "z\r\n");
}

TEST_P(ToolAtWork, ExportAnswersShowsProgressAndEscKeepsTheWholeFiles) {
    const std::vector<std::string> lines = bigLines();
    ASSERT_NO_FATAL_FAILURE(startBigExport(lines));
    std::vector<int> seen = watchProgress(kExporting, 3);
    EXPECT_GE(seen.size(), 2u) << "the export was over too soon to watch";
    pressEscape();

    MessageBoxView box = answerBox();
    EXPECT_EQ(box.icon, "information");
    const std::string prefix = "导出已停止\r\n共导出";
    ASSERT_EQ(box.text.rfind(prefix, 0), 0u) << box.text;
    const int written = std::atoi(box.text.c_str() + prefix.size());
    EXPECT_EQ(box.text, prefix + std::to_string(written) + "个文本");
    EXPECT_GT(written, 0);
    EXPECT_LT(written, kGroups);
    std::vector<std::string> expected = expectedGroups(lines, kGroup);
    EXPECT_EQ(filesIn(out_).size(), size_t(written)) << "the file being written is gone";
    for (int k = 1; k <= written; ++k)
        EXPECT_TRUE(readBytes(outputFile(k)) == expected[size_t(k - 1)]) << k;
    EXPECT_EQ(textOf(item(kMessageLineItem)), "文本导入行数为[250000]行");
}

// A file dropped while the work runs is not imported, then or later.
TEST_P(ToolAtWork, ADropDuringTheWorkChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("big.txt", join(bigLines(), "\r\n"))));
    ASSERT_TRUE(waitForProgress(kImporting));
    drop({writeInput("two.txt", "a\r\nb")});
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[250000]行"))
        << textOf(item(kMessageLineItem));
    settle();
    Sleep(500);
    EXPECT_EQ(textOf(item(kMessageLineItem)), "文本导入行数为[250000]行");
}

TEST_P(ToolAtWork, ClosingDuringTheWorkStopsItAndEndsWithCodeZero) {
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("big.txt", join(bigLines(), "\r\n"))));
    ASSERT_TRUE(waitForProgress(kImporting));
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1234;
    ASSERT_TRUE(tool_.waitForExit(5000, &code)) << "the import went on";
    EXPECT_EQ(code, 0u);
}

TEST_P(ToolAtWork, ClosingDuringTheExportKeepsOnlyWholeFiles) {
    const std::vector<std::string> lines = bigLines();
    ASSERT_NO_FATAL_FAILURE(startBigExport(lines));
    Sleep(300);
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_NO_FATAL_FAILURE(expectEndsWithCodeZero(5000, "the export went on"));
    expectOnlyWholeGroups(lines);
}

// Log-off or shutdown during an export, as Windows tells the dialog: a
// session end called off changes nothing; one that happens removes the file
// being written and ends the tool with code 0.
TEST_P(ToolAtWork, TheSessionEndingDuringTheExportKeepsOnlyWholeFiles) {
    const std::vector<std::string> lines = bigLines();
    ASSERT_NO_FATAL_FAILURE(startBigExport(lines));
    DWORD_PTR answer = 0;
    auto tell = [&](UINT message, WPARAM ending) {
        return SendMessageTimeoutA(dialog_, message, ending, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000,
                                   &answer);
    };
    ASSERT_TRUE(tell(WM_QUERYENDSESSION, 0));
    ASSERT_TRUE(tell(WM_ENDSESSION, FALSE));
    Sleep(300);
    EXPECT_TRUE(tool_.running());
    EXPECT_EQ(textOf(item(kMessageLineItem)).rfind(kExporting, 0), 0u) << "the export goes on";
    ASSERT_TRUE(tell(WM_QUERYENDSESSION, 0));
    tell(WM_ENDSESSION, TRUE); // may end the tool before it answers
    ASSERT_NO_FATAL_FAILURE(expectEndsWithCodeZero(5000, "the export went on"));
    expectOnlyWholeGroups(lines);
}

INSTANTIATE_TEST_SUITE_P(Stores, ToolAtWork, ::testing::Values(Store::kMemory, Store::kFile),
                         [](const ::testing::TestParamInfo<Store>& info) {
                             return info.param == Store::kMemory ? "InMemory" : "InFile";
                         });

// Import from the export's own folder, then export into it: the second file
// would be the imported file itself. Nothing is written, and a box says so.
TEST_F(ToolTest, ExportRefusesToWriteOverTheImportedFile) {
    const std::string source = outputFile(2);
    ASSERT_TRUE(writeBytes(source, "x\r\ny\r\nz"));
    ASSERT_NO_FATAL_FAILURE(importFile(source));
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[3]行"));
    typeCount("1");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
    MessageBoxView box = answerBox();
    EXPECT_EQ(box.text, "不能覆盖导入的文本：" + source + "\r\n请选择其他文件夹");
    EXPECT_EQ(box.icon, "error");
    EXPECT_EQ(readBytes(source), "x\r\ny\r\nz");
    EXPECT_EQ(filesIn(out_).size(), 1u) << "nothing written";
}

// The file store through the dialog: the same bytes as the held lines.
class ToolWithFileStore : public ToolTest {
  protected:
    void SetUp() override {
        seams_ = true;
        environment_ = {{"TEXTSPLIT_MEMORY_LIMIT", "0"}};
        ToolTest::SetUp();
    }
};

TEST_F(ToolWithFileStore, ImportAndExportWriteEveryGroupByteForByte) {
    std::vector<std::string> lines{"第一行", "", "b\nc", "d\re", "最后一行", "6", "\xB0\r"};
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("lines.txt", join(lines, "\r\n"))));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[7]行"))
        << textOf(item(kMessageLineItem));
    typeCount("3");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
    EXPECT_EQ(answerBox().text, "共导出3个文本");
    std::vector<std::string> expected = expectedGroups(lines, 3);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(readBytes(outputFile(int(i) + 1)), expected[i]) << "file " << i + 1;
}

} // namespace
