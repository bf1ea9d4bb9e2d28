#include "window/int_hash_table.h"

#include <cstring>
#include <new>

#include "runtime/memory.h"

namespace {

constexpr std::uint32_t kSlot = sizeof(IntHashTable::Entry*);

IntHashTable::Entry** slots(rt::Array buckets) {
    return reinterpret_cast<IntHashTable::Entry**>(rt::arrayData(buckets));
}

IntHashTable::Entry* newEntry() {
    return static_cast<IntHashTable::Entry*>(rt::allocate(sizeof(IntHashTable::Entry)));
}

// The shared empty array: a constant of the program, ignored by free.
rt::Array sharedEmptyArray() {
    return const_cast<rt::Array>(&rt::kEmptyArray);
}

} // namespace

IntHashTable* newIntHashTable() {
    return new (rt::allocate(sizeof(IntHashTable))) IntHashTable();
}

IntHashTable::IntHashTable() : buckets_(rt::newEmptyArray()) {}

std::int32_t IntHashTable::home(Key key, std::int32_t n) {
    // The magnitude in unsigned arithmetic, so the most negative key has one.
    auto magnitude = key < 0 ? std::uintptr_t(0) - std::uintptr_t(key) : std::uintptr_t(key);
    return static_cast<std::int32_t>(magnitude % std::uintptr_t(n));
}

IntHashTable::Entry* IntHashTable::bucket(std::int32_t position) const {
    return slots(buckets_)[position];
}

IntHashTable::Entry* IntHashTable::find(Key key) const {
    if (bucketCount_ <= 0 || key == 0) return nullptr;
    // Empty buckets do not end the search: a removed entry may sit between
    // a key's home and the key.
    std::int32_t start = home(key, bucketCount_);
    std::int32_t at = start;
    do {
        Entry* entry = bucket(at);
        if (entry->key == key) return entry;
        at = (at + 2) % bucketCount_;
    } while (at != start);
    return nullptr;
}

rt::Array IntHashTable::newBuckets(std::int32_t n) {
    if (n < 0) rt::internalError(rt::kNegativeResize, static_cast<std::uint32_t>(n));
    rt::Array buckets = rt::newArray(n, kSlot);
    Entry** slot = slots(buckets);
    for (std::int32_t i = 0; i < n; ++i)
        slot[i] = newEntry();
    return buckets;
}

void IntHashTable::freeBuckets(rt::Array buckets) {
    if (!buckets) return;
    Entry** slot = slots(buckets);
    for (std::int32_t i = 0, n = rt::elementCount(buckets); i < n; ++i)
        rt::free(slot[i]);
    rt::free(buckets); // the shared empty array is a constant: free ignores it
}

void IntHashTable::release() {
    freeBuckets(buckets_);
    buckets_ = nullptr;
    bucketCount_ = 0;
    count_ = 0;
}

IntHashTable* IntHashTable::clone() {
    auto* copy = static_cast<IntHashTable*>(rt::allocate(sizeof(IntHashTable)));
    std::memcpy(static_cast<void*>(copy), static_cast<const void*>(this), sizeof(IntHashTable));
    std::int32_t n = buckets_ ? rt::elementCount(buckets_) : 0;
    copy->buckets_ = rt::newArray(n, kSlot);
    for (std::int32_t i = 0; i < n; ++i) {
        Entry* entry = newEntry();
        *entry = *bucket(i);
        slots(copy->buckets_)[i] = entry;
    }
    return copy;
}

void IntHashTable::initialise(std::optional<std::int32_t> size) {
    std::int32_t n = size.value_or(kFirstSize);
    rt::Array fresh = newBuckets(n);
    freeBuckets(buckets_);
    buckets_ = fresh;
    bucketCount_ = n;
    count_ = 0;
}

void IntHashTable::releaseAll() {
    freeBuckets(buckets_);
    buckets_ = sharedEmptyArray();
    bucketCount_ = 0;
    count_ = 0;
}

