// The cap on the platform layer's heap (a test seam, set by setHeapLimit):
// bytes handed out since it was set, less those given back. Each platform's
// heap asks it before handing out a block and tells it the sizes it really
// handed out and took back; without a cap nothing is counted.
#pragma once

#include <cstddef>

namespace platform {

class HeapCap {
  public:
    void set(std::size_t bytes) {
        limit_ = bytes;
        inUse_ = 0;
    }
    bool on() const { return limit_ != 0; }
    // Whether a block of `size` bytes may take the place of one of `old`.
    bool allows(std::size_t size, std::size_t old = 0) const {
        if (!on()) return true;
        const std::size_t base = inUse_ > old ? inUse_ - old : 0;
        return size <= limit_ && base <= limit_ - size;
    }
    // A block of `size` bytes took the place of one of `old` (0: none).
    void replaced(std::size_t old, std::size_t size) {
        inUse_ = (inUse_ > old ? inUse_ - old : 0) + size;
    }
    // Bytes that still fit under the cap.
    std::size_t room() const {
        if (!on()) return ~std::size_t{0};
        return inUse_ < limit_ ? limit_ - inUse_ : 0;
    }

  private:
    std::size_t limit_ = 0;
    std::size_t inUse_ = 0;
};

} // namespace platform
