// The base window class: binding objects to windows, the window registry and
// the everyday window operations.
#include "window/window.h"

#include <shellapi.h>

#include "runtime/values.h"
#include "window/int_hash_table.h"

namespace win {

namespace {

IntHashTable* gRegistry = nullptr;
HINSTANCE gModuleInstance = nullptr;

IntHashTable::Key registryKey(HWND window) {
    return reinterpret_cast<IntHashTable::Key>(window);
}

IntHashTable::Value registryValue(const Window* object) {
    return reinterpret_cast<IntHashTable::Value>(object);
}

// Forgets the pair that maps window to object, and only that one: a handle
// that Windows later gives to a new window must not lead to this object.
void forgetPair(HWND window, const Window* object) {
    if (gRegistry && window) gRegistry->removePair(registryKey(window), registryValue(object));
}

// Puts back the procedure the window had; when a later subclasser sits above
// the library's procedure, that one stays and passes every message down to
// the procedure below it.
void unsubclass(HWND window, WNDPROC previous) {
    if (!restoreProcedureIfInstalled(window, libraryWindowProc, previous))
        SetPropA(window, kProcedureBelowProperty, reinterpret_cast<HANDLE>(previous));
}

// The parent whose client coordinates place a window: only a child has one;
// a top-level window (owned or not) is placed in screen coordinates.
HWND placingParent(HWND window) {
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return nullptr;
    return GetParent(window);
}

// Frame refresh after a style change.
void refreshFrame(HWND window) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LONG changeLong(HWND window, int index, LONG set, LONG clear) {
    LONG old = GetWindowLongA(window, index);
    SetWindowLongA(window, index, (old | set) & ~clear);
    refreshFrame(window);
    return old;
}

} // namespace

bool procedureInstalled(HWND window, WNDPROC ours) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == ours;
}

bool restoreProcedureIfInstalled(HWND window, WNDPROC ours, WNDPROC previous) {
    if (!procedureInstalled(window, ours)) return false;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    return true;
}

RECT rectInParentOf(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    if (HWND parent = placingParent(window)) {
        POINT corners[2] = {{r.left, r.top}, {r.right, r.bottom}};
        ScreenToClient(parent, &corners[0]);
        ScreenToClient(parent, &corners[1]);
        r = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    }
    return r;
}

RectRecord* newRectRecord(const RECT& r) {
    auto* record = static_cast<RectRecord*>(rt::allocate(sizeof(RectRecord)));
    *record = RectRecord{r.left, r.top, r.right, r.bottom};
    return record;
}

IntHashTable* windowRegistry() {
    return gRegistry;
}

void createWindowRegistry() {
    if (!gRegistry) gRegistry = newIntHashTable();
}

void releaseWindowRegistry() {
    if (!gRegistry) return;
    gRegistry->release();
    rt::free(gRegistry);
    gRegistry = nullptr;
}

HINSTANCE moduleInstance() {
    return gModuleInstance;
}

void setModuleInstance(HINSTANCE instance) {
    gModuleInstance = instance;
}

Window* findWindowObject(HWND window) {
    if (!gRegistry || !window) return nullptr;
    return reinterpret_cast<Window*>(gRegistry->lookup(registryKey(window)));
}

// --- binding ------------------------------------------------------------------

bool Window::enterInRegistry(HWND window) {
    createWindowRegistry(); // binding before start-up still has a registry to use
    return gRegistry->add(registryKey(window), registryValue(this), 0) != 0;
}

void Window::subclass(HWND window) {
    if (HANDLE below = RemovePropA(window, kProcedureBelowProperty)) {
        handle_ = window;
        previousProc_ = reinterpret_cast<WNDPROC>(below);
        return;
    }
    if (procedureInstalled(window, libraryWindowProc)) return; // bound once only
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&libraryWindowProc)));
    handle_ = window;
    previousProc_ = previous;
}

void Window::redrawUnlessRefused(std::optional<bool> redraw) {
    if (redraw.value_or(true)) invalidate(true);
}

bool Window::registerAndSubclass(HWND window) {
    if (!enterInRegistry(window)) return false;
    subclass(window);
    return true;
}

// --- the shared operations, in table order ---------------------------------------

