// IntHashTable: probing two buckets at a time, duplicate keys, growth, and
// the pair removal that the window registry relies on.
#include <gtest/gtest.h>

#include <vector>

#include "window/int_hash_table.h"
#include "tests/support/boxes.h"

namespace {

using Key = IntHashTable::Key;
using Value = IntHashTable::Value;

class HashTable : public ::testing::Test {
  protected:
    void TearDown() override {
        table->release();
        rt::free(table);
    }
    // The keys in bucket order.
    std::vector<Key> keysInOrder() {
        rt::Array keys = nullptr;
        std::int32_t n = table->keys(&keys);
        std::vector<Key> result;
        for (std::int32_t i = 1; i <= n; ++i)
            result.push_back(*static_cast<Key*>(rt::elementAddress(keys, i, sizeof(Key))));
        rt::free(keys);
        return result;
    }
    IntHashTable* table = newIntHashTable();
};

TEST_F(HashTable, FreshTableHasNoBucketsUntilTheFirstAdd) {
    EXPECT_EQ(table->bucketCount(), 0);
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(table->lookup(5), 0u);
    EXPECT_EQ(table->remove(5), 0);
    EXPECT_EQ(table->hasZeroValue(5), 0);
    EXPECT_EQ(table->add(5, 50, 500), 1);
    EXPECT_EQ(table->bucketCount(), 997);
    EXPECT_EQ(table->count(), 1);
    Value second = 0;
    EXPECT_EQ(table->lookup(5, &second), 50u);
    EXPECT_EQ(second, 500u);
}

TEST_F(HashTable, KeyZeroIsNeverStored) {
    table->add(1, 10, 0);
    EXPECT_EQ(table->add(0, 7, 7), 0);
    EXPECT_EQ(table->count(), 1);
    EXPECT_EQ(table->lookup(0), 0u);
    EXPECT_EQ(table->remove(0), 0);
    EXPECT_EQ(table->hasZeroValue(0), 0);
    EXPECT_EQ(table->removePair(0, 0), 0);
    EXPECT_EQ(table->count(), 1);
}

TEST_F(HashTable, NegativeKeysShareTheirMagnitudesHomeAndStayDistinct) {
    table->add(5, 1, 0);
    table->add(-5, 2, 0);
    EXPECT_EQ(keysInOrder(), (std::vector<Key>{5, -5})) << "bucket 5, then bucket 7";
    EXPECT_EQ(table->lookup(5), 1u);
    EXPECT_EQ(table->lookup(-5), 2u);
    EXPECT_EQ(table->remove(5), 1);
    EXPECT_EQ(table->lookup(-5), 2u);
    // The most negative key has a home too.
    Key lowest = INTPTR_MIN;
    EXPECT_EQ(table->add(lowest, 3, 0), 1);
    EXPECT_EQ(table->lookup(lowest), 3u);
}

TEST_F(HashTable, ProbeAdvancesTwoBucketsAtATime) {
    // 997 and 1994 both have home 0; the second lands in bucket 2, so key 1
    // (home 1) keeps bucket 1 and comes between them in bucket order.
    table->add(997, 1, 0);
    table->add(1994, 2, 0);
    table->add(1, 3, 0);
    EXPECT_EQ(keysInOrder(), (std::vector<Key>{997, 1, 1994}));
    // The probe wraps: from home 996 it goes on to buckets 1, 3 and 5.
    table->add(996, 4, 0);
    table->add(996 + 997, 5, 0);     // 996 and 1 are taken: bucket 3
    table->add(996 + 2 * 997, 6, 0); // bucket 5
    EXPECT_EQ(keysInOrder(), (std::vector<Key>{997, 1, 1994, 1993, 2990, 996}));
}

TEST_F(HashTable, DuplicateKeysAreReachedInProbeOrder) {
    EXPECT_EQ(table->add(42, 100, 0), 1);
    EXPECT_EQ(table->add(42, 200, 0), 1) << "add does not look for the key";
    EXPECT_EQ(table->count(), 2);
    EXPECT_EQ(table->lookup(42), 100u) << "the pair entered first";
    EXPECT_EQ(table->remove(42), 1);
    EXPECT_EQ(table->lookup(42), 200u);
    EXPECT_EQ(table->remove(42), 1);
    EXPECT_EQ(table->lookup(42), 0u);
    EXPECT_EQ(table->count(), 0);
}

TEST_F(HashTable, RemovedEntryDoesNotHideTheKeysProbedPastIt) {
    table->add(997, 1, 0);
    table->add(1994, 2, 0);
    table->add(2991, 3, 0);
    EXPECT_EQ(table->remove(1994), 1);
    EXPECT_EQ(table->lookup(2991), 3u);
    EXPECT_EQ(table->remove(2991), 1);
    EXPECT_EQ(table->lookup(997), 1u);
    EXPECT_EQ(table->count(), 1);
}

TEST_F(HashTable, FillsCompletelyThenGrowsAt997) {
    for (Key k = 1; k <= 997; ++k)
        ASSERT_EQ(table->add(k * 7, Value(k), 0), 1);
    EXPECT_EQ(table->bucketCount(), 997);
    EXPECT_EQ(table->count(), 997);
    EXPECT_EQ(table->add(998 * 7, 998, 0), 1);
    EXPECT_EQ(table->bucketCount(), 2021);
    EXPECT_EQ(table->count(), 998);
    for (Key k = 1; k <= 998; ++k)
        ASSERT_EQ(table->lookup(k * 7), Value(k)) << k;
    // And on from 2021 buckets.
    for (Key k = 999; k <= 2022; ++k)
        ASSERT_EQ(table->add(k * 7, Value(k), 0), 1);
    EXPECT_EQ(table->bucketCount(), 4073);
    EXPECT_EQ(table->count(), 2022);
    EXPECT_EQ(table->lookup(2022 * 7), 2022u);
}

TEST_F(HashTable, GrowthKeepsDuplicateKeysInTheirOrder) {
    for (Key k = 1; k <= 996; ++k)
        table->add(k, 0, 0);
    table->add(5000, 1, 0);
    table->add(5000, 2, 0); // the table is full now: this one grew it
    EXPECT_EQ(table->bucketCount(), 2021);
    EXPECT_EQ(table->lookup(5000), 1u);
    table->remove(5000);
    EXPECT_EQ(table->lookup(5000), 2u);
}

TEST_F(HashTable, NextSizeFollowsTheSequence) {
    EXPECT_EQ(table->nextSize(-1), 0);
    EXPECT_EQ(table->nextSize(0), 43);
    EXPECT_EQ(table->nextSize(43), 47);
    EXPECT_EQ(table->nextSize(60), 61);
    EXPECT_EQ(table->nextSize(1994), 2021);
    EXPECT_EQ(table->nextSize(4042), 4073);
    EXPECT_EQ(table->nextSize(2147441980), 2147441981); // k = 46340
    EXPECT_EQ(table->nextSize(2147441981), 0) << "no 32-bit size left";
}

TEST_F(HashTable, StoredZeroIsToldFromAMissingKeyOnlyByHasZeroValue) {
    EXPECT_EQ(table->hasZeroValue(7), 0) << "no buckets yet";
    table->add(7, 0, 9);
    table->add(8, 3, 0);
    Value second = 1;
    EXPECT_EQ(table->lookup(7, &second), 0u);
    EXPECT_EQ(second, 9u);
    second = 1;
    EXPECT_EQ(table->lookup(99, &second), 0u);
    EXPECT_EQ(second, 1u) << "untouched for a missing key";
    EXPECT_EQ(table->hasZeroValue(7), 1);
    EXPECT_EQ(table->hasZeroValue(8), 0);
    EXPECT_EQ(table->hasZeroValue(99), 0);
}

TEST_F(HashTable, InitialiseClearAndReleaseAll) {
    table->add(1, 1, 0);
    table->add(2, 2, 0);
    table->initialise(61);
    EXPECT_EQ(table->bucketCount(), 61);
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(table->lookup(1), 0u);
    table->add(3, 3, 0);
    table->clear();
    EXPECT_EQ(table->bucketCount(), 61);
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(table->lookup(3), 0u);
    table->initialise(0);
    EXPECT_EQ(table->bucketCount(), 0);
    table->add(4, 4, 0);
    EXPECT_EQ(table->bucketCount(), 997);
    table->releaseAll();
    EXPECT_EQ(table->bucketCount(), 0);
    EXPECT_EQ(table->count(), 0);
    EXPECT_EQ(table->lookup(4), 0u);
    EXPECT_EQ(table->add(4, 5, 0), 1);
    EXPECT_EQ(table->lookup(4), 5u);
    // The default size.
    table->initialise();
    EXPECT_EQ(table->bucketCount(), 997);
}

TEST_F(HashTable, EvenSizeGrowsWhenItsHalfOfTheBucketsAreFull) {
    table->initialise(4);
    EXPECT_EQ(table->add(2, 1, 0), 1); // home 2
    EXPECT_EQ(table->add(4, 2, 0), 1); // home 0
    EXPECT_EQ(table->add(6, 3, 0), 1); // home 2: buckets 2 and 0 taken, so it grew
    EXPECT_EQ(table->bucketCount(), 43);
    EXPECT_EQ(table->lookup(2), 1u);
    EXPECT_EQ(table->lookup(4), 2u);
    EXPECT_EQ(table->lookup(6), 3u);
}

TEST_F(HashTable, ValuesAndKeysInBucketOrder) {
    rt::Array first = nullptr, second = nullptr;
    EXPECT_EQ(table->values(&first, &second), 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(rt::elementCount(first), 0);
    EXPECT_EQ(rt::elementCount(second), 0);
    EXPECT_TRUE(keysInOrder().empty());

    table->add(10, 100, 1000);
    table->add(3, 30, 300);
    table->add(1007, 107, 1070); // home 10, lands in 12
    EXPECT_EQ(table->values(&first, &second), 3);
    auto at = [](rt::Array a, int i) {
        return *static_cast<Value*>(rt::elementAddress(a, i, sizeof(Value)));
    };
    EXPECT_EQ(at(first, 1), 30u);
    EXPECT_EQ(at(first, 2), 100u);
    EXPECT_EQ(at(first, 3), 107u);
    EXPECT_EQ(at(second, 1), 300u);
    EXPECT_EQ(at(second, 3), 1070u);
    EXPECT_EQ(keysInOrder(), (std::vector<Key>{3, 10, 1007}));
    // The first array alone; the old contents are replaced, not appended to.
    EXPECT_EQ(table->values(&first), 3);
    EXPECT_EQ(rt::elementCount(first), 3);
    rt::free(first);
    rt::free(second);
}

TEST_F(HashTable, CloneCopiesEveryEntry) {
    table->add(1, 10, 11);
    table->add(998, 20, 21); // home 1, bucket 3
    IntHashTable* copy = table->clone();
    EXPECT_EQ(copy->bucketCount(), 997);
    EXPECT_EQ(copy->count(), 2);
    Value second = 0;
    EXPECT_EQ(copy->lookup(998, &second), 20u);
    EXPECT_EQ(second, 21u);
    copy->remove(1);
    copy->add(5, 50, 0);
    EXPECT_EQ(table->lookup(1), 10u) << "the entries are the copy's own";
    EXPECT_EQ(table->lookup(5), 0u);
    copy->release();
    rt::free(copy);
    EXPECT_EQ(table->lookup(998), 20u);
}

TEST_F(HashTable, RemovePairLeavesOtherPairsOfTheSameKey) {
    table->add(77, 0xA, 0);
    table->add(77, 0xB, 0);
    table->add(77, 0xA, 0);
    EXPECT_EQ(table->removePair(77, 0xC), 0);
    EXPECT_EQ(table->removePair(77, 0xA), 2);
    EXPECT_EQ(table->count(), 1);
    EXPECT_EQ(table->lookup(77), 0xBu);
    EXPECT_EQ(table->removePair(78, 0xB), 0);
    EXPECT_EQ(table->removePair(77, 0xB), 1);
    EXPECT_EQ(table->lookup(77), 0u);
}

using HashTableDeathTest = HashTable;

TEST_F(HashTableDeathTest, NegativeSizeIsInternalErrorTen) {
    EXPECT_EXIT((testsupport::echoAndAnswerBoxes(), table->initialise(-1)),
                ::testing::ExitedWithCode(0), "\\[error\\] program internal error number is 10\\.");
}

} // namespace
