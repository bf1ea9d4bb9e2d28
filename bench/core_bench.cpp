// Figures for the splitting core itself, natively (the POSIX stand-in of the
// platform layer, an optimised build): import and export of both stores
// beside a plain read of the file into fresh memory, `cp` and `split -l` of
// the same file, in the same run, interleaved, best of several runs; and,
// with --callgrind, the instructions per MiB of import and of export under
// callgrind (repeatable where wall clock is not); with --qemu BENCH32, those
// of a 32-bit build of this benchmark, counted in qemu's trace (valgrind
// runs no 32-bit program where the kernel refuses them; slow, so give a few
// MiB).
//
//   core_bench [--mib N] [--runs R] [--callgrind | --qemu BENCH32 | --modes]
//              [--callgrind-mib M] [--word-path]
//
// N MiB of each text (default 400): mixed (46% of the bytes in two-byte
// characters) and pure two-byte text; the counts also plain ASCII, M MiB of
// each (default 32). --word-path takes the word path where the processor has
// the vector one. --modes times each way to split (files of N lines, of a
// size, N parts, chapters) on mixed text with chapter headings, beside split
// or csplit doing the same. Files go to /tmp and are deleted.
#include <sys/stat.h>
#include <unistd.h>
#include <fcntl.h>

#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/split_core.h"
#include "app/split_options.h"
#include "bench/bench_support.h"
#if __has_include("app/vector_path.h")
#include "app/piece_sum.h"
#include "app/vector_path.h"
#define BENCH_HAS_PATHS 1
#endif

namespace {

namespace fs = std::filesystem;
constexpr double kMiB = 1024.0 * 1024.0;

struct Text {
    const char* name;
    std::uint32_t percent; // of positions that start a two-byte character
};
const Text kAscii{"ascii", 0}, kMixed{"mixed", 32}, kGbk{"gbk", 100};

// With `chapterEvery`, a chapter heading ("第N章") before every so many
// lines, for the chapters' mode.
bool makeText(const std::string& path, const Text& text, std::uint64_t bytes,
              unsigned chapterEvery = 0) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bench::TextSource source;
    std::string chunk;
    bool ok = true;
    unsigned lines = 0, chapters = 0;
    for (std::uint64_t written = 0; written < bytes && ok;) {
        chunk.clear();
        while (chunk.size() < (1u << 20)) {
            if (chapterEvery && lines++ % chapterEvery == 0)
                chunk += "\xB5\xDA" + std::to_string(++chapters) + "\xD5\xC2\r\n";
            source.line(&chunk, text.percent);
        }
        std::size_t n = std::size_t(std::min<std::uint64_t>(chunk.size(), bytes - written));
        ok = std::fwrite(chunk.data(), 1, n, out) == n;
        written += n;
    }
    return std::fclose(out) == 0 && ok;
}

double twoByteShare(const std::string& path) {
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return 0;
    std::vector<unsigned char> buffer(1u << 20);
    std::uint64_t high = 0, all = 0;
    for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0; all += n)
        for (std::size_t i = 0; i < n; ++i)
            high += buffer[i] >= 0x80;
    std::fclose(in);
    return all ? double(high) / double(all) : 0;
}

// The file read into fresh memory of its size: what any import must do.
double plainRead(const std::string& path) {
    double t0 = bench::now();
    int fd = open(path.c_str(), O_RDONLY);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) std::exit(1);
    char* memory = static_cast<char*>(std::malloc(std::size_t(st.st_size)));
    std::size_t at = 0;
    for (ssize_t got; at < std::size_t(st.st_size) &&
                      (got = read(fd, memory + at, std::size_t(st.st_size) - at)) > 0;)
        at += std::size_t(got);
    close(fd);
    std::free(memory);
    double t1 = bench::now();
    if (at != std::size_t(st.st_size)) std::exit(1);
    return t1 - t0;
}