void Window::release() {
    if (HWND window = handle_) {
        onWindowDestroyed(window);
        return;
    }
    // Never bound, or unbound already: what the object still holds (set
    // before any window existed) goes now, or never.
    onDestroy(nullptr);
    cursor_.reset();
    font_.reset();
}

// A derived class with fields of its own replaces this with cloneAs of itself.
Window* Window::clone() {
    return cloneAs(this);
}

LRESULT Window::classWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Window::onDialogMessage(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT Window::defMDIChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcA(window, message, wParam, lParam);
}

LRESULT Window::defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Window::onCommand(HWND, HWND, int, int) {
    return 0;
}

LRESULT Window::onNotify(HWND, HWND, int, UINT_PTR, LPARAM) {
    return 0;
}

LRESULT Window::onColorRequest(HWND, HDC) {
    return 0;
}

LRESULT Window::onPainted(HWND) {
    return 0;
}

// The base class has no background painter (Dialog has one and replaces
// this): the erasing is left to Windows.
LRESULT Window::onEraseBackground(HWND, HDC) {
    return 0;
}

LRESULT Window::onScroll(int, int, HWND) {
    return 0;
}

LRESULT Window::onDrawItem(WPARAM, LPARAM) {
    return 1;
}

void Window::onLeftButtonDown(HWND, LPARAM) {}

void Window::onLeftDoubleClick(HWND, LPARAM) {}

void Window::onKeyDown(HWND, WPARAM) {}

LRESULT Window::onMoving(HWND, LPARAM) {
    return 0;
}

LRESULT Window::onMove(HWND, int, int) {
    return 0;
}

LRESULT Window::reserved22(WPARAM, WPARAM, WPARAM, WPARAM) {
    return 0;
}

void Window::onLeftButtonUp(HWND, LPARAM) {}

void Window::reserved24(WPARAM, WPARAM, WPARAM) {}

void Window::onSize(int, int) {}

LRESULT Window::onDestroy(HWND) {
    return 0;
}

void Window::onWindowDestroyed(HWND window) {
    if (!window) return;
    onDestroy(window);
    if (previousProc_) unsubclass(window, previousProc_);
    forgetPair(window, this);
    if (handle_ && handle_ != window) forgetPair(handle_, this);
    cursor_.reset();
    font_.reset();
    handle_ = nullptr;
    previousProc_ = nullptr;
    leftButtonDown_ = leftButtonUp_ = leftDoubleClick_ = nullptr;
    rightButtonDown_ = rightButtonUp_ = mouseMove_ = nullptr;
    focusGained_ = focusLost_ = keyDown_ = keyUp_ = nullptr;
    character_ = wheel_ = fileDrop_ = nullptr;
    mouseTracking_ = 0;
    mouseEnter_ = mouseLeave_ = paint_ = nullptr;
}

HWND Window::createWindow(HWND parent, DWORD exStyle, const char* className, const char* caption,
                          DWORD style, int x, int y, int width, int height, HMENU menuOrId,
                          void* param) {
    if (handle_) return nullptr;
    HWND window = CreateWindowExA(exStyle, className, caption, style | WS_CLIPSIBLINGS, x, y, width,
                                  height, parent, menuOrId, moduleInstance(), param);
    handle_ = window;
    if (!window) return nullptr;
    if (!registerAndSubclass(window)) return window;
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return window;
}

void Window::detach() {
    onWindowDestroyed(handle_);
}

HWND Window::attachDialogItem(HWND dialog, int id, bool setFont) {
    if (handle_) return nullptr;
    HWND item = GetDlgItem(dialog, id);
    handle_ = item;
    if (!item) return nullptr;
    enterInRegistry(item);
    subclass(item);
    if (setFont)
        SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     1);
    return item;
}

HWND Window::attachWindow(HWND window) {
    if (handle_ || !IsWindow(window)) return nullptr;
    handle_ = window;
    enterInRegistry(window);
    subclass(window);
    return window;
}

HWND Window::handle() {
    return handle_;
}

char* Window::className() {
    rt::TextValue buffer(rt::blankText(255));
    char* name = const_cast<char*>(buffer.get());
    int n = GetClassNameA(handle_, name, 255);
    if (n < 0) n = 0;
    name[n] = 0;
    while (n > 0 && name[n - 1] == ' ')
        name[--n] = 0;
    return rt::newText(name, static_cast<std::uint32_t>(n));
}

LONG Window::id() {
    return static_cast<LONG>(GetWindowLongPtrA(handle_, GWLP_ID));
}

