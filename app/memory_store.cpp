#include "app/memory_store.h"

#include <algorithm>
#include <utility>

#include "runtime/files.h"
#include "runtime/platform.h"

namespace app {

namespace {

// Blocks of this size (the last one the size of what is left) hold the
// text: a few for the largest file held, none moved or copied once read.
std::uint64_t gBlock = std::uint64_t{64} << 20;
// The file is read in pieces of this size straight into the blocks, each
// scanned while it is still in the cache.
constexpr std::size_t kReadPiece = std::size_t{256} << 10;

} // namespace

void setMemoryBlock(std::uint64_t bytes) {
    gBlock = bytes;
}

MemoryStore::MemoryStore(MemoryStore&& o) noexcept
    : blocks_(std::move(o.blocks_)), index_(std::move(o.index_)) {}

MemoryStore& MemoryStore::operator=(MemoryStore&& o) noexcept {
    if (this != &o) {
        release();
        blocks_ = std::move(o.blocks_);
        index_ = std::move(o.index_);
    }
    return *this;
}

void MemoryStore::release() {
    for (std::size_t i = 0; i < blocks_.size(); ++i)
        rt::free(blocks_[i]);
    blocks_.clear();
    index_ = LineIndex();
}

char* MemoryStore::blockAt(std::uint64_t offset) const {
    return blocks_[std::size_t(offset / gBlock)];
}

Reading MemoryStore::import(std::intptr_t file, std::uint64_t size, LineEnds rule,
                            Progress* progress) {
    release();
    IndexBuilder builder(rule);
    Reading reading = Reading::kRead;
    for (std::uint64_t at = 0; at < size && !builder.ended();) {
        const std::uint64_t inBlock = at % gBlock;
        if (inBlock == 0) {
            const auto bytes = std::size_t(std::min(gBlock, size - at));
            blocks_.push(static_cast<char*>(rt::allocateUnzeroed(bytes)));
        }
        const std::uint64_t blockEnd = std::min(at - inBlock + gBlock, size);
        char* into = blockAt(at) + inBlock;
        const auto room = std::size_t(std::min<std::uint64_t>(kReadPiece, blockEnd - at));
        platform::prepareForRead(into, room);
        std::uint32_t got = 0;
        if (!rt::readBytes(file, into, static_cast<std::uint32_t>(room), &got)) {
            reading = Reading::kUnreadable;
            break;
        }
        if (got == 0) break; // the file is shorter than it was
        builder.add(into, got);
        at += got;
        if (!keepGoing(progress, at, size)) {
            reading = Reading::kStopped;
            break;
        }
    }
    if (reading != Reading::kRead) {
        release();
        return reading;
    }
    index_ = builder.finish();
    // The blocks beyond the text's end go; the last one keeps only its text.
    const std::uint64_t end = index_.textEnd();
    const std::size_t used = end == 0 ? 0 : std::size_t((end - 1) / gBlock + 1);
    while (blocks_.size() > used) {
        rt::free(blocks_[blocks_.size() - 1]);
        blocks_.pop();
    }
    if (used > 0) {
        const auto tail = std::size_t(end - (used - 1) * gBlock);
        if (void* cut = rt::reallocate(blocks_[used - 1], tail))
            blocks_[used - 1] = static_cast<char*>(cut);
    }
    return reading;
}

// --- pieces ------------------------------------------------------------------------------

bool MemoryStore::Pieces::keepable(std::size_t keep) const {
    // Kept bytes stay where they are; they are contiguous with what follows
    // unless a block ends between them.
    return keep <= end_ && end_ % gBlock != 0;
}

Reading MemoryStore::Pieces::next(std::size_t keep, Piece* piece) {
    const std::uint64_t textEnd = store_.index_.textEnd();
    const std::uint64_t at = end_ - keep;
    const std::uint64_t blockEnd = std::min(at - at % gBlock + gBlock, textEnd);
    const std::uint64_t end = std::min<std::uint64_t>(blockEnd, end_ + kPieceSize);
    *piece = {at < textEnd ? store_.blockAt(at) + at % gBlock : nullptr, std::size_t(end - at), at,
              end == textEnd};
    end_ = end;
    return Reading::kRead;
}

} // namespace app
