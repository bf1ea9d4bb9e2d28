#include "app/split_core.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/export_loop.h"
#include "app/file_store.h"
#include "app/group_writer.h"
#include "app/grouping.h"
#include "app/memory_store.h"
#include "app/overwrite_guard.h"
#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/platform.h"
#include "runtime/text.h"

namespace app {

const char kNoLinesMessage[] = "请先导入文本";
const char kNoCountMessage[] = "请输入每个文本保存数量";
const char kMessageCaption[] = "信息";

namespace {

constexpr std::uint32_t kIconError = 0x10;       // MB_ICONERROR
constexpr std::uint32_t kIconInformation = 0x40; // MB_ICONINFORMATION
const char kLineEnd[] = "\r\n";

std::uint64_t gMemoryLimit = kMemoryStoreLimit;

// What the last import left: its lines in one of the stores, and which file
// it read, so that export never writes over it.
struct Imported {
    MemoryStore memory;
    FileStore file;
    bool inFile = false;
    ImportedFile source;
    rt::TextValue path;

    const LineIndex& index() const { return inFile ? file.index() : memory.index(); }
};

Imported gLines;

// Where a file can be had only with others writing it (a log being
// written), it is read as it was opened, and export checks its bytes.
Reading keepInFile(rt::OpenFile opened, const char* path, Progress* progress, FileStore* store) {
    rt::OpenFile alone(rt::openFile(path, rt::kOpenRead, rt::kShareDenyWrite));
    const bool othersWrite = !alone;
    rt::OpenFile file = othersWrite ? std::move(opened) : std::move(alone);
    opened.reset();
    // The size is taken once, from the handle that is kept.
    rt::setFilePosition(file.get(), 0);
    const std::uint64_t size = rt::bytesLeft(file.get());
    return store->import(std::move(file), size, progress);
}

char* decimal(std::int64_t n) {
    return rt::toText(rt::ValueBlock::ofLong(n));
}

} // namespace

void setStoreLimits(std::uint64_t memoryBytes, std::uint64_t blockBytes) {
    gMemoryLimit = memoryBytes;
    setMemoryBlock(blockBytes);
}

// --- the lines --------------------------------------------------------------------

void createLines() {
    gLines = Imported();
}

void releaseLines() {
    gLines = Imported();
}

std::int64_t lineCount() {
    return std::int64_t(gLines.index().count());
}

bool linesInFile() {
    return gLines.inFile;
}

void visitLines(LineVisitor visit, void* context) {
    MemoryStore::Pieces inMemory(gLines.memory);
    FileStore::Pieces inFile(gLines.file);
    TextPieces& pieces = gLines.inFile ? static_cast<TextPieces&>(inFile) : inMemory;
    app::visitLines(pieces, gLines.index(), visit, context);
}

std::int64_t importFile(const char* path, Progress* progress) {
    // The new lines are made beside the old ones, which stay until the
    // import is complete: a stopped import leaves them as they were.
    Imported next;
    next.path.reset(rt::copyText(path));
    rt::OpenFile file(rt::openFile(next.path.c_str(), rt::kOpenRead));
    Reading reading = Reading::kUnreadable;
    if (file) {
        next.source.describe(file.get(), next.path.c_str());
        const std::uint64_t size = rt::bytesLeft(file.get());
        next.inFile = size > gMemoryLimit;
        reading = next.inFile ? keepInFile(std::move(file), next.path.c_str(), progress, &next.file)
                              : next.memory.import(file.get(), size, progress);
    }
    if (reading == Reading::kStopped) return lineCount();
    // A file that cannot be read gives no lines, not some.
    if (reading != Reading::kRead) next = Imported();
    gLines = std::move(next);
    return lineCount();
}

const char* readinessMessage(const char* countText) {
    if (lineCount() == 0) return kNoLinesMessage;
    if (rt::textLength(countText) == 0) return kNoCountMessage;
    return nullptr;
}

ExportResult exportLines(const char* folder, const char* countText, Progress* progress) {
    ExportResult result;
    const std::int64_t n = lineCount();
    if (rt::textLength(folder) == 0 || n == 0) return result;

    // Converted once: the count text does not change during an export. A
    // size below 1 is never reached by a group, so all lines form one.
    const std::int32_t size = rt::toInteger(rt::ValueBlock::ofText(countText));
    const std::uint64_t group = std::uint64_t(size >= 1 ? size : n);
    const std::uint64_t files = (std::uint64_t(n) + group - 1) / group;

    const OutputNames names(folder);
    switch (guardImported(gLines.source, names, files, progress, &result.failedFile)) {
    case Guard::kStopped:
        result.outcome = ExportResult::kStopped;
        return result;
    case Guard::kWouldOverwrite:
        result.outcome = ExportResult::kWouldOverwrite;
        return result;
    case Guard::kClear:
        break;
    }

    const LineIndex& index = gLines.index();
    const std::uint64_t total = index.textEnd() + (index.lastLineEnded() ? 0 : 2);
    GroupWriter writer(names, progress, 0, total);
    LinesGrouping grouping(index, LineStart{}, group);
    MemoryStore::Pieces inMemory(gLines.memory);
    FileStore::Pieces inFile(gLines.file);
    TextPieces& pieces = gLines.inFile ? static_cast<TextPieces&>(inFile) : inMemory;
    const Reading reading = writeFiles(pieces, grouping, index, 0, writer);
    writer.finish();
    result.written = writer.written();
    result.leftFile = std::move(writer.leftFile());
    if (!writer.failedFile().empty()) {
        result.outcome = ExportResult::kWriteFailed;
        result.failedFile = std::move(writer.failedFile());
    } else if (reading == Reading::kUnreadable) {
        result.outcome = ExportResult::kReadFailed;
        result.failedFile.reset(rt::copyText(gLines.path.get()));
    } else if (reading == Reading::kChanged) {
        result.outcome = ExportResult::kSourceChanged;
    } else if (writer.stopped()) {
        result.outcome = ExportResult::kStopped;
    }
    return result;
}

// --- messages ------------------------------------------------------------------------

char* importMessage(std::int64_t count) {
    rt::TextValue digits(decimal(count));
    return rt::joinTexts({"文本导入行数为[", digits.get(), "]行"});
}

char* exportMessage(std::int64_t count) {
    rt::TextValue digits(decimal(count));
    return rt::joinTexts({"共导出", digits.get(), "个文本"});
}

char* exportReport(const ExportResult& result) {
    rt::TextValue count(exportMessage(result.written));
    // The unfinished file that stays is named before the count.
    rt::TextValue done(result.leftFile.empty()
                           ? count.release()
                           : rt::joinTexts({"未能删除未完成的文件：", result.leftFile.get(),
                                            kLineEnd, count.get()}));
    const char* file = result.failedFile.c_str();
    switch (result.outcome) {
    case ExportResult::kWritten:
        return done.release();
    case ExportResult::kWriteFailed:
        return rt::joinTexts({"写入文件失败：", file, kLineEnd, done.get()});
    case ExportResult::kReadFailed:
        return rt::joinTexts({"读取文件失败：", file, kLineEnd, done.get()});
    case ExportResult::kSourceChanged:
        return rt::joinTexts({"导入的文本已被修改，请重新导入", kLineEnd, done.get()});
    case ExportResult::kWouldOverwrite:
        return rt::joinTexts({"不能覆盖导入的文本：", file, kLineEnd, "请选择其他文件夹"});
    case ExportResult::kStopped:
        return rt::joinTexts({"导出已停止", kLineEnd, done.get()});
    }
    return done.release();
}

std::uint32_t exportReportStyle(const ExportResult& result) {
    if (result.outcome == ExportResult::kWritten) return 0;
    return result.outcome == ExportResult::kStopped ? kIconInformation : kIconError;
}

std::int32_t showExportReport(const ExportResult& result) {
    rt::TextValue text(exportReport(result));
    return rt::messageBox(rt::ValueBlock::ofText(text.get()), exportReportStyle(result),
                          kMessageCaption);
}

} // namespace app
