// Files that reach the built tool without its Open dialog: dropped on the
// dialog (a real WM_DROPFILES, made in the tool's own process through its
// test seam, as no other process can hand it a drop), and named on its
// command line.
#include "tests/app/tool_test_win32.h"

using namespace tooltest;

namespace {

class ToolDrop : public ToolTest {
  protected:
    void SetUp() override {
        environment_ = {{"TEXTSPLIT_DROP_SEAM", "1"}};
        ToolTest::SetUp();
    }

    // Exports in groups of one into out and reads the files back.
    std::vector<std::string> exportedLines() {
        typeCount("1");
        HWND browser = startExport();
        EXPECT_NE(browser, nullptr);
        if (!browser) return {};
        chooseFolder(browser, out_);
        answerBox();
        std::vector<std::string> files;
        for (int k = 1; fileExists(outputFile(k)); ++k)
            files.push_back(readBytes(outputFile(k)));
        return files;
    }
};

TEST_F(ToolDrop, ADroppedFileIsImportedAsTheOpenDialogsIs) {
    drop({writeInput("dropped.txt", "一\r\n二\r\n三\r\n四")});
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[4]行"))
        << textOf(item(kMessageLineItem));
    EXPECT_EQ(exportedLines(), (std::vector<std::string>{"一\r\n", "二\r\n", "三\r\n", "四\r\n"}));
}

TEST_F(ToolDrop, OfSeveralFilesTheFirstIsImportedAndAFolderChangesNothing) {
    drop({writeInput("two.txt", "a\r\nb"), writeInput("five.txt", "1\r\n2\r\n3\r\n4\r\n5")},
         {5, 5}); // on the dialog itself
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[2]行"))
        << textOf(item(kMessageLineItem));
    CreateDirectoryA((work_ + "\\folder.txt").c_str(), nullptr);
    drop({work_ + "\\folder.txt", writeInput("three.txt", "x\r\ny\r\nz")});
    settle();
    EXPECT_TRUE(staysQuiet(1000));
    EXPECT_EQ(textOf(item(kMessageLineItem)), "文本导入行数为[2]行");
    EXPECT_EQ(exportedLines(), (std::vector<std::string>{"a\r\n", "b\r\n"}));
}

// While the Open dialog is up a drop starts nothing: the file chosen there
// is the one imported.
TEST_F(ToolDrop, ADropWhileTheOpenDialogIsUpChangesNothing) {
    pressButton(item(kImportItem));
    HWND open = waitForDialog(tool_.id(), kOpenTitle, kWait);
    ASSERT_NE(open, nullptr);
    drop({writeInput("two.txt", "a\r\nb")});
    Sleep(500);
    EXPECT_NE(textOf(item(kMessageLineItem)), "文本导入行数为[2]行");
    ASSERT_TRUE(answerOpenDialog(open, writeInput("three.txt", "x\r\ny\r\nz")));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[3]行"))
        << textOf(item(kMessageLineItem));
}

// The tool started with a file: it is imported once the dialog is up.
struct StartCase {
    const char* name;
    std::string file;      // written in the work folder
    bool quoted, relative; // how the command line names it
    int lines;
};

class ToolStartedWithAFile : public ToolTest, public ::testing::WithParamInterface<StartCase> {
  protected:
    void beforeStart() override {
        const StartCase& c = GetParam();
        std::string text;
        for (int i = 0; i < c.lines; ++i)
            text += "line " + std::to_string(i) + "\r\n";
        std::string path = work_ + "\\" + c.file;
        if (c.lines >= 0) {
            ASSERT_TRUE(writeBytes(path, text));
        }
        std::string named = c.relative ? c.file : path;
        arguments_ = c.quoted ? "\"" + named + "\"" : named;
        startFolder_ = work_;
    }
};

TEST_P(ToolStartedWithAFile, ImportsItOnceTheDialogIsUp) {
    const int lines = std::max(GetParam().lines, 0);
    EXPECT_TRUE(
        waitForItemText(kMessageLineItem, "文本导入行数为[" + std::to_string(lines) + "]行"))
        << textOf(item(kMessageLineItem));
    EXPECT_TRUE(staysQuiet(500)) << "no dialog or box";
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ToolStartedWithAFile,
    ::testing::Values(StartCase{"QuotedWithSpaces", "my file.txt", true, false, 3},
                      StartCase{"UnquotedWithSpaces", "my long file.txt", false, false, 4},
                      StartCase{"ChineseName", "文本 分割.txt", true, false, 5},
                      StartCase{"RelativeToTheWorkingFolder", "rel.txt", false, true, 2},
                      StartCase{"MissingFileImportsNothing", "missing.txt", true, false, -1}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

} // namespace
