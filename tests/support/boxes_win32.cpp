#include "tests/support/boxes.h"

#include <windows.h>

#include <cstdio>

#include "tests/support/box_answerer_win32.h"

namespace testsupport {

namespace {
DWORD WINAPI answerForever(void*) {
    for (;;) {
        BoxAnswerer answerer("", IDOK, INFINITE);
        SeenBox box = answerer.wait();
        std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), box.text.c_str());
        std::fflush(stderr);
        Sleep(100); // let the box go away before looking again
    }
}
} // namespace

void echoAndAnswerBoxes() { CloseHandle(CreateThread(nullptr, 0, answerForever, nullptr, 0, nullptr)); }

} // namespace testsupport
