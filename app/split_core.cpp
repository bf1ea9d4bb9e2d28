#include "app/split_core.h"

#include <algorithm>
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

// A heap block of line texts: this header, then the bytes. Every line in it
// is its text, a zero byte (the CR of its line end, or added after the last
// line) and an LF, so a run of lines is one span of bytes.
struct TextBlock {
    TextBlock* next;   // the following block in file order
    const char* end;   // after the zero byte and LF of the block's last line
    std::size_t lines; // lines that start in the block
};

namespace {

LineStore gLines;

constexpr std::uint32_t kIconError = 0x10; // MB_ICONERROR
const char kLineEnd[] = "\r\n";

// Export writes through one buffer of this size: memory that is already
// mapped is reused for every piece instead of touching a file's size of
// fresh pages.
constexpr std::size_t kChunk = std::size_t{1} << 20;
// Import reads the file in pieces of this size straight into the blocks;
// each piece is looked at while it is still in the cache.
constexpr std::size_t kReadPiece = std::size_t{256} << 10;
// Blocks start small and double up to this size, or fit the rest of the
// file when its size is known. A line longer than a block grows its block.
constexpr std::size_t kFirstBlock = std::size_t{64} << 10;
constexpr std::size_t kBlockSize = std::size_t{8} << 20;
constexpr std::size_t kLongLineBlock = std::size_t{256} << 20;
// Room kept after a block's text for the zero byte and LF of a last line
// that has no line end.
constexpr std::size_t kSlack = 2;
constexpr std::size_t kPage = 4096;
constexpr std::size_t kArrayHeader = 2 * sizeof(std::int32_t); // one dimension
constexpr std::size_t kFirstLines = 4096;
// The element count is 32-bit, and the array's size must fit a size_t.
constexpr std::size_t kMaxLines =
    std::min<std::size_t>(0x7FFFFFFF, (~std::size_t{0} - kArrayHeader) / sizeof(char*));

char* textOf(TextBlock* block) {
    return reinterpret_cast<char*>(block + 1);
}

inline bool isSpecial(unsigned char c) {
    return c == '\r' || c == 0 || c == 0x1A;
}

#if defined(__SSE2__)
// Bit k is set when byte k of the 16 at p is a CR or a stop byte.
inline unsigned specials16(const char* p) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')),
                               _mm_cmpeq_epi8(v, _mm_set1_epi8(0x1A)));
    return unsigned(_mm_movemask_epi8(_mm_or_si128(hit, _mm_cmpeq_epi8(v, _mm_setzero_si128()))));
}

// The same for the 64 bytes at p.
inline std::uint64_t specials64(const char* p) {
    return std::uint64_t(specials16(p)) | std::uint64_t(specials16(p + 16)) << 16 |
           std::uint64_t(specials16(p + 32)) << 32 | std::uint64_t(specials16(p + 48)) << 48;
}
#endif

// The first byte at or after `from` and before `to` that is a CR or a stop
// byte (zero or 0x1A); `to` when there is none.
std::size_t findSpecial(const char* bytes, std::size_t from, std::size_t to) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
#if defined(__SSE2__)
    for (; to - from >= 16; from += 16)
        if (unsigned mask = specials16(bytes + from)) return from + unsigned(__builtin_ctz(mask));
#else
    // A word with no byte below 0x20 has none of the three; a word that has
    // one (a tab, an LF) is looked at byte by byte.
    using Word = std::uintptr_t;
    constexpr Word ones = ~Word{0} / 255, highs = ones * 0x80;
    for (; to - from >= sizeof(Word); from += sizeof(Word)) {
        Word w;
        std::memcpy(&w, p + from, sizeof w);
        if (((w - ones * 0x20) & ~w & highs) == 0) continue;
        for (std::size_t k = 0; k < sizeof(Word); ++k)
            if (isSpecial(p[from + k])) return from + k;
    }
#endif
    while (from < to && !isSpecial(p[from]))
        ++from;
    return from;
}

