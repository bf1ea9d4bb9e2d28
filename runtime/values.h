// The value model shared by all code of the system: texts, byte sets,
// runtime arrays, type tags and value blocks. Values are raw pointers to heap
// blocks (or constants of the program image, or null); ownership is by
// convention: an operation's result belongs to its caller, arguments are
// borrowed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "runtime/memory.h"

namespace rt {

// --- type tags ----------------------------------------------------------
enum TypeTag : std::uint32_t {
    kTagNone = 0,
    kTagLogical = 0x80000002u,
    kTagDateTime = 0x80000003u,
    kTagText = 0x80000004u,
    kTagByteSet = 0x80000005u,
    kTagSubroutine = 0x80000006u,
    kTagByte = 0x80000101u,
    kTagShort = 0x80000201u,
    kTagInt = 0x80000301u,
    kTagLong = 0x80000401u,
    kTagFloat = 0x80000501u,
    kTagDouble = 0x80000601u,
};
constexpr std::uint32_t kArrayFlag = 0x20000000u;

inline bool isArrayTag(std::uint32_t tag) { return (tag & kArrayFlag) != 0; }
inline std::uint32_t elementTag(std::uint32_t tag) { return tag & ~kArrayFlag; }
// Tags from 0x80000000 to 0xBFFFFFFF (array flag included) are the basic class.
inline bool isBasicClass(std::uint32_t tag) { return tag >= 0x80000000u && tag <= 0xBFFFFFFFu; }
// Bytes one element of the tag's type takes in an array or a value field
// (texts, byte sets and subroutines are pointers); 0 for tags that are not
// basic types.
std::uint32_t elementSize(std::uint32_t tag);

// --- value block ---------------------------------------------------------
// An 8-byte value field followed by the type tag; 12 bytes, 4-byte aligned,
// exactly as command arguments and results travel. A 32-bit value takes the
// low half with the high half 0.
struct ValueBlock {
    std::uint32_t low;
    std::uint32_t high;
    std::uint32_t tag;

    static ValueBlock none() { return {0, 0, kTagNone}; }
    static ValueBlock of(std::uint32_t tag, std::uint32_t value) { return {value, 0, tag}; }
    static ValueBlock ofInt(std::int32_t v) { return of(kTagInt, static_cast<std::uint32_t>(v)); }
    static ValueBlock ofLogical(bool v) { return of(kTagLogical, v ? 1u : 0u); }
    static ValueBlock ofText(const char* t) { return ofPointer(kTagText, t); }
    static ValueBlock ofPointer(std::uint32_t tag, const void* p);
    static ValueBlock ofLong(std::int64_t v);
    static ValueBlock ofDouble(double v, std::uint32_t tag = kTagDouble);
    static ValueBlock ofFloat(float v);

