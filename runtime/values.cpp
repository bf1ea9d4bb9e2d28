#include "runtime/values.h"

#include <cstring>

#include "runtime/platform.h"

namespace rt {

const char kEmptyText[1] = {0};
const ByteSetHeader kEmptyByteSet = {1, 0};
const ArrayHeader kEmptyArray = {1, {0}};
static_assert(sizeof(ArrayHeader) == sizeof(ByteSetHeader),
              "the empty array is the same eight bytes as the empty byte set");

std::uint32_t elementSize(std::uint32_t tag) {
    switch (elementTag(tag)) {
    case kTagByte: return 1;
    case kTagShort: return 2;
    case kTagText:
    case kTagByteSet:
    case kTagSubroutine: return sizeof(void*);
    case kTagLogical:
    case kTagInt:
    case kTagFloat: return 4;
    case kTagDateTime:
    case kTagLong:
    case kTagDouble: return 8;
    default: return 0;
    }
}

ValueBlock ValueBlock::ofPointer(std::uint32_t tag, const void* p) {
    ValueBlock b{0, 0, tag};
    std::memcpy(&b, &p, sizeof p);
    return b;
}

void* ValueBlock::asPointer() const {
    void* p;
    std::memcpy(&p, this, sizeof p);
    return p;
}

ValueBlock ValueBlock::ofLong(std::int64_t v) {
    ValueBlock b{0, 0, kTagLong};
    std::memcpy(&b, &v, 8);
    return b;
}

ValueBlock ValueBlock::ofDouble(double v, std::uint32_t tag) {
    ValueBlock b{0, 0, tag};
    std::memcpy(&b, &v, 8);
    return b;
}

ValueBlock ValueBlock::ofFloat(float v) {
    ValueBlock b{0, 0, kTagFloat};
    std::memcpy(&b, &v, 4);
    return b;
}

std::int64_t ValueBlock::asLong() const {
    std::int64_t v;
    std::memcpy(&v, this, 8);
    return v;
}

double ValueBlock::asDouble() const {
    double v;
    std::memcpy(&v, this, 8);
    return v;
}

float ValueBlock::asFloat() const {
    float v;
    std::memcpy(&v, this, 4);
    return v;
}

// --- texts and byte sets ----------------------------------------------------

std::uint32_t textLength(const char* text) {
    return text ? static_cast<std::uint32_t>(std::strlen(text)) : 0;
}

char* newText(const char* source, std::uint32_t n) {
    auto* text = static_cast<char*>(allocate(std::size_t{n} + 1));
    if (n && source) std::memcpy(text, source, n);
    return text;
}

char* blankText(std::uint32_t n) {
    auto* text = static_cast<char*>(allocate(std::size_t{n} + 1));
    std::memset(text, ' ', n);
    return text;
}

ByteSet newByteSet(const void* source, std::int32_t n) {
    if (n <= 0) return nullptr;
    auto* set = static_cast<ByteSet>(allocate(sizeof(ByteSetHeader) + std::size_t(n)));
    set->dimensions = 1;
    set->length = n;
    if (source) std::memcpy(byteSetData(set), source, std::size_t(n));
    return set;
}

// --- arrays -------------------------------------------------------------------

std::int32_t elementCount(const ArrayHeader* array) {
    std::int32_t count = 1;
    for (std::int32_t d = 0; d < array->dimensions; ++d) count *= array->sizes[d];
    return count;
}

std::uint8_t* arrayData(ArrayHeader* array) {
    return reinterpret_cast<std::uint8_t*>(&array->sizes[0] + array->dimensions);
}

const std::uint8_t* arrayData(const ArrayHeader* array) {
    return reinterpret_cast<const std::uint8_t*>(&array->sizes[0] + array->dimensions);
}

void* elementAddress(ArrayHeader* array, std::int32_t index, std::uint32_t size) {
    auto context = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(array));
    if (index < 1) internalError(kIndexBelowOne, context);
    if (index > elementCount(array)) internalError(kIndexAboveCount, context);
    return arrayData(array) + std::size_t(index - 1) * size;
}

Array newEmptyArray() {
    auto* array = static_cast<Array>(allocate(sizeof(ArrayHeader)));
    std::memcpy(array, &kEmptyArray, sizeof(ArrayHeader));
    return array;
}

Array newArray(std::int32_t n, std::uint32_t size) {
    // A block size that a size_t cannot hold (a 32-bit build asked for a
    // billion texts) is memory that cannot be had; wrapped, it would be a
    // tiny block claiming every element.
    const std::size_t most = (SIZE_MAX - sizeof(ArrayHeader)) / (size ? size : 1);
    if (n < 0 || std::size_t(n) > most) outOfMemory();
    auto* array = static_cast<Array>(allocate(sizeof(ArrayHeader) + std::size_t(n) * size));
    array->dimensions = 1;
    array->sizes[0] = n;
    return array;
}

void redimension(Array* array, std::int32_t n, std::uint32_t tag) {
    if (n < 0)
        internalError(kNegativeResize,
                      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(*array)));
    Array fresh = newArray(n, elementSize(tag));
    releaseArray(std::exchange(*array, fresh), tag);
}

