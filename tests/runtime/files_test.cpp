#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "runtime/files.h"
#include "runtime/process.h"
#include "runtime/values.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder per test, removed with everything in it.
class FileCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("textsplit_files_" + std::to_string(stamp) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        rt::closeAllFiles();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::string make(const std::string& name, const std::string& bytes) const {
        std::string p = path(name);
        std::FILE* f = std::fopen(p.c_str(), "wb");
        EXPECT_NE(f, nullptr) << p;
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }

    static std::string contents(const std::string& p) {
        std::string bytes;
        if (std::FILE* f = std::fopen(p.c_str(), "rb")) {
            char chunk[4096];
            std::size_t n;
            while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
                bytes.append(chunk, n);
            std::fclose(f);
        }
        return bytes;
    }

    fs::path dir_;
};

std::string textOf(char* owned) {
    rt::TextValue text(owned);
    return text.c_str();
}

rt::ByteSetValue bytes(const std::string& s) {
    return rt::ByteSetValue(rt::newByteSet(s.data(), static_cast<std::int32_t>(s.size())));
}

TEST_F(FileCommands, MissingFileGivesZeroAndStaysOffTheList) {
    std::size_t before = rt::openFileCount();
    EXPECT_EQ(rt::openFile(path("absent.txt").c_str(), rt::kOpenRead), 0);
    EXPECT_EQ(rt::openFile(path("absent.txt").c_str()), 0); // omitted mode: must exist too
    EXPECT_EQ(rt::openFile(nullptr, rt::kOpenRead), 0);
    EXPECT_EQ(rt::openFile((path("no_such_folder") + "/x.txt").c_str(), rt::kOpenCreate), 0);
    EXPECT_EQ(rt::openFileCount(), before);
    EXPECT_EQ(rt::readText(0), nullptr); // the handle a failed open gives
}

