// Heap blocks of the runtime and the fatal reports that end the process.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rt {

// Zero-filled block of the process heap; never returns null (out of memory
// ends the process).
void* allocate(std::size_t size);
// Null block: a fresh zero-filled one. Otherwise grows or shrinks in place or
// by moving; the new tail is not zeroed. Null on failure, block unchanged.
void* reallocate(void* block, std::size_t size);
// Accepts anything: values up to 0xFFFF, constants of the program image and
// unreadable pointers are ignored.
void free(void* block);

[[noreturn]] void outOfMemory();
[[noreturn]] void internalError(int number, std::uint32_t context);

// Internal error numbers.
constexpr int kIndexAboveCount = 1;
constexpr int kIndexBelowOne = 4;
constexpr int kStackUnbalanced = 6;
constexpr int kChoiceOutOfRange = 9;
constexpr int kNegativeResize = 10;

} // namespace rt