void appendElement(Array* array, std::uint32_t size, const void* element) {
    Array a = *array;
    if (!a) {
        a = newEmptyArray();
    } else {
        const std::uint8_t* first = nullptr;
        const std::uint8_t* last = nullptr;
        platform::imageRange(&first, &last);
        auto p = reinterpret_cast<const std::uint8_t*>(a);
        if (p >= first && p <= last) { // a constant: never written to
            std::size_t bytes = sizeof(std::int32_t) * (1 + std::size_t(a->dimensions)) +
                                std::size_t(elementCount(a)) * size;
            auto* copy = static_cast<Array>(allocate(bytes));
            std::memcpy(copy, a, bytes);
            a = copy;
        }
    }
    std::int32_t count = elementCount(a);
    if (a->dimensions != 1) { // collapse to one dimension
        std::memmove(&a->sizes[1], arrayData(a), std::size_t(count) * size);
        a->dimensions = 1;
        a->sizes[0] = count;
    }
    auto* grown = static_cast<Array>(
        reallocate(a, sizeof(ArrayHeader) + (std::size_t(count) + 1) * size));
    if (!grown) outOfMemory();
    std::memcpy(arrayData(grown) + std::size_t(count) * size, element, size);
    grown->sizes[0] = count + 1;
    *array = grown;
}

void releaseArray(Array array, std::uint32_t tag) {
    if (!array) return;
    std::uint32_t element = elementTag(tag);
    if (element == kTagText || element == kTagByteSet) {
        const std::uint8_t* first = nullptr;
        const std::uint8_t* last = nullptr;
        platform::imageRange(&first, &last);
        auto p = reinterpret_cast<const std::uint8_t*>(array);
        if (!(p >= first && p <= last)) {
            void** items = reinterpret_cast<void**>(arrayData(array));
            for (std::int32_t i = 0, n = elementCount(array); i < n; ++i) free(items[i]);
        }
    }
    free(array);
}

// --- growable buffer ------------------------------------------------------------

namespace {
constexpr std::uint32_t kPoolBlock = 512;
constexpr std::uint32_t kSpare = 128;
constexpr std::uint32_t kMaxSlack = 256;

BlockPool gPool;

std::int32_t poolIndex(const GrowBuffer* b) {
    if (!b->pool || !b->data) return -1;
    auto* p = b->data;
    auto* first = &b->pool->blocks[0][0];
    if (p < first || p >= first + sizeof b->pool->blocks) return -1;
    return static_cast<std::int32_t>((p - first) / kPoolBlock);
}

void releasePoolBlock(BlockPool* pool, std::int32_t index) {
    pool->flags[index] = 0;
    --pool->inUse;
}
} // namespace

BlockPool& blockPool() { return gPool; }

void growInit(GrowBuffer* b) { *b = GrowBuffer{&gPool, nullptr, 0, 0}; }

bool growInPool(const GrowBuffer* b) { return poolIndex(b) >= 0; }

bool growResize(GrowBuffer* b, std::uint32_t n) {
    if (n == 0) {
        growRelease(b);
        return true;
    }
    if (!b->data) {
        if (n <= kPoolBlock && b->pool) {
            for (int i = 0; i < 96; ++i) {
                if (!b->pool->flags[i]) {
                    b->pool->flags[i] = 1;
                    ++b->pool->inUse;
                    b->data = b->pool->blocks[i];
                    b->capacity = kPoolBlock;
                    b->size = n;
                    return true;
                }
            }
        }
        auto* data = static_cast<std::uint8_t*>(platform::heapAlloc(n + kSpare, false));
        if (!data) return false;
        *b = GrowBuffer{b->pool, data, n + kSpare, n};
        return true;
    }
    std::int32_t pooled = poolIndex(b);
    if (b->capacity >= n && (pooled >= 0 || b->capacity - n <= kMaxSlack)) {
        b->size = n;
        return true;
    }
    // Heap buffers grow geometrically, so collecting n pointers stays linear;
    // a shrink keeps the fixed spare room.
    std::uint32_t capacity = n + kSpare;
    if (n > b->capacity && b->capacity / 2 > kSpare) capacity = n + b->capacity / 2;
    if (pooled >= 0) {
        auto* data = static_cast<std::uint8_t*>(platform::heapAlloc(capacity, false));
        if (!data) return false;
        std::memcpy(data, b->data, n < b->size ? n : b->size);
        releasePoolBlock(b->pool, pooled);
        *b = GrowBuffer{b->pool, data, capacity, n};
        return true;
    }
    auto* data = static_cast<std::uint8_t*>(platform::heapRealloc(b->data, capacity));
    if (!data) return false;
    *b = GrowBuffer{b->pool, data, capacity, n};
    return true;
}

std::int32_t growAppend(GrowBuffer* b, const void* bytes, std::int32_t n) {
    const std::uint32_t at = b->size;
    if (n <= 0) return static_cast<std::int32_t>(at);
    const auto count = static_cast<std::uint32_t>(n);
    if (count > 0xFFFFFFFFu - at) return -1; // beyond what a size can say
    // Room left over from a geometric step is used up before any resize,
    // which could give it back.
    if (b->capacity - b->size < count) {
        if (!growResize(b, b->size + count)) return -1;
    } else {
        b->size += count;
    }
    if (bytes)
        std::memcpy(b->data + at, bytes, count);
    else
        std::memset(b->data + at, 0, count);
    return static_cast<std::int32_t>(at);
}

bool growAppendPointer(GrowBuffer* b, const void* pointer) {
    return growAppend(b, &pointer, sizeof(pointer)) >= 0;
}

void growRelease(GrowBuffer* b) {
    if (!b->data) return;
    std::int32_t pooled = poolIndex(b);
    if (pooled >= 0)
        releasePoolBlock(b->pool, pooled);
    else
        platform::heapFree(b->data);
    b->data = nullptr;
    b->capacity = 0;
    b->size = 0;
}

} // namespace rt