    bool omitted() const { return tag == kTagNone; }
    std::int32_t asInt() const { return static_cast<std::int32_t>(low); }
    std::int64_t asLong() const;
    double asDouble() const;
    float asFloat() const;
    // Pointers fill the value field from its low end (the low half on 32-bit).
    void* asPointer() const;
    const char* asText() const { return static_cast<const char*>(asPointer()); }
};
static_assert(sizeof(ValueBlock) == 12, "value block is 8 bytes of value and a 32-bit tag");
static_assert(alignof(ValueBlock) == 4, "value blocks are packed one after another");

// --- texts ---------------------------------------------------------------
// A text is a char* to a zero-terminated byte string in the ANSI code page;
// null and "" are both the empty text.
extern const char kEmptyText[1];
std::uint32_t textLength(const char* text);
// Fresh heap copy of n bytes of source, terminated.
char* newText(const char* source, std::uint32_t n);
inline char* copyText(const char* source) { return newText(source, textLength(source)); }
// Fresh text of n ASCII blanks (a Win32 output buffer with its terminator).
char* blankText(std::uint32_t n);
// Null becomes the empty-text constant, for places that need a non-null text.
inline const char* orEmpty(const char* text) { return text ? text : kEmptyText; }

// --- byte sets -----------------------------------------------------------
struct ByteSetHeader {
    std::int32_t dimensions; // always 1
    std::int32_t length;     // bytes that follow
};
static_assert(sizeof(ByteSetHeader) == 8, "byte set header is two 32-bit fields");
using ByteSet = ByteSetHeader*;

extern const ByteSetHeader kEmptyByteSet; // dimensions 1, length 0
inline std::uint8_t* byteSetData(ByteSet b) { return reinterpret_cast<std::uint8_t*>(b + 1); }
inline const std::uint8_t* byteSetData(const ByteSetHeader* b) {
    return reinterpret_cast<const std::uint8_t*>(b + 1);
}
inline std::int32_t byteSetLength(const ByteSetHeader* b) { return b ? b->length : 0; }
// Fresh byte set of n bytes copied from source (zeros when source is null);
// null for n <= 0.
ByteSet newByteSet(const void* source, std::int32_t n);

// --- runtime arrays -------------------------------------------------------
// One block: a 32-bit dimension count d, d 32-bit sizes, then the elements.
struct ArrayHeader {
    std::int32_t dimensions;
    std::int32_t sizes[1]; // d of them
};
using Array = ArrayHeader*;

// The constant empty array (the same eight bytes as the empty byte set).
extern const ArrayHeader kEmptyArray;
std::int32_t elementCount(const ArrayHeader* array);
std::uint8_t* arrayData(ArrayHeader* array);
const std::uint8_t* arrayData(const ArrayHeader* array);
// Index from 1; below 1 is internal error 4, above the count internal error 1.
void* elementAddress(ArrayHeader* array, std::int32_t index, std::uint32_t elementSize);
Array newEmptyArray();
// Fresh one-dimensional array of n zeroed elements; one larger than a size_t
// can measure is out of memory.
Array newArray(std::int32_t n, std::uint32_t elementSize);
// Replaces *array by a zeroed one-dimensional array of n elements, releasing
// the old one as an array of elementTag. Negative n is internal error 10.
void redimension(Array* array, std::int32_t n, std::uint32_t elementTag);
// Appends one element (copied from element); a constant array is first
// replaced by a heap copy. Out of memory ends the process.
void appendElement(Array* array, std::uint32_t elementSize, const void* element);
// Text and byte-set arrays free every element first; others only the block.
void releaseArray(Array array, std::uint32_t elementTag);

inline char** textElements(ArrayHeader* array) { return reinterpret_cast<char**>(arrayData(array)); }
inline char* const* textElements(const ArrayHeader* array) {
    return reinterpret_cast<char* const*>(arrayData(array));
}

// --- owners ---------------------------------------------------------------
// RAII holders with exactly the layout of the value they hold (one pointer):
// they free it once, through the runtime's free or array release.
class TextValue {
  public:
    TextValue() = default;
    explicit TextValue(char* owned) : p_(owned) {}
    TextValue(const TextValue&) = delete;
    TextValue& operator=(const TextValue&) = delete;
    TextValue(TextValue&& o) noexcept : p_(o.release()) {}
    TextValue& operator=(TextValue&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~TextValue() { rt::free(p_); }

    const char* get() const { return p_; }
    const char* c_str() const { return orEmpty(p_); }
    std::uint32_t length() const { return textLength(p_); }
    bool empty() const { return length() == 0; }
    char* release() { return std::exchange(p_, nullptr); }
    void reset(char* owned = nullptr) {
        if (owned != p_) rt::free(std::exchange(p_, owned));
    }

  private:
    char* p_ = nullptr;
};
static_assert(sizeof(TextValue) == sizeof(char*), "a text owner is one pointer");

class ByteSetValue {
  public:
    ByteSetValue() = default;
    explicit ByteSetValue(ByteSet owned) : p_(owned) {}
    ByteSetValue(const ByteSetValue&) = delete;
    ByteSetValue& operator=(const ByteSetValue&) = delete;
    ByteSetValue(ByteSetValue&& o) noexcept : p_(o.release()) {}
    ByteSetValue& operator=(ByteSetValue&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~ByteSetValue() { rt::free(p_); }

    ByteSet get() const { return p_; }
    std::int32_t length() const { return byteSetLength(p_); }
    const std::uint8_t* data() const { return p_ ? byteSetData(p_) : nullptr; }
    ByteSet release() { return std::exchange(p_, nullptr); }
    void reset(ByteSet owned = nullptr) {
        if (owned != p_) rt::free(std::exchange(p_, owned));
    }

  private:
    ByteSet p_ = nullptr;
};
static_assert(sizeof(ByteSetValue) == sizeof(void*), "a byte set owner is one pointer");

// An array of texts, owned with its elements.
class TextArray {
  public:
    TextArray() = default;
    explicit TextArray(Array owned) : p_(owned) {}
    TextArray(const TextArray&) = delete;
    TextArray& operator=(const TextArray&) = delete;
    TextArray(TextArray&& o) noexcept : p_(o.release()) {}
    TextArray& operator=(TextArray&& o) noexcept {
        reset(o.release());
        return *this;
    }
    ~TextArray() { reset(); }

