// The test seams: what the end-to-end tests start the tool with so that
// small files take the paths and the time of large ones, and so that a test
// can hand it a drop. They live only in the test copy of the tool, built
// from the same sources with TEXTSPLIT_TEST_SEAMS defined; the product reads
// no environment variable and makes no seam window.
#pragma once

#include <windows.h>

#include <cstdint>

namespace app {

// The drop seam: a message-only window of the class kDropSeamClass takes a
// WM_COPYDATA of kind kDropSeamData (the point in the dialog's client
// coordinates, then the names each with its zero, then one more zero) and
// makes it a real WM_DROPFILES of those names, posted as the shell posts it
// to the window at that point that takes files.
constexpr const char* kDropSeamClass = "TextsplitDropSeam";
constexpr ULONG_PTR kDropSeamData = 0x54534450; // "TSDP"
struct DropSeamPoint {
    LONG x, y;
};

#ifdef TEXTSPLIT_TEST_SEAMS
// From the environment, each a plain decimal number that only ever lowers
// what the tool does: TEXTSPLIT_MEMORY_LIMIT, the largest file held in
// memory (bytes, at most the real limit); TEXTSPLIT_FILE_DELAY, milliseconds
// added to every read and write (at most a second).
void applyTestSeams();
// TEXTSPLIT_START_DELAY: milliseconds before a file named on the command
// line is first tried (at most 10 s), so a test can be busy before then.
UINT startPathDelay();
// With TEXTSPLIT_DROP_SEAM set, the drop seam of the dialog.
void startDropSeam(HWND dialog);
#else
inline void applyTestSeams() {}
inline UINT startPathDelay() {
    return 0;
}
inline void startDropSeam(HWND) {}
#endif

} // namespace app
