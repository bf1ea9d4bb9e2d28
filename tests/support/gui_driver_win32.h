// Drives another program's windows from outside, as a user would: starts the
// process, finds its windows by process, presses buttons, types into boxes,
// answers the system's Open dialog and folder browser, reads message boxes.
// Everything goes through messages to the target's own windows, so nothing
// depends on which window of the shared display has the focus.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// A program started by a test; killed at destruction if still running.
class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // CreateProcessA of the program (a Windows path, or a Unix path under
    // Wine, which is reached through drive Z:), quoted, then the arguments
    // as they are; in the working folder when one is given.
    bool start(const std::string& program, const std::string& arguments = "",
               const std::string& folder = "");
    DWORD id() const { return info_.dwProcessId; }
    HANDLE handle() const { return info_.hProcess; }
    bool running() const;
    // Waits for the exit; false on time-out.
    bool waitForExit(DWORD timeoutMs, DWORD* exitCode);

  private:
    PROCESS_INFORMATION info_{};
};

// "/a/b" becomes "Z:\a\b"; other paths stay.
std::string windowsPath(const std::string& path);

// Polls the visible top-level windows of the process until one passes the
// test; null on time-out.
HWND waitForTopWindow(DWORD processId, const std::function<bool(HWND)>& test,
                      DWORD timeoutMs = 15000);
// A visible dialog window (class "#32770") of the process whose caption is
// the text, or any new one when the text is empty and `except` lists known
// windows.
HWND waitForDialog(DWORD processId, const std::string& caption, DWORD timeoutMs = 15000,
                   const std::vector<HWND>& except = {});
// Visible top-level windows of the process right now.
std::vector<HWND> topWindows(DWORD processId);
// True once the window is gone (or hidden) within the time.
bool waitForWindowGone(HWND window, DWORD timeoutMs = 15000);

// The first descendant (depth first) that passes the test.
HWND findDescendant(HWND root, const std::function<bool(HWND)>& test);
std::string className(HWND window);

// Presses the button as a click does (posted, so a modal loop that the
// click starts does not block the caller).
void pressButton(HWND button);
// Posts the characters one by one, as typed keys arrive (WM_CHAR); waits
// until the target has taken them.
void typeChars(HWND edit, const std::string& text);
// The text that the window holds (WM_GETTEXT).
std::string textOf(HWND window);
// Replaces the whole text of the window (WM_SETTEXT).
void setWindowText(HWND window, const std::string& text);

// The system Open dialog: types the full path into its file-name box and
// confirms.
bool answerOpenDialog(HWND dialog, const std::string& path);

// The shell's folder browser: expands the tree from its root item along the
// display names (each step matched exactly or, failing that, as a part of the
// name, e.g. "(Z:)"), selects the last one and returns true when it is
// selected. The target process is read to get the item names.
bool selectFolderInBrowser(HANDLE process, HWND browser, const std::vector<std::string>& names,
                           std::string* trail = nullptr);

// A message box of another process as the user sees it.
struct MessageBoxView {
    std::string caption;
    std::string text;
    // "information", "error", "warning", "question", or "" for no icon: the
    // system icon whose picture matches the pixels shown.
    std::string icon;
};
MessageBoxView readMessageBox(HWND box);

// An open menu of another process (a window of the class "#32768") as the
// user sees it. Wine keeps a menu's items in the process that made it, so
// they are read from the picture: a character an item from the top, '|' a
// separator, '-' greyed text, 'x' a mark (check or radio) left of the
// text, '.' none.
std::string readMenu(HWND menu);
// Waits until a menu of the process not among `except` shows and has
// painted; null on time-out.
HWND waitForMenu(DWORD processId, const std::vector<HWND>& except = {}, DWORD timeoutMs = 15000);
// Visible menus of the process, in no particular order.
std::vector<HWND> menusOf(DWORD processId);
// Posts each key's press and release to the menu, as the keyboard does
// while a menu is open; waits a little after each.
void pressMenuKeys(HWND menu, const std::vector<WPARAM>& keys);

// Pictures for the documentation: the screen's pixels in a rectangle now,
// and pictures placed side by side from left to right in a 24-bit BMP file.
struct ScreenGrab {
    int width = 0, height = 0;
    std::vector<unsigned char> bgrx; // top row first, 4 bytes a pixel
};
ScreenGrab grabScreen(const RECT& area);
// The same from windows of this process, each read from its own window DC
// and laid over the area in order (for windows whose pixels have not
// reached the screen yet).
ScreenGrab grabWindows(const RECT& area, const std::vector<HWND>& windows);
bool saveSideBySide(const std::vector<ScreenGrab>& grabs, const std::string& path);

} // namespace testsupport
