#include "app/split_core.h"

#include <algorithm>
#include <cstring>
#include <optional>
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
const char kNoHeadingMessage[] = "没有找到章节标题";

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
Reading keepInFile(rt::OpenFile opened, const char* path, LineEnds rule, Progress* progress,
                   FileStore* store) {
    rt::OpenFile alone(rt::openFile(path, rt::kOpenRead, rt::kShareDenyWrite));
    const bool othersWrite = !alone;
    rt::OpenFile file = othersWrite ? std::move(opened) : std::move(alone);
    opened.reset();
    // The size is taken once, from the handle that is kept.
    rt::setFilePosition(file.get(), 0);
    const std::uint64_t size = rt::bytesLeft(file.get());
    return store->import(std::move(file), size, rule, progress);
}

char* decimal(std::int64_t n) {
    return rt::toText(rt::ValueBlock::ofLong(n));
}

// The held lines' text for one pass over it, from the store that holds it.
class StoreText {
  public:
    StoreText() {
        if (gLines.inFile)
            inFile_.emplace(gLines.file);
        else
            inMemory_.emplace(gLines.memory);
    }
    TextPieces& pieces() { return inFile_ ? static_cast<TextPieces&>(*inFile_) : *inMemory_; }

  private:
    std::optional<MemoryStore::Pieces> inMemory_;
    std::optional<FileStore::Pieces> inFile_; // holds a buffer: made only when used
};

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
    StoreText text;
    app::visitLines(text.pieces(), gLines.index(), visit, context);
}

std::int64_t importFile(const char* path, Progress* progress, bool loneLf) {
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
        const LineEnds rule = loneLf ? LineEnds::kCrLfOrLf : LineEnds::kCrLf;
        reading = next.inFile
                      ? keepInFile(std::move(file), next.path.c_str(), rule, progress, &next.file)
                      : next.memory.import(file.get(), size, rule, progress);
    }
    if (reading == Reading::kStopped) return lineCount();
    // A file that cannot be read gives no lines, not some.
    if (reading != Reading::kRead) next = Imported();
    gLines = std::move(next);
    return lineCount();
}

namespace {

// Headings that start a chapter of the files: one on the first line is the
// header's when the header is kept.
std::uint64_t chaptersFor(const SplitOptions& options) {
    const LineIndex& index = gLines.index();
    const rt::GrowArray<std::uint64_t>& headings = index.headings();
    const bool headerHeading =
        options.header && index.count() > 1 && !headings.empty() && headings[0] == 0;
    return headings.size() - (headerHeading ? 1 : 0);
}

// The grouping the mode asks for, `count` (0: all in one file) read as the
// mode says, the files' lines from `first` on.
class ModeGrouping {
  public:
    ModeGrouping(SplitMode mode, std::uint64_t count, LineStart first, std::uint64_t headerBytes) {
        const LineIndex& index = gLines.index();
        const std::uint64_t all = ~std::uint64_t{0};
        switch (mode) {
        case SplitMode::kLines:
            lines_.emplace(index, first, count ? count : all);
            break;
        case SplitMode::kParts:
            lines_.emplace(partsGrouping(index, first, count ? count : 1));
            break;
        case SplitMode::kSize:
            // The header counts towards every file's size.
            size_.emplace(index, first,
                          count ? (count * 1024 > headerBytes ? count * 1024 - headerBytes : 0)
                                : all);
            break;
        case SplitMode::kChapters:
            chapters_.emplace(index, first.offset, count ? count : all);
            break;
        }
    }
    Grouping& get() {
        if (lines_) return *lines_;
        if (size_) return *size_;
        return *chapters_;
    }

  private:
    std::optional<LinesGrouping> lines_;
    std::optional<SizeGrouping> size_;
    std::optional<ChapterGrouping> chapters_;
};

void reportReading(Reading reading, ExportResult* result) {
    if (reading == Reading::kUnreadable) {
        result->outcome = ExportResult::kReadFailed;
        result->failedFile.reset(rt::copyText(gLines.path.get()));
    } else if (reading == Reading::kChanged) {
        result->outcome = ExportResult::kSourceChanged;
    } else if (reading == Reading::kStopped) {
        result->outcome = ExportResult::kStopped;
    }
}

} // namespace

