#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/split_core.h"
#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/values.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// A fresh line array and a fresh folder per test. Output names are built
// from the folder text exactly as the core is documented to build them.
class SplitCore : public ::testing::Test {
  protected:
    void SetUp() override {
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        dir_ = fs::temp_directory_path() /
               ("textsplit_core_" + std::to_string(stamp) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_ / "out");
        folder_ = (dir_ / "out").string();
        app::createLines();
    }
    void TearDown() override {
        app::releaseLines();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    std::string input(const std::string& bytes, const std::string& name = "in.txt") const {
        std::string p = (dir_ / name).string();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }

    std::string outputName(int number) const {
        return folder_ + "\\文本" + std::to_string(number) + ".txt";
    }

    static bool read(const std::string& name, std::string* bytes) {
        std::FILE* f = std::fopen(name.c_str(), "rb");
        if (!f) return false;
        bytes->clear();
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes->append(chunk, n);
        std::fclose(f);
        return true;
    }

    // The contents of files 1, 2, ... up to the first missing one.
    std::vector<std::string> outputs() const {
        std::vector<std::string> all;
        std::string bytes;
        while (read(outputName(int(all.size()) + 1), &bytes))
            all.push_back(bytes);
        return all;
    }

    static Lines lines() {
        Lines out;
        rt::Array a = app::lines();
        for (std::int32_t i = 0; i < app::lineCount(); ++i)
            out.emplace_back(rt::orEmpty(rt::textElements(a)[i]));
        return out;
    }

    app::ExportResult exportWith(const char* count) const {
        return app::exportLines(folder_.c_str(), count);
    }

    fs::path dir_;
    std::string folder_;
};

Lines pieces(rt::Array owned) {
    rt::TextArray array(owned);
    Lines out;
    for (std::int32_t i = 1; i <= array.count(); ++i) {
        EXPECT_NE(array.at(i), nullptr);
        out.emplace_back(rt::orEmpty(array.at(i)));
    }
    return out;
}

Lines pieces(const app::LineStore& store) {
    Lines out;
    char* const* texts = rt::textElements(store.array());
    for (std::int32_t i = 0; i < store.count(); ++i) {
        EXPECT_NE(texts[i], nullptr);
        out.emplace_back(rt::orEmpty(texts[i]));
    }
    return out;
}

std::string textOf(char* owned) {
    rt::TextValue text(owned);
    return text.c_str();
}

TEST_F(SplitCore, ThreeLinesInGroupsOfTwo) {
    for (const char* file : {"x\r\ny\r\nz", "x\r\ny\r\nz\r\n"}) {
        ASSERT_EQ(app::importFile(input(file).c_str()), 3);
        app::ExportResult result = exportWith("2");
        EXPECT_EQ(result.written, 2);
        EXPECT_FALSE(result.failed());
        EXPECT_EQ(outputs(), (std::vector<std::string>{"x\r\ny\r\n", "z\r\n"}));
        EXPECT_EQ(textOf(app::exportReport(result)), "共导出2个文本");
        EXPECT_EQ(app::exportReportStyle(result), 0u);
    }
}

TEST_F(SplitCore, GroupOfOneWritesAFilePerLineWithEmptyLinesInPlace) {
    ASSERT_EQ(app::importFile(input("first\r\n\r\nthird\r\n").c_str()), 3);
    EXPECT_EQ(lines(), (Lines{"first", "", "third"}));
    EXPECT_EQ(exportWith("1").written, 3);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"first\r\n", "\r\n", "third\r\n"}));
}

TEST_F(SplitCore, GroupSizesThatNeverCompleteAGroupGiveOneFile) {
    std::string five = "1\r\n2\r\n3\r\n4\r\n5";
    ASSERT_EQ(app::importFile(input(five).c_str()), 5);
    // 0, negative, no digits, larger than the line count, and a value that
    // wraps to a negative number.
    for (const char* count : {"0", "-3", "abc", "5", "6", "99999", "2147483648", "-0"}) {
        std::remove(outputName(1).c_str());
        app::ExportResult result = exportWith(count);
        EXPECT_EQ(result.written, 1) << count;
        EXPECT_EQ(outputs(), (std::vector<std::string>{five + "\r\n"})) << count;
    }
    EXPECT_EQ(exportWith("4").written, 2);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"1\r\n2\r\n3\r\n4\r\n", "5\r\n"}));
}

