// The message box command against the POSIX stand-in, which records boxes.
#include <gtest/gtest.h>

#include "runtime/convert.h"
#include "runtime/values.h"
#include "tests/native/platform_posix.h"

namespace {

class MessageBoxCommand : public ::testing::Test {
  protected:
    void SetUp() override { platform::posix::reset(); }
    void TearDown() override { platform::posix::reset(); }
    static const platform::posix::MessageBoxCall& box() { return platform::posix::lastMessageBox; }
};

TEST_F(MessageBoxCommand, DefaultsAndTheAnswerMinusOne) {
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofText("hello")), 0); // IDOK is 1
    EXPECT_EQ(platform::posix::messageBoxCount, 1);
    EXPECT_EQ(box().text, "hello");
    EXPECT_EQ(box().caption, "信息");
    EXPECT_EQ(box().style, 0u);

    platform::posix::nextAnswer = 7; // IDNO
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofText("q"), 4u, "title"), 6);
    EXPECT_EQ(box().caption, "title");
    EXPECT_EQ(box().style, 4u);

    platform::posix::nextAnswer = 0; // the box could not be shown
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofText("q")), -1);

    platform::posix::nextAnswer = 1;
    rt::messageBox(rt::ValueBlock::ofText(nullptr), 64u, nullptr); // a given null caption is ""
    EXPECT_EQ(box().text, "");
    EXPECT_EQ(box().caption, "");
    EXPECT_EQ(box().style, 64u);
}

TEST_F(MessageBoxCommand, FormatsNumbersAndLeavesOtherKindsEmpty) {
    rt::messageBox(rt::ValueBlock::ofInt(42));
    EXPECT_EQ(box().text, "42");
    rt::messageBox(rt::ValueBlock::ofDouble(-2.5));
    EXPECT_EQ(box().text, "-2.5");
    rt::messageBox(rt::ValueBlock::ofLogical(false));
    EXPECT_EQ(box().text, "假");
    rt::messageBox(rt::ValueBlock::ofDouble(2.75, rt::kTagDateTime));
    EXPECT_EQ(box().text, "1900年1月1日18时");
    rt::messageBox(rt::ValueBlock::ofDouble(1e300)); // longer than 260 bytes, whole
    EXPECT_EQ(box().text.size(), 301u);
    EXPECT_EQ(box().text.substr(0, 4), "1000");

    rt::ByteSetValue set(rt::newByteSet("ab", 2));
    rt::messageBox(rt::ValueBlock::ofPointer(rt::kTagByteSet, set.get()));
    EXPECT_EQ(box().text, "");
    rt::Array bytes = rt::newArray(2, 1);
    rt::messageBox(rt::ValueBlock::ofPointer(rt::kTagByte | rt::kArrayFlag, bytes));
    EXPECT_EQ(box().text, "");
    rt::free(bytes);
    rt::messageBox(rt::ValueBlock::of(0x40000001u, 3));
    EXPECT_EQ(box().text, "");
    EXPECT_EQ(platform::posix::messageBoxCount, 8); // one box each, even when empty
}

} // namespace