// Whether the byte at `at` starts a character, the line starting at `start`.
// A byte below 0x80 always ends a character (alone or as a second byte), so
// only the run of lead-range bytes just before `at` counts: they pair up as
// characters from the run's start, and an odd run takes `at` as its second
// byte.
bool startsCharacter(const char* bytes, std::size_t start, std::size_t at) {
    std::size_t k = at;
    while (k > start && rt::isLeadByte(bytes[k - 1]))
        --k;
    return ((at - k) & 1) == 0;
}

// Copies n bytes of a span of lines; each zero byte (a text's terminator)
// becomes the CR before the LF that follows it in the block.
void copyLineEnds(char* out, const char* in, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi8('\r'), zero = _mm_setzero_si128();
    for (; n - i >= 16; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        v = _mm_or_si128(v, _mm_and_si128(_mm_cmpeq_epi8(v, zero), cr));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), v);
    }
#else
    using Word = std::uintptr_t;
    constexpr Word ones = ~Word{0} / 255, lows = ones * 0x7F;
    for (; n - i >= sizeof(Word); i += sizeof(Word)) {
        Word w;
        std::memcpy(&w, in + i, sizeof w);
        // 0x80 exactly in the zero bytes, then 0x0D there.
        Word zeros = ~(((w & lows) + lows) | w | lows);
        w |= (zeros >> 7) * '\r';
        std::memcpy(out + i, &w, sizeof w);
    }
#endif
    for (; i < n; ++i)
        out[i] = in[i] ? in[i] : '\r';
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

