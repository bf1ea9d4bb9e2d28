// Figures for the splitting core: import and export speed against a plain
// copy of the same file, how time grows with a doubled input, the peak
// working set and the time to release the lines. Each import and export runs
// in a fresh child process so that every peak belongs to one run. Beside
// each export, as many files of the same total size are written with bare
// Win32 calls, to show what the file system alone costs for that many files.
//
//   split_bench [--repeat N] [--folder DIR] [--groups LIST]
//
// N runs of each case, the best kept (runs of tens of thousands of files run
// once). DIR defaults to Z:\tmp under Wine (the host's /tmp), else the temp
// folder. LIST picks group sizes, e.g. "0,10000" (default 0,1000000,10000,100;
// 0 is one group of all lines). Everything the benchmark writes is removed at
// the end.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/split_core.h"
#include "bench/bench_support.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

using bench::now;

std::size_t peakWorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return counters.PeakWorkingSetSize;
}

std::uint64_t fileSize(const std::string& name) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// --- the child: one import and one export -----------------------------------

int runChild(const char* input, const char* folder, const char* count, const char* resultFile) {
    app::createLines();
    double t0 = now();
    auto lines = static_cast<std::int32_t>(app::importFile(input));
    double t1 = now();
    std::size_t peakImport = peakWorkingSet();
    CreateDirectoryA(folder, nullptr);
    double t2 = now();
    app::ExportResult result = app::exportLines(folder, count);
    double t3 = now();
    std::size_t peakAll = peakWorkingSet();
    double t4 = now();
    app::releaseLines();
    double t5 = now();
    std::FILE* out = std::fopen(resultFile, "w");
    if (!out) return 1;
    std::fprintf(out, "%d %d %d %.6f %.6f %zu %zu %.6f\n", lines, static_cast<int>(result.written),
                 result.failed() ? 1 : 0, t1 - t0, t3 - t2, peakImport, peakAll, t5 - t4);
    std::fclose(out);
    return 0;
}

// --- the parent ----------------------------------------------------------------

struct Run {
    int lines = 0, files = 0, failed = 0;
    double import = 0, exportTime = 0, release = 0;
    std::size_t peakImport = 0, peakAll = 0;
};

std::string gSelf;

bool runInChild(const std::string& input, const std::string& folder, const std::string& count,
                const std::string& resultFile, Run* run) {
    std::string command = "\"" + gSelf + "\" --child \"" + input + "\" \"" + folder + "\" \"" +
                          count + "\" \"" + resultFile + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::FILE* in = std::fopen(resultFile.c_str(), "r");
    if (!in) return false;
    int n =
        std::fscanf(in, "%d %d %d %lf %lf %zu %zu %lf", &run->lines, &run->files, &run->failed,
                    &run->import, &run->exportTime, &run->peakImport, &run->peakAll, &run->release);
    std::fclose(in);
    DeleteFileA(resultFile.c_str());
    return code == 0 && n == 8;
}

void removeFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool writeChunk(HANDLE file, const std::string& chunk) {
    DWORD done = 0;
    return WriteFile(file, chunk.data(), DWORD(chunk.size()), &done, nullptr) &&
           done == chunk.size();
}

// `copies` times the same lines of about `bytes` bytes.
bool makeLines(const std::string& name, std::uint64_t bytes, int copies) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    for (int c = 0; c < copies && ok; ++c) {
        bench::TextSource source;
        std::string chunk;
        std::uint64_t written = 0;
        while (written < bytes && ok) {
            chunk.clear();
            while (chunk.size() < (1u << 20))
                source.line(&chunk);
            ok = writeChunk(file, chunk);
            written += chunk.size();
        }
    }
    CloseHandle(file);
    return ok;
}

bool makeOneLine(const std::string& name, std::uint64_t bytes) {
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bench::TextSource source;
    std::string chunk(1u << 20, 'x');
    bool ok = true;
    for (std::uint64_t written = 0; written < bytes && ok; written += chunk.size()) {
        for (char& c : chunk)
            c = source.next();
        ok = writeChunk(file, chunk);
    }
    CloseHandle(file);
    return ok;
}

double copyTime(const std::string& input, const std::string& target, int repeat) {
    double best = 1e30;
    for (int i = 0; i < repeat; ++i) {
        DeleteFileA(target.c_str());
        double t0 = now();
        BOOL ok = CopyFileA(input.c_str(), target.c_str(), FALSE);
        double t = now() - t0;
        if (ok) best = std::min(best, t);
    }
    DeleteFileA(target.c_str());
    return best;
}

