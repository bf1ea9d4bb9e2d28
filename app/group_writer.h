// Writes the groups of an export, one numbered file per group, from either
// store of the lines. Each file is written under its unfinished name, closed
// (the close checked), and only then given its own name, replacing a file of
// that name: a file that bears an export's name is always whole. Runs of
// bytes go to the file straight from where they are, in writes of at most a
// megabyte; short runs that more bytes of the file follow gather in one
// reused buffer first. The work's progress is told after every write and
// every file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/output_names.h"
#include "app/progress.h"
#include "runtime/files.h"
#include "runtime/memory.h"
#include "runtime/values.h"

namespace app {

// A run shorter than this that more bytes of its file follow is gathered
// first: a write costs a call into the system, whatever its size.
constexpr std::size_t kMinWrite = std::size_t{256} << 10;

// A session ending during an export: the unfinished file of the export in
// progress is removed at once, and that export writes nothing more (it is
// never resumed; the caller ends the process). False when the unfinished
// file could not be removed; true when there was none.
bool abandonExportInProgress();

class GroupWriter {
  public:
    // `total` bytes are to be written; the progress counts from `done`.
    GroupWriter(const OutputNames& names, Progress* progress, std::uint64_t done,
                std::uint64_t total);
    GroupWriter(const GroupWriter&) = delete;
    GroupWriter& operator=(const GroupWriter&) = delete;
    ~GroupWriter();

    // Bytes written at the top of every file (borrowed: they stay while the
    // writer writes).
    void setHeader(const char* bytes, std::size_t n) {
        header_ = bytes;
        headerSize_ = n;
    }
    // Bytes of the current group as they are; its file is made with the
    // first of them. `more`: more bytes of the group follow.
    void put(const char* bytes, std::size_t n, bool more);
    // Takes back the last n bytes put into the group's file (they belong to
    // the next group).
    void retract(std::uint64_t n);
    // The group is complete: its file is closed, named and counted.
    void endGroup();
    // The bytes cannot be written as they should be (the source changed or
    // could not be read): the unfinished file goes, nothing more is written.
    void stop() { abandon(); }
    // The same at once, from outside the work; false when the unfinished
    // file stays.
    bool abandon();
    // Ends the writing: an unfinished file is removed. Called before the
    // outcome is read.
    void finish() { abandonFile(); }

    // Neither a write failed nor the work stopped.
    bool going() const { return !stopped_ && failedFile_.empty(); }
    // Stopped with a group unwritten. A stop asked after the last group was
    // complete stops nothing.
    bool stopped() const { return stopped_; }
    std::int64_t written() const { return written_; }
    // The file that could not be written (empty when none); the caller
    // takes it.
    rt::TextValue& failedFile() { return failedFile_; }
    // An unfinished file that could not be removed (empty when none).
    rt::TextValue& leftFile() { return leftFile_; }

  private:
    bool startFile();
    void write(const char* bytes, std::size_t n);
    void flush();
    bool abandonFile();
    void fail();
    void removeUnfinished();
    void tell();

    const OutputNames& names_;
    Progress* progress_;
    std::uint64_t done_, total_;
    rt::HeapBlock chunk_;
    std::size_t used_ = 0;
    std::uint64_t inFile_ = 0; // bytes written to the file itself
    const char* header_ = nullptr;
    std::size_t headerSize_ = 0;
    rt::FileWriter file_;
    rt::TextValue name_, unfinished_; // of the file being written
    bool open_ = false;
    bool stopAsked_ = false; // after a complete group: stops before the next
    bool stopped_ = false;
    std::int64_t written_ = 0;
    rt::TextValue failedFile_, leftFile_;
};

} // namespace app