// Writes one group file: spans of lines copied into the chunk with their
// line ends and written a chunk at a time. The file holds exactly the bytes
// write file would write for the joined group.
class GroupWriter {
  public:
    bool open(const char* name) {
        used_ = 0;
        return file_.open(name);
    }
    // Lines as they lie in a block, from the first line's text to after the
    // last one's LF.
    bool putSpan(const char* from, const char* until) {
        while (from < until) {
            if (used_ == kChunk) flush();
            std::size_t n = std::min(std::size_t(until - from), kChunk - used_);
            copyLineEnds(chunk_.data() + used_, from, n);
            used_ += n;
            from += n;
        }
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

// --- line store ------------------------------------------------------------------

LineStore& LineStore::operator=(LineStore&& o) noexcept {
    if (this != &o) {
        release();
        array_ = std::exchange(o.array_, nullptr);
        blocks_ = std::exchange(o.blocks_, nullptr);
    }
    return *this;
}

void LineStore::release() {
    rt::free(std::exchange(array_, nullptr)); // the texts are not blocks of their own
    for (TextBlock* block = std::exchange(blocks_, nullptr); block;)
        rt::free(std::exchange(block, block->next));
}

// --- line collector -------------------------------------------------------------

char* LineCollector::data() const {
    return textOf(current_);
}

char* LineCollector::room(std::size_t want, std::size_t* size) {
    if (!current_ || filled_ == size_) makeRoom();
    *size = std::min(want, size_ - filled_);
    char* at = data() + filled_;
    // Fresh pages are mapped by writing to them here: a file read into
    // unmapped pages costs half as much again (under Wine).
    for (std::size_t page = 0; page < *size; page += kPage)
        static_cast<volatile char*>(at)[page] = 0;
    return at;
}

void LineCollector::makeRoom() {
    // What is still to come: the rest of the expected size and one byte more
    // for the read that finds the end, or a block's worth when unknown.
    std::uint64_t more = kBlockSize;
    if (hinted_ && taken_ <= expected_) more = expected_ - taken_ + 1;
    if (!nextBlock_) nextBlock_ = kFirstBlock;
    const std::size_t partial = filled_ - lineStart_;
    // A long unfinished line at least doubles its room. One that fills its
    // whole block may be one line of megabytes: its block grows once to hold
    // the rest of the file (up to kLongLineBlock), so that it is not copied
    // again and again, and the old and new block are never both large.
    std::size_t grow = std::max(partial, nextBlock_);
    if (current_ && lineStart_ == 0 && hinted_ && taken_ <= expected_)
        grow = std::max(grow, kLongLineBlock);
    grow = std::size_t(std::min<std::uint64_t>(grow, more));
    const std::size_t size = partial + grow;
    if (size < partial || size > ~std::size_t{0} - sizeof(TextBlock) - kSlack) rt::outOfMemory();
    if (current_ && lineStart_ == 0) {
        // The block holds only the unfinished line: nothing points into it
        // yet, so it may move.
        void* grown = rt::reallocate(current_, sizeof(TextBlock) + size + kSlack);
        if (!grown) rt::outOfMemory();
        current_ = static_cast<TextBlock*>(grown);
        size_ = size;
        return;
    }
    auto* block = static_cast<TextBlock*>(rt::allocateUnzeroed(sizeof(TextBlock) + size + kSlack));
    if (current_) {
        std::memcpy(textOf(block), data() + lineStart_, partial);
        const std::size_t moved = lineStart_;
        retireBlock();
        filled_ -= moved;
        scanned_ -= moved;
        lineStart_ = 0;
    }
    current_ = block;
    size_ = size;
    blockFirst_ = count_;
    if (nextBlock_ < kBlockSize) nextBlock_ *= 2;
}

void LineCollector::retireBlock() {
    current_->next = nullptr;
    current_->end = data() + lineStart_;
    current_->lines = count_ - blockFirst_;
    (last_ ? last_->next : first_) = current_;
    last_ = std::exchange(current_, nullptr);
}

void LineCollector::growArray() {
    if (count_ >= kMaxLines) rt::outOfMemory(); // no array can count them
    std::size_t capacity = capacity_ ? capacity_ + capacity_ / 2 : kFirstLines;
    // Lines so far per byte so far, times the bytes expected, and a little
    // more: one move of the array instead of many, if the guess holds.
    std::size_t guess = 0;
    if (hinted_ && taken_ > 0 && expected_ > taken_) {
        double lines = double(count_) * double(expected_) / double(taken_) * 1.05 + 1024;
        if (lines < double(kMaxLines)) guess = std::size_t(lines);
    }
    void* grown = nullptr;
    if (guess > capacity) grown = rt::reallocate(array_, kArrayHeader + guess * sizeof(char*));
    if (grown) {
        capacity = guess;
    } else {
        if (capacity > kMaxLines) capacity = kMaxLines;
        grown = rt::reallocate(array_, kArrayHeader + capacity * sizeof(char*));
    }
    if (!grown) rt::outOfMemory();
    array_ = static_cast<rt::Array>(grown);
    array_->dimensions = 1;
    elements_ = rt::textElements(array_);
    capacity_ = capacity;
}

bool LineCollector::commit(std::size_t n) {
    if (ended_) return false;
    taken_ += n;
    char* d = data();
    std::size_t to = filled_ + n;
    std::size_t i = scanned_; // the bytes before i have been looked at
    // The CR or stop byte at j; false when looking stops there.
    auto visit = [&](std::size_t j) {
        if (d[j] != '\r') { // a stop byte: the text ends before it
            to = i = j;
            ended_ = true;
            return false;
        }
        if (j + 1 == to) { // whether an LF follows shows in the next piece
            i = j;
            return false;
        }
        if (d[j + 1] == '\n' && startsCharacter(d, lineStart_, j)) {
            d[j] = 0;
            addLine(d + lineStart_);
            lineStart_ = i = j + 2;
        } else {
            i = j + 1;
        }
        return true;
    };
    bool looking = true;
#if defined(__SSE2__)
    for (std::size_t base = i; looking && to - base >= 64; base += 64) {
        for (std::uint64_t mask = specials64(d + base); looking && mask; mask &= mask - 1) {
            std::size_t j = base + std::size_t(__builtin_ctzll(mask));
            if (j >= i) looking = visit(j);
        }
        if (looking) i = std::max(i, base + 64);
    }
#endif
    while (looking) {
        std::size_t j = findSpecial(d, i, to);
        if (j == to) {
            i = to;
            break;
        }
        looking = visit(j);
    }
    scanned_ = i;
    filled_ = to;
    return !ended_;
}

bool LineCollector::feed(const char* bytes, std::size_t n) {
    while (n > 0 && !ended_) {
        std::size_t size = 0;
        char* at = room(n, &size);
        std::memcpy(at, bytes, size);
        bytes += size;
        n -= size;
        commit(size);
    }
    return !ended_;
}

LineStore LineCollector::finish() {
    if (current_) {
        if (filled_ > lineStart_) { // the last line has no line end
            char* d = data();
            d[filled_] = 0;
            d[filled_ + 1] = '\n';
            addLine(d + lineStart_);
            lineStart_ = filled_ + 2;
        }
        if (count_ > blockFirst_)
            retireBlock();
        else
            rt::free(std::exchange(current_, nullptr));
    }
    rt::Array array;
    if (count_ == 0) {
        rt::free(array_);
        array = rt::newEmptyArray();
    } else {
        array_->sizes[0] = static_cast<std::int32_t>(count_);
        array = array_;
        if (capacity_ - count_ > kFirstLines)
            if (void* cut = rt::reallocate(array_, kArrayHeader + count_ * sizeof(char*)))
                array = static_cast<rt::Array>(cut);
    }
    LineStore store(array, first_);
    array_ = nullptr;
    first_ = nullptr;
    restart();
    return store;
}

void LineCollector::discard() {
    rt::free(std::exchange(array_, nullptr));
    rt::free(std::exchange(current_, nullptr));
    LineStore(nullptr, std::exchange(first_, nullptr)).release();
    restart();
}

void LineCollector::restart() {
    elements_ = nullptr;
    count_ = capacity_ = 0;
    last_ = nullptr;
    size_ = filled_ = lineStart_ = scanned_ = blockFirst_ = nextBlock_ = 0;
    expected_ = taken_ = 0;
    hinted_ = ended_ = false;
}

// --- import and export ---------------------------------------------------------

void createLines() {
    gLines = LineStore(rt::newEmptyArray(), nullptr);
}

void releaseLines() {
    gLines.release();
}

rt::Array lines() {
    return gLines.array();
}

std::int32_t lineCount() {
    return gLines.count();
}

std::int32_t importFile(const char* path) {
    // The old lines go first: nothing reads them during the import, and the
    // peak memory of a re-import stays that of one file.
    releaseLines();
    std::intptr_t file = rt::openFile(rt::orEmpty(path), rt::kOpenRead);
    LineCollector collector;
    bool readable = true;
    if (file) {
        collector.expect(rt::bytesLeft(file));
        for (;;) {
            std::size_t room = 0;
            char* at = collector.room(kReadPiece, &room);
            std::uint32_t got = 0;
            readable = rt::readBytes(file, at, static_cast<std::uint32_t>(room), &got);
            if (!readable || got == 0 || !collector.commit(got)) break;
        }
    }
    gLines = collector.finish();
    if (!readable) createLines(); // a file that cannot be read gives no lines, not some
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
    const std::size_t group = std::size_t(size >= 1 ? size : n);
    const std::size_t total = std::size_t(n);

    char* const* all = rt::textElements(gLines.array());
    const TextBlock* block = gLines.blocks();
    std::size_t blockFirst = 0; // index of the block's first line
    GroupWriter writer;
    std::int32_t number = 0;
    for (std::size_t first = 0; first < total;) {
        const std::size_t last = total - first > group ? first + group : total;
        rt::TextValue digits(decimal(++number));
        rt::TextValue name(rt::joinTexts({folder, "\\文本", digits.get(), ".txt"}));
        bool written = writer.open(name.get());
        // The group's lines, one span per block they lie in.
        for (std::size_t i = first; i < last && written;) {
            while (i >= blockFirst + block->lines) {
                blockFirst += block->lines;
                block = block->next;
            }
            const std::size_t blockEnd = blockFirst + block->lines;
            const std::size_t to = std::min(last, blockEnd);
            written = writer.putSpan(all[i], to < blockEnd ? all[to] : block->end);
            i = to;
        }
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