TEST_F(SplitCore, FullWidthCountIsTakenAsDigits) {
    std::string text;
    for (int i = 1; i <= 25; ++i)
        text += "line" + std::to_string(i) + "\r\n";
    ASSERT_EQ(app::importFile(input(text).c_str()), 25);
    app::ExportResult result = exportWith("\xA3\xB1\xA3\xB2"); // full-width 12
    EXPECT_EQ(result.written, 3);
    std::vector<std::string> files = outputs();
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[2], "line25\r\n");
    EXPECT_EQ(files[0] + files[1] + files[2], text);
}

// For any lines and group size: ceil(n / g) files, every one full but the
// last, and together they are the lines each followed by CR LF.
TEST_F(SplitCore, FilesTogetherHoldEveryLineOnce) {
    std::mt19937 random(7);
    std::string text, expected;
    const int n = 1000;
    for (int i = 0; i < n; ++i) {
        std::string line(random() % 40, 'a');
        for (char& c : line)
            c = "ab \r\t\xB0\xA1"[random() % 7];
        if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0x80) line.back() = 'e';
        if (!line.empty() && line.back() == '\r') line.back() = 'r';
        text += line + "\r\n";
    }
    ASSERT_EQ(app::importFile(input(text).c_str()), n);
    for (int g : {7, 999, 1000, 1001}) {
        for (int k = 1; k <= 200; ++k)
            std::remove(outputName(k).c_str());
        app::ExportResult result = exportWith(std::to_string(g).c_str());
        int files = (n + g - 1) / g;
        EXPECT_EQ(result.written, files) << g;
        std::vector<std::string> got = outputs();
        ASSERT_EQ(int(got.size()), files) << g;
        std::string joined;
        for (std::size_t k = 0; k < got.size(); ++k) {
            rt::TextArray parts(rt::splitText(got[k].c_str(), "\r\n"));
            int expectedLines = k + 1 < got.size() ? g : n - (files - 1) * g;
            EXPECT_EQ(parts.count(), expectedLines) << "group size " << g << ", file " << k + 1;
            joined += got[k];
        }
        EXPECT_EQ(joined, text) << g;
    }
}

// Enough lines to fill several blocks: groups that start, end and span
// anywhere among them give back the file line for line.
TEST_F(SplitCore, GroupsAcrossBlocksHoldEveryLineOnce) {
    std::mt19937 random(11);
    std::vector<std::string> all;
    std::string text;
    while (text.size() < 600000) {
        std::string line(random() % 90, 'x');
        for (char& c : line)
            c = "xy \t\r\xB0\xA1"[random() % 7];
        if (!line.empty() &&
            (line.back() == '\r' || static_cast<unsigned char>(line.back()) >= 0x80))
            line.back() = 'z';
        all.push_back(line);
        text += line + "\r\n";
    }
    const int n = int(all.size());
    ASSERT_EQ(app::importFile(input(text).c_str()), n);
    ASSERT_TRUE(lines() == all);
    for (int g : {2999, 5000, n - 1, 0}) {
        for (int k = 1; k <= 20; ++k)
            std::remove(outputName(k).c_str());
        const int size = g >= 1 ? g : n;
        app::ExportResult result = exportWith(std::to_string(g).c_str());
        const int files = (n + size - 1) / size;
        EXPECT_EQ(result.written, files) << g;
        std::vector<std::string> got = outputs();
        ASSERT_EQ(int(got.size()), files) << g;
        for (int k = 0; k < files; ++k) {
            std::string group;
            for (int i = k * size; i < n && i < (k + 1) * size; ++i)
                group += all[std::size_t(i)] + "\r\n";
            EXPECT_TRUE(got[std::size_t(k)] == group) << "group size " << g << ", file " << k + 1;
        }
    }
}

