// The ways to split beside the design's own, on both stores: files of a
// size, N parts, chapters, a header in every file, names after the imported
// file and padded numbers, against a reference made from the rules.
#include "tests/app/split_core_fixture.h"

#include <cstdio>
#include <random>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif
#include <string>
#include <vector>

#include "app/output_names.h"
#include "app/split_options.h"

namespace {

using namespace coretest;
using Files = std::vector<std::string>;
using app::SplitMode;

// The lines of a text with their line ends (CR LF at a character start,
// and a lone LF there where lone LFs end lines), walked character by
// character; the last one without its end gets CR LF.
Lines linesWithEnds(const std::string& text, bool loneLf) {
    Lines lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) >= 0x80) {
            ++i;
        } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            lines.push_back(text.substr(start, i + 2 - start));
            start = ++i + 1;
        } else if (text[i] == '\n' && loneLf) {
            lines.push_back(text.substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start) + "\r\n");
    return lines;
}

// What each mode makes of the lines, with the header (if kept) on top.
Files reference(const std::string& text, SplitMode mode, std::uint64_t n, bool header,
                bool loneLf = false) {
    Lines lines = linesWithEnds(text, loneLf);
    std::string head;
    if (header && lines.size() > 1) {
        head = lines.front();
        lines.erase(lines.begin());
    }
    std::vector<std::size_t> counts; // lines a file
    if (mode == SplitMode::kLines) {
        for (std::size_t i = 0; i < lines.size(); i += n)
            counts.push_back(std::min<std::size_t>(n, lines.size() - i));
    } else if (mode == SplitMode::kParts) {
        const std::size_t parts = std::min<std::size_t>(n, lines.size());
        for (std::size_t k = 0; k < parts; ++k)
            counts.push_back(lines.size() / parts + (k < lines.size() % parts ? 1 : 0));
    } else { // files of n KB, a longer line alone
        std::size_t bytes = head.size(), in = 0;
        for (const std::string& line : lines) {
            if (in > 0 && bytes + line.size() > n * 1024) {
                counts.push_back(in);
                bytes = head.size();
                in = 0;
            }
            bytes += line.size();
            ++in;
        }
        counts.push_back(in);
    }
    Files files;
    std::size_t at = 0;
    for (std::size_t count : counts) {
        files.push_back(head);
        for (std::size_t i = 0; i < count; ++i)
            files.back() += lines[at++];
    }
    return files;
}

class SplitModes : public SplitCore {
  protected:
    app::ExportResult exportAs(app::SplitOptions options, const char* count) {
        return app::exportLines(folder_.c_str(), count, nullptr, options);
    }
    // Files 1.. of the names given, up to the first missing one.
    Files named(const app::OutputNames& names) const {
        Files files;
        std::string bytes;
        for (std::uint64_t k = 1;; ++k) {
            rt::TextValue name(names.finished(k));
            if (!read(name.c_str(), &bytes)) return files;
            files.push_back(bytes);
        }
    }
    void clearOutputs() {
        fs::remove_all(folder_);
        fs::create_directories(folder_);
#if !defined(_WIN32)
        // The stand-in's outputs are files beside the folder ("out\name").
        for (const auto& entry : fs::directory_iterator(dir_))
            if (entry.path().filename().string().rfind("out\\", 0) == 0) fs::remove(entry.path());
#endif
    }
};

// Random texts of two-byte characters and long and empty lines, through
// small blocks and pieces: each mode, with and without a header, with
// line ends at CR LF only and at lone LFs too, writes exactly the
// reference's files.
TEST_P(SplitModes, EachModeWritesTheReferenceFiles) {
    std::mt19937 random(17);
    for (int round = 0; round < 4; ++round) {
        std::string text;
        while (text.size() < 70000) {
            std::size_t length = random() % 16 == 0 ? random() % 5000 : random() % 80;
            for (std::size_t i = 0; i < length; ++i)
                text += "ab \t\r\n\xB5\xDA"[random() % 8];
            if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0x80) text += 'z';
            text += "\r\n";
        }
        if (round % 2) text += "last without end";
        const bool loneLf = round >= 2;
        ASSERT_GT(app::importFile(input(text).c_str(), nullptr, loneLf), 0);
        struct {
            SplitMode mode;
            std::uint64_t n;
        } const cases[] = {{SplitMode::kLines, 700},
                           {SplitMode::kParts, 7},
                           {SplitMode::kParts, 1},
                           {SplitMode::kSize, 3},
                           {SplitMode::kSize, 1000}};
        for (const auto& c : cases) {
            for (bool header : {false, true}) {
                clearOutputs();
                app::SplitOptions options;
                options.mode = c.mode;
                options.header = header;
                app::ExportResult result = exportAs(options, std::to_string(c.n).c_str());
                const Files expected = reference(text, c.mode, c.n, header, loneLf);
                EXPECT_EQ(result.outcome, app::ExportResult::kWritten);
                EXPECT_EQ(result.written, std::int64_t(expected.size()));
                const Files got = named(app::OutputNames(folder_.c_str()));
                ASSERT_TRUE(got == expected)
                    << "round " << round << " mode " << int(c.mode) << " n " << c.n << " header "
                    << header << " lone LF " << loneLf;
            }
        }
    }
}