const char* readinessMessage(const char* countText, const SplitOptions& options) {
    if (lineCount() == 0) return kNoLinesMessage;
    if (rt::textLength(countText) == 0) return kNoCountMessage;
    if (options.mode == SplitMode::kChapters && chaptersFor(options) == 0) return kNoHeadingMessage;
    return nullptr;
}

ExportResult exportLines(const char* folder, const char* countText, Progress* progress,
                         const SplitOptions& options) {
    ExportResult result;
    const LineIndex& index = gLines.index();
    if (rt::textLength(folder) == 0 || index.count() == 0) return result;
    if (options.mode == SplitMode::kChapters && chaptersFor(options) == 0) {
        result.outcome = ExportResult::kNoHeadings;
        return result;
    }

    // Converted once: the count text does not change during an export. A
    // count below 1 is never reached, so all lines form one file.
    const std::int32_t typed = rt::toInteger(rt::ValueBlock::ofText(countText));
    const std::uint64_t count = typed >= 1 ? std::uint64_t(typed) : 0;

    // The first line heads every file and is not one of their lines.
    LineStart first;
    rt::GrowArray<char> header;
    if (options.header && index.count() > 1) {
        StoreText text;
        const Reading reading = readFirstLine(text.pieces(), index, &header, &first);
        if (reading != Reading::kRead) {
            reportReading(reading, &result);
            return result;
        }
    }

    // The number of files, where the names need it before the first is
    // written and only the end tells (files of a size).
    std::uint64_t files = ModeGrouping(options.mode, count, first, header.size()).get().files();
    std::uint64_t done = 0;
    std::uint64_t total = index.textEnd() - first.offset + (index.lastLineEnded() ? 0 : 2);
    if (files == 0 && options.padded) {
        StoreText text;
        ModeGrouping counting(options.mode, count, first, header.size());
        const Reading reading = countFiles(text.pieces(), counting.get(), index, progress, &files);
        if (reading != Reading::kRead) {
            reportReading(reading, &result);
            return result;
        }
        done = total;
        total *= 2;
    }
    total += header.size() * files;

    const OutputNames names(folder, options.sourceNames ? gLines.path.c_str() : nullptr,
                            options.padded ? digitsOf(files) : 0);
    switch (guardImported(gLines.source, names, files ? files : ~std::uint64_t{0}, progress,
                          &result.failedFile)) {
    case Guard::kStopped:
        result.outcome = ExportResult::kStopped;
        return result;
    case Guard::kWouldOverwrite:
        result.outcome = ExportResult::kWouldOverwrite;
        return result;
    case Guard::kClear:
        break;
    }

    GroupWriter writer(names, progress, done, total);
    writer.setHeader(header.data(), header.size());
    ModeGrouping grouping(options.mode, count, first, header.size());
    StoreText text;
    const Reading reading = writeFiles(text.pieces(), grouping.get(), index, first.offset, writer);
    writer.finish();
    result.written = writer.written();
    result.leftFile = std::move(writer.leftFile());
    if (!writer.failedFile().empty()) {
        result.outcome = ExportResult::kWriteFailed;
        result.failedFile = std::move(writer.failedFile());
    } else if (reading != Reading::kRead) {
        reportReading(reading, &result);
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
    case ExportResult::kNoHeadings:
        return rt::copyText(kNoHeadingMessage);
    }
    return done.release();
}

std::uint32_t exportReportStyle(const ExportResult& result) {
    if (result.outcome == ExportResult::kWritten) return 0;
    const bool told =
        result.outcome == ExportResult::kStopped || result.outcome == ExportResult::kNoHeadings;
    return told ? kIconInformation : kIconError;
}

std::int32_t showExportReport(const ExportResult& result) {
    rt::TextValue text(exportReport(result));
    return rt::messageBox(rt::ValueBlock::ofText(text.get()), exportReportStyle(result),
                          kMessageCaption);
}

} // namespace app
