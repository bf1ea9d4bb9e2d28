// The built tool driven from outside as a user drives it: its dialog, the
// system's Open dialog, the shell's folder browser and the message boxes are
// found among the tool's windows and answered; the files it writes are read
// back byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/gui_driver_win32.h"

using namespace testsupport;

namespace {

const char kToolCaption[] = "文本分割";
const char kOpenTitle[] = "导入欲分割的文本内容(软件是按每行分割)";
const char kInfoCaption[] = "信息";
const char kMyComputer[] = "我的电脑";
constexpr int kCountItem = 1002;
constexpr int kImportItem = 1003;
constexpr int kExportItem = 1004;
constexpr int kMessageLineItem = 1005;
constexpr DWORD kWait = 20000;

std::string toolPath() {
    if (const char* path = std::getenv("TEXTSPLIT_EXE")) return path;
    // Beside the test program, where the build puts it.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) + "textsplit.exe";
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return bool(out);
}

// The file's bytes, or nothing with *exists false.
std::string readBytes(const std::string& path, bool* exists = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (exists) *exists = bool(in);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// The lines as the tool writes them: each followed by CR LF, in groups.
std::vector<std::string> expectedGroups(const std::vector<std::string>& lines, size_t size) {
    std::vector<std::string> files;
    for (size_t i = 0; i < lines.size(); i += size) {
        std::string bytes;
        for (size_t j = i; j < i + size && j < lines.size(); ++j)
            bytes += lines[j] + "\r\n";
        files.push_back(bytes);
    }
    return files;
}

std::string join(const std::vector<std::string>& lines, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? separator : "") + lines[i];
    return text;
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int counter = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        work_ = std::string(temp) + "textsplit-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        removeTree(work_);
        ASSERT_TRUE(CreateDirectoryA(work_.c_str(), nullptr)) << work_;
        out_ = work_ + "\\out";
        ASSERT_TRUE(CreateDirectoryA(out_.c_str(), nullptr));

        ASSERT_TRUE(tool_.start(toolPath())) << toolPath();
        dialog_ = waitForDialog(tool_.id(), kToolCaption, kWait);
        ASSERT_NE(dialog_, nullptr) << "the tool's dialog did not appear";
    }

    void TearDown() override {
        if (tool_.running() && dialog_ && IsWindow(dialog_)) {
            PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
            DWORD code = 0;
            tool_.waitForExit(kWait, &code);
        }
        removeTree(work_);
    }

    HWND item(int id) { return GetDlgItem(dialog_, id); }

    // Sends nothing but returns once the tool's thread has looked at its
    // messages again, i.e. has finished what a click started.
    void settle() {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(dialog_, WM_NULL, 0, 0, SMTO_NORMAL, kWait, &result);
    }

    bool waitForItemText(int id, const std::string& expected) {
        DWORD start = GetTickCount();
        while (textOf(item(id)) != expected) {
            if (GetTickCount() - start > kWait) return false;
            Sleep(30);
        }
        return true;
    }

    std::string writeInput(const std::string& name, const std::string& bytes) {
        std::string path = work_ + "\\" + name;
        EXPECT_TRUE(writeBytes(path, bytes));
        return path;
    }

    // Import button, then the Open dialog with the path typed in.
    void importFile(const std::string& path) {
        pressButton(item(kImportItem));
        HWND open = waitForDialog(tool_.id(), kOpenTitle, kWait);
        ASSERT_NE(open, nullptr) << "no Open dialog";
        ASSERT_TRUE(answerOpenDialog(open, path));
        ASSERT_TRUE(waitForWindowGone(open, kWait));
    }

    // Imports "x", "y" and "z" and waits for the message line to count them.
    void importThreeLines() {
        ASSERT_NO_FATAL_FAILURE(importFile(writeInput("three.txt", "x\r\ny\r\nz")));
        ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[3]行"));
    }

    void typeCount(const std::string& digits) { typeChars(item(kCountItem), digits); }

    // Export button; returns the folder browser, or null.
    HWND startExport() {
        std::vector<HWND> before = topWindows(tool_.id());
        pressButton(item(kExportItem));
        return waitForTopWindow(
            tool_.id(),
            [&](HWND w) {
                for (HWND known : before)
                    if (known == w) return false;
                return className(w) == "#32770";
            },
            kWait);
    }

    bool isFolderBrowser(HWND window) {
        return findDescendant(window, [](HWND w) { return className(w) == "SysTreeView32"; });
    }

    // Walks the browser's tree to the folder: My Computer, the drive, then
    // each folder of the path.
    void chooseFolder(HWND browser, const std::string& folder) {
        std::vector<std::string> steps{kMyComputer, "(" + folder.substr(0, 2) + ")"};
        size_t at = 3;
        while (at < folder.size()) {
            size_t end = folder.find('\\', at);
            if (end == std::string::npos) end = folder.size();
            steps.push_back(folder.substr(at, end - at));
            at = end + 1;
        }
        std::string trail;
        ASSERT_TRUE(selectFolderInBrowser(tool_.handle(), browser, steps, &trail)) << trail;
        pressButton(GetDlgItem(browser, IDOK));
        ASSERT_TRUE(waitForWindowGone(browser, kWait));
    }

    // The box that the tool shows now: read, answered with OK, gone.
    MessageBoxView answerBox() {
        HWND box = waitForDialog(tool_.id(), kInfoCaption, kWait);
        EXPECT_NE(box, nullptr) << "no message box";
        if (!box) return {};
        MessageBoxView view = readMessageBox(box);
        pressButton(GetDlgItem(box, IDOK));
        EXPECT_TRUE(waitForWindowGone(box, kWait));
        return view;
    }

    // No further window of the tool turns up within a while.
    bool staysQuiet(DWORD ms) {
        std::vector<HWND> before = topWindows(tool_.id());
        HWND extra = waitForTopWindow(
            tool_.id(),
            [&](HWND w) {
                for (HWND known : before)
                    if (known == w) return false;
                return true;
            },
            ms);
        return extra == nullptr;
    }

    std::string outputFile(int number) { return out_ + "\\文本" + std::to_string(number) + ".txt"; }

    ChildProcess tool_;
    HWND dialog_ = nullptr;
    std::string work_, out_;
};

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
