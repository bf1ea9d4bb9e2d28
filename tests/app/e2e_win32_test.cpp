// The built tool driven from outside as a user drives it: its dialog, the
// system's Open dialog, the shell's folder browser and the message boxes are
// found among the tool's windows and answered; the files it writes are read
// back byte for byte.
#include "tests/app/tool_test_win32.h"

using namespace tooltest;

namespace {

TEST_F(ToolTest, ImportShowsLineCountAndExportWritesEveryGroupByteForByte) {
    // Empty lines, a lone LF and a lone CR stay inside their lines; Chinese
    // text passes through unchanged; no final CR LF.
    std::vector<std::string> lines{"第一行", "", "b\nc", "d\re", "最后一行", "6"};
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("lines.txt", join(lines, "\r\n"))));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[6]行"))
        << textOf(item(kMessageLineItem));

    typeCount("4");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(isFolderBrowser(browser));
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));

    MessageBoxView box = answerBox();
    EXPECT_EQ(box.caption, kInfoCaption);
    EXPECT_EQ(box.text, "共导出2个文本");
    EXPECT_EQ(box.icon, "") << "the export result is shown without an icon";

    std::vector<std::string> expected = expectedGroups(lines, 4);
    ASSERT_EQ(expected.size(), 2u);
    EXPECT_EQ(filesIn(out_).size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        bool exists = false;
        std::string bytes = readBytes(outputFile(int(i) + 1), &exists);
        EXPECT_TRUE(exists) << outputFile(int(i) + 1);
        EXPECT_EQ(bytes, expected[i]) << "file " << i + 1;
    }
}

TEST_F(ToolTest, SecondImportReplacesTheLinesAndTheMessage) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    std::vector<std::string> lines{"one", "two", "three", "four", "five"};
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("five.txt", join(lines, "\r\n") + "\r\n")));
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[5]行"))
        << textOf(item(kMessageLineItem));

    typeCount("1");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
    EXPECT_EQ(answerBox().text, "共导出5个文本");
    std::vector<std::string> expected = expectedGroups(lines, 1);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(readBytes(outputFile(int(i) + 1)), expected[i]);
    EXPECT_FALSE(fileExists(outputFile(6)));
}

TEST_F(ToolTest, GroupSizeZeroWritesOneFileWithEveryLine) {
    std::vector<std::string> lines{"a", "b", "c", "d", "e"};
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("five.txt", join(lines, "\r\n"))));
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[5]行"));
    typeCount("0");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));
    EXPECT_EQ(answerBox().text, "共导出1个文本");
    EXPECT_EQ(readBytes(outputFile(1)), expectedGroups(lines, lines.size())[0]);
    EXPECT_EQ(filesIn(out_).size(), 1u);
}

TEST_F(ToolTest, ExportBeforeImportAsksForTextFirst) {
    pressButton(item(kExportItem));
    MessageBoxView box = answerBox();
    EXPECT_EQ(box.caption, kInfoCaption);
    EXPECT_EQ(box.text, "请先导入文本");
    EXPECT_EQ(box.icon, "information");
    EXPECT_TRUE(staysQuiet(1500)) << "no folder browser after the refusal";
    EXPECT_TRUE(filesIn(out_).empty());
}

TEST_F(ToolTest, ExportWithEmptyCountAsksForTheCount) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    pressButton(item(kExportItem));
    MessageBoxView box = answerBox();
    EXPECT_EQ(box.caption, kInfoCaption);
    EXPECT_EQ(box.text, "请输入每个文本保存数量");
    EXPECT_EQ(box.icon, "information");
    EXPECT_TRUE(staysQuiet(1500));
}

TEST_F(ToolTest, CountBoxTakesDigitsOnly) {
    typeCount("1x2-");
    EXPECT_EQ(textOf(item(kCountItem)), "12");
}

TEST_F(ToolTest, CancelledFolderBrowserWritesNothingAndSaysNothing) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    typeCount("2");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(isFolderBrowser(browser));
    pressButton(GetDlgItem(browser, IDCANCEL));
    ASSERT_TRUE(waitForWindowGone(browser, kWait));
    EXPECT_TRUE(staysQuiet(2000)) << "a box after cancelling";
    settle();
    EXPECT_TRUE(filesIn(out_).empty());
    EXPECT_TRUE(filesIn(work_).size() == 1) << "only the input file";
}

TEST_F(ToolTest, UnwritableTargetStopsTheExportWithOneErrorBox) {
    // Where the second file should go there is a folder of that name, so it
    // cannot be created; the first is written, the third never tried.
    ASSERT_TRUE(CreateDirectoryA(outputFile(2).c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    typeCount("1");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));

    MessageBoxView box = answerBox();
    EXPECT_EQ(box.caption, kInfoCaption);
    EXPECT_EQ(box.text, "写入文件失败：" + outputFile(2) + "\r\n共导出1个文本");
    EXPECT_EQ(box.icon, "error");
    EXPECT_TRUE(staysQuiet(2000)) << "a second box after the error";

    EXPECT_EQ(readBytes(outputFile(1)), "x\r\n");
    EXPECT_FALSE(fileExists(outputFile(3)));
}

