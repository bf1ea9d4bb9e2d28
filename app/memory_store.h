// The lines of a file small enough to hold: the file's bytes as it holds
// them, in a few large heap blocks, and the index of its lines. Nothing is
// held per line and no byte is rewritten: export writes straight from the
// blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/line_index.h"
#include "app/progress.h"
#include "app/text_pieces.h"
#include "runtime/values.h"

namespace app {

// Test seam: the size of the blocks (the last one of a text is the size of
// what is left).
void setMemoryBlock(std::uint64_t bytes);

class MemoryStore {
  public:
    MemoryStore() = default;
    MemoryStore(const MemoryStore&) = delete;
    MemoryStore& operator=(const MemoryStore&) = delete;
    MemoryStore(MemoryStore&& o) noexcept;
    MemoryStore& operator=(MemoryStore&& o) noexcept;
    ~MemoryStore() { release(); }

    // Reads the first `size` bytes of the file (fewer where it ends before
    // them or at a stop byte) and indexes their lines. On anything but
    // kRead the store is empty.
    Reading import(std::intptr_t file, std::uint64_t size, LineEnds rule, Progress* progress);
    const LineIndex& index() const { return index_; }

    // The text for export, in pieces of at most a megabyte.
    class Pieces final : public TextPieces {
      public:
        explicit Pieces(const MemoryStore& store) : store_(store) {}
        bool keepable(std::size_t keep) const override;
        Reading next(std::size_t keep, Piece* piece) override;
        void rewind(std::uint64_t offset) override { end_ = offset; }

      private:
        const MemoryStore& store_;
        std::uint64_t end_ = 0; // of the piece before
    };

  private:
    void release();
    char* blockAt(std::uint64_t offset) const;

    rt::GrowArray<char*> blocks_; // each a block's size of the text but the last
    LineIndex index_;
};

} // namespace app
