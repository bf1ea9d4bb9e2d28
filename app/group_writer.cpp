#include "app/group_writer.h"

#include <algorithm>
#include <cstring>

#include "app/memory_store.h"
#include "runtime/convert.h"
#include "runtime/platform.h"
#include "runtime/text.h"

namespace app {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
const char kPrefix[] = "文本";
const char kExtension[] = ".txt";

GroupWriter* gInProgress; // the writer of the export in progress

} // namespace

bool abandonExportInProgress() {
    return !gInProgress || gInProgress->abandon();
}

const char kGroupFilePattern[] = "文本*.txt";

char* groupFileName(const char* folder, std::int64_t number) {
    rt::TextValue digits(rt::toText(rt::ValueBlock::ofLong(number)));
    return rt::joinTexts({folder, "\\", kPrefix, digits.get(), kExtension});
}

std::uint64_t groupFileNumber(const char* name) {
    const std::size_t prefix = std::strlen(kPrefix);
    if (std::strncmp(name, kPrefix, prefix) != 0) return 0;
    const char* digits = name + prefix;
    std::uint64_t number = 0;
    std::size_t n = 0;
    for (; digits[n] >= '0' && digits[n] <= '9'; ++n) {
        if (n == 18) return 0; // beyond any count of files
        number = number * 10 + std::uint64_t(digits[n] - '0');
    }
    if (n == 0 || digits[0] == '0') return 0;
    const char* extension = digits + n;
    if (std::strlen(extension) != std::strlen(kExtension)) return 0;
    for (std::size_t i = 0; extension[i]; ++i) {
        char c = extension[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != kExtension[i]) return 0;
    }
    return number;
}

GroupWriter::GroupWriter(const char* folder, Progress* progress, std::uint64_t done,
                         std::uint64_t total)
    : folder_(folder), progress_(progress), done_(done), total_(total),
      chunk_(static_cast<char*>(rt::allocateUnzeroed(kChunk))) {
    gInProgress = this;
}

GroupWriter::~GroupWriter() {
    abandonFile();
    rt::free(chunk_);
    if (gInProgress == this) gInProgress = nullptr;
}

bool GroupWriter::abandon() {
    stopped_ = true;
    return abandonFile();
}

bool GroupWriter::startFile() {
    name_.reset(groupFileName(folder_, written_ + 1));
    used_ = 0;
    open_ = true;
    if (!file_.open(name_.get())) failedFile_ = std::move(name_);
    return going();
}

void GroupWriter::put(const char* bytes, std::size_t n) {
    if (n < kChunk / 2) {
        add(bytes, n, [](char* out, const char* in, std::size_t k) { std::memcpy(out, in, k); });
        return;
    }
    // A large run goes to the file straight from the caller's buffer.
    if (!going() || (!open_ && !startFile())) return;
    flush();
    if (going() && !file_.write(bytes, n)) failedFile_ = std::move(name_);
    done_ += n;
    if (going() && !keepGoing(progress_, done_, total_)) stopped_ = true;
}

void GroupWriter::putLines(const char* from, const char* until) {
    add(from, std::size_t(until - from), copyLineEnds);
}

void GroupWriter::flush() {
    if (used_ && !file_.write(chunk_, used_)) failedFile_ = std::move(name_);
    done_ += used_;
    used_ = 0;
}

void GroupWriter::add(const char* from, std::size_t n,
                      void (*copy)(char*, const char*, std::size_t)) {
    if (n == 0 || !going() || (!open_ && !startFile())) return;
    while (n > 0 && going()) {
        if (used_ == kChunk) {
            flush();
            if (going() && !keepGoing(progress_, done_, total_)) stopped_ = true;
            if (!going()) return;
        }
        std::size_t take = std::min(n, kChunk - used_);
        copy(chunk_ + used_, from, take);
        used_ += take;
        from += take;
        n -= take;
    }
}

void GroupWriter::endGroup() {
    if (!going() || !open_) return;
    flush();
    open_ = false;
    if (!file_.close()) {
        if (failedFile_.empty()) failedFile_ = std::move(name_);
        return;
    }
    ++written_;
    // Asked once the file is whole, so that a stop never takes a complete
    // group away.
    if (!keepGoing(progress_, done_, total_)) stopped_ = true;
}

bool GroupWriter::abandonFile() {
    if (!open_) return true;
    open_ = false;
    file_.close();
    // A file that could not be written stays as the system left it; one cut
    // short by a stop goes.
    if (failedFile_.empty() && !name_.empty()) return platform::deleteFile(name_.get());
    return true;
}

} // namespace app
