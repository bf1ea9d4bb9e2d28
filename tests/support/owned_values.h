// Test helpers: take ownership of a runtime result and return its contents.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/values.h"

namespace testsupport {

// The text of a fresh, non-null text result, which is freed.
inline std::string textOf(char* owned) {
    rt::TextValue text(owned);
    EXPECT_NE(owned, nullptr);
    return text.c_str();
}

// The bytes of a fresh, non-null byte set result, which is freed.
inline std::string bytesOf(rt::ByteSet owned) {
    rt::ByteSetValue set(owned);
    EXPECT_NE(owned, nullptr);
    if (!owned) return {};
    EXPECT_EQ(owned->dimensions, 1);
    return std::string(reinterpret_cast<const char*>(set.data()), std::size_t(set.length()));
}

} // namespace testsupport