// A second click on the import button while its Open dialog is up does
// nothing: no second Open dialog, and the file confirmed in the first is the
// one imported. The button works again once the dialog is gone.
TEST_F(ToolTest, SecondImportClickWhileTheOpenDialogIsUpDoesNothing) {
    std::string three = writeInput("three.txt", "x\r\ny\r\nz");
    std::string two = writeInput("two.txt", "a\r\nb");
    pressButton(item(kImportItem));
    HWND open = waitForDialog(tool_.id(), kOpenTitle, kWait);
    ASSERT_NE(open, nullptr) << "no Open dialog";
    pressButton(item(kImportItem));
    EXPECT_TRUE(staysQuiet(2000)) << "a second Open dialog";
    ASSERT_TRUE(answerOpenDialog(open, three));
    ASSERT_TRUE(waitForWindowGone(open, kWait));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[3]行"))
        << textOf(item(kMessageLineItem));
    settle();
    EXPECT_TRUE(staysQuiet(1000)) << "a dialog after the Open dialog closed";

    ASSERT_NO_FATAL_FAILURE(importFile(two));
    EXPECT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[2]行"))
        << textOf(item(kMessageLineItem));
}

// The same for export: a click while its folder browser or its closing box
// is up starts no second export.
TEST_F(ToolTest, SecondExportClickWhileItsBrowserOrBoxIsUpDoesNothing) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    typeCount("2");
    HWND browser = startExport();
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(isFolderBrowser(browser));
    pressButton(item(kExportItem));
    EXPECT_TRUE(staysQuiet(2000)) << "a second folder browser";
    ASSERT_NO_FATAL_FAILURE(chooseFolder(browser, out_));

    HWND box = waitForDialog(tool_.id(), kInfoCaption, kWait);
    ASSERT_NE(box, nullptr) << "no box after the export";
    pressButton(item(kExportItem));
    EXPECT_TRUE(staysQuiet(2000)) << "a second export while the box is up";
    MessageBoxView view = readMessageBox(box);
    EXPECT_EQ(view.text, "共导出2个文本");
    pressButton(GetDlgItem(box, IDOK));
    ASSERT_TRUE(waitForWindowGone(box, kWait));
    EXPECT_TRUE(staysQuiet(1500)) << "a dialog after the box closed";
    EXPECT_EQ(readBytes(outputFile(1)), "x\r\ny\r\n");
    EXPECT_EQ(readBytes(outputFile(2)), "z\r\n");
    EXPECT_EQ(filesIn(out_).size(), 2u);
}

TEST_F(ToolTest, ClosingTheDialogEndsTheToolWithCodeZero) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1234;
    ASSERT_TRUE(tool_.waitForExit(kWait, &code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ToolTest, ClosingWithoutImportEndsWithCodeZero) {
    PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1234;
    ASSERT_TRUE(tool_.waitForExit(kWait, &code));
    EXPECT_EQ(code, 0u);
}

// The Open dialog and the boxes have no owner, so the tool's close button
// still works while one is up; the folder browser disables the tool's
// window, which then still takes a WM_CLOSE (as Task Manager's "End task"
// sends it). Either way that dialog or box is dismissed at once, nothing more
// runs (no import, no export, no further box) and the tool ends with code 0.
enum class Up { kOpenDialog, kFolderBrowser, kReadinessBox, kReportBox };

class ToolClosedWhileUp : public ToolTest, public ::testing::WithParamInterface<Up> {
  protected:
    void bringUp(HWND* up) {
        const Up what = GetParam();
        if (what == Up::kFolderBrowser || what == Up::kReportBox) {
            ASSERT_NO_FATAL_FAILURE(importThreeLines());
            typeCount("1");
            *up = startExport();
            if (what == Up::kFolderBrowser) return;
            ASSERT_NE(*up, nullptr);
            ASSERT_NO_FATAL_FAILURE(chooseFolder(*up, out_));
        } else {
            pressButton(item(what == Up::kOpenDialog ? kImportItem : kExportItem));
        }
        *up = waitForDialog(tool_.id(), what == Up::kOpenDialog ? kOpenTitle : kInfoCaption, kWait);
    }
};

TEST_P(ToolClosedWhileUp, ItIsDismissedAndTheToolEndsWithCodeZero) {
    HWND up = nullptr;
    ASSERT_NO_FATAL_FAILURE(bringUp(&up));
    ASSERT_NE(up, nullptr);
    const size_t written = filesIn(out_).size();
    const bool disabled = GetParam() == Up::kFolderBrowser;
    EXPECT_EQ(!IsWindowEnabled(dialog_), disabled);
    if (disabled)
        PostMessageA(dialog_, WM_CLOSE, 0, 0);
    else
        PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(waitForWindowGone(up, 5000)) << "still up after the close";
    ASSERT_NO_FATAL_FAILURE(expectEndsWithCodeZero(5000, "the tool went on after the close"));
    EXPECT_EQ(filesIn(out_).size(), written) << "an export after the close";
}

const char* const kUpNames[] = {"OpenDialog", "FolderBrowser", "ReadinessBox", "ReportBox"};

INSTANTIATE_TEST_SUITE_P(DialogsAndBoxes, ToolClosedWhileUp,
                         ::testing::Values(Up::kOpenDialog, Up::kFolderBrowser, Up::kReadinessBox,
                                           Up::kReportBox),
                         [](const ::testing::TestParamInfo<Up>& info) {
                             return kUpNames[int(info.param)];
                         });

// The product reads none of the test copy's seams: with every one of them
// set, a small file is held in memory (so others may still write it), reads
// are not slowed, and no drop seam window is made.
class ToolStartedWithSeamsSet : public ToolTest {
  protected:
    void beforeStart() override {
        environment_ = {{"TEXTSPLIT_MEMORY_LIMIT", "0"},
                        {"TEXTSPLIT_FILE_DELAY", "-1"},
                        {"TEXTSPLIT_START_DELAY", "-1"},
                        {"TEXTSPLIT_DROP_SEAM", "1"}};
    }
};

TEST_F(ToolStartedWithSeamsSet, TheProductIgnoresThem) {
    EXPECT_EQ(dropSeam(), nullptr) << "the product made a drop seam";
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("three.txt", "x\r\ny\r\nz")));
    // The caption the system keeps: a tool asleep in a read answers no message.
    auto messageLine = [&] {
        char text[64] = {};
        GetWindowTextA(item(kMessageLineItem), text, sizeof text);
        return std::string(text);
    };
    for (DWORD start = GetTickCount(); GetTickCount() - start < kWait; Sleep(30))
        if (messageLine() == "文本导入行数为[3]行") break;
    EXPECT_EQ(messageLine(), "文本导入行数为[3]行") << "reads slowed without end";
    HANDLE file =
        CreateFileA((work_ + "\\three.txt").c_str(), GENERIC_WRITE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << "the file is kept open, as beyond the memory limit";
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

} // namespace

