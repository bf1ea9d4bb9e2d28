// The folder browser: a command library beside the runtime with one command,
// browseForFolder, which shows the shell's Browse For Folder dialog and returns
// the chosen folder's path. It reaches the runtime only through the service
// callback it is handed at process start.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace folderbrowser {

// Notify function: event 1 keeps the first value as the service callback and
// answers 0; every other event answers -1.
std::uintptr_t notify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t second);

// browseForFolder(title, include files: optional logical) -> text. The result
// is a fresh block from the runtime's allocator (request 2024), or the empty
// text (value 0) when the user cancelled or the choice has no file-system path.
void browseForFolder(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments);

// --- the growable byte buffer that holds the saved-window list -------------
// Small buffers come from a process-wide pool of 48 blocks of 512 bytes.
constexpr int kPoolBlocks = 48;
constexpr std::uint32_t kPoolBlockSize = 512;

struct SmallPool {
    std::int32_t inUse;
    std::uint8_t used[kPoolBlocks];
    alignas(8) std::uint8_t blocks[kPoolBlocks][kPoolBlockSize];
};
SmallPool& smallPool();

struct ByteBuffer {
    std::uint8_t* data; // null when empty
    std::uint32_t capacity;
    std::uint32_t size;
    SmallPool* pool;
};
static_assert(sizeof(ByteBuffer) == 2 * sizeof(void*) + 8,
              "byte buffer: data, capacity, size, pool (16 bytes on 32-bit)");

inline ByteBuffer emptyBuffer() {
    return {nullptr, 0, 0, &smallPool()};
}
// Sets the used size to n (0 frees the data); false when memory ran out, the
// buffer then unchanged.
bool bufferResize(ByteBuffer* buffer, std::uint32_t n);
// Appends n bytes copied from bytes (zeros when null); returns the offset at
// which they were placed, -1 when memory ran out. n <= 0 returns the used
// size and changes nothing.
std::int32_t bufferAppend(ByteBuffer* buffer, const void* bytes, std::int32_t n);
void bufferFree(ByteBuffer* buffer);
bool bufferInPool(const ByteBuffer* buffer);

} // namespace folderbrowser
