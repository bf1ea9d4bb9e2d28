#include "app/group_writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "runtime/platform.h"

namespace app {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
// At most this much in one write: the window is told how far the work is
// between two writes, even on a slow drive.
constexpr std::size_t kMaxWrite = std::size_t{1} << 20;

GroupWriter* gInProgress; // the writer of the export in progress

} // namespace

bool abandonExportInProgress() {
    return !gInProgress || gInProgress->abandon();
}

GroupWriter::GroupWriter(const OutputNames& names, Progress* progress, std::uint64_t done,
                         std::uint64_t total)
    : names_(names), progress_(progress), done_(done), total_(total), chunk_(kChunk) {
    gInProgress = this;
}

GroupWriter::~GroupWriter() {
    abandonFile();
    if (gInProgress == this) gInProgress = nullptr;
}

bool GroupWriter::abandon() {
    stopped_ = true;
    return abandonFile();
}

bool GroupWriter::startFile() {
    if (stopAsked_) { // asked after the group before: nothing is begun
        stopped_ = true;
        return false;
    }
    name_.reset(names_.finished(std::uint64_t(written_) + 1));
    unfinished_.reset(names_.unfinished(std::uint64_t(written_) + 1));
    used_ = 0;
    inFile_ = 0;
    open_ = file_.open(unfinished_.get());
    if (!open_) failedFile_ = std::move(name_);
    if (headerSize_ > 0 && going()) {
        if (headerSize_ < kMinWrite) {
            std::memcpy(chunk_.data(), header_, headerSize_);
            used_ = headerSize_;
        } else {
            write(header_, headerSize_);
        }
    }
    return going();
}

// The box names the group's own name: the unfinished one is gone.
void GroupWriter::fail() {
    if (failedFile_.empty()) failedFile_ = std::move(name_);
}

void GroupWriter::tell() {
    if (going() && !keepGoing(progress_, done_, total_)) stopped_ = true;
}

void GroupWriter::put(const char* bytes, std::size_t n, bool more) {
    if (n == 0 || !going() || (!open_ && !startFile())) return;
    if (n < kMinWrite && (more || used_ > 0) && used_ + n <= kChunk) {
        std::memcpy(chunk_.data() + used_, bytes, n);
        used_ += n;
        return;
    }
    flush();
    write(bytes, n);
}

void GroupWriter::write(const char* bytes, std::size_t n) {
    while (n > 0 && going()) {
        const std::size_t take = std::min(n, kMaxWrite);
        if (!file_.write(bytes, take)) fail();
        inFile_ += take;
        done_ += take;
        bytes += take;
        n -= take;
        tell();
    }
}

void GroupWriter::flush() {
    if (used_ && !file_.write(chunk_.data(), used_)) fail();
    inFile_ += used_;
    done_ += used_;
    used_ = 0;
}

void GroupWriter::retract(std::uint64_t n) {
    if (!going() || !open_) return;
    const std::uint64_t fromChunk = std::min<std::uint64_t>(n, used_);
    used_ -= std::size_t(fromChunk);
    n -= fromChunk;
    if (n > 0 && !file_.truncate(inFile_ -= n)) fail();
    done_ -= std::min(done_, fromChunk + n);
}

void GroupWriter::endGroup() {
    if (!going() || !open_) return;
    flush();
    open_ = false;
    if (!file_.close() || !platform::replaceFile(unfinished_.get(), name_.get())) {
        fail();
        removeUnfinished();
        return;
    }
    ++written_;
    // Asked once the file is whole: a stop never takes a complete group
    // away, and one asked after the last group stops nothing.
    if (!keepGoing(progress_, done_, total_)) stopAsked_ = true;
}

void GroupWriter::removeUnfinished() {
    if (!platform::deleteFile(unfinished_.get()) && leftFile_.empty())
        leftFile_ = std::move(unfinished_);
}

bool GroupWriter::abandonFile() {
    if (!open_) return true;
    open_ = false;
    file_.close();
    removeUnfinished();
    return leftFile_.empty();
}

} // namespace app
