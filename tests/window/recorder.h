// What a message reaches, in order: class hooks, application handlers and
// the window's own procedure each append one entry to the call log, so a
// test asserts the whole sequence, as window-system conformance suites do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "window/dialog.h"
#include "window/window.h"

namespace wt {

using Log = std::vector<std::string>;
Log& log();
void record(const std::string& entry);
// "name(a,b,c)"
std::string call(const std::string& name, std::initializer_list<std::intptr_t> args = {});

// What each named handler or hook returns (0 unless set).
std::map<std::string, std::intptr_t>& results();
std::intptr_t resultOf(const std::string& name);
// What a named handler does after logging itself, before it returns.
std::map<std::string, std::function<void()>>& actions();

// Module instance and registry, as the program's start-up makes them; the
// call log and the results emptied.
void startLibrary();

// A window of the test class "TsPlain": its procedure logs the messages in
// watched() as "prev(WM_...)" and returns prevResult() for them (the
// default window procedure for all others), so a test sees which messages
// went on past the library.
HWND newPlainWindow(HWND parent = nullptr, int id = 0, DWORD style = 0);
std::vector<UINT>& watched();
// Watched messages logged with their wParam: "prev(WM_...,wParam)".
std::vector<UINT>& wParamShown();
LRESULT prevResult();
std::string messageName(UINT message);

// A window object whose hooks log themselves, then do what the base does
// (or return what results() names for them).
class RecordingWindow : public win::Window {
  public:
    LRESULT onCommand(HWND parent, HWND control, int code, int id) override;
    LRESULT onNotify(HWND parent, HWND sender, int code, UINT_PTR senderId, LPARAM data) override;
    LRESULT onColorRequest(HWND control, HDC dc) override;
    LRESULT onPainted(HWND window) override;
    LRESULT onEraseBackground(HWND window, HDC dc) override;
    LRESULT onScroll(int code, int position, HWND scrollBar) override;
    LRESULT onMouseMove(HWND window, int x, int y) override;
    LRESULT onDrawItem(WPARAM id, LPARAM data) override;
    LRESULT onMouseLeave(HWND window) override;
    void onLeftButtonDown(HWND window, LPARAM lParam) override;
    void onLeftDoubleClick(HWND window, LPARAM lParam) override;
    void onKeyDown(HWND window, WPARAM virtualKey) override;
    LRESULT onMoving(HWND window, LPARAM rect) override;
    LRESULT onMove(HWND window, int x, int y) override;
    void onLeftButtonUp(HWND window, LPARAM lParam) override;
    void onSize(int width, int height) override;
    LRESULT onDestroy(HWND window) override;
    void onWindowDestroyed(HWND window) override;
    LRESULT onSetCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    // For tests that look inside.
    WNDPROC previousProc() const { return previousProc_; }
    HCURSOR heldCursor() const { return cursor_.get(); }
    HFONT heldFont() const { return font_.get(); }
    std::uintptr_t tracking() const { return mouseTracking_; }
    std::string tag = "obj";
};

// A Dialog that opens its fields to the tests.
class OpenDialog : public win::Dialog {
  public:
    HBRUSH brush() const { return backgroundBrush_.get(); }
    HBITMAP picture() const { return backgroundPicture_.get(); }
    std::uintptr_t mode() const { return pictureMode_; }
    INT_PTR modalResult() const { return modalResult_; }
    bool modal() const { return modal_ != 0; }
    win::Handler initHandler() const { return init_; }
    win::Handler closeHandler() const { return close_; }
    WNDPROC previousProc() const { return previousProc_; }
};

// Handlers: each logs "name(args)" and returns resultOf(name).
namespace handlers {
std::intptr_t leftDown(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t leftUp(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t leftDouble(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t rightDown(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t rightUp(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t mouseMove(std::intptr_t x, std::intptr_t y, std::intptr_t keys);
std::intptr_t focusGained();
std::intptr_t focusLost();
std::intptr_t keyDown(std::intptr_t key, std::intptr_t keys);
std::intptr_t keyUp(std::intptr_t key, std::intptr_t keys);
std::intptr_t wheel(std::intptr_t delta, std::intptr_t keys);
std::intptr_t character(std::intptr_t code);
std::intptr_t mouseEnter();
std::intptr_t mouseLeave();
std::intptr_t paint(std::intptr_t dc, std::intptr_t left, std::intptr_t top, std::intptr_t right,
                    std::intptr_t bottom);
// The file-drop handler keeps a copy of the names in droppedNames().
std::intptr_t fileDrop(std::intptr_t names);
std::string& droppedNames();
// Dialog handlers. init keeps its window in initWindow().
std::intptr_t init(std::intptr_t window);
HWND& initWindow();
std::intptr_t close();
std::intptr_t destroy();
std::intptr_t moved(std::intptr_t x, std::intptr_t y);
std::intptr_t sized(std::intptr_t width, std::intptr_t height);
std::intptr_t activate();
std::intptr_t deactivate();
std::intptr_t firstActivate();
std::intptr_t shown();
std::intptr_t hidden();
std::intptr_t menuCommand(std::intptr_t id);
std::intptr_t contextMenu(std::intptr_t x, std::intptr_t y, std::intptr_t window);
std::intptr_t tray(std::intptr_t code);
std::intptr_t hotkey(std::intptr_t id, std::intptr_t modifiers, std::intptr_t key);
} // namespace handlers

template <class F> win::Handler handler(F* function) {
    return reinterpret_cast<win::Handler>(function);
}

} // namespace wt