// Edges of each mode and of the line-end rule, with the files spelled out:
// each line keeps the end it had, a last line without one gets CR LF, and
// the import's rule holds for every mode and for the header.
TEST_P(SplitModes, EdgesOfEachModeAndLineEndRule) {
    const std::string longLine(3000, 'L'), x1019(1019, 'x'), x1021(1021, 'x');
    const std::string heading = "\xB5\xDA\xD2\xBB\xD5\xC2"; // 第一章
    struct Case {
        const char* name;
        std::string text;
        bool loneLf;
        SplitMode mode;
        const char* count;
        bool header;
        Files files; // none: the reference's files of 1024 KB
    } const cases[] = {
        // clang-format off
        {"a line longer than the size goes alone", "a\r\n" + longLine + "\r\nb\r\nc", false,
         SplitMode::kSize, "1", false, {"a\r\n", longLine + "\r\n", "b\r\nc\r\n"}},
        {"the header counts towards the size", "h\r\n" + x1019 + "\r\ny\r\n", false,
         SplitMode::kSize, "1", true, {"h\r\n" + x1019 + "\r\n", "h\r\ny\r\n"}},
        {"the CR LF given to the last line counts", x1021 + "\r\nz", false,
         SplitMode::kSize, "1", false, {x1021 + "\r\n", "z\r\n"}},
        {"a size of 0 is one file", "a\r\nb", false, SplitMode::kSize, "0", false, {"a\r\nb\r\n"}},
        {"more parts than lines", "1\r\n2\r\n3", false, SplitMode::kParts, "5", false,
         {"1\r\n", "2\r\n", "3\r\n"}},
        {"the first parts take the extra lines", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7", false,
         SplitMode::kParts, "3", false, {"1\r\n2\r\n3\r\n", "4\r\n5\r\n", "6\r\n7\r\n"}},
        {"parts after the header", "h\r\n1\r\n2\r\n3", false, SplitMode::kParts, "2", true,
         {"h\r\n1\r\n2\r\n", "h\r\n3\r\n"}},
        {"a header and no other line is one plain file", "only", false, SplitMode::kLines, "1",
         true, {"only\r\n"}},
        {"the header does not count towards N", "h\r\n1\r\n2\r\n3", false, SplitMode::kLines, "2",
         true, {"h\r\n1\r\n2\r\n", "h\r\n3\r\n"}},
        // Its file learns that a long line is the next one's only beyond a
        // megabyte piece: what went into it of that line is taken back.
        {"a long line across the size and a piece end",
         numberedLines(7000, 100) + std::string(500000, 'y') + "\r\n" + numberedLines(9000, 100),
         false, SplitMode::kSize, "1024", false, {}},
        {"an LF file is one line by default", "a\nb\nc", false, SplitMode::kLines, "1", false,
         {"a\nb\nc\r\n"}},
        {"an LF file in lines", "a\nb\nc", true, SplitMode::kLines, "2", false, {"a\nb\n", "c\r\n"}},
        {"each line keeps its end", "a\r\nb\nc\r", true, SplitMode::kLines, "1", false,
         {"a\r\n", "b\n", "c\r\r\n"}},
        {"an LF that is a second byte ends nothing", "\xB0\nx\ny", true, SplitMode::kLines, "1",
         false, {"\xB0\nx\n", "y\r\n"}},
        {"a header with its LF", "h\n1\n2\n3\n", true, SplitMode::kParts, "2", true,
         {"h\n1\n2\n", "h\n3\n"}},
        {"chapters after LFs", "p\n" + heading + "\nx\n" + heading + "\ny", true,
         SplitMode::kChapters, "1", false, {"p\n" + heading + "\nx\n", heading + "\ny\r\n"}},
        {"sizes count an LF as one byte", "aaa\nbbb\nccc\n", true, SplitMode::kSize, "0", false,
         {"aaa\nbbb\nccc\n"}},
        // clang-format on
    };
    for (const Case& c : cases) {
        clearOutputs();
        ASSERT_GT(app::importFile(input(c.text).c_str(), nullptr, c.loneLf), 0) << c.name;
        app::SplitOptions options;
        options.mode = c.mode;
        options.header = c.header;
        const Files expected =
            c.files.empty() ? reference(c.text, c.mode, 1024, c.header) : c.files;
        EXPECT_EQ(exportAs(options, c.count).written, std::int64_t(expected.size())) << c.name;
        EXPECT_TRUE(named(app::OutputNames(folder_.c_str())) == expected) << c.name;
    }
}

