// Every file that bears an export's name is whole: a stop, a failure or bytes
// that changed since the import leave no cut file under a real name, and
// the box counts exactly the files that got their names.
#include "tests/app/split_core_fixture.h"

#include <cstdio>
#include <string>

#include "runtime/platform.h"

namespace {

using namespace coretest;

bool exists(const std::string& name) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

class WholeOutputs : public SplitCore {
  protected:
    std::string unfinishedName(int number) const { return outputName(number) + ".未完成"; }
    // No file of the export under an unfinished name, and none named beyond
    // the first `written`.
    void expectOnlyWholeFiles(int written) const {
        for (int k = 1; k <= written + 2; ++k) {
            EXPECT_FALSE(exists(unfinishedName(k))) << k;
            EXPECT_EQ(exists(outputName(k)), k <= written) << k;
        }
    }
};

// Groups of 1,000,000 bytes over pieces of 1 MiB: the third piece holds the
// end of file 3.
const std::string& threeGroups() {
    static const std::string text = numberedLines(3000, 1000);
    return text;
}

struct Change {
    std::string file;
    long at = -1;
} gChange;

// Another program changes a byte once the export has read its first piece,
// through a path that the file's sharing does not stop.
void changeOnce(platform::FileHandle) {
    if (gChange.at < 0) return;
    if (std::FILE* f = std::fopen(gChange.file.c_str(), "r+b")) {
        std::fseek(f, gChange.at, SEEK_SET);
        std::fputc('#', f);
        std::fclose(f);
    }
    gChange.at = -1;
}

// A change in the third megabyte after the import: file store or not, other
// writers let in or not, no file holds a changed byte. A file held in memory
// exports what was imported; one kept in its file stops at the piece that
// differs, keeping the files named before it.
TEST_P(WholeOutputs, BytesChangedAfterTheImportAreNeverWritten) {
#if defined(_WIN32)
    const bool modes[] = {true}; // on Windows nothing writes past the refused sharing
#else
    const bool modes[] = {true, false};
#endif
    for (bool othersWrite : modes) {
        const std::string name = input(threeGroups());
        platform::FileHandle writer = nullptr;
        if (othersWrite)
            writer = platform::openFile(name.c_str(), platform::kGenericWrite,
                                        platform::kShareRead | platform::kShareWrite,
                                        platform::kOpenExisting);
        ASSERT_EQ(app::importFile(name.c_str()), 3000);
        if (writer) platform::closeFile(writer);
        for (int k = 1; k <= 3; ++k)
            std::remove(outputName(k).c_str());
        gChange = {name, 2500000};
        platform::setReadHook(changeOnce);
        app::ExportResult result = exportWith("1000");
        platform::setReadHook(nullptr);
        if (GetParam() == Store::kMemory) {
            EXPECT_EQ(result.outcome, app::ExportResult::kWritten);
            EXPECT_EQ(result.written, 3);
            EXPECT_TRUE(outputs() ==
                        (std::vector<std::string>{threeGroups().substr(0, 1000000),
                                                  threeGroups().substr(1000000, 1000000),
                                                  threeGroups().substr(2000000)}));
            continue;
        }
        EXPECT_EQ(result.outcome, app::ExportResult::kSourceChanged) << othersWrite;
        EXPECT_EQ(result.written, 2);
        expectOnlyWholeFiles(2);
        EXPECT_TRUE(outputs() ==
                    (std::vector<std::string>{threeGroups().substr(0, 1000000),
                                              threeGroups().substr(1000000, 1000000)}));
        EXPECT_EQ(textOf(app::exportReport(result)),
                  "导入的文本已被修改，请重新导入\r\n共导出2个文本");
    }
}

// Esc once the last file has its name: nothing was left unwritten.
TEST_P(WholeOutputs, AStopAfterTheLastFileIsNoStop) {
    ASSERT_EQ(app::importFile(input("a\r\nb\r\nc").c_str()), 3);
    struct AfterTheLast final : app::Progress {
        std::string last;
        bool keepGoing(std::uint64_t, std::uint64_t) override { return !exists(last); }
    } late;
    late.last = outputName(3);
    app::ExportResult result = app::exportLines(folder_.c_str(), "1", &late);
    EXPECT_EQ(result.outcome, app::ExportResult::kWritten);
    EXPECT_EQ(result.written, 3);
    EXPECT_EQ(textOf(app::exportReport(result)), "共导出3个文本");
}

// The imported file under a name export uses while it writes: that name is
// guarded as the finished ones are.
TEST_P(WholeOutputs, TheImportedFileIsNeverAnUnfinishedName) {
    const std::string source = unfinishedName(1);
    {
        std::FILE* f = std::fopen(source.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x\r\ny", f);
        std::fclose(f);
    }
    ASSERT_EQ(app::importFile(source.c_str()), 2);
    app::ExportResult result = exportWith("1");
    EXPECT_EQ(result.outcome, app::ExportResult::kWouldOverwrite);
    EXPECT_EQ(result.failedFile.c_str(), source);
    std::string bytes;
    EXPECT_TRUE(read(source, &bytes) && bytes == "x\r\ny");
    EXPECT_FALSE(exists(outputName(1)));
}

INSTANTIATE_TEST_SUITE_P(Stores, WholeOutputs, ::testing::Values(Store::kMemory, Store::kFile),
                         [](const ::testing::TestParamInfo<Store>& info) {
                             return info.param == Store::kMemory ? "InMemory" : "InFile";
                         });

} // namespace
