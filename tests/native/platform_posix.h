// Test controls of the POSIX stand-in of the platform layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::posix {

struct MessageBoxCall {
    std::string text;
    std::string caption;
    std::uint32_t style = 0;
    // Bytes that still fitted under the heap cap while the box was up.
    std::size_t heapRoom = 0;
};

// The stand-in records every message box, prints it to stderr as
// "[caption] text" (so child-process tests can match it) and answers
// `nextAnswer` (IDOK unless a test sets another).
extern int messageBoxCount;
extern MessageBoxCall lastMessageBox;
extern int nextAnswer;

// When >= 0, every write transfers at most this many bytes and reports
// success, as a full disk may do on Windows.
extern long writeLimit;
// When > 0, the n-th heap allocation from now fails (1 = the next one).
extern int failAllocationAfter;
// Identities as a file system gives them that has no unique index: none
// is trusted, so only names can tell two files apart.
extern bool untrustedIdentities;
// When > 0, the n-th file close from now reports a failure (a write the
// system delayed fails there).
extern int failCloseAfter;
// A file of this name is opened again, for reading, the moment it is closed,
// as an indexer or a virus scanner does; it stays open until reset(), so it
// cannot be deleted or replaced meanwhile.
extern std::string holdAfterClose;

void reset();

} // namespace platform::posix
