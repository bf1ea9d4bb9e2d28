// Files that reach the built tool without its Open dialog: dropped on the
// dialog (a real WM_DROPFILES, made in the test copy's own process through
// its seam, as no other process can hand it a drop), and named on its
// command line.
#include "tests/app/tool_test_win32.h"

using namespace tooltest;

namespace {

class ToolDrop : public ToolTest {
  protected:
    void SetUp() override {
        seams_ = true;
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

// A drop list whose sender left out the zeros that end it: the seam's block
// ends the names itself, whatever their length, so the name is read whole.
TEST_F(ToolDrop, NamesSentWithoutTheirEndingZerosAreReadWhole) {
    for (int n = 1; n <= 16; ++n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += "x\r\n";
        dropNames(writeInput(std::string(size_t(n), 'a') + ".txt", text));
        ASSERT_TRUE(
            waitForItemText(kMessageLineItem, "文本导入行数为[" + std::to_string(n) + "]行"))
            << n << ": " << textOf(item(kMessageLineItem));
    }
}

// The tool started with names after its own: what the shell passes for "Open
// with", files dropped on its icon (each path quoted only when it has
// blanks) and shortcuts.
struct StartCase {
    const char* name;
    std::vector<std::pair<std::string, int>> files; // in the work folder: lines, or -1 a folder
    std::string arguments;                          // '%' stands for the work folder
    std::string message;                            // the message line once started
};

class ToolStartedWithAFile : public ToolTest, public ::testing::WithParamInterface<StartCase> {
  protected:
    void beforeStart() override {
        const StartCase& c = GetParam();
        for (const auto& [file, lines] : c.files) {
            std::string path = work_ + "\\" + file;
            std::string text;
            for (int i = 0; i < lines; ++i)
                text += "line " + std::to_string(i) + "\r\n";
            if (lines < 0) {
                ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << path;
            } else {
                ASSERT_TRUE(writeBytes(path, text)) << path;
            }
        }
        for (char c : GetParam().arguments)
            arguments_ += c == '%' ? work_ : std::string(1, c);
        startFolder_ = work_;
    }
};

TEST_P(ToolStartedWithAFile, ImportsTheFileItNamesOnceTheDialogIsUp) {
    EXPECT_TRUE(waitForItemText(kMessageLineItem, GetParam().message))
        << textOf(item(kMessageLineItem));
    EXPECT_TRUE(staysQuiet(500)) << "no dialog or box";
    settle();
    EXPECT_EQ(textOf(item(kMessageLineItem)), GetParam().message);
}

std::string imported(int lines) {
    return "文本导入行数为[" + std::to_string(lines) + "]行";
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ToolStartedWithAFile,
    ::testing::Values(
        StartCase{"QuotedWithSpaces", {{"my file.txt", 3}}, "\"%\\my file.txt\"", imported(3)},
        // A shortcut without quotes; the folder "my" is no file, so not the name.
        StartCase{"UnquotedWithSpaces",
                  {{"my long file.txt", 4}, {"my", -1}},
                  "%\\my long file.txt",
                  imported(4)},
        StartCase{"ChineseName", {{"文本 分割.txt", 5}}, "\"%\\文本 分割.txt\"", imported(5)},
        StartCase{"RelativeToTheWorkingFolder", {{"rel.txt", 2}}, "rel.txt", imported(2)},
        StartCase{"MissingFileImportsNothing", {}, "\"%\\missing.txt\"", imported(0)},
        // Several files dropped on the icon: the first, as a drop takes it.
        StartCase{"OfSeveralNamesTheFirst",
                  {{"one.txt", 2}, {"two words.txt", 3}},
                  "%\\one.txt \"%\\two words.txt\" rel.txt",
                  imported(2)},
        StartCase{
            "AFolderChangesNothing", {{"folder.txt", -1}}, "%\\folder.txt", kNothingImported}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

// A name whose first try finds the tool busy (the test copy tries it late,
// and by then the Open dialog is up) is imported once the tool is free.
class ToolStartedWhileBusy : public ToolTest {
  protected:
    void beforeStart() override {
        seams_ = true;
        environment_ = {{"TEXTSPLIT_START_DELAY", "1500"}};
        arguments_ = "\"" + writeInput("named.txt", "a\r\nb\r\nc") + "\"";
    }
};

TEST_F(ToolStartedWhileBusy, TheNamedFileIsImportedOnceTheToolIsFree) {
    pressButton(item(kImportItem));
    HWND open = waitForDialog(tool_.id(), kOpenTitle, kWait);
    ASSERT_NE(open, nullptr);
    Sleep(2500);
    EXPECT_EQ(textOf(item(kMessageLineItem)), kNothingImported) << "imported while busy";
    pressButton(GetDlgItem(open, IDCANCEL));
    ASSERT_TRUE(waitForWindowGone(open, kWait));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, imported(3))) << textOf(item(kMessageLineItem));
}

} // namespace