double command(const std::string& line) {
    double t0 = bench::now();
    if (std::system(line.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", line.c_str());
        std::exit(1);
    }
    return bench::now() - t0;
}

void emptyFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

// The core writes folder + "\文本N.txt"; natively a backslash is no
// separator, so the files land in `out` itself, named "g\文本N.txt".
std::string exportFolder(const fs::path& out) {
    return (out / "g").string();
}

void useStore(bool inFile) {
    if (inFile)
        app::setStoreLimits(0);
    else
        app::setStoreLimits();
}

// --- wall clock -------------------------------------------------------------------

// The lines of the file imported afresh into the store: the seconds taken.
double timedImport(const std::string& input, bool inFile) {
    useStore(inFile);
    app::createLines();
    const double t0 = bench::now();
    if (app::importFile(input.c_str()) <= 0) std::exit(1);
    return bench::now() - t0;
}

struct Best {
    double value = 1e30;
    void take(double t) { value = std::min(value, t); }
};

struct Figures {
    Best read, cp, splitOne, splitGroups;
    Best import[2], exportOne[2], exportGroups[2];
};

void runRound(const std::string& input, const fs::path& out, Figures* f) {
    f->read.take(plainRead(input));
    const std::string copy = (out / "copy").string();
    f->cp.take(command("cp '" + input + "' '" + copy + "'"));
    emptyFolder(out);
    f->splitOne.take(command("cd '" + out.string() + "' && split -l 1000000000 '" + input + "'"));
    emptyFolder(out);
    f->splitGroups.take(command("cd '" + out.string() + "' && split -l 10000 '" + input + "'"));
    emptyFolder(out);
    for (int store = 0; store < 2; ++store) {
        f->import[store].take(timedImport(input, store == 1));
        double t0 = bench::now();
        if (app::exportLines(exportFolder(out).c_str(), "0").failed()) std::exit(1);
        f->exportOne[store].take(bench::now() - t0);
        emptyFolder(out);
        t0 = bench::now();
        if (app::exportLines(exportFolder(out).c_str(), "10000").failed()) std::exit(1);
        f->exportGroups[store].take(bench::now() - t0);
        emptyFolder(out);
        app::releaseLines();
    }
    app::setStoreLimits();
}

void printFigures(const Text& text, std::uint64_t bytes, const Figures& f) {
    const double mib = double(bytes) / kMiB;
    std::printf("\n%s text, %.0f MiB: read %.3f s, cp %.3f s, split -l (one file) %.3f s, "
                "split -l 10000 %.3f s\n",
                text.name, mib, f.read.value, f.cp.value, f.splitOne.value, f.splitGroups.value);
    std::printf("  %-7s %8s %8s %8s | %7s %9s %9s %11s\n", "store", "import", "exp one", "exp 10k",
                "imp/rd", "one/cp", "one/split", "10k/split");
    for (int store = 0; store < 2; ++store) {
        const double one = f.import[store].value + f.exportOne[store].value;
        const double groups = f.import[store].value + f.exportGroups[store].value;
        std::printf("  %-7s %7.3fs %7.3fs %7.3fs | %7.2f %9.2f %9.2f %11.2f\n",
                    store ? "file" : "memory", f.import[store].value, f.exportOne[store].value,
                    f.exportGroups[store].value, f.import[store].value / f.read.value,
                    one / f.cp.value, one / f.splitOne.value, groups / f.splitGroups.value);
    }
}

// --- the ways to split, each beside split doing the same --------------------

struct Mode {
    const char* name;
    app::SplitMode mode;
    const char* count;
    const char* split; // what split (or csplit) does the same with
};

// Beside each mode on the same file: split -l for lines, split -C for
// whole lines up to a size, split -n l/N for N parts of whole lines (by
// bytes, where the tool's parts have line counts that differ by one),
// csplit at each heading for chapters.
const Mode kModes[] = {
    {"lines 10000", app::SplitMode::kLines, "10000", "split -l 10000"},
    {"size 1024 KB", app::SplitMode::kSize, "1024", "split -C 1M"},
    {"parts 100", app::SplitMode::kParts, "100", "split -n l/100"},
    {"chapters 1", app::SplitMode::kChapters, "1", "csplit -s -z - '/^\xB5\xDA/' '{*}' <"},
};

void runModes(const std::string& input, const fs::path& out, int runs) {
    std::printf("\neach way to split, best of %d, %.0f MiB of mixed text with a chapter every "
                "2,000 lines (import once, then export)\n",
                runs, double(fs::file_size(input)) / kMiB);
    std::printf("  %-13s %9s %9s %9s %9s | %11s %11s\n", "mode", "split", "import", "mem exp",
                "file exp", "mem/split", "file/split");
    for (const Mode& m : kModes) {
        Best split, import[2], exported[2];
        for (int round = 0; round < runs; ++round) {
            emptyFolder(out);
            split.take(command("cd '" + out.string() + "' && LC_ALL=C " + m.split + " '" + input +
                               "' >/dev/null"));
            emptyFolder(out);
            for (int store = 0; store < 2; ++store) {
                import[store].take(timedImport(input, store == 1));
                app::SplitOptions options;
                options.mode = m.mode;
                const double t0 = bench::now();
                if (app::exportLines(exportFolder(out).c_str(), m.count, nullptr, options).failed())
                    std::exit(1);
                exported[store].take(bench::now() - t0);
                emptyFolder(out);
                app::releaseLines();
            }
            app::setStoreLimits();
        }
        std::printf("  %-13s %8.3fs %8.3fs %8.3fs %8.3fs | %11.2f %11.2f\n", m.name, split.value,
                    import[1].value, exported[0].value, exported[1].value,
                    (import[0].value + exported[0].value) / split.value,
                    (import[1].value + exported[1].value) / split.value);
    }
    std::printf("  (import: the file store's; the memory store's import is the one above)\n");
}

// --- instruction counts -------------------------------------------------------

// Where counting starts and stops in a trace of qemu, which runs the 32-bit
// build (valgrind runs no 32-bit program on a kernel that refuses them).
extern "C" __attribute__((noinline)) void benchCountFrom() {
    asm volatile("");
}
extern "C" __attribute__((noinline)) void benchCountTo() {
    asm volatile("");
}

void countFrom() {
    CALLGRIND_START_INSTRUMENTATION;
    benchCountFrom();
}
void countTo() {
    benchCountTo();
    CALLGRIND_STOP_INSTRUMENTATION;
}

// The piece sums of a file's 1 MiB pieces, counted (the file read before).
int runSums(const char* input) {
#if defined(BENCH_HAS_PATHS)
    std::FILE* in = std::fopen(input, "rb");
    if (!in) return 1;
    std::vector<char> bytes(std::size_t(fs::file_size(input)));
    const bool read = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
    std::fclose(in);
    std::uint64_t all = 0;
    countFrom();
    for (std::size_t at = 0; at < bytes.size(); at += app::kPieceSumLimit)
        all ^= app::pieceSum(bytes.data() + at, std::min(app::kPieceSumLimit, bytes.size() - at));
    countTo();
    return read && all != 1 ? 0 : 1;
#else
    (void)input;
    return 1;
#endif
}

// One import or export, counted from start to stop.
int runOne(const char* store, const char* op, const char* input, const char* out) {
    if (std::strcmp(op, "sum") == 0) return runSums(input);
    useStore(std::strcmp(store, "file") == 0);
    app::createLines();
    const bool exporting = std::strcmp(op, "export") == 0;
    if (!exporting) countFrom();
    std::int64_t lines = app::importFile(input);
    if (!exporting) countTo();
    if (lines <= 0) return 1;
    if (exporting) countFrom();
    bool failed = app::exportLines(exportFolder(out).c_str(), "10000").failed();
    if (exporting) countTo();
    app::releaseLines();
    return failed ? 1 : 0;
}

// The instructions between the markers in qemu's log of translated blocks
// (in_asm: each block's instructions once) and of blocks run (exec).
double countTrace(std::FILE* log) {
    std::unordered_map<unsigned long, unsigned> blocks; // start: instructions
    unsigned long start = 0;
    unsigned size = 0;
    bool reading = false, counting = false;
    double total = 0;
    char line[1024];
    while (std::fgets(line, sizeof line, log)) {
        if (reading) {
            if (std::strncmp(line, "0x", 2) == 0) {
                if (size++ == 0) start = std::strtoul(line, nullptr, 16);
                continue;
            }
            reading = false;
            if (size) blocks[start] = size;
        }
        if (std::strncmp(line, "IN:", 3) == 0) {
            reading = true;
            size = 0;
        } else if (std::strncmp(line, "Trace ", 6) == 0) {
            const char* fields = std::strchr(line, '[');
            const char* pc = fields ? std::strchr(fields, '/') : nullptr;
            if (!pc) continue;
            if (std::strstr(line, " benchCountFrom")) counting = true;
            if (std::strstr(line, " benchCountTo")) counting = false;
            if (!counting) continue;
            auto block = blocks.find(std::strtoul(pc + 1, nullptr, 16));
            if (block != blocks.end()) total += block->second;
        }
    }
    return total;
}

// Instructions per MiB of one import or export: by callgrind, or by qemu
// for a 32-bit build of this benchmark.
double instructionsPerMiB(const std::string& self, const std::string& qemuBench, const char* store,
                          const char* op, const std::string& input, const fs::path& out,
                          bool wordPath) {
    emptyFolder(out);
    const std::string args = std::string(wordPath ? " --word-path" : "") + " --one " + store + " " +
                             op + " '" + input + "' '" + out.string() + "'";
    double total = 0;
    if (!qemuBench.empty()) {
        std::FILE* log = popen(("qemu-i386-static -d in_asm,exec,nochain -D /dev/stdout '" +
                                qemuBench + "'" + args + " 2>/dev/null")
                                   .c_str(),
                               "r");
        if (!log) std::exit(1);
        total = countTrace(log);
        pclose(log);
    } else {
        const std::string log = (out.parent_path() / "callgrind.out").string();
        command("valgrind --tool=callgrind --instr-atstart=no --callgrind-out-file='" + log +
                "' '" + self + "'" + args + " >/dev/null 2>&1");
        std::FILE* in = std::fopen(log.c_str(), "r");
        char line[512];
        while (in && std::fgets(line, sizeof line, in))
            if (std::strncmp(line, "totals:", 7) == 0 || std::strncmp(line, "summary:", 8) == 0)
                total = std::strtod(line + std::strcspn(line, "0123456789"), nullptr);
        if (in) std::fclose(in);
        fs::remove(log);
    }
    emptyFolder(out);
    return total / (double(fs::file_size(input)) / kMiB);
}

} // namespace

