// How long work (an import, an export) tells how far it is and learns
// whether to go on. The dialog keeps its window alive in there.
#pragma once

#include <cstdint>

namespace app {

class Progress {
  public:
    // Called often: at least once per piece of a file read or written.
    // False ends the work: an import then leaves the lines as they were, an
    // export keeps the files it completed.
    virtual bool keepGoing(std::uint64_t done, std::uint64_t total) = 0;

  protected:
    ~Progress() = default;
};

// Asks whether to go on; work that nobody watches (null) always goes on.
inline bool keepGoing(Progress* progress, std::uint64_t done, std::uint64_t total) {
    return !progress || progress->keepGoing(done, total);
}

} // namespace app