TEST_F(SplitCore, ImportTakesBytesUpToZeroOrEndOfFileMark) {
    // A UTF-16 text: the first zero byte ends it.
    EXPECT_EQ(app::importFile(input(std::string("a\0\r\0\n\0b\0", 8)).c_str()), 1);
    EXPECT_EQ(lines(), (Lines{"a"}));
    EXPECT_EQ(app::importFile(input("one\r\ntwo\x1A\r\nthree\r\n").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"one", "two"}));
}

TEST_F(SplitCore, LineEndsOtherThanCrLfStayInsideTheLine) {
    ASSERT_EQ(app::importFile(input("a\nb\nc\n").c_str()), 1);
    EXPECT_EQ(exportWith("1").written, 1);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"a\nb\nc\n\r\n"}));

    EXPECT_EQ(app::importFile(input("a\rb\r\r\nc\n\rd").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"a\rb\r", "c\n\rd"}));
    EXPECT_EQ(app::importFile(input("\r\n").c_str()), 1);
    EXPECT_EQ(lines(), (Lines{""}));
    EXPECT_EQ(app::importFile(input("\r\n\r\n\r\n").c_str()), 3);
    // A character whose second byte is CR keeps the LF after it in the line.
    EXPECT_EQ(app::importFile(input("\x81\r\nb\r\nc").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"\x81\r\nb", "c"}));
}

TEST_F(SplitCore, FilesThatCannotBeReadLeaveNoLines) {
    ASSERT_EQ(app::importFile(input("a\r\nb").c_str()), 2);
    EXPECT_EQ(app::importFile(input("").c_str()), 0); // empty file
    EXPECT_EQ(app::readinessMessage("3"), app::kNoLinesMessage);

    ASSERT_EQ(app::importFile(input("a\r\nb").c_str()), 2);
    std::string gone = input("soon gone", "gone.txt");
    std::remove(gone.c_str()); // vanished between picking and reading
    EXPECT_EQ(app::importFile(gone.c_str()), 0);
    EXPECT_EQ(app::lineCount(), 0);

    EXPECT_EQ(app::importFile((dir_ / "no_folder" / "x.txt").string().c_str()), 0);
    EXPECT_EQ(app::importFile(nullptr), 0);
    EXPECT_EQ(app::importFile(""), 0);
    EXPECT_EQ(app::importFile(folder_.c_str()), 0); // a folder is no file
    EXPECT_EQ(app::importFile((dir_ / (std::string(300, 'n') + ".txt")).string().c_str()), 0);
}

TEST_F(SplitCore, SecondImportReplacesTheFirst) {
    ASSERT_EQ(app::importFile(input("a\r\nb\r\nc").c_str()), 3);
    EXPECT_EQ(app::importFile(input("d\r\ne", "second.txt").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"d", "e"}));
}

TEST_F(SplitCore, ReadinessAsksForLinesFirstThenTheCount) {
    EXPECT_EQ(app::readinessMessage(""), app::kNoLinesMessage);
    EXPECT_EQ(app::readinessMessage("5"), app::kNoLinesMessage);
    ASSERT_EQ(app::importFile(input("a").c_str()), 1);
    EXPECT_EQ(app::readinessMessage(""), app::kNoCountMessage);
    EXPECT_EQ(app::readinessMessage(nullptr), app::kNoCountMessage);
    for (const char* count : {"0", "-1", "abc", "5"})
        EXPECT_EQ(app::readinessMessage(count), nullptr);
    EXPECT_STREQ(app::kNoLinesMessage, "请先导入文本");
    EXPECT_STREQ(app::kNoCountMessage, "请输入每个文本保存数量");
    EXPECT_STREQ(app::kMessageCaption, "信息");
}

TEST_F(SplitCore, EmptyFolderOrNoLinesWriteNothing) {
    EXPECT_EQ(exportWith("1").written, 0); // no lines
    ASSERT_EQ(app::importFile(input("a\r\nb").c_str()), 2);
    EXPECT_EQ(app::exportLines("", "1").written, 0);
    EXPECT_EQ(app::exportLines(nullptr, "1").written, 0);
    EXPECT_TRUE(outputs().empty());
}

