// The lines of a file too large to hold: import reads the file once,
// indexing its lines and taking a checksum of every piece; export reads the
// same pieces again and writes the files straight from them. The file stays
// open from import until the next import or the end of the program,
// refusing other writers where it can, and export compares every piece with
// its checksum before it writes from it, so that bytes changed all the same
// (another program that writes the file, a path that ignores sharing) are
// never written.
#pragma once

#include <cstdint>

#include "app/line_index.h"
#include "app/progress.h"
#include "app/text_pieces.h"
#include "runtime/files.h"
#include "runtime/memory.h"
#include "runtime/values.h"

namespace app {

class FileStore {
  public:
    FileStore() = default;
    FileStore(FileStore&&) = default;
    FileStore& operator=(FileStore&&) = default;

    // Indexes the lines of the first `size` bytes of the file (fewer where
    // it ends before them or at a stop byte) and keeps the file.
    Reading import(rt::OpenFile file, std::uint64_t size, LineEnds rule, Progress* progress);
    const LineIndex& index() const { return index_; }

    // The text for export, piece by piece as import read it: kChanged at
    // the first piece whose bytes are not those imported.
    class Pieces final : public TextPieces {
      public:
        explicit Pieces(const FileStore& store);
        bool keepable(std::size_t keep) const override;
        Reading next(std::size_t keep, Piece* piece) override;
        void rewind(std::uint64_t offset) override;

      private:
        const FileStore& store_;
        rt::HeapBlock buffer_;
        std::size_t size_ = 0;   // of the piece before
        std::uint64_t next_ = 0; // where the next piece starts
        std::size_t piece_ = 0;  // its number
        bool seek_ = true;       // the file is not at next_
    };

  private:
    rt::OpenFile file_;
    LineIndex index_;
    rt::GrowArray<std::uint64_t> sums_; // of every piece of the text
};

} // namespace app
