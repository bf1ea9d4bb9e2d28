// The names an export gives its files: folder + "\文本" + number + ".txt",
// numbered from 1. While a file is being written it has its name followed
// by ".未完成", a name no export gives a finished file and one that tells a
// user the file is not whole; only a complete file takes its own name.
#pragma once

#include <cstdint>

namespace app {

class OutputNames {
  public:
    // The folder is borrowed and used as given (a drive root keeps its
    // backslash).
    explicit OutputNames(const char* folder) : folder_(folder) {}

    const char* folder() const { return folder_; }
    // Fresh texts.
    char* finished(std::uint64_t number) const;
    char* unfinished(std::uint64_t number) const;
    // The number of a name without its folder that an export writes,
    // finished or unfinished (the extension in any case); 0 for any other.
    std::uint64_t numberOf(const char* name) const;
    // Matches every such name (and more), for listing the folder.
    const char* pattern() const;

  private:
    const char* folder_;
};

} // namespace app
