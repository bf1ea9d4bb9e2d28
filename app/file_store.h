// The lines of a file too large to hold: import reads the file once with the
// line scanner, counting its lines and remembering where its text ends;
// export reads the same bytes again and writes the groups from them. The
// file stays open from import until the next import or the end of the
// program, refusing other writers, so that export finds the bytes import
// counted. Where that cannot be had (another program is writing the file),
// export first reads the bytes once more and compares their checksum.
#pragma once

#include <cstdint>

#include "app/progress.h"
#include "runtime/files.h"

namespace app {

class GroupWriter;

// How reading the file went.
enum class Reading { kRead, kStopped, kUnreadable, kChanged };

class FileStore {
  public:
    FileStore() = default;
    FileStore(FileStore&&) = default;
    FileStore& operator=(FileStore&&) = default;

    // Counts the lines of the first `size` bytes of the file (fewer when it
    // ends before them or at a stop byte) and keeps the file. othersWrite:
    // the file could only be had with others writing it.
    Reading import(rt::OpenFile file, bool othersWrite, std::uint64_t size, Progress* progress);
    std::uint64_t count() const { return lines_; }
    // The bytes of the text: where it ends.
    std::uint64_t textBytes() const { return textEnd_; }
    // Whether export must first make sure that the bytes are unchanged.
    bool othersWrite() const { return othersWrite_; }

    // Reads the text again: kChanged unless its bytes are those counted.
    // The progress goes from 0 to textBytes() of `total`.
    Reading verify(Progress* progress, std::uint64_t total) const;
    // Writes the lines in groups of `group` (at least 1), each group one
    // file, until the writer stops.
    Reading writeGroups(GroupWriter& writer, std::uint64_t group) const;

  private:
    rt::OpenFile file_;
    std::uint64_t lines_ = 0;
    std::uint64_t textEnd_ = 0;
    std::uint64_t checksum_ = 0;
    bool othersWrite_ = false;
};

// A checksum of bytes fed in pieces of any size: the same bytes give the
// same value however they are cut, and a changed byte a different one.
class Checksum {
  public:
    void add(const char* bytes, std::size_t n);
    std::uint64_t value() const;

  private:
    void mix(std::uint64_t word);

    std::uint64_t state_ = 0x243F6A8885A308D3u;
    std::uint64_t length_ = 0;
    unsigned char tail_[8] = {};
    unsigned tailSize_ = 0;
};

} // namespace app
