// The built tool driven from outside as a user drives it: the fixture that
// starts it, finds its dialog and works its windows, and helpers for the
// files it reads and writes.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/test_seams.h"
#include "tests/support/gui_driver_win32.h"

namespace tooltest {

using namespace testsupport;

inline const char kToolCaption[] = "文本分割";
inline const char kOpenTitle[] = "导入欲分割的文本内容(软件是按每行分割)";
inline const char kInfoCaption[] = "信息";
inline const char kMyComputer[] = "我的电脑";
inline const char kNothingImported[] = "尚未导入文本"; // the message line at start
constexpr int kCountItem = 1002;
constexpr int kImportItem = 1003;
constexpr int kExportItem = 1004;
constexpr int kMessageLineItem = 1005;
constexpr DWORD kWait = 20000;

// The product, or the test copy built with the seams: the path the test run
// gives, or beside the test program, where the build puts both.
inline std::string toolPath(bool seams = false) {
    if (const char* path = std::getenv(seams ? "TEXTSPLIT_SEAMS_EXE" : "TEXTSPLIT_EXE"))
        return path;
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path = self;
    return path.substr(0, path.find_last_of('\\') + 1) +
           (seams ? "textsplit_seams.exe" : "textsplit.exe");
}

inline bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return bool(out);
}

// The file's bytes, or nothing with *exists false.
inline std::string readBytes(const std::string& path, bool* exists = nullptr) {
    std::ifstream in(path, std::ios::binary);
    if (exists) *exists = bool(in);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void removeTree(const std::string& folder) {
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

inline std::vector<std::string> filesIn(const std::string& folder) {
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
inline std::vector<std::string> expectedGroups(const std::vector<std::string>& lines, size_t size) {
    std::vector<std::string> files;
    for (size_t i = 0; i < lines.size(); i += size) {
        std::string bytes;
        for (size_t j = i; j < i + size && j < lines.size(); ++j)
            bytes += lines[j] + "\r\n";
        files.push_back(bytes);
    }
    return files;
}

inline std::string join(const std::vector<std::string>& lines, const std::string& separator) {
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

        beforeStart();
        // The test copy takes its seams from the environment it starts with.
        for (const auto& [name, value] : environment_)
            SetEnvironmentVariableA(name.c_str(), value.c_str());
        const bool started = tool_.start(toolPath(seams_), arguments_, startFolder_);
        for (const auto& [name, value] : environment_)
            SetEnvironmentVariableA(name.c_str(), nullptr);
        ASSERT_TRUE(started) << toolPath(seams_);
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

    // The test copy with TEXTSPLIT_DROP_SEAM in the environment: drops the files at the point
    // of the dialog's client area (by default on the count box, a child that takes no files
    // itself).
    void drop(const std::vector<std::string>& paths, POINT at = {-1, -1}) {
        std::string names;
        for (const std::string& path : paths)
            names += path + '\0';
        dropNames(names + '\0', at);
    }

    // The same with the names' bytes as given, whether or not they end as a drop list does.
    void dropNames(const std::string& names, POINT at = {-1, -1}) {
        if (at.x < 0) {
            RECT r = rectIn(item(kCountItem));
            at = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        }
        std::string data(sizeof(app::DropSeamPoint), '\0');
        app::DropSeamPoint point{at.x, at.y};
        std::memcpy(data.data(), &point, sizeof point);
        data += names;
        COPYDATASTRUCT copy{app::kDropSeamData, DWORD(data.size()), data.data()};
        DWORD_PTR result = 0;
        HWND seam = dropSeam();
        ASSERT_NE(seam, nullptr) << "the tool has no drop seam";
        SendMessageTimeoutA(seam, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_NORMAL,
                            kWait, &result);
    }

    // The tool's drop seam window, or null.
    HWND dropSeam() {
        HWND seam = nullptr;
        DWORD owner = 0;
        do {
            seam = FindWindowExA(HWND_MESSAGE, seam, app::kDropSeamClass, nullptr);
            if (seam) GetWindowThreadProcessId(seam, &owner);
        } while (seam && owner != tool_.id());
        return seam;
    }

    RECT rectIn(HWND child) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    // Files the tool is to find at its start are written here.
    virtual void beforeStart() {}

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

    // The tool has ended by itself within the time, with code 0.
    void expectEndsWithCodeZero(DWORD ms, const char* otherwise) {
        DWORD code = 1234;
        ASSERT_TRUE(tool_.waitForExit(ms, &code)) << otherwise;
        EXPECT_EQ(code, 0u);
    }

    ChildProcess tool_;
    HWND dialog_ = nullptr;
    std::string work_, out_;
    bool seams_ = false; // the test copy, with environment_ for its seams
    std::vector<std::pair<std::string, std::string>> environment_;
    std::string arguments_, startFolder_; // of the tool's start
};

} // namespace tooltest