    Array get() const { return p_; }
    Array* address() { return &p_; }
    std::int32_t count() const { return p_ ? elementCount(p_) : 0; }
    // Index from 1, checked.
    const char* at(std::int32_t index) const {
        return *static_cast<char**>(elementAddress(p_, index, sizeof(char*)));
    }
    Array release() { return std::exchange(p_, nullptr); }
    void reset(Array owned = nullptr) {
        if (owned != p_) releaseArray(std::exchange(p_, owned), kTagText);
    }

  private:
    Array p_ = nullptr;
};
static_assert(sizeof(TextArray) == sizeof(void*), "an array owner is one pointer");

// --- growable buffer -------------------------------------------------------
// Collects the pointers of a new array. Small buffers come from a
// process-wide pool of 96 blocks of 512 bytes, larger ones from the heap.
struct BlockPool {
    std::int32_t inUse;
    std::uint8_t flags[96];
    std::uint8_t blocks[96][512];
};
static_assert(sizeof(BlockPool) == 4 + 96 + 96 * 512, "pool: count, 96 flags, 96 blocks");
BlockPool& blockPool();

struct GrowBuffer {
    BlockPool* pool;
    std::uint8_t* data;
    std::uint32_t capacity;
    std::uint32_t size;
};
static_assert(sizeof(GrowBuffer) == 2 * sizeof(void*) + 8,
              "growable buffer: pool, data, capacity, size (16 bytes on 32-bit)");

void growInit(GrowBuffer* buffer);
// Sets the used size to n (0 releases the data); false when memory ran out,
// the buffer then unchanged.
bool growResize(GrowBuffer* buffer, std::uint32_t n);
// Appends n bytes copied from bytes (zeros when null) and answers the offset
// at which they were placed, -1 when memory ran out (the buffer then
// unchanged); n <= 0 answers the used size and changes nothing.
std::int32_t growAppend(GrowBuffer* buffer, const void* bytes, std::int32_t n);
bool growAppendPointer(GrowBuffer* buffer, const void* pointer);
void growRelease(GrowBuffer* buffer);
bool growInPool(const GrowBuffer* buffer);

// A growable array of plain values that lives as long as its owner, in a
// growable buffer of the heap (never a pool block). Out of memory ends the
// process, as every allocation of the runtime does.
template <class T> class GrowArray {
  public:
    GrowArray() = default;
    GrowArray(const GrowArray&) = delete;
    GrowArray& operator=(const GrowArray&) = delete;
    GrowArray(GrowArray&& o) noexcept : buffer_(std::exchange(o.buffer_, GrowBuffer{})) {}
    GrowArray& operator=(GrowArray&& o) noexcept {
        if (this != &o) {
            growRelease(&buffer_);
            buffer_ = std::exchange(o.buffer_, GrowBuffer{});
        }
        return *this;
    }
    ~GrowArray() { growRelease(&buffer_); }

    void push(const T& value) { append(&value, 1); }
    void append(const T* values, std::size_t n) {
        if (n == 0) return;
        if (n > 0x7FFFFFFFu / sizeof(T) ||
            growAppend(&buffer_, values, static_cast<std::int32_t>(n * sizeof(T))) < 0)
            outOfMemory();
    }
    // Keeps the first n values (the room stays).
    void truncate(std::size_t n) {
        if (n < size()) buffer_.size = static_cast<std::uint32_t>(n * sizeof(T));
    }
    // Drops the last value (the room stays).
    void pop() {
        if (buffer_.size >= sizeof(T)) buffer_.size -= sizeof(T);
    }
    std::size_t size() const { return buffer_.size / sizeof(T); }
    bool empty() const { return buffer_.size == 0; }
    T& operator[](std::size_t i) { return data()[i]; }
    const T& operator[](std::size_t i) const { return data()[i]; }
    T* data() { return reinterpret_cast<T*>(buffer_.data); }
    const T* data() const { return reinterpret_cast<const T*>(buffer_.data); }
    void clear() { growRelease(&buffer_); }

  private:
    GrowBuffer buffer_{nullptr, nullptr, 0, 0};
};

} // namespace rt