// "第…章" and its kin, after blanks: a new file at each heading, N a file,
// the lines before the first in the first file.
TEST_P(SplitModes, ChaptersStartFilesAtTheirHeadings) {
    const std::string preface = "\xD0\xF2\r\n";                              // 序
    const std::string one = "\xB5\xDA\xD2\xBB\xD5\xC2 \xBF\xAA\xCA\xBC\r\n"; // 第一章 开始
    const std::string two = "\xA1\xA1\t\xB5\xDA"
                            "2\xBB\xD8\r\n";                          // 　\t第2回
    const std::string three = "\xB5\xDA\xA3\xB1\xA3\xB0\xBE\xED\r\n"; // 第１０卷
    // Not headings: "第" as the second half of a character and the first
    // half of the next, ten numerals, no numeral, no unit.
    const std::string notOne = "\x81\xB5\xDA\xD2\xBB\xD5\xC2\xA1\r\n";
    const std::string notTwo = "\xB5\xDA" + std::string(10, '1') + "\xD5\xC2\r\n";
    const std::string notThree = "\xB5\xDA\xD5\xC2\r\n\xB5\xDA\xD2\xBB\r\n";
    const std::string body = "text\r\n";
    const std::string text = preface + one + body + notOne + two + notTwo + body + three + notThree;
    ASSERT_GT(app::importFile(input(text).c_str()), 0);
    app::SplitOptions options;
    options.mode = SplitMode::kChapters;
    EXPECT_EQ(exportAs(options, "1").written, 3);
    EXPECT_EQ(named(app::OutputNames(folder_.c_str())),
              (Files{preface + one + body + notOne, two + notTwo + body, three + notThree}));
    clearOutputs();
    EXPECT_EQ(exportAs(options, "2").written, 2);
    EXPECT_EQ(named(app::OutputNames(folder_.c_str())),
              (Files{preface + one + body + notOne + two + notTwo + body, three + notThree}));

    // A heading on the first line, kept as the header: the chapters are
    // those after it.
    clearOutputs();
    ASSERT_GT(app::importFile(input(one + body + two + body + three).c_str()), 0);
    options.header = true;
    EXPECT_EQ(exportAs(options, "1").written, 2);
    EXPECT_EQ(named(app::OutputNames(folder_.c_str())),
              (Files{one + body + two + body, one + three}));

    // No heading: nothing is written, and the box says so before a folder
    // is asked for.
    clearOutputs();
    ASSERT_GT(app::importFile(input(body + notOne + notTwo).c_str()), 0);
    EXPECT_STREQ(app::readinessMessage("1", options), app::kNoHeadingMessage);
    EXPECT_EQ(app::readinessMessage("1"), nullptr);
    app::ExportResult result = exportAs(options, "1");
    EXPECT_EQ(result.outcome, app::ExportResult::kNoHeadings);
    EXPECT_EQ(textOf(app::exportReport(result)), app::kNoHeadingMessage);
    EXPECT_EQ(app::exportReportStyle(result), 0x40u);
    EXPECT_TRUE(named(app::OutputNames(folder_.c_str())).empty());
}

// Headings whose line starts just before the end of a block of the memory
// store and of a megabyte piece of the file store are found across it.
TEST_P(SplitModes, AHeadingAcrossAPieceEndIsFound) {
    const std::string heading = "\xB5\xDA\xD2\xBB\xD5\xC2\r\n"; // 第一章
    const std::uint64_t edges[] = {kSmallBlock - 3, (std::uint64_t{1} << 20) - 5};
    std::string text;
    for (std::uint64_t edge : edges) {
        while (text.size() + 2 < edge)
            text += std::string(std::min<std::size_t>(60, edge - text.size() - 2), 'x') + "\r\n";
        text.resize(edge - 2);
        text += "\r\n" + heading;
    }
    ASSERT_GT(app::importFile(input(text).c_str()), 0);
    app::SplitOptions options;
    options.mode = SplitMode::kChapters;
    // Two files, the lines before the first heading in the first.
    EXPECT_EQ(exportAs(options, "1").written, 2);
    const Files files = named(app::OutputNames(folder_.c_str()));
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].substr(edges[0], heading.size()), heading);
    EXPECT_EQ(files[1].substr(0, heading.size()), heading);
    EXPECT_EQ(files[0] + files[1], text);
}

