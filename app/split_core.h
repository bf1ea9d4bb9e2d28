// The splitting core: import a text file as the line array, export the lines
// in numbered groups. No user interface here: the dialog supplies the path,
// the folder and the count text, and shows the texts made here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/text.h"
#include "runtime/values.h"

namespace app {

struct TextBlock;

// The lines of one import: the runtime array of texts and the few large
// heap blocks that hold their bytes. Each text points into a block, where
// it is followed by a zero byte and an LF; the blocks are chained in file
// order, and released block by block, never text by text.
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
    // Frees the array block and every text block; the store is empty after.
    void release();

  private:
    rt::Array array_ = nullptr;
    TextBlock* blocks_ = nullptr;
};

// The application's line array (one dimension of texts). Only import fills
// it and only export reads it, through the layout above.
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
// or 0x1A. The bytes go straight into the lines' own blocks (import reads
// the file into room() and commits what it read), where each line end's CR
// becomes the text's terminator: the text is never held twice.
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
    // Where the next bytes go: at least 1 and at most `want` bytes of room.
    char* room(std::size_t want, std::size_t* size);
    // Takes the n bytes placed at room(). False once the text has ended at a
    // stop byte; later bytes are ignored.
    bool commit(std::size_t n);
    // Copies the bytes in through room() and commit().
    bool feed(const char* bytes, std::size_t n);
    // The lines; the collector starts afresh.
    LineStore finish();

  private:
    void makeRoom();
    void retireBlock();
    void addLine(char* text) {
        if (count_ == capacity_) growArray();
        elements_[count_++] = text;
    }
    void growArray();
    void discard();
    void restart(); // everything but the array and the blocks
    char* data() const;

    rt::Array array_ = nullptr; // header filled by finish()
    char** elements_ = nullptr;
    std::size_t count_ = 0, capacity_ = 0;
    TextBlock* first_ = nullptr; // blocks given up for new ones, in order
    TextBlock* last_ = nullptr;
    TextBlock* current_ = nullptr; // the block being filled
    std::size_t size_ = 0;         // its bytes of text room
    std::size_t filled_ = 0;       // bytes of text in it
    std::size_t lineStart_ = 0;    // where its unfinished line starts
    std::size_t scanned_ = 0;      // bytes looked at for line ends
    std::size_t blockFirst_ = 0;   // index of the block's first line
    std::size_t nextBlock_ = 0;    // size of the next fresh block
    std::uint64_t expected_ = 0;   // bytes expected in all
    std::uint64_t taken_ = 0;      // bytes committed
    bool hinted_ = false;
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