// What the file system alone takes for `files` files of `bytes` in all,
// named as the export names them, in a fresh folder, each written from one
// reused megabyte buffer.
double createFilesTime(const std::string& folder, int files, std::uint64_t bytes, int repeat) {
    const std::uint64_t each = bytes / std::uint64_t(files);
    std::string chunk(std::size_t(std::min<std::uint64_t>(each, 1u << 20)), 'x');
    double best = 1e30;
    for (int r = 0; r < repeat; ++r) {
        CreateDirectoryA(folder.c_str(), nullptr);
        double t0 = now();
        for (int k = 1; k <= files; ++k) {
            std::string name = folder + "\\文本" + std::to_string(k) + ".txt";
            HANDLE file =
                CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) return -1;
            for (std::uint64_t left = each; left > 0;) {
                std::uint64_t n = std::min<std::uint64_t>(left, chunk.size());
                DWORD done = 0;
                WriteFile(file, chunk.data(), DWORD(n), &done, nullptr);
                left -= n;
            }
            CloseHandle(file);
        }
        best = std::min(best, now() - t0);
        removeFolder(folder);
    }
    return best;
}

struct Input {
    const char* label;
    std::string name;
    double mib = 0;
    double copy = 0;
};

struct Result {
    std::string input, group;
    Run run;
    double mib = 0;
    double filesOnly = 0; // the same number of plain file writes
};

std::string pickRoot(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--folder") == 0) return argv[i + 1];
    DWORD attributes = GetFileAttributesA("Z:\\tmp");
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "Z:\\tmp";
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n && temp[n - 1] == '\\') temp[n - 1] = 0;
    return temp;
}

