#include "app/memory_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/group_writer.h"

namespace app {

namespace {

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

} // namespace

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

std::uint64_t LineStore::bytes() const {
    std::uint64_t n = 0;
    for (const TextBlock* block = blocks_; block; block = block->next)
        n += std::uint64_t(block->end - textOf(block));
    return n;
}

void LineStore::writeGroups(GroupWriter& writer, std::uint64_t group) const {
    const std::size_t total = std::size_t(count());
    char* const* all = rt::textElements(array_);
    const TextBlock* block = blocks_;
    std::size_t blockFirst = 0; // index of the block's first line
    for (std::size_t first = 0; first < total && writer.going();) {
        const std::size_t last = total - first > group ? first + std::size_t(group) : total;
        // The group's lines, one span per block they lie in.
        for (std::size_t i = first; i < last && writer.going();) {
            while (i >= blockFirst + block->lines) {
                blockFirst += block->lines;
                block = block->next;
            }
            const std::size_t blockEnd = blockFirst + block->lines;
            const std::size_t to = std::min(last, blockEnd);
            writer.putLines(all[i], to < blockEnd ? all[to] : block->end);
            i = to;
        }
        writer.endGroup();
        first = last;
    }
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
        if (lines > double(lineLimit_) + 1) lines = double(lineLimit_) + 1;
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
    if (scanner_.ended() || tooManyLines()) return false;
    taken_ += n;
    char* d = data();
    const std::size_t base = filled_;
    // A line end's CR becomes its text's terminator; it may be the last
    // byte committed before (next == 1).
    filled_ = base + scanner_.scan(d + base, n, [&](std::size_t next, unsigned) {
        const std::size_t at = base + next - 2;
        d[at] = 0;
        addLine(d + lineStart_);
        lineStart_ = at + 2;
    });
    return !scanner_.ended() && !tooManyLines();
}

bool LineCollector::feed(const char* bytes, std::size_t n) {
    while (n > 0 && !scanner_.ended()) {
        std::size_t size = 0;
        char* at = room(n, &size);
        std::memcpy(at, bytes, size);
        bytes += size;
        n -= size;
        if (!commit(size)) break;
    }
    return !scanner_.ended() && !tooManyLines();
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
    scanner_.reset();
    elements_ = nullptr;
    count_ = capacity_ = 0;
    last_ = nullptr;
    size_ = filled_ = lineStart_ = blockFirst_ = nextBlock_ = 0;
    expected_ = taken_ = 0;
    hinted_ = false;
}

} // namespace app
