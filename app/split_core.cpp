#include "app/split_core.h"

#include <cstring>
#include <utility>

#include "runtime/convert.h"
#include "runtime/files.h"
#include "runtime/text.h"

namespace app {

const char kNoLinesMessage[] = "请先导入文本";
const char kNoCountMessage[] = "请输入每个文本保存数量";
const char kMessageCaption[] = "信息";

namespace {

rt::Array gLines;

constexpr std::uint32_t kIconError = 0x10; // MB_ICONERROR
const char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndLength = 2;

char* decimal(std::int32_t n) {
    return rt::toText(rt::ValueBlock::ofInt(n));
}

// One byte-set block reused for every group: it grows to the largest group
// and is written as it stands, so each line is copied once per export.
class GroupBuffer {
  public:
    GroupBuffer() = default;
    GroupBuffer(const GroupBuffer&) = delete;
    GroupBuffer& operator=(const GroupBuffer&) = delete;
    ~GroupBuffer() { rt::free(block_); }

    // Fills the buffer with lines [first, last), each followed by CR LF.
    const rt::ByteSetHeader* fill(char* const* lines, std::int32_t first, std::int32_t last) {
        std::size_t bytes = 0;
        for (std::int32_t i = first; i < last; ++i)
            bytes += rt::textLength(lines[i]) + kLineEndLength;
        if (bytes > 0x7FFFFFFFu - sizeof(rt::ByteSetHeader)) rt::outOfMemory();
        reserve(bytes);
        std::uint8_t* at = rt::byteSetData(block_);
        for (std::int32_t i = first; i < last; ++i) {
            std::size_t n = rt::textLength(lines[i]);
            if (n) std::memcpy(at, lines[i], n);
            std::memcpy(at + n, kLineEnd, kLineEndLength);
            at += n + kLineEndLength;
        }
        block_->dimensions = 1;
        block_->length = static_cast<std::int32_t>(bytes);
        return block_;
    }

  private:
    void reserve(std::size_t bytes) {
        if (block_ && bytes <= capacity_) return;
        void* grown = rt::reallocate(block_, sizeof(rt::ByteSetHeader) + bytes);
        if (!grown) rt::outOfMemory();
        block_ = static_cast<rt::ByteSet>(grown);
        capacity_ = bytes;
    }

    rt::ByteSet block_ = nullptr;
    std::size_t capacity_ = 0;
};

} // namespace

void createLines() {
    gLines = rt::newEmptyArray();
}

void releaseLines() {
    rt::releaseArray(std::exchange(gLines, nullptr), rt::kTagText);
}

rt::Array lines() {
    return gLines;
}

std::int32_t lineCount() {
    return gLines ? rt::elementCount(gLines) : 0;
}

std::int32_t importFile(const char* path) {
    // The old lines go first: nothing reads them during the import, and the
    // peak memory of a re-import stays that of one file.
    releaseLines();
    std::intptr_t file = rt::openFile(rt::orEmpty(path), rt::kOpenRead);
    rt::TextValue text(rt::readText(file)); // null when the open failed
    gLines = rt::splitText(text.get(), kLineEnd);
    text.reset();
    rt::closeFile(file);
    return lineCount();
}

const char* readinessMessage(const char* countText) {
    if (lineCount() == 0) return kNoLinesMessage;
    if (rt::textLength(countText) == 0) return kNoCountMessage;
    return nullptr;
}

ExportResult exportLines(const char* folder, const char* countText) {
    ExportResult result;
    const std::int32_t n = lineCount();
    if (rt::textLength(folder) == 0 || n == 0) return result;

    // Converted once: the count text does not change during an export. A
    // size below 1 is never reached by a group, so all lines form one.
    const std::int32_t size = rt::toInteger(rt::ValueBlock::ofText(countText));
    const std::int32_t group = size >= 1 ? size : n;

    char* const* all = rt::textElements(gLines);
    GroupBuffer buffer;
    std::int32_t number = 0;
    for (std::int32_t first = 0; first < n;) {
        std::int32_t last = n - first > group ? first + group : n;
        const rt::ByteSetHeader* bytes = buffer.fill(all, first, last);
        rt::TextValue digits(decimal(++number));
        rt::TextValue name(rt::joinTexts({folder, "\\文本", digits.get(), ".txt"}));
        if (!rt::writeFile(name.get(), {bytes})) {
            result.failedFile = std::move(name);
            break;
        }
        ++result.written;
        first = last;
    }
    return result;
}

char* importMessage(std::int32_t count) {
    rt::TextValue digits(decimal(count));
    return rt::joinTexts({"文本导入行数为[", digits.get(), "]行"});
}

char* exportMessage(std::int32_t count) {
    rt::TextValue digits(decimal(count));
    return rt::joinTexts({"共导出", digits.get(), "个文本"});
}

char* exportReport(const ExportResult& result) {
    rt::TextValue done(exportMessage(result.written));
    if (!result.failed()) return done.release();
    return rt::joinTexts({"写入文件失败：", result.failedFile.get(), "\r\n", done.get()});
}

std::uint32_t exportReportStyle(const ExportResult& result) {
    return result.failed() ? kIconError : 0;
}

std::int32_t showExportReport(const ExportResult& result) {
    rt::TextValue text(exportReport(result));
    return rt::messageBox(rt::ValueBlock::ofText(text.get()), exportReportStyle(result),
                          kMessageCaption);
}

} // namespace app
