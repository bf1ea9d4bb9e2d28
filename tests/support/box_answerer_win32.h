// Finds and answers message boxes (and other dialogs) of this process as a
// user would: a background thread waits for the window, reads it, and presses
// a button. Used wherever a test makes the system show a modal box.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testsupport {

struct SeenBox {
    bool found = false;
    std::string caption; // window text of the box (code page bytes)
    std::string text;    // the message (static control 0xFFFF), empty if none
    HICON icon = nullptr; // the icon shown, compare with LoadIcon(nullptr, IDI_...)
};

class BoxAnswerer {
  public:
    // Waits up to timeoutMs for a visible top-level dialog window (class
    // "#32770") of this process whose caption equals `caption` (any caption
    // when empty), records it and presses the button with id `button`.
    // `seen`, if given, runs on the answering thread before the press: what
    // it reports cannot be lost to a process that ends once its box is gone.
    explicit BoxAnswerer(std::string caption = "", int button = IDOK, DWORD timeoutMs = 15000,
                         std::function<void(const SeenBox&)> seen = {});
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Joins the thread and returns what it saw.
    SeenBox wait();

  private:
    static DWORD WINAPI run(void* self);
    std::string caption_;
    int button_;
    DWORD timeout_;
    std::function<void(const SeenBox&)> seenHandler_;
    HANDLE thread_ = nullptr;
    SeenBox seen_;
};

// Waits for a dialog of another or this process whose caption equals
// `caption`; null on time-out.
HWND waitForWindow(const std::string& caption, const char* className = "#32770",
                   DWORD timeoutMs = 15000, DWORD processId = 0);
std::string windowText(HWND window);

} // namespace testsupport