bool Window::exists() {
    return IsWindow(handle_) != 0;
}

void Window::close() {
    if (handle_) SendMessageA(handle_, WM_CLOSE, 0, 0);
}

HWND Window::setFocus() {
    return SetFocus(handle_);
}

bool Window::hasFocus() {
    return handle_ && GetFocus() == handle_;
}

RectRecord* Window::clientRect() {
    RECT r{};
    GetClientRect(handle_, &r);
    return newRectRecord(r);
}

RectRecord* Window::rectInParent() {
    return newRectRecord(rectInParentOf(handle_));
}

void Window::freezeRedraw() {
    SendMessageA(handle_, WM_SETREDRAW, 0, 0);
}

void Window::resumeRedraw() {
    SendMessageA(handle_, WM_SETREDRAW, 1, 0);
}

// Without a window there is nothing to redraw: given a null window, Windows
// would redraw (or validate) every window on the desktop.
BOOL Window::invalidate(std::optional<bool> erase) {
    if (!handle_) return FALSE;
    return InvalidateRect(handle_, nullptr, erase.value_or(true));
}

BOOL Window::invalidateRect(const RectRecord* rect) {
    if (!handle_) return FALSE;
    if (!rect) return InvalidateRect(handle_, nullptr, TRUE);
    RECT r{rect->left, rect->top, rect->right, rect->bottom};
    return InvalidateRect(handle_, &r, TRUE);
}

BOOL Window::validate() {
    if (!handle_) return FALSE;
    return ValidateRect(handle_, nullptr);
}

BOOL Window::update() {
    if (!handle_) return FALSE;
    return UpdateWindow(handle_);
}

BOOL Window::move(std::optional<int> x, std::optional<int> y, std::optional<int> width,
                  std::optional<int> height, std::optional<bool> repaint) {
    RECT r = rectInParentOf(handle_);
    return MoveWindow(handle_, x.value_or(r.left), y.value_or(r.top),
                      width.value_or(r.right - r.left), height.value_or(r.bottom - r.top),
                      repaint.value_or(true));
}

int Window::left(std::optional<int> value, std::optional<bool> repaint) {
    if (!value) return rectInParentOf(handle_).left;
    return move(value, {}, {}, {}, repaint);
}

int Window::top(std::optional<int> value, std::optional<bool> repaint) {
    if (!value) return rectInParentOf(handle_).top;
    return move({}, value, {}, {}, repaint);
}

int Window::width(std::optional<int> value, std::optional<bool> repaint) {
    if (!value) {
        RECT r = rectInParentOf(handle_);
        return r.right - r.left;
    }
    return move({}, {}, value, {}, repaint);
}

int Window::height(std::optional<int> value, std::optional<bool> repaint) {
    if (!value) {
        RECT r = rectInParentOf(handle_);
        return r.bottom - r.top;
    }
    return move({}, {}, {}, value, repaint);
}

BOOL Window::zOrder(std::optional<int> position) {
    HWND after = HWND_TOP;
    switch (position.value_or(1)) {
    case 2:
        after = HWND_BOTTOM;
        break;
    case 3:
        after = HWND_TOPMOST;
        break;
    case 4:
        after = HWND_NOTOPMOST;
        break;
    default:
        break;
    }
    return SetWindowPos(handle_, after, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

LRESULT Window::sendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(handle_, message, wParam, lParam);
}

BOOL Window::postMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(handle_, message, wParam, lParam);
}

HWND Window::setParent(HWND newParent) {
    return SetParent(handle_, newParent);
}

HWND Window::parent() {
    return GetParent(handle_);
}

bool Window::visible(std::optional<bool> shown) {
    if (!shown) return IsWindowVisible(handle_) != 0;
    return ShowWindow(handle_, *shown ? SW_SHOW : SW_HIDE) != 0;
}

bool Window::disabled(std::optional<bool> disable) {
    if (!disable) return !IsWindowEnabled(handle_);
    return EnableWindow(handle_, !*disable) != 0;
}

LONG Window::style() {
    return GetWindowLongA(handle_, GWL_STYLE);
}

LONG Window::addStyle(LONG bits) {
    return changeLong(handle_, GWL_STYLE, bits, 0);
}

LONG Window::removeStyle(LONG bits) {
    return changeLong(handle_, GWL_STYLE, 0, bits);
}

