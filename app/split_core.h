// The splitting core: import a text file as the line array, export the lines
// in numbered groups. No user interface here: the dialog supplies the path,
// the folder and the count text, and shows the texts made here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "runtime/values.h"

namespace app {

// The application's line array (one dimension of texts). Only import fills
// it: export relies on the way import lays the lines out in memory.
void createLines();
void releaseLines();
rt::Array lines();
std::int32_t lineCount();

// Reads the file (up to a zero byte or 0x1A), splits it at CR LF and makes
// the lines the new line array. A file that cannot be opened or read leaves
// no lines. Returns the line count.
std::int32_t importFile(const char* path);

// Splits bytes fed in pieces of any size into lines exactly as split text
// at CR LF splits the text they form, which ends before the first zero byte
// or 0x1A. Import reads the file through it piece by piece, so the whole
// text is never held in memory beside its lines.
class LineCollector {
  public:
    LineCollector() = default;
    LineCollector(const LineCollector&) = delete;
    LineCollector& operator=(const LineCollector&) = delete;
    ~LineCollector() { rt::free(partial_); }

    // False once the text has ended at a stop byte; later bytes are ignored.
    bool feed(const char* bytes, std::size_t n);
    // The lines as a fresh array; the collector starts afresh.
    rt::Array finish();

  private:
    void append(const char* bytes, std::size_t n);
    void emit(const char* tail, std::size_t n);

    rt::TextCollector lines_;
    char* partial_ = nullptr; // the line begun in earlier pieces
    std::size_t partialSize_ = 0;
    std::size_t partialCapacity_ = 0;
    bool pendingCr_ = false;   // the last piece ended in a CR at a character start
    bool pendingLead_ = false; // the last piece ended in a lead byte
    bool ended_ = false;
};

// Texts shown to the user (code page 936), constants of the program.
extern const char kNoLinesMessage[]; // "请先导入文本"
extern const char kNoCountMessage[]; // "请输入每个文本保存数量"
extern const char kMessageCaption[]; // "信息"

// Before the folder is asked for: null when ready, else the message to show
// (information icon): no lines first, then an empty count text. The count
// text is not examined further.
const char* readinessMessage(const char* countText);

struct ExportResult {
    std::int32_t written = 0; // files written in full, numbered 1..written
    rt::TextValue failedFile; // full name of the file that could not be written
    bool failed() const { return !failedFile.empty(); }
};

// Writes the lines, each followed by CR LF, in groups of the count text's
// integer value into folder + "\文本" + number + ".txt", numbered from 1. A
// size below 1 (or no digits) makes one group of all lines. Stops at the
// first file that cannot be written; files written before it stay. An empty
// folder (browsing cancelled) writes nothing.
ExportResult exportLines(const char* folder, const char* countText);

// "文本导入行数为[" + count + "]行"
char* importMessage(std::int32_t lineCount);
// "共导出" + count + "个文本"
char* exportMessage(std::int32_t fileCount);
// The one box that ends an export. All written: exportMessage, style 0.
// A failure: "写入文件失败：" + name + "\r\n" + exportMessage(written), with
// the error icon. The caption is kMessageCaption in both cases.
char* exportReport(const ExportResult& result);
std::uint32_t exportReportStyle(const ExportResult& result);
// Shows that box with the message box command; returns its answer.
std::int32_t showExportReport(const ExportResult& result);

} // namespace app
