// The lines of a file too large to hold: import reads the file once with the
// line scanner, counting its lines, remembering where its text ends and
// taking a checksum of every piece; export reads the same bytes again and
// writes the groups from them. The file stays open from import until the
// next import or the end of the program, refusing other writers where it
// can, so that export finds the bytes import counted; and export compares
// every piece with its checksum before it writes from it, so that bytes
// changed all the same (another program that writes the file, a path that
// ignores sharing) are never written.
#pragma once

#include <cstdint>

#include "app/progress.h"
#include "runtime/files.h"
#include "runtime/values.h"

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
    // ends before them or at a stop byte) and keeps the file.
    Reading import(rt::OpenFile file, std::uint64_t size, Progress* progress);
    std::uint64_t count() const { return lines_; }
    // The bytes of the text: where it ends.
    std::uint64_t textBytes() const { return textEnd_; }

    // Writes the lines in groups of `group` (at least 1), each group one
    // file, until the writer stops; kChanged (the writer stopped) at the
    // first piece whose bytes are not those imported.
    Reading writeGroups(GroupWriter& writer, std::uint64_t group) const;

  private:
    rt::OpenFile file_;
    std::uint64_t lines_ = 0;
    std::uint64_t textEnd_ = 0;
    rt::GrowArray<std::uint64_t> sums_; // of every piece of the text
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
