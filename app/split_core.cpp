#include "app/split_core.h"

#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Files are read and written through one buffer of this size: memory that
// is already mapped is reused for every piece instead of touching a file's
// size of fresh pages.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// Import keeps every line in a block whose size is a multiple of 16 bytes
// and whose bytes after the text are zero, so that export copies lines 16
// bytes at a time without reading past a block.
constexpr std::size_t kGranule = 16;
constexpr std::size_t granuleBlock(std::size_t length) {
    return (length + kGranule) & ~(kGranule - 1);
}

// Copies one granule and returns the index of its first zero byte, or
// kGranule when it has none.
inline std::size_t copyGranule(char* out, const char* in) {
#if defined(__SSE2__)
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
    auto zeros = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    return zeros ? std::size_t(__builtin_ctz(zeros)) : kGranule;
#else
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "zeros are found from the low end");
    std::uint64_t words[2];
    std::memcpy(words, in, kGranule);
    std::memcpy(out, words, kGranule);
    for (std::size_t k = 0; k < 2; ++k) {
        // The lowest flagged byte is the first zero byte of the word.
        std::uint64_t zero = (words[k] - 0x0101010101010101u) & ~words[k] & 0x8080808080808080u;
        if (zero) return k * 8 + std::size_t(__builtin_ctzll(zero)) / 8;
    }
    return kGranule;
#endif
}

char* decimal(std::int32_t n) {
    return rt::toText(rt::ValueBlock::ofInt(n));
}

class Chunk {
  public:
    Chunk() : data_(static_cast<char*>(rt::allocate(kChunk))) {}
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;
    ~Chunk() { rt::free(data_); }
    char* data() const { return data_; }

  private:
    char* data_;
};

// Writes one group file: every line followed by CR LF, gathered in the
// chunk and written a chunk at a time. The file holds exactly the bytes
// write file would write for the joined group.
class GroupWriter {
  public:
    bool open(const char* name) {
        used_ = 0;
        return file_.open(name);
    }
    // The line must come from import (see granuleBlock).
    bool putLine(const char* line) {
        for (const char* rest = line; rest; rest += kGranule) {
            if (kChunk - used_ < kGranule) flush();
            std::size_t end = copyGranule(chunk_.data() + used_, rest);
            used_ += end;
            if (end < kGranule) break;
        }
        if (kChunk - used_ < 2) flush();
        chunk_.data()[used_++] = '\r';
        chunk_.data()[used_++] = '\n';
        return file_.ok();
    }

    bool close() {
        flush();
        return file_.close();
    }

  private:
    void flush() {
        if (used_) file_.write(chunk_.data(), used_);
        used_ = 0;
    }

    rt::FileWriter file_;
    Chunk chunk_;
    std::size_t used_ = 0;
};

} // namespace

// --- line collector -------------------------------------------------------------

void LineCollector::append(const char* bytes, std::size_t n) {
    if (!n) return;
    std::size_t need = granuleBlock(partialSize_ + n);
    if (need > partialCapacity_) {
        std::size_t capacity = partialCapacity_ + partialCapacity_ / 2;
        if (capacity < need) capacity = need;
        void* grown = rt::reallocate(partial_, capacity);
        if (!grown) rt::outOfMemory();
        partial_ = static_cast<char*>(grown);
        partialCapacity_ = capacity;
    }
    std::memcpy(partial_ + partialSize_, bytes, n);
    partialSize_ += n;
}

void LineCollector::emit(const char* tail, std::size_t n) {
    if (partialSize_ == 0) {
        auto* line = static_cast<char*>(rt::allocate(granuleBlock(n))); // zero-filled
        if (n) std::memcpy(line, tail, n);
        lines_.add(line);
        return;
    }
    // A line that spans pieces keeps the block it grew in, cut to size.
    append(tail, n);
    char* line = partial_;
    const std::size_t block = granuleBlock(partialSize_);
    std::memset(line + partialSize_, 0, block - partialSize_);
    if (partialCapacity_ - block > 256)
        if (void* cut = rt::reallocate(line, block)) line = static_cast<char*>(cut);
    partial_ = nullptr;
    partialSize_ = partialCapacity_ = 0;
    lines_.add(line);
}

bool LineCollector::feed(const char* bytes, std::size_t n) {
    if (ended_) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    std::size_t end = n;
    if (const void* zero = std::memchr(p, 0, end))
        end = std::size_t(static_cast<const unsigned char*>(zero) - p);
    if (const void* mark = std::memchr(p, 0x1A, end))
        end = std::size_t(static_cast<const unsigned char*>(mark) - p);

    std::size_t i = 0, start = 0;
    if (end > 0 && pendingLead_) {
        pendingLead_ = false;
        i = 1; // the second byte of a character split between pieces
    } else if (end > 0 && pendingCr_) {
        pendingCr_ = false;
        if (p[0] == '\n') {
            emit(bytes, 0);
            i = start = 1;
        } else {
            append("\r", 1);
        }
    }
    while (i < end) {
        const unsigned char c = p[i];
        if (c == '\r') {
            if (i + 1 == end) { // whether an LF follows shows in the next piece
                append(bytes + start, i - start);
                start = end;
                pendingCr_ = true;
                break;
            }
            if (p[i + 1] == '\n') {
                emit(bytes + start, i - start);
                i += 2;
                start = i;
                continue;
            }
        } else if (c >= 0x80) {
            if (i + 1 == end) {
                pendingLead_ = true;
                break;
            }
            ++i; // a line end never starts at a character's second byte
        }
        ++i;
    }
    if (start < end) append(bytes + start, end - start);
    if (end < n) ended_ = true;
    return !ended_;
}

rt::Array LineCollector::finish() {
    if (pendingCr_) append("\r", 1); // a CR at the very end stays in the last line
    if (partialSize_ > 0) emit(nullptr, 0);
    pendingCr_ = pendingLead_ = ended_ = false;
    return lines_.finish();
}

// --- import and export ---------------------------------------------------------

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
    LineCollector collector;
    bool readable = true;
    if (file) {
        Chunk chunk;
        for (;;) {
            std::uint32_t got = 0;
            readable = rt::readBytes(file, chunk.data(), kChunk, &got);
            if (!readable || got == 0 || !collector.feed(chunk.data(), got)) break;
        }
    }
    gLines = collector.finish();
    if (!readable) { // a file that cannot be read gives no lines, not some
        rt::releaseArray(gLines, rt::kTagText);
        gLines = rt::newEmptyArray();
    }
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
    GroupWriter writer;
    std::int32_t number = 0;
    for (std::int32_t first = 0; first < n;) {
        std::int32_t last = n - first > group ? first + group : n;
        rt::TextValue digits(decimal(++number));
        rt::TextValue name(rt::joinTexts({folder, "\\文本", digits.get(), ".txt"}));
        bool written = writer.open(name.get());
        for (std::int32_t i = first; i < last && written; ++i)
            written = writer.putLine(all[i]);
        written = writer.close() && written;
        if (!written) {
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
    return rt::joinTexts({"写入文件失败：", result.failedFile.get(), kLineEnd, done.get()});
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
