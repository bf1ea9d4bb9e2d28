// The splitting core: import a text file as lines, export the lines in
// numbered groups. No user interface here: the dialog supplies the path, the
// folder, the count text and the progress, and shows the texts made here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/line_walker.h"
#include "app/progress.h"
#include "app/split_options.h"
#include "runtime/text.h"
#include "runtime/values.h"

namespace app {

// The application's lines: what the last import left, in one of two stores,
// each the text's bytes as the file holds them and the index of its lines.
// A file up to the memory limit is held; a larger one stays in its file and
// is read again at export.
void createLines();
void releaseLines();
std::int64_t lineCount();
// Whether the lines stay in their file.
bool linesInFile();
// Calls visit with every line in order, its bytes without its line end,
// found through the index and read from where the store keeps them.
void visitLines(LineVisitor visit, void* context);

// Files up to this size are held: twice that (the old lines and the new
// while an import may still stop) fits the 2 GB that a 32-bit process has
// at least, beside the program and its blocks' fragments.
constexpr std::uint64_t kMemoryStoreLimit = std::uint64_t{512} << 20;
// The blocks that hold a file in memory: a few for the largest.
constexpr std::uint64_t kMemoryBlock = std::uint64_t{64} << 20;
// Test seam: another limit and block size (small blocks put block ends
// among the lines of small files); with no arguments the above come back.
void setStoreLimits(std::uint64_t memoryBytes = kMemoryStoreLimit,
                    std::uint64_t blockBytes = kMemoryBlock);

// Reads the file's bytes (as many as its size when it was opened, up to a
// zero byte or 0x1A), splits them at CR LF and makes them the lines. A file
// that cannot be opened or read leaves no lines. When the progress asks to
// stop, the lines stay as they were. Returns the line count.
// With loneLf a lone LF ends a line too; the lines keep that rule until
// the next import.
std::int64_t importFile(const char* path, Progress* progress = nullptr, bool loneLf = false);

// Texts shown to the user (code page 936), constants of the program.
extern const char kNoLinesMessage[];   // "请先导入文本"
extern const char kNoCountMessage[];   // "请输入每个文本保存数量"
extern const char kMessageCaption[];   // "信息"
extern const char kNoHeadingMessage[]; // "没有找到章节标题"

// Before the folder is asked for: null when ready, else the message to show
// (information icon): no lines first, then an empty count text, then, for
// files of chapters, no chapter heading. The count text is not examined
// further.
const char* readinessMessage(const char* countText, const SplitOptions& options = {});

struct ExportResult {
    enum Outcome {
        kWritten,        // every group
        kWriteFailed,    // file: the one that could not be written
        kReadFailed,     // file: the imported file, which could not be read again
        kSourceChanged,  // the imported bytes changed since the import
        kWouldOverwrite, // file: the name that is the imported file itself
        kStopped,        // the progress asked to stop with a group unwritten
        kNoHeadings,     // files of chapters, and the text has no heading
    };
    Outcome outcome = kWritten;
    std::int64_t written = 0; // files written in full, numbered 1..written
    rt::TextValue failedFile; // the file the box names
    rt::TextValue leftFile;   // an unfinished file that could not be removed
    bool failed() const { return outcome != kWritten && outcome != kStopped; }
};

// Writes the lines, each with its line end (CR LF, or a lone LF where the
// import took those; a last line without one gets CR LF), in groups of the
// count text's integer value into folder + "\文本" + number + ".txt",
// numbered from 1. A size below 1 (or no digits) makes one group of all
// lines. Each file takes
// its name only once it is whole. Writes nothing when one of those names is
// the imported file itself; stops at the first file that cannot be written,
// at bytes of a file kept in its file that differ from those imported, or
// when the progress asks to: files named before stay, the unfinished one is
// removed. An empty folder (browsing cancelled) writes nothing.
// The options (split_options.h) choose how the count is read, the header,
// the names and their numbers; without them, the design's export.
ExportResult exportLines(const char* folder, const char* countText, Progress* progress = nullptr,
                         const SplitOptions& options = {});

// "文本导入行数为[" + count + "]行"
char* importMessage(std::int64_t lineCount);
// "共导出" + count + "个文本"
char* exportMessage(std::int64_t fileCount);
// The one box that ends an export. All written: exportMessage, style 0.
// Otherwise a line that says what happened (naming the file), a line naming
// an unfinished file that could not be removed, then exportMessage(written)
// where files may have been written; the error icon, or the information
// icon after a stop. The caption is kMessageCaption.
char* exportReport(const ExportResult& result);
std::uint32_t exportReportStyle(const ExportResult& result);
// Shows that box with the message box command; returns its answer.
std::int32_t showExportReport(const ExportResult& result);

} // namespace app
