// Export never writes over the file it imported: before it writes, the
// folder's files that bear the names it will write are compared with that
// file, by the file system's identity where it can be trusted, else by
// their full names; in doubt, a name counts as the imported file.
#pragma once

#include <cstdint>

#include "app/output_names.h"
#include "app/progress.h"
#include "runtime/platform.h"
#include "runtime/values.h"

namespace app {

class ImportedFile {
  public:
    // Taken at import from the open handle and the path it was opened by.
    void describe(std::intptr_t handle, const char* path);
    // Whether the file of that name is the imported file.
    bool is(const char* name) const;

  private:
    platform::FileIdentity identity_;
    bool identified_ = false;
    rt::TextValue fullName_; // empty when it could not be made
};

enum class Guard { kClear, kWouldOverwrite, kStopped };

// Looks for the imported file among the names (finished or unfinished) of
// files 1..files (all numbers when the count is not known beforehand):
// kWouldOverwrite with its name in *found. The progress may stop the search.
Guard guardImported(const ImportedFile& imported, const OutputNames& names, std::uint64_t files,
                    Progress* progress, rt::TextValue* found);

} // namespace app