const char* verdict(bool ok) {
    return ok ? "met" : "MISSED";
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argv[2], argv[3], argv[4], argv[5]);

    int repeat = 1;
    std::vector<std::string> groups = {"0", "1000000", "10000", "100"};
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--repeat") == 0) repeat = std::max(1, std::atoi(argv[i + 1]));
        if (std::strcmp(argv[i], "--groups") == 0) {
            groups.clear();
            for (const char* p = argv[i + 1]; *p;) {
                const char* comma = std::strchr(p, ',');
                std::size_t n = comma ? std::size_t(comma - p) : std::strlen(p);
                groups.emplace_back(p, n);
                p += comma ? n + 1 : n;
            }
        }
    }

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    gSelf = self;
    std::string root =
        pickRoot(argc, argv) + "\\textsplit_bench_" + std::to_string(GetCurrentProcessId());
    if (!CreateDirectoryA(root.c_str(), nullptr)) {
        std::fprintf(stderr, "cannot create %s\n", root.c_str());
        return 1;
    }
    std::printf("split_bench in %s, best of %d\n", root.c_str(), repeat);

    std::vector<Input> inputs = {{"100 MB, lines", root + "\\lines100.txt"},
                                 {"200 MB, lines (doubled)", root + "\\lines200.txt"},
                                 {"50 MB, one line", root + "\\oneline50.txt"}};
    const std::uint64_t hundred = 100u << 20;
    bool made = makeLines(inputs[0].name, hundred, 1) && makeLines(inputs[1].name, hundred, 2) &&
                makeOneLine(inputs[2].name, 50u << 20);
    if (!made) {
        std::fprintf(stderr, "cannot write the inputs in %s\n", root.c_str());
        return 1;
    }
    for (Input& in : inputs) {
        in.mib = double(fileSize(in.name)) / kMiB;
        in.copy = copyTime(in.name, root + "\\copy.tmp", repeat);
    }

    std::vector<Result> results;
    for (const Input& in : inputs) {
        std::vector<std::string> sizes = &in == &inputs[2] ? std::vector<std::string>{"0"} : groups;
        for (const std::string& group : sizes) {
            Result best;
            best.input = in.label;
            best.group = group;
            best.mib = in.mib;
            bool have = false;
            // Tens of thousands of files take minutes: those runs once.
            const int runs = group == "100" ? 1 : repeat;
            for (int i = 0; i < runs; ++i) {
                std::string folder = root + "\\out";
                Run run;
                bool ok = runInChild(in.name, folder, group, root + "\\result.txt", &run);
                removeFolder(folder);
                if (!ok) {
                    std::fprintf(stderr, "child run failed for %s, group %s\n", in.label,
                                 group.c_str());
                    continue;
                }
                if (!have || run.import + run.exportTime < best.run.import + best.run.exportTime)
                    best.run = run;
                have = true;
            }
            if (have) {
                best.filesOnly = createFilesTime(root + "\\plain", best.run.files,
                                                 std::uint64_t(in.mib * kMiB), runs);
                results.push_back(best);
            }
            if (have) std::printf("  done: %s, group %s\n", in.label, group.c_str());
            std::fflush(stdout);
        }
    }

    auto peakLimit = [](double mib) { return 1.25 * mib + 32; };
    std::printf("\n%-26s %8s %10s %9s\n", "input", "MB", "copy s", "copy MB/s");
    for (const Input& in : inputs)
        std::printf("%-26s %8.1f %10.3f %9.0f\n", in.label, in.mib, in.copy, in.mib / in.copy);

    std::printf("\n%-24s %8s %8s %6s %8s %6s %8s %6s %8s %8s %8s %9s\n", "input", "group", "lines",
                "files", "import s", "MB/s", "export s", "MB/s", "plain s", "peak MB", "limit MB",
                "release s");
    for (const Result& r : results) {
        std::printf("%-24s %8s %8d %6d %8.3f %6.0f %8.3f %6.0f %8.3f %8.1f %8.1f %9.4f%s\n",
                    r.input.c_str(), r.group == "0" ? "all" : r.group.c_str(), r.run.lines,
                    r.run.files, r.run.import, r.mib / r.run.import, r.run.exportTime,
                    r.mib / r.run.exportTime, r.filesOnly, double(r.run.peakAll) / kMiB,
                    peakLimit(r.mib), r.run.release, r.run.failed ? "  (a write failed)" : "");
    }
    std::printf("(plain s: as many files of the same total size written with bare\n"
                " CreateFileA/WriteFile/CloseHandle calls: what the file system alone costs)\n");

    std::printf("\ntargets\n");
    bool allMet = true;
    auto target = [&](bool ok) {
        allMet = allMet && ok;
        return verdict(ok);
    };
    for (const Result& r : results) {
        if (r.group != "0") continue;
        const Input& in = r.input == inputs[0].label   ? inputs[0]
                          : r.input == inputs[1].label ? inputs[1]
                                                       : inputs[2];
        std::printf("  %s: import %.3f s <= 3 x copy %.3f s: %s\n", in.label, r.run.import,
                    3 * in.copy, target(r.run.import <= 3 * in.copy));
        std::printf("  %s: import + export in one group %.3f s <= 4 x copy %.3f s: %s\n", in.label,
                    r.run.import + r.run.exportTime, 4 * in.copy,
                    target(r.run.import + r.run.exportTime <= 4 * in.copy));
        if (&in == &inputs[0])
            std::printf("  %s: export of one group %.3f s <= 2 x copy %.3f s: %s\n", in.label,
                        r.run.exportTime, 2 * in.copy, target(r.run.exportTime <= 2 * in.copy));
    }
    for (const Result& big : results) {
        if (big.input != inputs[1].label) continue;
        for (const Result& small : results) {
            if (small.input != inputs[0].label || small.group != big.group) continue;
            double ratio =
                (big.run.import + big.run.exportTime) / (small.run.import + small.run.exportTime);
            // How the bare file writes alone grow with twice the files.
            double plain = big.filesOnly / small.filesOnly;
            std::printf("  import+export, doubled input, group %s: %.2f x <= 2.2 x: %s"
                        " (import %.2f x, export %.2f x, plain file writes %.2f x)\n",
                        big.group == "0" ? "all" : big.group.c_str(), ratio, target(ratio <= 2.2),
                        big.run.import / small.run.import,
                        big.run.exportTime / small.run.exportTime, plain);
        }
    }
    bool peaksMet = true;
    for (const Result& r : results) {
        double peak = double(r.run.peakAll) / kMiB;
        if (peak <= peakLimit(r.mib)) continue;
        peaksMet = false;
        std::printf("  peak working set %s, group %s: %.1f MB > %.1f MB: MISSED\n", r.input.c_str(),
                    r.group.c_str(), peak, peakLimit(r.mib));
    }
    std::printf("  peak working set <= 1.25 x file size + 32 MB in every run: %s\n",
                target(peaksMet));
    double slowest = 0;
    for (const Result& r : results)
        slowest = std::max(slowest, r.run.release / r.mib * 100);
    std::printf("  releasing the lines: at most %.1f ms per 100 MB\n", slowest * 1000);

    for (const Input& in : inputs)
        DeleteFileA(in.name.c_str());
    RemoveDirectoryA(root.c_str());
    std::printf("\n%s\n", allMet ? "all targets met" : "some targets missed");
    return 0;
}
