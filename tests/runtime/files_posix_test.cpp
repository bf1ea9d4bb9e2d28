// Writes that the POSIX stand-in cuts short, as a full disk may on Windows.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/files.h"
#include "runtime/values.h"
#include "tests/native/platform_posix.h"

namespace {

TEST(WriteFilePosix, ShortWriteIsAFailure) {
    char name[] = "/tmp/textsplit_short_XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    close(fd);
    rt::ByteSetValue first(rt::newByteSet("0123456789", 10));
    rt::ByteSetValue second(rt::newByteSet("abc", 3));

    platform::posix::writeLimit = 4;
    EXPECT_FALSE(rt::writeFile(name, {first.get()}));
    // Writing stops at the short part: the next byte set is not written.
    EXPECT_FALSE(rt::writeFile(name, {first.get(), second.get()}));
    std::FILE* f = std::fopen(name, "rb");
    ASSERT_NE(f, nullptr);
    char got[32] = {};
    std::size_t n = std::fread(got, 1, sizeof got, f);
    std::fclose(f);
    EXPECT_EQ(std::string(got, n), "0123");

    // Parts that fit are written whole and count as success.
    platform::posix::writeLimit = 10;
    EXPECT_TRUE(rt::writeFile(name, {first.get(), second.get()}));
    platform::posix::writeLimit = 0;
    EXPECT_TRUE(rt::writeFile(name, {})); // nothing to write, nothing short
    EXPECT_FALSE(rt::writeFile(name, {second.get()}));
    platform::posix::reset();
    std::remove(name);
}

} // namespace
