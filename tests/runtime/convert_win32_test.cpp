// The message box command and the half-width mapping on Windows itself.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/convert.h"
#include "runtime/values.h"
#include "tests/support/box_answerer_win32.h"

namespace {

TEST(MessageBoxWin32, InformationBoxAnsweredWithOkGivesZero) {
    testsupport::BoxAnswerer answerer("信息", IDOK);
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofText("请先导入文本"), 64u), 0);
    testsupport::SeenBox seen = answerer.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "信息");
    EXPECT_EQ(seen.text, "请先导入文本");
    EXPECT_EQ(seen.icon, LoadIcon(nullptr, IDI_INFORMATION));
}

TEST(MessageBoxWin32, ButtonPressedComesBackMinusOne) {
    testsupport::BoxAnswerer answerer("question", IDNO);
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofInt(42), MB_YESNO, "question"), IDNO - 1);
    testsupport::SeenBox seen = answerer.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.text, "42");

    testsupport::BoxAnswerer cancel("", IDCANCEL);
    EXPECT_EQ(rt::messageBox(rt::ValueBlock::ofDouble(2.75, rt::kTagDateTime), MB_OKCANCEL), 1);
    seen = cancel.wait();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "信息");
    EXPECT_EQ(seen.text, "1900年1月1日18时");
}

// Texts typed in full-width forms go through LCMapStringA of the Chinese
// locale: digits, signs and the ideographic space become ASCII.
TEST(ToIntegerWin32, FullWidthFormsAreMappedBySystem) {
    ASSERT_EQ(GetACP(), 936u);
    EXPECT_EQ(rt::parseInteger("１２"), 12);
    EXPECT_EQ(rt::parseInteger("－３４５"), -345);
    EXPECT_EQ(rt::parseInteger("　＋７"), 7);
    EXPECT_EQ(rt::parseInteger("１２３ａｂｃ"), 123);
    EXPECT_EQ(rt::parseInteger("中１"), 0);
}

} // namespace
