// What the tests of the splitting core share: a fixture that runs every
// test with the lines held in memory and kept in their file, a fresh folder
// per test, and the helpers that read lines and files back.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/split_core.h"
#include "app/text_pieces.h"
#include "runtime/text.h"
#include "runtime/values.h"

namespace coretest {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Where the lines of a file go: every test of import and export runs with
// the file held in memory and kept in its file.
enum class Store { kMemory, kFile };

inline Lines pieces(rt::Array owned);

constexpr std::uint64_t kSmallBlock = (std::uint64_t{64} << 10) + 13;

inline void collectLine(const char* bytes, std::size_t n, void* lines) {
    static_cast<Lines*>(lines)->emplace_back(bytes, n);
}

// A text handed over in pieces of random sizes, as a store hands its text.
class StringPieces final : public app::TextPieces {
  public:
    StringPieces(const std::string& text, std::uint32_t seed, std::size_t most)
        : text_(text), random_(seed), most_(most) {}
    bool keepable(std::size_t keep) const override { return keep <= end_; }
    app::Reading next(std::size_t keep, app::Piece* piece) override {
        const std::size_t at = end_ - keep;
        end_ = std::min(text_.size(), end_ + 1 + random_() % most_);
        *piece = {text_.data() + at, end_ - at, at, end_ == text_.size()};
        return app::Reading::kRead;
    }
    void rewind(std::uint64_t offset) override { end_ = std::size_t(offset); }

  private:
    const std::string& text_;
    std::mt19937 random_;
    std::size_t most_;
    std::size_t end_ = 0;
};

// A fresh line array and a fresh folder per test. Output names are built
// from the folder text exactly as the core is documented to build them.
class SplitCore : public ::testing::TestWithParam<Store> {
  protected:
    void SetUp() override {
        // Small blocks put block ends among the lines of the tests' files.
        app::setStoreLimits(GetParam() == Store::kFile ? 0 : app::kMemoryStoreLimit, kSmallBlock);
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        // One folder, whose removal takes everything: a parameter's name
        // ("Name/InFile") would make a folder inside another.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() / ("textsplit_core_" + std::to_string(stamp) + "_" + name);
        fs::create_directories(dir_ / "out");
        folder_ = (dir_ / "out").string();
        app::createLines();
    }
    void TearDown() override {
        app::releaseLines();
        app::setStoreLimits();
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    // A new file each time: a file kept in its file refuses to be written.
    std::string input(const std::string& bytes, const std::string& name = "in.txt") {
        // Joined as text: a path object would read the name's code page 936
        // bytes as another encoding.
#if defined(_WIN32)
        const char* separator = "\\";
#else
        const char* separator = "/";
#endif
        std::string p = dir_.string() + separator + std::to_string(++inputs_) + "_" + name;
        std::FILE* f = std::fopen(p.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }

    // How many inputs were made: the next one's name starts with one more.
    int inputsMade() const {
        return inputs_;
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

    // The lines as the core finds them through its index, from memory or
    // from the file.
    Lines lines() {
        EXPECT_EQ(app::linesInFile(), GetParam() == Store::kFile);
        Lines out;
        app::visitLines(collectLine, &out);
        return out;
    }

    app::ExportResult exportWith(const char* count) const {
        return app::exportLines(folder_.c_str(), count);
    }

    fs::path dir_;
    std::string folder_;
    int looks_ = 0, inputs_ = 0;
};

inline Lines pieces(rt::Array owned) {
    rt::TextArray array(owned);
    Lines out;
    for (std::int32_t i = 1; i <= array.count(); ++i) {
        EXPECT_NE(array.at(i), nullptr);
        out.emplace_back(rt::orEmpty(array.at(i)));
    }
    return out;
}

inline std::string textOf(char* owned) {
    rt::TextValue text(owned);
    return text.c_str();
}

// Every call of the work's progress; asks to stop once `stopAt` bytes are
// done.
class Recorder final : public app::Progress {
  public:
    explicit Recorder(std::uint64_t stopAt = ~std::uint64_t{0}) : stopAt_(stopAt) {}
    bool keepGoing(std::uint64_t done, std::uint64_t total) override {
        calls.push_back({done, total});
        return done < stopAt_;
    }
    // Rising, never past one total, and reaching it.
    bool reachedTheTotal() const {
        for (std::size_t i = 0; i < calls.size(); ++i)
            if (calls[i].second != calls[0].second || calls[i].first > calls[i].second ||
                (i > 0 && calls[i].first < calls[i - 1].first))
                return false;
        return !calls.empty() && calls.back().first == calls.back().second;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;

  private:
    std::uint64_t stopAt_;
};

// Lines of `width` bytes each (CR LF included), numbered.
inline std::string numberedLines(std::size_t count, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = "line " + std::to_string(i) + " ";
        line.resize(width - 2, 'x');
        text += line + "\r\n";
    }
    return text;
}

} // namespace coretest
