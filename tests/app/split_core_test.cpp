#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "app/file_store.h"
#include "app/line_index.h"
#include "app/line_walker.h"
#include "app/split_core.h"
#include "runtime/files.h"
#include "runtime/platform.h"
#include "runtime/text.h"
#include "runtime/values.h"

#include "tests/app/split_core_fixture.h"

namespace {

using namespace coretest;

TEST_P(SplitCore, ThreeLinesInGroupsOfTwo) {
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

TEST_P(SplitCore, GroupOfOneWritesAFilePerLineWithEmptyLinesInPlace) {
    ASSERT_EQ(app::importFile(input("first\r\n\r\nthird\r\n").c_str()), 3);
    EXPECT_EQ(lines(), (Lines{"first", "", "third"}));
    EXPECT_EQ(exportWith("1").written, 3);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"first\r\n", "\r\n", "third\r\n"}));
}

TEST_P(SplitCore, GroupSizesThatNeverCompleteAGroupGiveOneFile) {
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

TEST_P(SplitCore, FullWidthCountIsTakenAsDigits) {
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
TEST_P(SplitCore, FilesTogetherHoldEveryLineOnce) {
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
TEST_P(SplitCore, GroupsAcrossBlocksHoldEveryLineOnce) {
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

TEST_P(SplitCore, ImportTakesBytesUpToZeroOrEndOfFileMark) {
    // A UTF-16 text: the first zero byte ends it.
    EXPECT_EQ(app::importFile(input(std::string("a\0\r\0\n\0b\0", 8)).c_str()), 1);
    EXPECT_EQ(lines(), (Lines{"a"}));
    EXPECT_EQ(app::importFile(input("one\r\ntwo\x1A\r\nthree\r\n").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"one", "two"}));
}

TEST_P(SplitCore, LineEndsOtherThanCrLfStayInsideTheLine) {
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

TEST_P(SplitCore, FilesThatCannotBeReadLeaveNoLines) {
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

TEST_P(SplitCore, SecondImportReplacesTheFirst) {
    ASSERT_EQ(app::importFile(input("a\r\nb\r\nc").c_str()), 3);
    EXPECT_EQ(app::importFile(input("d\r\ne", "second.txt").c_str()), 2);
    EXPECT_EQ(lines(), (Lines{"d", "e"}));
}

TEST_P(SplitCore, ReadinessAsksForLinesFirstThenTheCount) {
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

TEST_P(SplitCore, EmptyFolderOrNoLinesWriteNothing) {
    EXPECT_EQ(exportWith("1").written, 0); // no lines
    ASSERT_EQ(app::importFile(input("a\r\nb").c_str()), 2);
    EXPECT_EQ(app::exportLines("", "1").written, 0);
    EXPECT_EQ(app::exportLines(nullptr, "1").written, 0);
    EXPECT_TRUE(outputs().empty());
}

TEST_P(SplitCore, ExistingFilesAreOverwrittenAndHigherNumbersStay) {
    ASSERT_EQ(app::importFile(input("a\r\nb\r\nc").c_str()), 3);
    EXPECT_EQ(exportWith("1").written, 3);
    ASSERT_EQ(app::importFile(input("long line\r\nz").c_str()), 2);
    EXPECT_EQ(exportWith("2").written, 1);
    EXPECT_EQ(outputs(), (std::vector<std::string>{"long line\r\nz\r\n", "b\r\n", "c\r\n"}));
}

TEST_P(SplitCore, AFolderThatCannotBeWrittenIsReported) {
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

// The index of a text fed in pieces, and the lines walked from it through
// pieces cut elsewhere.
struct Indexed {
    app::LineIndex index;
    Lines lines;
};
Indexed indexInPieces(const std::string& bytes, const std::vector<std::size_t>& cuts,
                      std::uint32_t seed, std::size_t mostPerPiece) {
    app::IndexBuilder builder;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        const std::size_t n = std::min(cut, bytes.size() - at);
        const bool open = !builder.ended();
        builder.add(bytes.data() + at, n);
        EXPECT_TRUE(open || builder.ended()) << "once ended, always ended";
        at += n;
    }
    Indexed out{builder.finish(), {}};
    const std::string text = bytes.substr(0, std::size_t(out.index.textEnd()));
    StringPieces pieces(text, seed, mostPerPiece);
    app::visitLines(pieces, out.index, collectLine, &out.lines);
    return out;
}

// Whatever the pieces, the lines are those of split text on the text the
// bytes form (up to the first zero byte or 0x1A).
TEST(LineIndex, AnyPiecesGiveTheLinesOfSplitText) {
    std::mt19937 random(2024);
    const char alphabet[] = {'a', 'b', '\r', '\n', '\r', '\n', '\x81', '\xB0', '\0', '\x1A'};
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        std::size_t n = random() % 40;
        for (std::size_t i = 0; i < n; ++i)
            bytes += alphabet[random() % (round % 3 == 0 ? sizeof alphabet : sizeof alphabet - 2)];
        std::string text = bytes.substr(0, bytes.find_first_of(std::string("\0\x1A", 2)));
        Lines expected = pieces(rt::splitText(text.c_str(), "\r\n"));
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; at < bytes.size(); at += cuts.back())
            cuts.push_back(1 + random() % 5);
        Indexed got = indexInPieces(bytes, cuts, random(), 5);
        ASSERT_EQ(got.index.textEnd(), text.size()) << "round " << round;
        ASSERT_EQ(got.index.count(), expected.size()) << "round " << round;
        ASSERT_EQ(got.lines, expected) << "round " << round;
    }
}

// Megabytes of text, long lines among short ones, line ends and two-byte
// characters wherever a piece ends: the lines, and every mark is the start
// of its line.
TEST(LineIndex, LongTextsInPiecesOfEverySize) {
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
    ASSERT_GT(expected.size(), app::kMarkEvery * 2);
    for (std::size_t most : {std::size_t{7}, std::size_t{300000}}) {
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; at < text.size(); at += cuts.back())
            cuts.push_back(1 + random() % most);
        Indexed got = indexInPieces(text, cuts, random(), most);
        ASSERT_TRUE(got.lines == expected) << most;
        std::uint64_t start = 0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if (i % app::kMarkEvery == 0) {
                ASSERT_EQ(got.index.markAtLine(i).offset, start) << i;
                ASSERT_EQ(got.index.markAtOffset(start + 1).line, i) << i;
            }
            start += expected[i].size() + 2;
        }
    }
}

TEST(LineIndex, LineEndsAndCharactersSplitBetweenPieces) {
    const std::vector<std::string> parts = {"a\r", "\nb\r", "\r", "\n", "c\x81", "\r\nd", "\r"};
    std::string bytes;
    std::vector<std::size_t> cuts;
    for (const std::string& part : parts) {
        bytes += part;
        cuts.push_back(part.size());
    }
    Indexed got = indexInPieces(bytes, cuts, 1, 3);
    EXPECT_EQ(got.lines, (Lines{"a", "b\r", "c\x81\r\nd\r"}));
    EXPECT_FALSE(got.index.lastLineEnded());
    // A stop byte ends the text for good.
    got = indexInPieces("x\r\x1A\ny\r\nz", {2, 3, 3}, 1, 2);
    EXPECT_EQ(got.lines, (Lines{"x\r"}));
    EXPECT_EQ(got.index.textEnd(), 2u);
}

// Files of several megabytes: a line longer than any buffer, line ends and
// two-byte characters across the megabyte boundaries.
TEST_P(SplitCore, LargeFilesImportAndExportWhole) {
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

INSTANTIATE_TEST_SUITE_P(Stores, SplitCore, ::testing::Values(Store::kMemory, Store::kFile),
                         [](const ::testing::TestParamInfo<Store>& info) {
                             return info.param == Store::kMemory ? "InMemory" : "InFile";
                         });

TEST_P(SplitCore, MessagesCarryTheCounts) {
    EXPECT_EQ(textOf(app::importMessage(3)), "文本导入行数为[3]行");
    EXPECT_EQ(textOf(app::importMessage(0)), "文本导入行数为[0]行");
    EXPECT_EQ(textOf(app::exportMessage(12)), "共导出12个文本");
    EXPECT_EQ(textOf(app::exportMessage(2000000)), "共导出2000000个文本");
    // Past 2^31 - 1 and 2^32 the counts stay whole.
    EXPECT_EQ(textOf(app::importMessage(3000000000)), "文本导入行数为[3000000000]行");
    EXPECT_EQ(textOf(app::exportMessage(5000000000)), "共导出5000000000个文本");
}

} // namespace

namespace {

using namespace coretest;

TEST_P(SplitCore, ProgressRisesToTheTotalAndAStoppedImportKeepsTheLines) {
    const std::string first = numberedLines(3000, 1000); // pieces of both stores
    Recorder importing;
    ASSERT_EQ(app::importFile(input(first).c_str(), &importing), 3000);
    EXPECT_GT(importing.calls.size(), 2u);
    EXPECT_TRUE(importing.reachedTheTotal());
    EXPECT_EQ(importing.calls.back().second, first.size());
    const Lines held = lines();

    Recorder stopping(1);
    EXPECT_EQ(app::importFile(input(numberedLines(2000, 900), "second.txt").c_str(), &stopping),
              3000);
    EXPECT_EQ(stopping.calls.size(), 1u) << "no call after the stop";
    EXPECT_TRUE(lines() == held);

    Recorder exporting;
    EXPECT_EQ(app::exportLines(folder_.c_str(), "1000", &exporting).written, 3);
    EXPECT_TRUE(exporting.reachedTheTotal());
    EXPECT_EQ(exporting.calls.back().second, first.size());
}

// Groups of 1.5 MB: a stop asked at 2 MB falls in the second file, which
// goes; the first stays whole.
TEST_P(SplitCore, AStoppedExportKeepsTheWholeFilesAndRemovesThePartOne) {
    const std::string text = numberedLines(4500, 1000);
    ASSERT_EQ(app::importFile(input(text).c_str()), 4500);
    Recorder stopping(std::uint64_t{2} << 20);
    app::ExportResult result = app::exportLines(folder_.c_str(), "1500", &stopping);
    EXPECT_EQ(result.outcome, app::ExportResult::kStopped);
    EXPECT_FALSE(result.failed());
    EXPECT_EQ(result.written, 1);
    EXPECT_EQ(outputs(), std::vector<std::string>{text.substr(0, 1500000)});
    std::string part;
    EXPECT_FALSE(read(outputName(2) + ".未完成", &part)) << "no part under any name";
    EXPECT_EQ(textOf(app::exportReport(result)), "导出已停止\r\n共导出1个文本");
    EXPECT_EQ(app::exportReportStyle(result), 0x40u); // MB_ICONINFORMATION
}

platform::FileHandle gWriter;

void appendLate(platform::FileHandle) {
    std::uint32_t done = 0;
    platform::seekFile(gWriter, 0, platform::kSeekEnd);
    platform::writeFile(gWriter, "late line\r\n", 11, &done);
}

// Another program has the file open and writes to it between the import's
// reads: the import takes the bytes of the size it found, export writes
// those; a change of those bytes in a file kept in its file stops the
// export before it writes anything.
TEST_P(SplitCore, ImportReadsTheSizeTheFileHadWhenItWasOpened) {
    const std::string text = numberedLines(1500, 1000);
    const std::string name = input(text);
    gWriter =
        platform::openFile(name.c_str(), platform::kGenericWrite,
                           platform::kShareRead | platform::kShareWrite, platform::kOpenExisting);
    ASSERT_NE(gWriter, nullptr);
    platform::setReadHook(appendLate);
    EXPECT_EQ(app::importFile(name.c_str()), 1500);
    platform::setReadHook(nullptr);
    EXPECT_GT(fs::file_size(name), text.size()); // it grew meanwhile
    EXPECT_EQ(exportWith("0").written, 1);
    EXPECT_TRUE(outputs() == std::vector<std::string>{text});

    std::uint32_t done = 0;
    platform::seekFile(gWriter, 10, platform::kSeekBegin);
    platform::writeFile(gWriter, "X", 1, &done);
    platform::closeFile(gWriter);
    std::remove(outputName(1).c_str());
    app::ExportResult result = exportWith("0");
    if (GetParam() == Store::kMemory) {
        EXPECT_EQ(result.written, 1); // the held bytes are those imported
        EXPECT_TRUE(outputs() == std::vector<std::string>{text});
        return;
    }
    EXPECT_EQ(result.outcome, app::ExportResult::kSourceChanged);
    EXPECT_EQ(result.written, 0);
    EXPECT_TRUE(outputs().empty());
    EXPECT_EQ(textOf(app::exportReport(result)), "导入的文本已被修改，请重新导入\r\n共导出0个文本");
    EXPECT_EQ(app::exportReportStyle(result), 0x10u);
}

TEST_P(SplitCore, AFileKeptInItsFileRefusesOtherWritersUntilTheNextImport) {
    const std::string name = input(numberedLines(10, 20));
    ASSERT_EQ(app::importFile(name.c_str()), 10);
    auto writable = [&] {
        platform::FileHandle f = platform::openFile(name.c_str(), platform::kGenericWrite,
                                                    platform::kShareRead | platform::kShareWrite,
                                                    platform::kOpenExisting);
        if (f) platform::closeFile(f);
        return f != nullptr;
    };
    const bool kept = GetParam() == Store::kFile;
    EXPECT_EQ(writable(), !kept);
    EXPECT_EQ(app::linesInFile(), kept);
    if (kept) {
        EXPECT_FALSE(platform::deleteFile(name.c_str()));
    }
    app::importFile(input("other", "other.txt").c_str());
    EXPECT_TRUE(writable());
}

// A sparse file of 4 GiB + 10 bytes whose text ends at its first zero
// byte: its size taken modulo 4 GiB (10) would cut the text short. Its
// lines end at CR LF, or at lone LFs where lone LFs end lines.
TEST_P(SplitCore, AFileOfFourGigabytesIsReadByItsWholeSize) {
    for (bool loneLf : {false, true}) {
        std::string text = numberedLines(12, 10);
        if (loneLf) text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        const std::string name = input(text);
        const std::uint64_t size = (std::uint64_t{4} << 30) + 10;
#if defined(_WIN32)
        HANDLE f = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD ignored = 0;
        DeviceIoControl(f, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        LARGE_INTEGER end;
        end.QuadPart = LONGLONG(size);
        ASSERT_TRUE(SetFilePointerEx(f, end, nullptr, FILE_BEGIN) && SetEndOfFile(f));
        CloseHandle(f);
#else
        ASSERT_EQ(::truncate(name.c_str(), off_t(size)), 0);
#endif
        if (GetParam() == Store::kMemory) app::setStoreLimits(~std::uint64_t{0});
        EXPECT_EQ(app::importFile(name.c_str(), nullptr, loneLf), 12);
        EXPECT_EQ(app::linesInFile(), GetParam() == Store::kFile);
        EXPECT_EQ(exportWith("5").written, 3);
        std::vector<std::string> files = outputs();
        ASSERT_EQ(files.size(), 3u);
        EXPECT_EQ(files[0] + files[1] + files[2], text);
        app::releaseLines();
        std::remove(name.c_str());
    }
}

TEST_P(SplitCore, ExportNeverWritesOverTheImportedFile) {
    // The imported file is the export's second file, under its own name.
    const std::string source = outputName(2);
    {
        std::FILE* f = std::fopen(source.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x\r\ny\r\nz", f);
        std::fclose(f);
    }
    ASSERT_EQ(app::importFile(source.c_str()), 3);
    for (const char* count : {"1", "2"}) {
        app::ExportResult result = exportWith(count);
        EXPECT_EQ(result.outcome, app::ExportResult::kWouldOverwrite) << count;
        EXPECT_EQ(result.written, 0);
        EXPECT_EQ(result.failedFile.c_str(), source);
        EXPECT_EQ(textOf(app::exportReport(result)),
                  "不能覆盖导入的文本：" + source + "\r\n请选择其他文件夹");
        EXPECT_EQ(app::exportReportStyle(result), 0x10u);
    }
    std::string bytes;
    EXPECT_TRUE(read(source, &bytes) && bytes == "x\r\ny\r\nz");
    EXPECT_FALSE(read(outputName(1), &bytes)) << "nothing written before the check";
    EXPECT_EQ(exportWith("3").written, 1); // one file: the second name is not written

    // Another name of the same file: a link in the folder, under the
    // export's third name.
    const std::string three = input("a\r\nb\r\nc", "three.txt");
#if defined(_WIN32)
    ASSERT_TRUE(CreateHardLinkA(outputName(3).c_str(), three.c_str(), nullptr));
#else
    ASSERT_EQ(::link(three.c_str(), outputName(3).c_str()), 0);
#endif
    ASSERT_EQ(app::importFile(three.c_str()), 3);
    app::ExportResult result = exportWith("1");
    EXPECT_EQ(result.outcome, app::ExportResult::kWouldOverwrite);
    EXPECT_EQ(result.failedFile.c_str(), outputName(3));
    EXPECT_EQ(exportWith("2").written, 2); // the third name is not written
}

} // namespace
