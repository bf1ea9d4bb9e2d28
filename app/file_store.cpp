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

// Reads the bytes from the start up to `end` piece by piece and hands each
// to use(bytes, n, position), which answers whether to go on. A file that
// ends early ends the reading: kRead, with *reached where it ended.
template <class Use>
Reading readPieces(std::intptr_t file, std::uint64_t end, std::uint64_t* reached, Use&& use) {
    *reached = 0;
    if (!rt::setFilePosition(file, 0)) return Reading::kUnreadable;
    Buffer buffer;
    for (std::uint64_t at = 0; at < end;) {
        const auto want = static_cast<std::uint32_t>(std::min<std::uint64_t>(kPiece, end - at));
        std::uint32_t got = 0;
        if (!rt::readBytes(file, buffer.data(), want, &got)) return Reading::kUnreadable;
        if (got == 0) break;
        if (!use(buffer.data(), std::size_t(got), at)) return Reading::kStopped;
        at += got;
        *reached = at;
    }
    return Reading::kRead;
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

Reading FileStore::import(rt::OpenFile file, bool othersWrite, std::uint64_t size,
                          Progress* progress) {
    file_ = std::move(file);
    othersWrite_ = othersWrite;
    LineScanner scanner;
    Checksum sum;
    std::uint64_t lineEnds = 0, lastLineStart = 0, end = 0;
    textEnd_ = 0;
    Reading reading = readPieces(
        file_.get(), size, &end, [&](const char* bytes, std::size_t n, std::uint64_t at) {
            std::size_t text = scanner.scan(bytes, n, [&](std::size_t next, unsigned) {
                ++lineEnds;
                lastLineStart = at + next;
            });
            sum.add(bytes, text);
            textEnd_ = at + text;
            return !scanner.ended() && keepGoing(progress, at + n, size);
        });
    if (scanner.ended()) reading = Reading::kRead; // the text ended before the file
    if (reading != Reading::kRead) return reading;
    lines_ = lineEnds + (textEnd_ > lastLineStart ? 1 : 0); // a last line without CR LF
    checksum_ = sum.value();
    return reading;
}

Reading FileStore::verify(Progress* progress, std::uint64_t total) const {
    Checksum sum;
    std::uint64_t end = 0;
    Reading reading = readPieces(file_.get(), textEnd_, &end,
                                 [&](const char* bytes, std::size_t n, std::uint64_t at) {
                                     sum.add(bytes, n);
                                     return keepGoing(progress, at + n, total);
                                 });
    if (reading == Reading::kRead && (end != textEnd_ || sum.value() != checksum_))
        return Reading::kChanged;
    return reading;
}

Reading FileStore::writeGroups(GroupWriter& writer, std::uint64_t group) const {
    LineScanner scanner;
    Checksum sum;
    std::uint64_t inGroup = 0, lastLineStart = 0, end = 0;
    Reading reading = readPieces(
        file_.get(), textEnd_, &end, [&](const char* bytes, std::size_t n, std::uint64_t at) {
            std::size_t from = 0; // the piece's bytes not yet written
            std::size_t text = scanner.scan(bytes, n, [&](std::size_t next, unsigned) {
                lastLineStart = at + next;
                if (++inGroup < group) return;
                writer.put(bytes + from, next - from);
                writer.endGroup();
                from = next;
                inGroup = 0;
            });
            writer.put(bytes + from, text - from);
            if (othersWrite_) sum.add(bytes, text);
            // A stop byte where import found none: not the bytes counted.
            return text == n && writer.going();
        });
    if (reading == Reading::kStopped && writer.going()) return Reading::kChanged;
    if (reading != Reading::kRead) return writer.going() ? reading : Reading::kRead;
    // The bytes read are checked too where others may write the file: the
    // groups must be those of the lines counted.
    if (end != textEnd_ || (othersWrite_ && sum.value() != checksum_)) return Reading::kChanged;
    if (textEnd_ > lastLineStart) writer.put("\r\n", 2); // the last line ends too
    writer.endGroup();
    return Reading::kRead;
}

} // namespace app