TEST_F(FileCommands, EmptyFileReadsAsEmptyTextNotNull) {
    std::intptr_t f = rt::openFile(make("empty.txt", "").c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    rt::TextValue first(rt::readText(f));
    ASSERT_NE(first.get(), nullptr);
    EXPECT_EQ(first.length(), 0u);
    rt::TextValue again(rt::readText(f));
    ASSERT_NE(again.get(), nullptr);
    EXPECT_EQ(again.length(), 0u);
    rt::closeFile(f);
}

TEST_F(FileCommands, ReadStopsAtZeroByteAndLeavesPositionOnIt) {
    std::intptr_t f =
        rt::openFile(make("utf16.txt", std::string("abcdefghij\0klm", 14)).c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    EXPECT_EQ(textOf(rt::readText(f)), "abcdefghij");
    // Positioned on the zero byte, not after it: the next read stops at once.
    rt::TextValue second(rt::readText(f));
    ASSERT_NE(second.get(), nullptr);
    EXPECT_EQ(second.length(), 0u);
    rt::closeFile(f);
}

TEST_F(FileCommands, EndOfFileMarkEndsTheTextLikeAZeroByte) {
    std::intptr_t f = rt::openFile(make("eof.txt", "line one\r\n\x1Atail").c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    EXPECT_EQ(textOf(rt::readText(f)), "line one\r\n");
    EXPECT_EQ(textOf(rt::readText(f)), "");
    rt::closeFile(f);

    f = rt::openFile(make("both.txt", std::string("ab\x1A"
                                                  "c\0d",
                                                  6))
                         .c_str(),
                     rt::kOpenRead);
    EXPECT_EQ(textOf(rt::readText(f)), "ab");
    rt::closeFile(f);
    f = rt::openFile(make("zero_first.txt", std::string("ab\0c\x1A"
                                                        "d",
                                                        6))
                         .c_str(),
                     rt::kOpenRead);
    EXPECT_EQ(textOf(rt::readText(f)), "ab");
    rt::closeFile(f);
}

TEST_F(FileCommands, CountReadsPiecesFromTheCurrentPosition) {
    std::intptr_t f = rt::openFile(make("count.txt", "0123456789").c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    EXPECT_EQ(rt::readText(f, 0), nullptr);
    EXPECT_EQ(rt::readText(f, -5), nullptr);
    EXPECT_EQ(textOf(rt::readText(f, 3)), "012");
    EXPECT_EQ(textOf(rt::readText(f, 4)), "3456");
    // More than is left: the rest, and no huge buffer for a huge count.
    EXPECT_EQ(textOf(rt::readText(f, 0x7FFFFFFF)), "789");
    rt::TextValue atEnd(rt::readText(f, 10));
    ASSERT_NE(atEnd.get(), nullptr);
    EXPECT_EQ(atEnd.length(), 0u);
    rt::closeFile(f);
}

TEST_F(FileCommands, UnknownAndClosedHandlesAreIgnored) {
    std::intptr_t f = rt::openFile(make("a.txt", "abc").c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    int local = 0;
    EXPECT_EQ(rt::readText(reinterpret_cast<std::intptr_t>(&local)), nullptr);
    EXPECT_EQ(rt::readText(f + 1), nullptr);
    rt::closeFile(reinterpret_cast<std::intptr_t>(&local)); // not a record: nothing happens
    EXPECT_EQ(rt::openFileCount(), 1u);
    rt::closeFile(f);
    EXPECT_EQ(rt::openFileCount(), 0u);
    rt::closeFile(f); // twice
    rt::closeFile(0);
    EXPECT_EQ(rt::readText(f), nullptr);
}

TEST_F(FileCommands, ExitHookHoldsCloseAllWhileFilesAreOpen) {
    ASSERT_EQ(rt::openFileCount(), 0u);
    EXPECT_EQ(rt::exitHook(rt::kOpenFilesHook), nullptr);
    std::intptr_t a = rt::openFile(make("a.txt", "aaa").c_str(), rt::kOpenRead);
    std::intptr_t b = rt::openFile(make("b.txt", "bbb").c_str(), rt::kOpenRead);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(rt::exitHook(rt::kOpenFilesHook), &rt::closeAllFiles);
    rt::closeFile(a);
    EXPECT_EQ(rt::exitHook(rt::kOpenFilesHook), &rt::closeAllFiles); // b still open
    EXPECT_EQ(textOf(rt::readText(b)), "bbb");
    rt::closeFile(b);
    EXPECT_EQ(rt::exitHook(rt::kOpenFilesHook), nullptr);

    a = rt::openFile(path("a.txt").c_str(), rt::kOpenRead);
    b = rt::openFile(path("b.txt").c_str(), rt::kOpenRead);
    rt::closeAllFiles();
    EXPECT_EQ(rt::openFileCount(), 0u);
    EXPECT_EQ(rt::exitHook(rt::kOpenFilesHook), nullptr);
    EXPECT_EQ(rt::readText(a), nullptr);
    EXPECT_EQ(rt::readText(b), nullptr);
    // The files were really closed: they can be replaced now.
    EXPECT_TRUE(rt::writeFile(path("a.txt").c_str(), {}));
}

TEST_F(FileCommands, OpenModesDecideAccessAndCreation) {
    std::string p = path("modes.txt");
    EXPECT_EQ(rt::openFile(p.c_str(), rt::kOpenRead), 0);
    EXPECT_EQ(rt::openFile(p.c_str(), rt::kOpenWrite), 0);
    EXPECT_EQ(rt::openFile(p.c_str(), rt::kOpenReadWrite), 0);
    EXPECT_EQ(rt::openFile(p.c_str(), 99), 0); // unknown mode: existing file only

    std::intptr_t f = rt::openFile(p.c_str(), rt::kOpenAppend); // created when missing
    ASSERT_NE(f, 0);
    rt::closeFile(f);
    EXPECT_TRUE(fs::exists(p));

    make("modes.txt", "kept");
    for (std::int32_t writeOnly : {rt::kOpenWrite, rt::kOpenAppend}) {
        f = rt::openFile(p.c_str(), writeOnly);
        ASSERT_NE(f, 0);
        EXPECT_EQ(rt::readText(f), nullptr) << writeOnly; // the read is refused
        rt::closeFile(f);
    }
    EXPECT_EQ(contents(p), "kept");
    f = rt::openFile(p.c_str(), rt::kOpenReadWriteAlways); // existing file kept
    ASSERT_NE(f, 0);
    EXPECT_EQ(textOf(rt::readText(f)), "kept");
    rt::closeFile(f);

    f = rt::openFile(p.c_str(), rt::kOpenCreate); // truncated
    ASSERT_NE(f, 0);
    rt::closeFile(f);
    EXPECT_EQ(contents(p), "");

    std::string q = path("fresh.txt");
    f = rt::openFile(q.c_str(), rt::kOpenReadWriteAlways);
    ASSERT_NE(f, 0);
    rt::TextValue empty(rt::readText(f));
    EXPECT_NE(empty.get(), nullptr);
    rt::closeFile(f);
}

TEST_F(FileCommands, WriteFileReplacesTheWholeFile) {
    std::string p = make("out.txt", "a much longer text that was there before");
    auto first = bytes("new");
    auto second = bytes(std::string("\0\r\n", 3));
    EXPECT_TRUE(rt::writeFile(p.c_str(), {first.get(), nullptr, second.get(), &rt::kEmptyByteSet}));
    EXPECT_EQ(contents(p), std::string("new\0\r\n", 6));

    EXPECT_TRUE(rt::writeFile(p.c_str())); // the name alone: an empty file
    EXPECT_TRUE(fs::exists(p));
    EXPECT_EQ(fs::file_size(p), 0u);
}

TEST_F(FileCommands, WriteFileFailsWhereNoFileCanBeMade) {
    auto some = bytes("x");
    EXPECT_FALSE(rt::writeFile((path("missing") + "/sub/x.txt").c_str(), {some.get()}));
    EXPECT_FALSE(rt::writeFile(nullptr, {some.get()}));
    EXPECT_FALSE(rt::writeFile("", {some.get()}));
    // A folder of the same name is not a file.
    fs::create_directory(path("taken"));
    EXPECT_FALSE(rt::writeFile(path("taken").c_str(), {some.get()}));
    // A name longer than any file system allows.
    std::string tooLong = path(std::string(300, 'n') + ".txt");
    EXPECT_FALSE(rt::writeFile(tooLong.c_str(), {some.get()}));
    EXPECT_EQ(rt::openFile(tooLong.c_str(), rt::kOpenRead), 0);
}

TEST_F(FileCommands, WriterWritesPiecesAndReportsTheWholeFile) {
    std::string p = make("pieces.txt", "old contents that are longer");
    rt::FileWriter writer;
    EXPECT_FALSE(writer.ok());
    ASSERT_TRUE(writer.open(p.c_str()));
    EXPECT_TRUE(writer.write("ab", 2));
    EXPECT_TRUE(writer.write("", 0));
    EXPECT_TRUE(writer.write(std::string("\0\x1A", 2).data(), 2));
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(contents(p), std::string("ab\0\x1A", 4));
    EXPECT_FALSE(writer.close()); // nothing open any more

    EXPECT_FALSE(writer.open((path("missing") + "/x.txt").c_str()));
    EXPECT_FALSE(writer.write("x", 1));
    EXPECT_FALSE(writer.close());

    // Opening another file closes the first, which keeps what it got.
    ASSERT_TRUE(writer.open(p.c_str()));
    writer.write("first", 5);
    std::string q = path("second.txt");
    ASSERT_TRUE(writer.open(q.c_str()));
    writer.write("second", 6);
    EXPECT_TRUE(writer.close());
    EXPECT_EQ(contents(p), "first");
    EXPECT_EQ(contents(q), "second");
}

TEST_F(FileCommands, ReadBytesTakesEveryByte) {
    std::string bytes("a\0b\x1A"
                      "c",
                      5);
    std::intptr_t f = rt::openFile(make("raw.bin", bytes).c_str(), rt::kOpenRead);
    ASSERT_NE(f, 0);
    char buffer[8] = {};
    std::uint32_t got = 99;
    EXPECT_EQ(rt::bytesLeft(f), 5u);
    ASSERT_TRUE(rt::readBytes(f, buffer, 3, &got));
    EXPECT_EQ(std::string(buffer, got), bytes.substr(0, 3));
    EXPECT_EQ(rt::bytesLeft(f), 2u); // counted from where reading goes on
    ASSERT_TRUE(rt::readBytes(f, buffer, sizeof buffer, &got));
    EXPECT_EQ(std::string(buffer, got), bytes.substr(3));
    ASSERT_TRUE(rt::readBytes(f, buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u); // the end
    EXPECT_EQ(rt::bytesLeft(f), 0u);
    rt::closeFile(f);
    got = 99;
    EXPECT_FALSE(rt::readBytes(f, buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(rt::readBytes(0, buffer, sizeof buffer, &got));
    EXPECT_EQ(rt::bytesLeft(f), 0u); // closed
    EXPECT_EQ(rt::bytesLeft(0), 0u);
}

TEST_F(FileCommands, LargeFileRoundTripsWhole) {
    std::string big;
    for (int i = 0; big.size() < (3u << 20); ++i)
        big += "line " + std::to_string(i) + "\r\n";
    std::string p = path("big.txt");
    auto set = bytes(big);
    ASSERT_TRUE(rt::writeFile(p.c_str(), {set.get()}));
    std::intptr_t f = rt::openFile(p.c_str(), rt::kOpenRead);
    rt::TextValue text(rt::readText(f));
    rt::closeFile(f);
    ASSERT_EQ(text.length(), big.size());
    EXPECT_TRUE(big == text.c_str());
}

} // namespace
