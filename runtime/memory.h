// Heap blocks of the runtime and the fatal reports that end the process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

// Zero-filled block of the process heap; never returns null (out of memory
// ends the process).
void* allocate(std::size_t size);
// A block the caller fills at once, not zeroed first (for large buffers,
// whose zeroing would touch every page before the caller does). Never null.
void* allocateUnzeroed(std::size_t size);
// Null block: a fresh zero-filled one. Otherwise grows or shrinks in place or
// by moving; the new tail is not zeroed. Null on failure, block unchanged.
void* reallocate(void* block, std::size_t size);
// Accepts anything: values up to 0xFFFF, constants of the program image and
// unreadable pointers are ignored.
void free(void* block);

// Sets aside a block that out of memory gives back before it shows its box:
// the box needs memory of its own, also when the heap or the address space
// has run out. Start-up calls it once; later calls keep the one reserve.
void holdMemoryReserve();
constexpr std::size_t kMemoryReserve = std::size_t{16} << 20;

// Owns a block of the heap, not zeroed (a buffer the owner fills): freed
// once, when the owner goes.
class HeapBlock {
  public:
    HeapBlock() = default;
    explicit HeapBlock(std::size_t size)
        : data_(static_cast<char*>(allocateUnzeroed(size))), size_(size) {}
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    HeapBlock(HeapBlock&& o) noexcept : data_(o.data_), size_(o.size_) {
        o.data_ = nullptr;
        o.size_ = 0;
    }
    HeapBlock& operator=(HeapBlock&& o) noexcept {
        if (this != &o) {
            free(data_);
            data_ = o.data_;
            size_ = o.size_;
            o.data_ = nullptr;
            o.size_ = 0;
        }
        return *this;
    }
    ~HeapBlock() { free(data_); }

    char* data() const { return data_; }
    std::size_t size() const { return size_; }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

[[noreturn]] void outOfMemory();
[[noreturn]] void internalError(int number, std::uint32_t context);

// Internal error numbers.
constexpr int kIndexAboveCount = 1;
constexpr int kIndexBelowOne = 4;
constexpr int kStackUnbalanced = 6;
constexpr int kChoiceOutOfRange = 9;
constexpr int kNegativeResize = 10;

} // namespace rt