namespace {

// A pixel of the tool's window as the screen shows it, in the window's own
// coordinates.
COLORREF screenPixel(HWND window, int x, int y) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    HDC screen = GetDC(nullptr);
    COLORREF color = GetPixel(screen, bounds.left + x, bounds.top + y);
    ReleaseDC(nullptr, screen);
    return color;
}

TEST_F(ToolTest, DialogIsDrawnByTheSkinInSchemeOneAndFollowsTheMouse) {
    // The screen shows the dialog once the tool has painted it.
    auto until = [](const std::function<bool()>& shown) {
        for (int i = 0; i < 100; ++i, Sleep(50))
            if (shown()) return true;
        return false;
    };
    ASSERT_TRUE(until([&] { return screenPixel(item(kExportItem), 2, 2) == 0x00733C00u; }));
    for (int id : {kImportItem, kExportItem}) {
        SCOPED_TRACE(id);
        HWND button = item(id);
        RECT bounds{};
        GetWindowRect(button, &bounds);
        const int w = bounds.right - bounds.left;
        EXPECT_EQ(screenPixel(button, w / 2, 1), 0x00733C00u); // frame
        EXPECT_EQ(screenPixel(button, 2, 2), 0x00733C00u);     // rounded corner
        EXPECT_EQ(screenPixel(button, 1, 1), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(screenPixel(button, 4, 4), 0x00FBFCFCu); // face gradient's first colour
        const COLORREF ring = screenPixel(button, w / 2, 2);
        EXPECT_TRUE(ring == 0x00FFFFFFu || ring == 0x00FFE7CEu) << std::hex << ring;
    }
    HWND edit = item(kCountItem);
    RECT editBounds{};
    GetWindowRect(edit, &editBounds);
    EXPECT_EQ(screenPixel(edit, 0, 5), 0x00BD9E7Bu);
    EXPECT_EQ(screenPixel(edit, 1, 5), GetSysColor(COLOR_WINDOW));

    // Hover over the export button: its ring turns to the hot gradient.
    HWND button = item(kExportItem);
    RECT bounds{};
    GetWindowRect(button, &bounds);
    SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    const int w = bounds.right - bounds.left;
    EXPECT_TRUE(until([&] { return screenPixel(button, w / 2, 2) == 0x00CFF0FFu; }));
    SetCursorPos(editBounds.left + 3, editBounds.top + 3);
    EXPECT_TRUE(until([&] { return screenPixel(button, w / 2, 2) != 0x00CFF0FFu; }));

    // The picture of the documentation: the dialog after importing three
    // lines, with a group size typed (tool_dialog.bmp in the working folder).
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    typeChars(item(kCountItem), "2");
    SetCursorPos(1000, 740);
    EXPECT_TRUE(until([&] { return screenPixel(button, w / 2, 2) != 0x00CFF0FFu; }));
    Sleep(300);
    RECT whole{};
    GetWindowRect(dialog_, &whole);
    EXPECT_TRUE(saveSideBySide({grabScreen(whole)}, "tool_dialog.bmp"));
}

} // namespace
