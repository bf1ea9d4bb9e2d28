// Figures for the built tool on large files, taken from outside through its
// dialog as a user works it: the time from the confirmed Open dialog to the
// line count shown, and from the confirmed folder to the closing box; the
// longest the dialog took to answer a message meanwhile; the tool's working
// set before the import and at its peak. cmake/textsplit.sh bench-tool runs
// it beside a plain copy and split -l of the same file and compares.
//
//   tool_bench --make FILE MIB            writes about MIB MiB of CR LF lines
//   tool_bench --run TOOL FILE FOLDER N   imports FILE, exports groups of N
//                                         into FOLDER (which must exist)
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "tests/support/gui_driver_win32.h"

using namespace testsupport;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
constexpr DWORD kLongWait = 3600 * 1000;

using bench::now;

int make(const char* name, std::uint64_t mib) {
    HANDLE file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    bench::TextSource source;
    std::string chunk;
    bool ok = true;
    for (std::uint64_t written = 0; ok && written < (mib << 20);) {
        chunk.clear();
        while (chunk.size() < (4u << 20))
            source.line(&chunk);
        DWORD done = 0;
        ok = WriteFile(file, chunk.data(), DWORD(chunk.size()), &done, nullptr) &&
             done == chunk.size();
        written += chunk.size();
    }
    CloseHandle(file);
    return ok ? 0 : 1;
}

struct Memory {
    double now = 0, peak = 0;
};

Memory memoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, &counters, sizeof counters)) return {};
    return {double(counters.WorkingSetSize) / kMiB, double(counters.PeakWorkingSetSize) / kMiB};
}

// Asks the dialog with WM_NULL every 50 ms until done() says so; returns the
// longest answer in milliseconds.
template <class Done> DWORD watch(HWND dialog, Done done) {
    DWORD longest = 0;
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < kLongWait) {
        DWORD asked = GetTickCount();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        longest = std::max(longest, GetTickCount() - asked);
        Sleep(50);
    }
    return longest;
}

// A step that did not happen: said on stderr, so that the caller knows why
// there are no figures.
int failed(const char* step) {
    std::fprintf(stderr, "tool_bench: %s\n", step);
    return 1;
}

int run(const char* tool, const std::string& input, const std::string& folder,
        const std::string& group) {
    ChildProcess child;
    if (!child.start(tool)) return failed("the tool did not start");
    HWND dialog = waitForDialog(child.id(), "文本分割", 30000);
    if (!dialog) return failed("no dialog");
    Sleep(1000);
    const Memory idle = memoryOf(child.handle());

    pressButton(GetDlgItem(dialog, 1003));
    HWND open = waitForDialog(child.id(), "导入欲分割的文本内容(软件是按每行分割)", 30000);
    if (!open || !answerOpenDialog(open, input)) return failed("no Open dialog, or it took no file");
    const double importStart = now();
    auto counted = [&] {
        return textOf(GetDlgItem(dialog, 1005)).rfind("文本导入行数为[", 0) == 0;
    };
    const DWORD importAnswer = watch(dialog, counted);
    const double importTime = now() - importStart;
    const std::string countLine = textOf(GetDlgItem(dialog, 1005));
    const Memory imported = memoryOf(child.handle());

    typeChars(GetDlgItem(dialog, 1002), group);
    std::vector<HWND> before = topWindows(child.id());
    pressButton(GetDlgItem(dialog, 1004));
    HWND browser = waitForTopWindow(child.id(), [&](HWND w) {
        return std::find(before.begin(), before.end(), w) == before.end() &&
               className(w) == "#32770";
    });
    if (!browser) return failed("no folder browser");
    std::vector<std::string> steps{"我的电脑", "(" + folder.substr(0, 2) + ")"};
    for (size_t at = 3; at < folder.size();) {
        size_t end = std::min(folder.find('\\', at), folder.size());
        steps.push_back(folder.substr(at, end - at));
        at = end + 1;
    }
    std::string trail;
    if (!selectFolderInBrowser(child.handle(), browser, steps, &trail))
        return failed(("the folder browser did not show the folder: " + trail).c_str());
    pressButton(GetDlgItem(browser, IDOK));
    waitForWindowGone(browser);
    const double exportStart = now();
    HWND box = nullptr;
    auto boxShown = [&] {
        box = waitForDialog(child.id(), "信息", 1, {dialog});
        return box != nullptr;
    };
    const DWORD exportAnswer = watch(dialog, boxShown);
    const double exportTime = now() - exportStart;
    const Memory exported = memoryOf(child.handle());
    std::string report = box ? readMessageBox(box).text : "";
    if (box) pressButton(GetDlgItem(box, IDOK));
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 1;
    child.waitForExit(30000, &code);

    for (char& c : report)
        if (c == '\r' || c == '\n') c = ' ';
    std::printf("import_s %.3f\nexport_s %.3f\nimport_answer_ms %lu\nexport_answer_ms %lu\n"
                "idle_mb %.1f\nimported_mb %.1f\npeak_mb %.1f\nexit %lu\n",
                importTime, exportTime, importAnswer, exportAnswer, idle.now, imported.now,
                std::max(imported.peak, exported.peak), code);
    std::printf("count_line %s\nreport %s\n", countLine.c_str(), report.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--make") == 0)
        return make(argv[2], std::strtoull(argv[3], nullptr, 10));
    if (argc == 6 && std::strcmp(argv[1], "--run") == 0)
        return run(argv[2], windowsPath(argv[3]), windowsPath(argv[4]), argv[5]);
    std::fprintf(stderr, "usage: tool_bench --make FILE MIB | --run TOOL FILE FOLDER N\n");
    return 2;
}
