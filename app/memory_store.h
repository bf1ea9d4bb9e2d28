// The lines of a file small enough to hold: the runtime array of texts and
// the few large heap blocks that hold their bytes, built by a collector that
// the file is read into piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/line_scanner.h"
#include "runtime/values.h"

namespace app {

class GroupWriter;

// A heap block of line texts: this header, then the bytes. Every line in it
// is its text, a zero byte (the CR of its line end, or added after the last
// line) and an LF, so a run of lines is one span of bytes.
struct TextBlock {
    TextBlock* next;   // the following block in file order
    const char* end;   // after the zero byte and LF of the block's last line
    std::size_t lines; // lines that start in the block
};

inline char* textOf(TextBlock* block) {
    return reinterpret_cast<char*>(block + 1);
}
inline const char* textOf(const TextBlock* block) {
    return reinterpret_cast<const char*>(block + 1);
}

// Copies n bytes of a span of lines; each zero byte (a text's terminator)
// becomes the CR before the LF that follows it in the block.
void copyLineEnds(char* out, const char* in, std::size_t n);

// The lines of one import. Each text points into a block, where it is
// followed by a zero byte and an LF; the blocks are chained in file order,
// and released block by block, never text by text.
class LineStore {
  public:
    LineStore() = default;
    LineStore(rt::Array array, TextBlock* blocks) : array_(array), blocks_(blocks) {}
    LineStore(const LineStore&) = delete;
    LineStore& operator=(const LineStore&) = delete;
    LineStore(LineStore&& o) noexcept : array_(o.array_), blocks_(o.blocks_) {
        o.array_ = nullptr;
        o.blocks_ = nullptr;
    }
    LineStore& operator=(LineStore&& o) noexcept;
    ~LineStore() { release(); }

    rt::Array array() const { return array_; }
    std::int32_t count() const { return array_ ? rt::elementCount(array_) : 0; }
    const TextBlock* blocks() const { return blocks_; }
    // The bytes export writes: every line with its CR LF.
    std::uint64_t bytes() const;
    // Writes the lines in groups of `group` (at least 1), each group one
    // file, until the writer stops.
    void writeGroups(GroupWriter& writer, std::uint64_t group) const;
    // Frees the array block and every text block; the store is empty after.
    void release();

  private:
    rt::Array array_ = nullptr;
    TextBlock* blocks_ = nullptr;
};

// Splits bytes fed in pieces of any size into lines with the line scanner.
// The bytes go straight into the lines' own blocks (import reads the file
// into room() and commits what it read), where each line end's CR becomes
// the text's terminator: the text is never held twice.
class LineCollector {
  public:
    LineCollector() = default;
    LineCollector(const LineCollector&) = delete;
    LineCollector& operator=(const LineCollector&) = delete;
    ~LineCollector() { discard(); }

    // How many bytes are still to come (what is left of the file), so that
    // blocks fit the text: a guess only, more or fewer bytes may follow.
    void expect(std::uint64_t bytes) {
        expected_ = taken_ + bytes;
        hinted_ = true;
    }
    // More lines than this make commit() answer false and tooManyLines()
    // true: their array would not fit beside the text.
    void limitLines(std::size_t lines) { lineLimit_ = lines; }
    bool tooManyLines() const { return count_ > lineLimit_; }
    // Where the next bytes go: at least 1 and at most `want` bytes of room.
    char* room(std::size_t want, std::size_t* size);
    // Takes the n bytes placed at room(). False once the text has ended at a
    // stop byte (later bytes are ignored) or there are too many lines.
    bool commit(std::size_t n);
    // Copies the bytes in through room() and commit().
    bool feed(const char* bytes, std::size_t n);
    // The lines; the collector starts afresh.
    LineStore finish();
    // Frees what was collected; the collector starts afresh.
    void discard();

  private:
    void makeRoom();
    void retireBlock();
    void addLine(char* text) {
        if (count_ == capacity_) growArray();
        elements_[count_++] = text;
    }
    void growArray();
    void restart(); // everything but the array and the blocks
    char* data() const;

    LineScanner scanner_;
    rt::Array array_ = nullptr; // header filled by finish()
    char** elements_ = nullptr;
    std::size_t count_ = 0, capacity_ = 0;
    std::size_t lineLimit_ = ~std::size_t{0};
    TextBlock* first_ = nullptr; // blocks given up for new ones, in order
    TextBlock* last_ = nullptr;
    TextBlock* current_ = nullptr; // the block being filled
    std::size_t size_ = 0;         // its bytes of text room
    std::size_t filled_ = 0;       // bytes of text in it
    std::size_t lineStart_ = 0;    // where its unfinished line starts
    std::size_t blockFirst_ = 0;   // index of the block's first line
    std::size_t nextBlock_ = 0;    // size of the next fresh block
    std::uint64_t expected_ = 0;   // bytes expected in all
    std::uint64_t taken_ = 0;      // bytes committed
    bool hinted_ = false;
};

} // namespace app