LONG Window::exStyle() {
    return GetWindowLongA(handle_, GWL_EXSTYLE);
}

LONG Window::addExStyle(LONG bits) {
    return changeLong(handle_, GWL_EXSTYLE, bits, 0);
}

LONG Window::removeExStyle(LONG bits) {
    return changeLong(handle_, GWL_EXSTYLE, 0, bits);
}

char* Window::getText() {
    int length = GetWindowTextLengthA(handle_);
    if (length < 0) length = 0;
    char* buffer = rt::blankText(static_cast<std::uint32_t>(length) + 1);
    int n = GetWindowTextA(handle_, buffer, length + 1);
    buffer[n > 0 ? n : 0] = 0;
    return buffer;
}

bool Window::setText(const char* text) {
    return SetWindowTextA(handle_, rt::orEmpty(text)) != 0;
}

int Window::messageBox(const char* message, UINT type, std::optional<const char*> title) {
    return MessageBoxA(handle_, rt::orEmpty(message), rt::orEmpty(title.value_or("信息：")), type) -
           1;
}

bool Window::setProperty(const char* name, HANDLE value) {
    return SetPropA(handle_, name, value) != 0;
}

HANDLE Window::getProperty(const char* name) {
    return GetPropA(handle_, name);
}

bool Window::removeProperty(const char* name) {
    return RemovePropA(handle_, name) != nullptr;
}

HCURSOR Window::cursor(std::optional<HCURSOR> cursor) {
    if (cursor) cursor_.reset(*cursor);
    return cursor_.get();
}

void Window::setFont(HFONT font) {
    font_.reset(font);
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font), 1);
}

HFONT Window::font() {
    return reinterpret_cast<HFONT>(SendMessageA(handle_, WM_GETFONT, 0, 0));
}

void Window::acceptFiles(bool accept) {
    DragAcceptFiles(handle_, accept);
}

HICON Window::classIcon(std::optional<HICON> icon, std::optional<bool> large) {
    int index = large.value_or(false) ? GCLP_HICON : GCLP_HICONSM;
    if (!icon) return reinterpret_cast<HICON>(GetClassLongPtrA(handle_, index));
    return reinterpret_cast<HICON>(
        SetClassLongPtrA(handle_, index, reinterpret_cast<LONG_PTR>(*icon)));
}

HCURSOR Window::classCursor(std::optional<HCURSOR> cursor) {
    if (!cursor) return reinterpret_cast<HCURSOR>(GetClassLongPtrA(handle_, GCLP_HCURSOR));
    return reinterpret_cast<HCURSOR>(
        SetClassLongPtrA(handle_, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(*cursor)));
}

void Window::setHandle(HWND window) {
    handle_ = window;
}

Handler Window::setLeftButtonDownHandler(Handler h) {
    return leftButtonDown_ = h;
}
Handler Window::setLeftButtonUpHandler(Handler h) {
    return leftButtonUp_ = h;
}
Handler Window::setLeftDoubleClickHandler(Handler h) {
    return leftDoubleClick_ = h;
}
Handler Window::setRightButtonDownHandler(Handler h) {
    return rightButtonDown_ = h;
}
Handler Window::setRightButtonUpHandler(Handler h) {
    return rightButtonUp_ = h;
}
Handler Window::setMouseMoveHandler(Handler h) {
    return mouseMove_ = h;
}
Handler Window::setFocusGainedHandler(Handler h) {
    return focusGained_ = h;
}
Handler Window::setFocusLostHandler(Handler h) {
    return focusLost_ = h;
}
Handler Window::setKeyDownHandler(Handler h) {
    return keyDown_ = h;
}
Handler Window::setKeyUpHandler(Handler h) {
    return keyUp_ = h;
}
Handler Window::setWheelHandler(Handler h) {
    return wheel_ = h;
}
Handler Window::setCharHandler(Handler h) {
    return character_ = h;
}
Handler Window::setFileDropHandler(Handler h) {
    return fileDrop_ = h;
}
Handler Window::setMouseEnterHandler(Handler h) {
    return mouseEnter_ = h;
}
Handler Window::setMouseLeaveHandler(Handler h) {
    return mouseLeave_ = h;
}
Handler Window::setPaintHandler(Handler h) {
    return paint_ = h;
}

} // namespace win
