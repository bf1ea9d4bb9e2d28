// Writes the groups of an export, one numbered file per group, from either
// store of the lines: folder + "\文本" + number + ".txt", numbered from 1,
// each created or truncated. The bytes go through one reused 1 MB buffer
// (memory already mapped, not a group's size of fresh pages) and the work's
// progress is told after every buffer and every file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/progress.h"
#include "runtime/files.h"
#include "runtime/values.h"

namespace app {

// folder + "\文本" + number + ".txt": the file of group `number`.
char* groupFileName(const char* folder, std::int64_t number);
// The number of a name (without its folder) that export writes, the
// extension in any case; 0 for any other name.
std::uint64_t groupFileNumber(const char* name);
// Matches every such name (and more).
extern const char kGroupFilePattern[];

// A session ending during an export: the unfinished file of the export in
// progress is removed at once, and that export writes nothing more (it is
// never resumed; the caller ends the process). False when the unfinished
// file could not be removed; true when there was none.
bool abandonExportInProgress();

class GroupWriter {
  public:
    // `total` bytes are to be written; the progress counts from `done`.
    GroupWriter(const char* folder, Progress* progress, std::uint64_t done, std::uint64_t total);
    GroupWriter(const GroupWriter&) = delete;
    GroupWriter& operator=(const GroupWriter&) = delete;
    // A file begun but not ended (the work stopped, the text could not be
    // read) is removed: only whole groups stay.
    ~GroupWriter();

    // Bytes of the current group as they are; its file is made with the
    // first of them.
    void put(const char* bytes, std::size_t n);
    // A span of lines of the in-memory store: each zero becomes a CR.
    void putLines(const char* from, const char* until);
    // The group is complete: its file is closed and counted.
    void endGroup();
    // Stops the work: what is begun is removed, nothing more is written.
    void stop() { stopped_ = true; }
    // Stops at once and removes what is begun; false when it stays.
    bool abandon();

    // Neither a write failed nor the work stopped.
    bool going() const { return !stopped_ && failedFile_.empty(); }
    bool stopped() const { return stopped_; }
    std::int64_t written() const { return written_; }
    // The file that could not be written (empty when none); the caller
    // takes it.
    rt::TextValue& failedFile() { return failedFile_; }

  private:
    void add(const char* from, std::size_t n, void (*copy)(char*, const char*, std::size_t));
    bool startFile();
    void flush();
    bool abandonFile();

    const char* folder_;
    Progress* progress_;
    std::uint64_t done_, total_;
    char* chunk_;
    std::size_t used_ = 0;
    rt::FileWriter file_;
    rt::TextValue name_; // of the file being written
    bool open_ = false;
    bool stopped_ = false;
    std::int64_t written_ = 0;
    rt::TextValue failedFile_;
};

} // namespace app