int main(int argc, char** argv) {
    std::uint64_t mib = 400, callgrindMib = 32;
    int runs = 3;
    bool callgrind = false, wordPath = false, modes = false;
    std::string qemuBench;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--word-path") {
            wordPath = true;
#if defined(BENCH_HAS_PATHS)
            app::forceWordPath(true);
#else
            std::fprintf(stderr, "this build has one path only\n");
#endif
        } else if (a == "--one" && i + 4 < argc) {
            return runOne(argv[i + 1], argv[i + 2], argv[i + 3], argv[i + 4]);
        } else if (a == "--mib" && i + 1 < argc) {
            mib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--callgrind-mib" && i + 1 < argc) {
            callgrindMib = std::strtoull(argv[++i], nullptr, 10);
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--callgrind") {
            callgrind = true;
        } else if (a == "--modes") {
            modes = true;
        } else if (a == "--qemu" && i + 1 < argc) {
            callgrind = true;
            qemuBench = fs::canonical(argv[++i]).string();
        } else {
            std::fprintf(stderr,
                         "usage: %s [--mib N] [--runs R] [--callgrind | --qemu BENCH32 | --modes] "
                         "[--callgrind-mib M] [--word-path]\n",
                         argv[0]);
            return 2;
        }
    }
    static const fs::path dir =
        fs::path("/tmp") / ("textsplit_core_bench." + std::to_string(getpid()));
    const fs::path out = dir / "out";
    emptyFolder(out);
    std::atexit([] { // also after a failed step
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    });
    if (modes) {
        const std::string input = (dir / "novel.txt").string();
        if (!makeText(input, kMixed, mib << 20, 2000)) return 1;
        runModes(input, out, runs);
        return 0;
    }
    if (callgrind) {
        const std::string self = fs::canonical("/proc/self/exe").string();
        std::printf("instructions per MiB (%s, %llu MiB of each text, export in groups of "
                    "10,000)%s\n",
                    qemuBench.empty() ? "callgrind" : "qemu, 32-bit",
                    static_cast<unsigned long long>(callgrindMib), wordPath ? ", word path" : "");
        std::printf("  %-6s %14s %14s %14s %14s\n", "text", "memory import", "memory export",
                    "file import", "file export");
        double sumPerByte = 0;
        for (const Text& text : {kAscii, kMixed, kGbk}) {
            const std::string input = (dir / (std::string(text.name) + ".txt")).string();
            if (!makeText(input, text, callgrindMib << 20)) return 1;
            std::printf("  %-6s", text.name);
            for (const char* store : {"memory", "file"})
                for (const char* op : {"import", "export"})
                    std::printf(" %14.0f", instructionsPerMiB(self, qemuBench, store, op, input,
                                                              out, wordPath));
            std::printf("\n");
            std::fflush(stdout);
#if defined(BENCH_HAS_PATHS)
            if (text.percent == 0)
                sumPerByte =
                    instructionsPerMiB(self, qemuBench, "memory", "sum", input, out, wordPath) /
                    kMiB;
#endif
            fs::remove(input);
        }
        if (sumPerByte > 0)
            std::printf("  piece sum of 1 MiB pieces: %.3f instructions a byte\n", sumPerByte);
    } else {
        std::printf("wall clock, best of %d interleaved runs, %llu MiB of each text%s\n", runs,
                    static_cast<unsigned long long>(mib), wordPath ? ", word path" : "");
        std::vector<std::string> inputs;
        for (const Text& text : {kMixed, kGbk}) {
            inputs.push_back((dir / (std::string(text.name) + ".txt")).string());
            if (!makeText(inputs.back(), text, mib << 20)) return 1;
            std::printf("  %s: %.0f%% of the bytes >= 0x80\n", text.name,
                        100 * twoByteShare(inputs.back()));
        }
        Figures figures[2];
        for (int round = 0; round < runs; ++round)
            for (int t = 0; t < 2; ++t)
                runRound(inputs[std::size_t(t)], out, &figures[t]);
        printFigures(kMixed, fs::file_size(inputs[0]), figures[0]);
        printFigures(kGbk, fs::file_size(inputs[1]), figures[1]);
    }
    return 0;
}
