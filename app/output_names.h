// The names an export gives its files: folder + "\文本" + number + ".txt",
// numbered from 1; or, as the user chooses, the imported file's name + "_" +
// number + its extension (".txt" when it has none), and numbers padded with
// zeros to one width. While a file is being written it has its name
// followed by ".未完成", a name no export gives a finished file and one that
// tells a user the file is not whole; only a complete file takes its name.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace app {

class OutputNames {
  public:
    // 文本N.txt. The folder is borrowed and used as given (a drive root
    // keeps its backslash).
    explicit OutputNames(const char* folder) : OutputNames(folder, nullptr, 0) {}
    // Named after the file at `source` when it is not null; numbers of
    // `width` digits when it is not 0.
    OutputNames(const char* folder, const char* source, unsigned width);

    const char* folder() const { return folder_; }
    // Fresh texts.
    char* finished(std::uint64_t number) const;
    char* unfinished(std::uint64_t number) const;
    // The number of a name without its folder that an export of these names
    // writes, finished or unfinished (letters in any case); 0 for any other.
    std::uint64_t numberOf(const char* name) const;
    // Matches every such name (and more), for listing the folder.
    const char* pattern() const { return pattern_.c_str(); }

  private:
    const char* folder_;
    rt::TextValue prefix_, extension_, pattern_;
    unsigned width_;
};

// The digits of a count: the width that numbers up to it are padded to.
unsigned digitsOf(std::uint64_t count);

} // namespace app
