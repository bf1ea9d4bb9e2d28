#include "app/file_store.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "app/group_writer.h"
#include "app/line_scanner.h"

namespace app {

namespace {

// The file is read in pieces of this size into one buffer: memory stays
// that of the buffer, whatever the file's size, and a piece takes a tenth
// of a second even from a drive of 10 MB/s, so the window never waits long.
constexpr std::size_t kPiece = std::size_t{1} << 20;

class Buffer {
  public:
    Buffer() : data_(static_cast<char*>(rt::allocateUnzeroed(kPiece))) {}
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { rt::free(data_); }
    char* data() const { return data_; }

  private:
    char* data_;
};

// Reads into the buffer what the file holds of the next `want` bytes:
// fewer only where the file ends.
bool readPiece(std::intptr_t file, char* buffer, std::uint32_t want, std::uint32_t* got) {
    *got = 0;
    while (*got < want) {
        std::uint32_t n = 0;
        if (!rt::readBytes(file, buffer + *got, want - *got, &n)) return false;
        if (n == 0) break;
        *got += n;
    }
    return true;
}

// Reads the bytes from the start up to `end` in pieces of kPiece (the last
// one shorter), so that import and export see the same pieces, and hands
// each to use(bytes, n, position), which answers whether to go on. A file
// that ends early ends the reading: kRead, with *reached where it ended.
template <class Use>
Reading readPieces(std::intptr_t file, std::uint64_t end, std::uint64_t* reached, Use&& use) {
    *reached = 0;
    if (!rt::setFilePosition(file, 0)) return Reading::kUnreadable;
    Buffer buffer;
    for (std::uint64_t at = 0; at < end;) {
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPiece, end - at));
        std::uint32_t got = 0;
        if (!readPiece(file, buffer.data(), want, &got)) return Reading::kUnreadable;
        if (got == 0) break;
        if (!use(buffer.data(), std::size_t(got), at)) return Reading::kStopped;
        at += got;
        *reached = at;
        if (got < want) break;
    }
    return Reading::kRead;
}

std::uint64_t sumOf(const char* bytes, std::size_t n) {
    Checksum sum;
    sum.add(bytes, n);
    return sum.value();
}

} // namespace

// --- checksum ---------------------------------------------------------------------

void Checksum::mix(std::uint64_t word) {
    state_ ^= word * 0x9E3779B97F4A7C15u;
    state_ = (state_ << 31 | state_ >> 33) * 0xC2B2AE3D27D4EB4Fu;
}

void Checksum::add(const char* bytes, std::size_t n) {
    length_ += n;
    while (n > 0 && tailSize_ > 0 && tailSize_ < 8) {
        tail_[tailSize_++] = static_cast<unsigned char>(*bytes++);
        --n;
    }
    if (tailSize_ == 8) {
        std::uint64_t word;
        std::memcpy(&word, tail_, 8);
        mix(word);
        tailSize_ = 0;
    }
    for (; n >= 8; n -= 8, bytes += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes, 8);
        mix(word);
    }
    std::memcpy(tail_ + tailSize_, bytes, n);
    tailSize_ += unsigned(n);
}

std::uint64_t Checksum::value() const {
    Checksum last = *this;
    std::uint64_t word = 0;
    std::memcpy(&word, tail_, tailSize_);
    last.mix(word);
    last.mix(length_);
    return last.state_ ^ last.state_ >> 29;
}

// --- file store ---------------------------------------------------------------------

Reading FileStore::import(rt::OpenFile file, std::uint64_t size, Progress* progress) {
    file_ = std::move(file);
    LineScanner scanner;
    std::uint64_t lineEnds = 0, lastLineStart = 0, end = 0;
    textEnd_ = 0;
    sums_.clear();
    Reading reading = readPieces(
        file_.get(), size, &end, [&](const char* bytes, std::size_t n, std::uint64_t at) {
            std::size_t text = scanner.scan(bytes, n, [&](std::ptrdiff_t cr) {
                ++lineEnds;
                lastLineStart = at + std::uint64_t(cr + 2);
            });
            sums_.push(sumOf(bytes, text));
            textEnd_ = at + text;
            return !scanner.ended() && keepGoing(progress, at + n, size);
        });
    if (scanner.ended()) reading = Reading::kRead; // the text ended before the file
    if (reading != Reading::kRead) return reading;
    lines_ = lineEnds + (textEnd_ > lastLineStart ? 1 : 0); // a last line without CR LF
    return reading;
}

Reading FileStore::writeGroups(GroupWriter& writer, std::uint64_t group) const {
    LineScanner scanner;
    std::uint64_t inGroup = 0, lastLineStart = 0, end = 0;
    std::size_t piece = 0;
    bool changed = false;
    Reading reading = readPieces(
        file_.get(), textEnd_, &end, [&](const char* bytes, std::size_t n, std::uint64_t at) {
            // Nothing is written from a piece that differs from the one
            // imported: its lines may not be those counted.
            if (piece == sums_.size() || sumOf(bytes, n) != sums_[piece++]) {
                changed = true;
                return false;
            }
            std::size_t from = 0; // the piece's bytes not yet written
            std::size_t text = scanner.scan(bytes, n, [&](std::ptrdiff_t cr) {
                lastLineStart = at + std::uint64_t(cr + 2);
                if (++inGroup < group) return;
                const auto until = std::size_t(cr + 2);
                writer.put(bytes + from, until - from);
                writer.endGroup();
                from = until;
                inGroup = 0;
            });
            writer.put(bytes + from, text - from);
            return text == n && writer.going();
        });
    if (changed) return Reading::kChanged;
    // A stop byte where import found none: not the bytes counted. Otherwise
    // the writer stopped, and says why.
    if (reading == Reading::kStopped) return writer.going() ? Reading::kChanged : Reading::kRead;
    if (reading != Reading::kRead) return writer.going() ? reading : Reading::kRead;
    if (end != textEnd_) return Reading::kChanged;       // the file is shorter now
    if (textEnd_ > lastLineStart) writer.put("\r\n", 2); // the last line ends too
    writer.endGroup();
    return Reading::kRead;
}

} // namespace app
