#include "tests/window/recorder.h"

#include <algorithm>
#include <cstdio>

namespace wt {

namespace {

constexpr LRESULT kPrevResult = 77;

LRESULT CALLBACK plainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& w = watched();
    if (std::find(w.begin(), w.end(), message) != w.end()) {
        if (message == WM_WINDOWPOSCHANGING) {
            // Where the window is to go in the z-order.
            auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
            record(call("prev(WM_WINDOWPOSCHANGING)",
                        {reinterpret_cast<std::intptr_t>(pos->hwndInsertAfter),
                         std::intptr_t(pos->flags & (SWP_NOMOVE | SWP_NOSIZE))}));
            return DefWindowProcA(window, message, wParam, lParam);
        }
        auto& shown = wParamShown();
        if (std::find(shown.begin(), shown.end(), message) != shown.end())
            record("prev(" + messageName(message) + "," + std::to_string(wParam) + ")");
        else
            record("prev(" + messageName(message) + ")");
        if (message != WM_NCDESTROY) return kPrevResult;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

std::intptr_t logged(const char* name, std::initializer_list<std::intptr_t> args) {
    record(call(name, args));
    auto action = actions().find(name);
    if (action != actions().end() && action->second) action->second();
    return resultOf(name);
}

std::intptr_t word(const void* p) {
    return reinterpret_cast<std::intptr_t>(p);
}

} // namespace

Log& log() {
    static Log entries;
    return entries;
}

void record(const std::string& entry) {
    log().push_back(entry);
}

std::string call(const std::string& name, std::initializer_list<std::intptr_t> args) {
    std::string text = name + "(";
    bool first = true;
    for (std::intptr_t a : args) {
        if (!first) text += ",";
        text += std::to_string(a);
        first = false;
    }
    return text + ")";
}

std::map<std::string, std::intptr_t>& results() {
    static std::map<std::string, std::intptr_t> values;
    return values;
}

std::intptr_t resultOf(const std::string& name) {
    auto found = results().find(name);
    return found == results().end() ? 0 : found->second;
}

std::map<std::string, std::function<void()>>& actions() {
    static std::map<std::string, std::function<void()>> all;
    return all;
}

std::vector<UINT>& watched() {
    static std::vector<UINT> messages;
    return messages;
}

std::vector<UINT>& wParamShown() {
    static std::vector<UINT> messages;
    return messages;
}

LRESULT prevResult() {
    return kPrevResult;
}

void startLibrary() {
    win::setModuleInstance(GetModuleHandleA(nullptr));
    win::createWindowRegistry();
    log().clear();
    results().clear();
    actions().clear();
    watched().clear();
    wParamShown().clear();
    handlers::droppedNames().clear();
    handlers::initWindow() = nullptr;
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = plainProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
        wc.lpszClassName = "TsPlain";
        registered = RegisterClassExA(&wc) != 0;
    }
}

HWND newPlainWindow(HWND parent, int id, DWORD style) {
    if (parent) style |= WS_CHILD;
    return CreateWindowExA(0, "TsPlain", "plain", style, 10, 20, 200, 120, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr);
}

std::string messageName(UINT message) {
    static const std::map<UINT, const char*> names = {
        {WM_NCDESTROY, "WM_NCDESTROY"},
        {WM_DESTROY, "WM_DESTROY"},
        {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
        {WM_LBUTTONUP, "WM_LBUTTONUP"},
        {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
        {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
        {WM_RBUTTONUP, "WM_RBUTTONUP"},
        {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
        {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"},
        {WM_KEYDOWN, "WM_KEYDOWN"},
        {WM_KEYUP, "WM_KEYUP"},
        {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
        {WM_CHAR, "WM_CHAR"},
        {WM_SETCURSOR, "WM_SETCURSOR"},
        {WM_PAINT, "WM_PAINT"},
        {WM_ERASEBKGND, "WM_ERASEBKGND"},
        {WM_HSCROLL, "WM_HSCROLL"},
        {WM_VSCROLL, "WM_VSCROLL"},
        {WM_COMMAND, "WM_COMMAND"},
        {WM_NOTIFY, "WM_NOTIFY"},
        {WM_DRAWITEM, "WM_DRAWITEM"},
        {WM_DROPFILES, "WM_DROPFILES"},
        {WM_MOUSELEAVE, "WM_MOUSELEAVE"},
        {WM_MOVING, "WM_MOVING"},
        {WM_MOVE, "WM_MOVE"},
        {WM_SIZE, "WM_SIZE"},
        {WM_CLOSE, "WM_CLOSE"},
        {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
        {WM_NCACTIVATE, "WM_NCACTIVATE"},
        {WM_SETREDRAW, "WM_SETREDRAW"},
    };
    auto found = names.find(message);
    if (found != names.end()) return found->second;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return "WM_CTLCOLOR";
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%X", message);
    return hex;
}

// --- the recording object ---------------------------------------------------------

#define RECORD_HOOK(name, ...)                                                                     \
    record(tag + "." + call(name, {__VA_ARGS__}));                                                 \
    if (results().count(tag + "." + name)) return resultOf(tag + "." + name)

LRESULT RecordingWindow::onCommand(HWND parent, HWND control, int code, int id) {
    RECORD_HOOK("onCommand", word(parent), word(control), code, id);
    return Window::onCommand(parent, control, code, id);
}

LRESULT RecordingWindow::onNotify(HWND parent, HWND sender, int code, UINT_PTR senderId,
                                  LPARAM data) {
    RECORD_HOOK("onNotify", word(parent), word(sender), code, std::intptr_t(senderId), data);
    return Window::onNotify(parent, sender, code, senderId, data);
}

LRESULT RecordingWindow::onColorRequest(HWND control, HDC dc) {
    RECORD_HOOK("onColorRequest", word(control), word(dc));
    return Window::onColorRequest(control, dc);
}

LRESULT RecordingWindow::onPainted(HWND window) {
    RECORD_HOOK("onPainted", word(window));
    return Window::onPainted(window);
}

LRESULT RecordingWindow::onEraseBackground(HWND window, HDC dc) {
    RECORD_HOOK("onEraseBackground", word(window), word(dc));
    return Window::onEraseBackground(window, dc);
}

LRESULT RecordingWindow::onScroll(int code, int position, HWND scrollBar) {
    RECORD_HOOK("onScroll", code, position, word(scrollBar));
    return Window::onScroll(code, position, scrollBar);
}

LRESULT RecordingWindow::onMouseMove(HWND window, int x, int y) {
    record(tag + "." + call("onMouseMove", {word(window), x, y}));
    return Window::onMouseMove(window, x, y);
}

LRESULT RecordingWindow::onDrawItem(WPARAM id, LPARAM data) {
    RECORD_HOOK("onDrawItem", std::intptr_t(id), data);
    return Window::onDrawItem(id, data);
}

LRESULT RecordingWindow::onMouseLeave(HWND window) {
    record(tag + "." + call("onMouseLeave", {word(window)}));
    return Window::onMouseLeave(window);
}

void RecordingWindow::onLeftButtonDown(HWND window, LPARAM lParam) {
    record(tag + "." + call("onLeftButtonDown", {word(window), lParam}));
    Window::onLeftButtonDown(window, lParam);
}

void RecordingWindow::onLeftDoubleClick(HWND window, LPARAM lParam) {
    record(tag + "." + call("onLeftDoubleClick", {word(window), lParam}));
}

void RecordingWindow::onKeyDown(HWND window, WPARAM virtualKey) {
    record(tag + "." + call("onKeyDown", {word(window), std::intptr_t(virtualKey)}));
}

LRESULT RecordingWindow::onMoving(HWND window, LPARAM rect) {
    RECORD_HOOK("onMoving", word(window), rect);
    return Window::onMoving(window, rect);
}

LRESULT RecordingWindow::onMove(HWND window, int x, int y) {
    RECORD_HOOK("onMove", word(window), x, y);
    return Window::onMove(window, x, y);
}

void RecordingWindow::onLeftButtonUp(HWND window, LPARAM lParam) {
    record(tag + "." + call("onLeftButtonUp", {word(window), lParam}));
}

void RecordingWindow::onSize(int width, int height) {
    record(tag + "." + call("onSize", {width, height}));
}

LRESULT RecordingWindow::onDestroy(HWND window) {
    RECORD_HOOK("onDestroy", word(window));
    return Window::onDestroy(window);
}

void RecordingWindow::onWindowDestroyed(HWND window) {
    record(tag + "." + call("onWindowDestroyed", {word(window)}));
    Window::onWindowDestroyed(window);
}

LRESULT RecordingWindow::onSetCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    record(tag + "." + call("onSetCursor", {word(window)}));
    return Window::onSetCursor(window, message, wParam, lParam);
}

// --- handlers ---------------------------------------------------------------------------

namespace handlers {
std::intptr_t leftDown(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("leftDown", {x, y, k});
}
std::intptr_t leftUp(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("leftUp", {x, y, k});
}
std::intptr_t leftDouble(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("leftDouble", {x, y, k});
}
std::intptr_t rightDown(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("rightDown", {x, y, k});
}
std::intptr_t rightUp(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("rightUp", {x, y, k});
}
std::intptr_t mouseMove(std::intptr_t x, std::intptr_t y, std::intptr_t k) {
    return logged("mouseMove", {x, y, k});
}
std::intptr_t focusGained() {
    return logged("focusGained", {});
}
std::intptr_t focusLost() {
    return logged("focusLost", {});
}
std::intptr_t keyDown(std::intptr_t key, std::intptr_t k) {
    return logged("keyDown", {key, k});
}
std::intptr_t keyUp(std::intptr_t key, std::intptr_t k) {
    return logged("keyUp", {key, k});
}
std::intptr_t wheel(std::intptr_t delta, std::intptr_t k) {
    return logged("wheel", {delta, k});
}
std::intptr_t character(std::intptr_t code) {
    return logged("character", {code});
}
std::intptr_t mouseEnter() {
    return logged("mouseEnter", {});
}
std::intptr_t mouseLeave() {
    return logged("mouseLeave", {});
}
std::intptr_t paint(std::intptr_t dc, std::intptr_t l, std::intptr_t t, std::intptr_t r,
                    std::intptr_t b) {
    record(call("paintDc", {dc != 0}));
    return logged("paint", {l, t, r, b});
}
std::string& droppedNames() {
    static std::string names;
    return names;
}
std::intptr_t fileDrop(std::intptr_t names) {
    droppedNames() = reinterpret_cast<const char*>(names);
    return logged("fileDrop", {});
}
HWND& initWindow() {
    static HWND window = nullptr;
    return window;
}
std::intptr_t init(std::intptr_t window) {
    initWindow() = reinterpret_cast<HWND>(window);
    return logged("init", {});
}
std::intptr_t close() {
    return logged("close", {});
}
std::intptr_t destroy() {
    return logged("destroy", {});
}
std::intptr_t moved(std::intptr_t x, std::intptr_t y) {
    return logged("moved", {x, y});
}
std::intptr_t sized(std::intptr_t w, std::intptr_t h) {
    return logged("sized", {w, h});
}
std::intptr_t activate() {
    return logged("activate", {});
}
std::intptr_t deactivate() {
    return logged("deactivate", {});
}
std::intptr_t firstActivate() {
    return logged("firstActivate", {});
}
std::intptr_t shown() {
    return logged("shown", {});
}
std::intptr_t hidden() {
    return logged("hidden", {});
}
std::intptr_t menuCommand(std::intptr_t id) {
    return logged("menuCommand", {id});
}
std::intptr_t contextMenu(std::intptr_t x, std::intptr_t y, std::intptr_t window) {
    return logged("contextMenu", {x, y, window});
}
std::intptr_t tray(std::intptr_t code) {
    return logged("tray", {code});
}
std::intptr_t hotkey(std::intptr_t id, std::intptr_t modifiers, std::intptr_t key) {
    return logged("hotkey", {id, modifiers, key});
}
} // namespace handlers

} // namespace wt
