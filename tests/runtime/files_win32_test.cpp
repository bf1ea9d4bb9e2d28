// Share modes: only Windows enforces them.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "runtime/files.h"
#include "runtime/process.h"
#include "runtime/values.h"

namespace {

class ShareModes : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
        name_ =
            std::string(temp) + "textsplit_share_" + std::to_string(GetCurrentProcessId()) + ".txt";
        rt::ByteSetValue bytes(rt::newByteSet("shared", 6));
        ASSERT_TRUE(rt::writeFile(name_.c_str(), {bytes.get()}));
    }
    void TearDown() override {
        rt::closeAllFiles();
        DeleteFileA(name_.c_str());
    }
    bool canOpen(DWORD access) const {
        HANDLE h = CreateFileA(name_.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        return true;
    }
    std::string name_;
};

TEST_F(ShareModes, EachModeLetsOthersDoWhatItSays) {
    std::intptr_t f = rt::openFile(name_.c_str(), rt::kOpenRead); // default: read and write
    ASSERT_NE(f, 0);
    EXPECT_TRUE(canOpen(GENERIC_READ));
    EXPECT_TRUE(canOpen(GENERIC_WRITE));
    rt::closeFile(f);

    f = rt::openFile(name_.c_str(), rt::kOpenRead, rt::kShareDenyWrite);
    ASSERT_NE(f, 0);
    EXPECT_TRUE(canOpen(GENERIC_READ));
    EXPECT_FALSE(canOpen(GENERIC_WRITE));
    rt::closeFile(f);

    f = rt::openFile(name_.c_str(), rt::kOpenRead, rt::kShareDenyRead);
    ASSERT_NE(f, 0);
    EXPECT_FALSE(canOpen(GENERIC_READ));
    EXPECT_TRUE(canOpen(GENERIC_WRITE));
    rt::closeFile(f);

    f = rt::openFile(name_.c_str(), rt::kOpenRead, rt::kShareNone);
    ASSERT_NE(f, 0);
    EXPECT_FALSE(canOpen(GENERIC_READ));
    EXPECT_FALSE(canOpen(GENERIC_WRITE));
    // Write file wants the file to itself as well.
    rt::ByteSetValue bytes(rt::newByteSet("x", 1));
    EXPECT_FALSE(rt::writeFile(name_.c_str(), {bytes.get()}));
    rt::closeFile(f);
    EXPECT_TRUE(canOpen(GENERIC_READ | GENERIC_WRITE));

    f = rt::openFile(name_.c_str(), rt::kOpenRead, 77); // unknown: read and write sharing
    ASSERT_NE(f, 0);
    EXPECT_TRUE(canOpen(GENERIC_WRITE));
    rt::closeFile(f);
}

// A file open in this process is closed by the exit hook when the process
// ends, so that another program can then take it.
TEST_F(ShareModes, ExitHookClosesWhatIsStillOpen) {
    std::intptr_t f = rt::openFile(name_.c_str(), rt::kOpenRead, rt::kShareNone);
    ASSERT_NE(f, 0);
    EXPECT_FALSE(canOpen(GENERIC_READ));
    rt::ExitHook hook = rt::exitHook(rt::kOpenFilesHook);
    ASSERT_NE(hook, nullptr);
    hook();
    EXPECT_TRUE(canOpen(GENERIC_READ));
    EXPECT_EQ(rt::openFileCount(), 0u);
}

} // namespace
