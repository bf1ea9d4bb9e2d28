#include <gtest/gtest.h>

#include "runtime/values.h"

TEST(Texts, NullTextHasLengthZero) { EXPECT_EQ(rt::textLength(nullptr), 0u); }