TEST_F(SplitCore, ExistingFilesAreOverwrittenAndHigherNumbersStay) {
    ASSERT_EQ(app::importFile(input("a\r\nb\r\nc").c_str()), 3);
    EXPECT_EQ(exportWith("1").written, 3);
    ASSERT_EQ(app::importFile(input("long line\r\nz").c_str()), 2);
    EXPECT_EQ(exportWith("2").written, 1);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"long line\r\nz\r\n", "b\r\n", "c\r\n"}));
}

TEST_F(SplitCore, AFolderThatCannotBeWrittenIsReported) {
    ASSERT_EQ(app::importFile(input("a\r\nb").c_str()), 2);
    std::string missing = (dir_ / "missing" / "deeper").string();
    app::ExportResult result = app::exportLines(missing.c_str(), "1");
    EXPECT_EQ(result.written, 0);
    ASSERT_TRUE(result.failed());
    std::string name = missing + "\\文本1.txt";
    EXPECT_EQ(result.failedFile.c_str(), name);
    EXPECT_EQ(textOf(app::exportReport(result)), "写入文件失败：" + name + "\r\n共导出0个文本");
    EXPECT_EQ(app::exportReportStyle(result), 0x10u); // MB_ICONERROR

    std::string tooLong = folder_ + "\\" + std::string(300, 'n');
    result = app::exportLines(tooLong.c_str(), "1");
    EXPECT_EQ(result.written, 0);
    EXPECT_EQ(result.failedFile.c_str(), tooLong + "\\文本1.txt");
}

// Whatever the pieces, the lines are those of split text on the text the
// bytes form (up to the first zero byte or 0x1A).
TEST(LineCollector, AnyPiecesGiveTheLinesOfSplitText) {
    std::mt19937 random(2024);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n', '\x81', '\xB0', '\0', '\x1A'};
    app::LineCollector collector;
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        std::size_t n = random() % 40;
        for (std::size_t i = 0; i < n; ++i)
            bytes += alphabet[random() % (round % 3 == 0 ? sizeof alphabet : sizeof alphabet - 2)];
        std::string text = bytes.substr(0, bytes.find_first_of(std::string("\0\x1A", 2)));
        Lines expected = pieces(rt::splitText(text.c_str(), "\r\n"));
        bool open = true;
        for (std::size_t at = 0; at < bytes.size();) {
            std::size_t piece = 1 + random() % 5;
            if (piece > bytes.size() - at) piece = bytes.size() - at;
            // A wrong guess of what is to come makes blocks of a few bytes,
            // so lines move between blocks anywhere.
            if (random() % 3 == 0) collector.expect(random() % 6);
            bool more = collector.feed(bytes.data() + at, piece);
            if (!open) {
                ASSERT_FALSE(more); // once ended, always ended
            }
            open = more;
            at += piece;
        }
        ASSERT_EQ(pieces(collector.finish()), expected) << "round " << round;
    }
}

// Megabytes of text through blocks of every size: long lines, line ends and
// two-byte characters wherever a block or a piece ends, with the size of
// what is to come told right, too low, too high, wrongly all the time, or
// not at all.
TEST(LineCollector, LongTextsAcrossBlocks) {
    std::mt19937 random(99);
    std::string text;
    while (text.size() < (std::size_t{3} << 19)) {
        std::size_t length = random() % 8 == 0 ? random() % 200000 : random() % 300;
        for (std::size_t i = 0; i < length; ++i)
            text += "ab\r\n\x81\xB0"[random() % 6];
        text += "\r\n";
    }
    text += "\xB0\r"; // a lead byte and a CR at the very end
    const Lines expected = pieces(rt::splitText(text.c_str(), "\r\n"));
    ASSERT_GT(expected.size(), 1000u);

    enum Hint { kNone, kExact, kLow, kHigh, kEveryPiece };
    for (Hint hint : {kNone, kExact, kLow, kHigh, kEveryPiece}) {
        app::LineCollector collector;
        if (hint == kExact) collector.expect(text.size());
        if (hint == kLow) collector.expect(text.size() / 3);
        if (hint == kHigh) collector.expect(text.size() * 4);
        for (std::size_t at = 0; at < text.size();) {
            std::size_t piece = std::min<std::size_t>(1 + random() % 300000, text.size() - at);
            if (hint == kEveryPiece) collector.expect(random() % 1000);
            ASSERT_TRUE(collector.feed(text.data() + at, piece));
            at += piece;
        }
        app::LineStore store = collector.finish();
        ASSERT_TRUE(pieces(store) == expected) << "hint " << hint;
    }
}

