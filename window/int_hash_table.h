// A hash table from a word-sized integer key to a pair of word-sized values:
// open addressing, probing two buckets at a time, 997 buckets at first and
// growing along k*k + k + 41. The window registry is one of these.
//
// Like the window classes, the operations are virtual functions in the order
// of the class table. Objects live in zero-filled runtime heap blocks: make
// them with newIntHashTable(), end them with release() and then rt::free().
// An optional out argument is a pointer that may be null.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/values.h"

class IntHashTable {
  public:
    using Key = std::intptr_t;
    using Value = std::uintptr_t;

    // One bucket: a separate heap block. Key 0 marks an empty bucket.
    struct Entry {
        Key key;
        Value first;
        Value second;
    };
    static_assert(sizeof(Entry) == 3 * sizeof(void*), "entry: key and two values, one word each");

    static constexpr std::int32_t kFirstSize = 997;

    // Holds a fresh empty array, no buckets, no entries.
    IntHashTable();

    // --- operations, in table order ------------------------------------------
    virtual void release();
    virtual IntHashTable* clone();
    virtual void initialise(std::optional<std::int32_t> size = {});
    virtual void releaseAll();
    virtual std::int32_t nextSize(std::int32_t a);
    virtual int add(Key key, Value first, Value second);
    virtual int grow();
    virtual Value lookup(Key key, Value* second = nullptr);
    virtual int remove(Key key);
    virtual void clear();
    virtual std::int32_t count();
    virtual std::int32_t bucketCount();
    virtual std::int32_t values(rt::Array* first, rt::Array* second = nullptr);
    virtual std::int32_t keys(rt::Array* keys);
    // 1 when the key is present with first value 0; 0 when it is present with
    // another first value, absent, 0, or the table has no buckets. Tells a
    // stored 0 from a missing key, which lookup cannot.
    virtual int hasZeroValue(Key key);

    // --- beyond the table -----------------------------------------------------
    // Removes every entry that maps key to exactly this first value, leaving
    // other entries of the same key where they are; returns how many went.
    virtual int removePair(Key key, Value first);

  private:
    // Position (from 0) of the first bucket the probe visits for key in a
    // table of n buckets.
    static std::int32_t home(Key key, std::int32_t n);
    Entry* bucket(std::int32_t position) const;
    // The entry that lookup and remove reach for key, or null.
    Entry* find(Key key) const;
    // n fresh empty buckets; a negative n ends the process (internal error 10).
    static rt::Array newBuckets(std::int32_t n);
    static void freeBuckets(rt::Array buckets);

    rt::Array buckets_ = nullptr;
    std::int32_t bucketCount_ = 0;
    std::int32_t count_ = 0;
};
static_assert(sizeof(IntHashTable) == 2 * sizeof(void*) + 8,
              "hash table: class table, bucket array, bucket count, entry count");

// A new table in a zero-filled runtime heap block.
IntHashTable* newIntHashTable();