std::int32_t IntHashTable::nextSize(std::int32_t a) {
    if (a < 0) return 0;
    std::int64_t candidate = 0;
    for (std::int64_t k = 1; candidate <= a; ++k)
        candidate = k * k + k + 41;
    // Past the largest 32-bit size there is none to give.
    return candidate > INT32_MAX ? 0 : static_cast<std::int32_t>(candidate);
}

int IntHashTable::add(Key key, Value first, Value second) {
    if (bucketCount_ == 0) initialise(kFirstSize);
    if (key == 0 || bucketCount_ <= 0) return 0;
    std::int32_t start = home(key, bucketCount_);
    std::int32_t at = start;
    do {
        Entry* entry = bucket(at);
        if (entry->key == 0) {
            *entry = Entry{key, first, second};
            ++count_;
            return 1;
        }
        at = (at + 2) % bucketCount_;
    } while (at != start);
    if (!grow()) return 0;
    return add(key, first, second);
}

int IntHashTable::grow() {
    std::int64_t doubled = std::int64_t(bucketCount_) * 2;
    std::int32_t m = doubled > INT32_MAX ? 0 : nextSize(static_cast<std::int32_t>(doubled));
    if (m <= bucketCount_) return 0;
    rt::Array fresh = newBuckets(m);
    Entry** target = slots(fresh);
    for (std::int32_t i = 0; i < bucketCount_; ++i) {
        const Entry* old = bucket(i);
        if (old->key == 0) continue;
        std::int32_t start = home(old->key, m);
        std::int32_t at = start;
        while (target[at]->key != 0) {
            at = (at + 2) % m;
            if (at == start) {
                freeBuckets(fresh);
                return 0;
            }
        }
        *target[at] = *old;
    }
    freeBuckets(buckets_);
    buckets_ = fresh;
    bucketCount_ = m;
    return 1;
}

IntHashTable::Value IntHashTable::lookup(Key key, Value* second) {
    Entry* entry = find(key);
    if (!entry) return 0;
    if (second) *second = entry->second;
    return entry->first;
}

int IntHashTable::remove(Key key) {
    Entry* entry = find(key);
    if (!entry) return 0;
    *entry = Entry{0, 0, 0};
    --count_;
    return 1;
}

void IntHashTable::clear() {
    rt::Array fresh = newBuckets(bucketCount_);
    freeBuckets(buckets_);
    buckets_ = fresh;
    count_ = 0;
}

std::int32_t IntHashTable::count() {
    return count_;
}

std::int32_t IntHashTable::bucketCount() {
    return bucketCount_;
}

std::int32_t IntHashTable::values(rt::Array* first, rt::Array* second) {
    rt::releaseArray(std::exchange(*first, rt::newEmptyArray()), rt::kTagInt);
    if (second) rt::releaseArray(std::exchange(*second, rt::newEmptyArray()), rt::kTagInt);
    for (std::int32_t i = 0; i < bucketCount_; ++i) {
        const Entry* entry = bucket(i);
        if (entry->key == 0) continue;
        rt::appendElement(first, sizeof(Value), &entry->first);
        if (second) rt::appendElement(second, sizeof(Value), &entry->second);
    }
    return rt::elementCount(*first);
}

std::int32_t IntHashTable::keys(rt::Array* keys) {
    rt::releaseArray(std::exchange(*keys, rt::newEmptyArray()), rt::kTagInt);
    for (std::int32_t i = 0; i < bucketCount_; ++i) {
        const Entry* entry = bucket(i);
        if (entry->key != 0) rt::appendElement(keys, sizeof(Key), &entry->key);
    }
    return rt::elementCount(*keys);
}

int IntHashTable::hasZeroValue(Key key) {
    Entry* entry = find(key);
    return entry && entry->first == 0 ? 1 : 0;
}

int IntHashTable::removePair(Key key, Value first) {
    if (bucketCount_ <= 0 || key == 0) return 0;
    int removed = 0;
    std::int32_t start = home(key, bucketCount_);
    std::int32_t at = start;
    do {
        Entry* entry = bucket(at);
        if (entry->key == key && entry->first == first) {
            *entry = Entry{0, 0, 0};
            --count_;
            ++removed;
        }
        at = (at + 2) % bucketCount_;
    } while (at != start);
    return removed;
}
