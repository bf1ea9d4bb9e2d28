#include "tests/support/boxes.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/box_answerer_win32.h"

namespace testsupport {

namespace {
DWORD WINAPI answerForever(void*) {
    for (;;) {
        // Echoed before the answer: the process may end as soon as its box is gone.
        BoxAnswerer answerer("", IDOK, INFINITE, [](const SeenBox& box) {
            std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), box.text.c_str());
            std::fflush(stderr);
        });
        answerer.wait();
        Sleep(100); // let the box go away before looking again
    }
}
} // namespace

void echoAndAnswerBoxes() { CloseHandle(CreateThread(nullptr, 0, answerForever, nullptr, 0, nullptr)); }

} // namespace testsupport