// Names after the imported file and zero-padded numbers, as wide as the
// number of files: with N parts, and with files of a size, whose number
// only the end of the text tells.
TEST_P(SplitModes, NamesAfterTheImportedFileWithPaddedNumbers) {
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += std::string(600, char('a' + i)) + "\r\n"; // one line a kilobyte
    const std::string source = input(text, "小说.txt");
    ASSERT_EQ(app::importFile(source.c_str()), 12);
    struct Case {
        SplitMode mode;
        const char* count;
        bool sourceNames;
        std::size_t files;
        const char* first; // the name of file 1
    } const cases[] = {
        {SplitMode::kParts, "12", false, 12, "文本01.txt"},
        {SplitMode::kParts, "3", true, 3, "1_小说_1.txt"}, // input() numbers its files
        {SplitMode::kSize, "1", true, 12, "1_小说_01.txt"},
        {SplitMode::kLines, "1", false, 12, "文本01.txt"},
    };
    for (const Case& c : cases) {
        clearOutputs();
        app::SplitOptions options;
        options.mode = c.mode;
        options.sourceNames = c.sourceNames;
        options.padded = c.mode != SplitMode::kParts || c.files == 12;
        EXPECT_EQ(exportAs(options, c.count).written, std::int64_t(c.files));
        const app::OutputNames names(folder_.c_str(), c.sourceNames ? source.c_str() : nullptr,
                                     options.padded ? app::digitsOf(c.files) : 0);
        const Files files = named(names);
        EXPECT_EQ(files.size(), c.files);
        std::string all;
        for (const std::string& f : files)
            all += f;
        EXPECT_EQ(all, text);
        rt::TextValue first(names.finished(1));
        EXPECT_EQ(first.c_str(), folder_ + "\\" + c.first);
    }
}

// The guard knows the names after the imported file: another name of it
// among them (a link) stops the export before anything is written.
TEST_P(SplitModes, TheGuardCoversNamesAfterTheImportedFile) {
    const std::string source = input("a\r\nb\r\nc", "x.txt");
    const std::string second = folder_ + "\\" + std::to_string(inputsMade()) + "_x_2.txt";
#if defined(_WIN32)
    ASSERT_TRUE(CreateHardLinkA(second.c_str(), source.c_str(), nullptr));
#else
    ASSERT_EQ(::link(source.c_str(), second.c_str()), 0);
#endif
    ASSERT_EQ(app::importFile(source.c_str()), 3);
    app::SplitOptions options;
    options.sourceNames = true;
    app::ExportResult result = exportAs(options, "1");
    EXPECT_EQ(result.outcome, app::ExportResult::kWouldOverwrite);
    EXPECT_EQ(result.failedFile.c_str(), second);
    options.sourceNames = false;
    EXPECT_EQ(exportAs(options, "1").written, 3); // 文本N.txt are not its names
}

INSTANTIATE_TEST_SUITE_P(Stores, SplitModes, ::testing::Values(Store::kMemory, Store::kFile),
                         [](const ::testing::TestParamInfo<Store>& info) {
                             return info.param == Store::kMemory ? "InMemory" : "InFile";
                         });

// Which names an export writes, for the overwrite guard: the extension and
// letters in either case, padded numbers exactly as wide.
TEST(OutputNames, KnowTheirOwnNames) {
    const app::OutputNames plain("F", nullptr, 0), padded("F", "C:\\in\\Novel.Part.TXT", 3),
        bare("F", "dir/log", 0);
    struct {
        const app::OutputNames* names;
        const char* name;
        std::uint64_t number;
    } const cases[] = {
        {&plain, "文本12.txt", 12},
        {&plain, "文本12.TXT.未完成", 12},
        {&plain, "文本012.txt", 0},
        {&plain, "文本12.txt.bak", 0},
        {&padded, "novel.part_007.txt", 7},
        {&padded, "Novel.Part_07.TXT", 0},
        {&padded, "Novel.Part_1000.TXT", 0},
        {&bare, "log_3.txt", 3},
        {&bare, "log_3", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.names->numberOf(c.name), c.number) << c.name;
    rt::TextValue name(padded.unfinished(7));
    EXPECT_STREQ(name.c_str(), "F\\Novel.Part_007.TXT.未完成");
    EXPECT_EQ(app::digitsOf(9), 1u);
    EXPECT_EQ(app::digitsOf(10), 2u);
}

} // namespace