TEST(LineCollector, LineEndsAndCharactersSplitBetweenPieces) {
    app::LineCollector collector;
    for (const char* piece : {"a\r", "\nb\r", "\r", "\n", "c\x81", "\r\nd", "\r"})
        collector.feed(piece, std::strlen(piece));
    EXPECT_EQ(pieces(collector.finish()), (Lines{"a", "b\r", "c\x81\r\nd\r"}));
    // Afresh after finish; a stop byte ends the text for good.
    EXPECT_TRUE(collector.feed("x\r", 2));
    EXPECT_FALSE(collector.feed("\x1A\ny", 3));
    EXPECT_FALSE(collector.feed("\r\nz", 3));
    EXPECT_EQ(pieces(collector.finish()), (Lines{"x\r"}));
    EXPECT_EQ(pieces(collector.finish()), Lines{});
}

// Files of several megabytes: a line longer than any buffer, line ends and
// two-byte characters across the megabyte boundaries.
TEST_F(SplitCore, LargeFilesImportAndExportWhole) {
    const std::size_t mb = std::size_t{1} << 20;
    Lines expected = {"first"};
    expected.push_back(std::string(mb - 8, 'p'));              // its CR is the last byte of 1 MB
    expected.push_back(std::string(mb - 2, 'q') + "\xB0\xA1"); // a character across 2 MB
    expected.push_back(std::string(3 * mb + 12345, 'L'));      // longer than any buffer
    for (int i = 0; i < 300; ++i)
        expected.push_back("line " + std::to_string(i));
    expected.push_back("last without line end");
    std::string text;
    for (const std::string& line : expected)
        text += line + "\r\n";
    text.resize(text.size() - 2);
    ASSERT_EQ(text.substr(mb - 1, 2), "\r\n");
    ASSERT_EQ(text.substr(2 * mb - 1, 2), "\xB0\xA1");
    std::string name = input(text);

    ASSERT_EQ(app::importFile(name.c_str()), static_cast<std::int32_t>(expected.size()));
    ASSERT_TRUE(lines() == expected);
    std::intptr_t file = rt::openFile(name.c_str(), rt::kOpenRead);
    rt::TextValue whole(rt::readText(file));
    rt::closeFile(file);
    EXPECT_TRUE(pieces(rt::splitText(whole.c_str(), "\r\n")) == expected);

    EXPECT_EQ(exportWith("0").written, 1);
    std::vector<std::string> files = outputs();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(files[0] == text + "\r\n");

    EXPECT_EQ(exportWith("2").written, int(expected.size() + 1) / 2);
    files = outputs();
    ASSERT_EQ(files.size(), (expected.size() + 1) / 2);
    EXPECT_TRUE(files[1] == expected[2] + "\r\n" + expected[3] + "\r\n");
    std::string joined;
    for (const std::string& f : files)
        joined += f;
    EXPECT_TRUE(joined == text + "\r\n");
}

TEST_F(SplitCore, MessagesCarryTheCounts) {
    EXPECT_EQ(textOf(app::importMessage(3)), "文本导入行数为[3]行");
    EXPECT_EQ(textOf(app::importMessage(0)), "文本导入行数为[0]行");
    EXPECT_EQ(textOf(app::exportMessage(12)), "共导出12个文本");
    EXPECT_EQ(textOf(app::exportMessage(2000000)), "共导出2000000个文本");
}

} // namespace
