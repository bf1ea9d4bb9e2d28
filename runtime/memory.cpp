#include "runtime/memory.h"

#include <cstdio>
#include <utility>

#include "runtime/platform.h"
#include "runtime/process.h"

namespace rt {

namespace {
constexpr std::uint32_t kMessageBoxIconError = 0x10;
void* gReserve;
} // namespace

void* allocate(std::size_t size) {
    void* block = platform::heapAlloc(size, true);
    if (!block) outOfMemory();
    return block;
}

void* allocateUnzeroed(std::size_t size) {
    void* block = platform::heapAlloc(size, false);
    if (!block) outOfMemory();
    return block;
}

void* reallocate(void* block, std::size_t size) {
    if (!block) return platform::heapAlloc(size, true);
    return platform::heapRealloc(block, size);
}

void free(void* block) {
    auto address = reinterpret_cast<std::uintptr_t>(block);
    if (address <= 0xFFFF) return;
    const std::uint8_t* first = nullptr;
    const std::uint8_t* last = nullptr;
    platform::imageRange(&first, &last);
    auto p = static_cast<const std::uint8_t*>(block);
    if (p >= first && p <= last) return; // a constant of the program
    if (!platform::isReadable(block, 8)) return;
    platform::heapFree(block);
}

void holdMemoryReserve() {
    // Never touched, so it costs address space but no working set.
    if (!gReserve) gReserve = platform::heapAlloc(kMemoryReserve, false);
}

void outOfMemory() {
    if (gReserve) platform::heapFree(std::exchange(gReserve, nullptr));
    platform::messageBox(nullptr, "内存不足", "error", kMessageBoxIconError);
    endProcess(0);
}

void internalError(int number, std::uint32_t context) {
    char message[256];
    std::snprintf(message, sizeof message, "program internal error number is %d. (0x%Xh)", number,
                  context);
    platform::messageBox(nullptr, message, "error", kMessageBoxIconError);
    endProcess(0);
}

} // namespace rt
