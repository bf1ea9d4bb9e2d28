// Window objects: heap objects bound to Win32 windows. The C++ class's
// virtual functions are the class table, declared in the table's order (the
// 97 shared operations below); derived classes replace some and append their
// own. Objects live in zero-filled runtime heap blocks: create them with
// newWindowObject<T>(), end them with release() and then rt::free().
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <type_traits>

#include "runtime/foreign_call.h"
#include "runtime/memory.h"
#include "window/handles.h"

class IntHashTable;

namespace win {

// An application event handler: the address of a function taking up to seven
// word-sized arguments and returning a word; null = none.
using Handler = const void*;

// Calls a handler whatever its calling convention; a null handler is not
// called and counts as result 0.
template <class T> std::uintptr_t toWord(T value) {
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<std::uintptr_t>(value);
    else
        return static_cast<std::uintptr_t>(value);
}
template <class... Args> std::intptr_t callHandler(Handler handler, Args... args) {
    if (!handler) return 0;
    std::uintptr_t words[] = {0, toWord(args)...};
    return static_cast<std::intptr_t>(
        rt::callForeign(handler, words + 1, static_cast<int>(sizeof...(Args))));
}

// A heap block of left, top, right, bottom, owned by the caller.
struct RectRecord {
    std::int32_t left, top, right, bottom;
};
static_assert(sizeof(RectRecord) == 16, "rectangle record: four 32-bit values");
RectRecord* newRectRecord(const RECT& r);

// Process-wide state of the library.
IntHashTable* windowRegistry();
void createWindowRegistry();
void releaseWindowRegistry();
HINSTANCE moduleInstance();
void setModuleInstance(HINSTANCE instance);

// The library window procedure installed on every bound window. It runs
// inside Windows' own frames, so nothing may throw out of it.
LRESULT CALLBACK libraryWindowProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept;
// Unbinding puts back the procedure a window had only while the library's
// is the one installed; when another subclasser came later, the library's
// procedure stays in the chain, keeps the procedure below it in this window
// property and passes every message down until the window is gone.
constexpr const char* kProcedureBelowProperty = "WTPreviousProc";
// Puts `previous` back as the window's procedure, but only while `ours` is
// the one installed: false, and nothing changed, when a later subclasser
// sits above it (putting `previous` back would cut that one out).
bool restoreProcedureIfInstalled(HWND window, WNDPROC ours, WNDPROC previous);
// Whether `ours` is the window's installed procedure.
bool procedureInstalled(HWND window, WNDPROC ours);
class Window;
// The object the registry finds first for a window, or null.
Window* findWindowObject(HWND window);

// The point split of mouse, size, move and scroll messages: the low half
// unsigned, the high half signed.
inline int lowUnsigned(std::uintptr_t value) {
    return static_cast<int>(value & 0xFFFF);
}
inline int highSigned(std::uintptr_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value)) >> 16;
}

// The window's rectangle where it is placed: in its parent's client
// coordinates for a child window, in screen coordinates for a top-level one.
RECT rectInParentOf(HWND window);

// Ctrl, Shift and Alt as the keyboard holds them now: 1, 2 and 4.
std::uint32_t keyState();

// Traces the bitmap into a region of its pixels that are not the transparent
// colour (a COLORREF, red in the low byte), one rectangle per run of opaque
// pixels in a row, handed to GDI in chunks of kTraceChunk rectangles. Null
// when the bitmap cannot be read. chunks, if given, receives the number of
// chunk regions made.
constexpr int kTraceChunk = 1000;
HRGN traceBitmapRegion(HBITMAP bitmap, COLORREF transparent, int* chunks = nullptr);

class Window {
  public:
    Window() = default;

    // --- the 97 shared operations, in table order ---------------------------
    // Unbinds the window; an object without one still gives back the
    // cursor, font and class resources it holds.
    virtual void release();
    // A byte copy in a new block; classes with fields of their own replace it.
    virtual Window* clone();
    virtual LRESULT windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT classWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT onDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT defMDIChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT defWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT onCommand(HWND parent, HWND control, int code, int id);
    virtual LRESULT onNotify(HWND parent, HWND sender, int code, UINT_PTR senderId, LPARAM record);
    virtual LRESULT onColorRequest(HWND control, HDC dc);
    virtual LRESULT onSetCursor(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT onPainted(HWND window);
    // The base class has no background painter: 0, Windows erases. Dialog
    // replaces it with its own background.
    virtual LRESULT onEraseBackground(HWND window, HDC dc);
    virtual LRESULT onScroll(int code, int position, HWND scrollBar);
    virtual LRESULT onMouseMove(HWND window, int x, int y);
    virtual LRESULT onDrawItem(WPARAM id, LPARAM record);
    virtual LRESULT onMouseLeave(HWND window);
    // Nothing here; Dialog replaces it to drag the window by its client area.
    virtual void onLeftButtonDown(HWND window, LPARAM lParam);
    virtual void onLeftDoubleClick(HWND window, LPARAM lParam);
    virtual void onKeyDown(HWND window, WPARAM virtualKey);
    virtual LRESULT onMoving(HWND window, LPARAM rect);
    virtual LRESULT onMove(HWND window, int x, int y);
    virtual LRESULT reserved22(WPARAM, WPARAM, WPARAM, WPARAM);
    virtual void onLeftButtonUp(HWND window, LPARAM lParam);
    virtual void reserved24(WPARAM, WPARAM, WPARAM);
    virtual void onSize(int width, int height);
    virtual LRESULT onDestroy(HWND window);
    virtual void onWindowDestroyed(HWND window);
    virtual HWND createWindow(HWND parent, DWORD exStyle, const char* className,
                              const char* caption, DWORD style, int x, int y, int width, int height,
                              HMENU menuOrId, void* param);
    virtual void detach();
    virtual HWND attachDialogItem(HWND dialog, int id, bool setFont);
    virtual HWND attachWindow(HWND window);
    virtual HWND handle();
    virtual char* className();
    virtual LONG id();
    virtual bool exists();
    virtual void close();
    virtual HWND setFocus();
    virtual bool hasFocus();
    virtual RectRecord* clientRect();
    virtual RectRecord* rectInParent();
    virtual void freezeRedraw();
    virtual void resumeRedraw();
    // These four do nothing and answer FALSE without a window.
    virtual BOOL invalidate(std::optional<bool> erase = {});
    virtual BOOL invalidateRect(const RectRecord* rect);
    virtual BOOL validate();
    virtual BOOL update();
    virtual BOOL move(std::optional<int> x = {}, std::optional<int> y = {},
                      std::optional<int> width = {}, std::optional<int> height = {},
                      std::optional<bool> repaint = {});
    virtual int left(std::optional<int> value = {}, std::optional<bool> repaint = {});
    virtual int top(std::optional<int> value = {}, std::optional<bool> repaint = {});
    virtual int width(std::optional<int> value = {}, std::optional<bool> repaint = {});
    virtual int height(std::optional<int> value = {}, std::optional<bool> repaint = {});
    virtual BOOL zOrder(std::optional<int> position = {});
    virtual LRESULT sendMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL postMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual HWND setParent(HWND newParent);
    virtual HWND parent();
    virtual bool visible(std::optional<bool> shown = {});
    virtual bool disabled(std::optional<bool> disable = {});
    virtual LONG style();
    virtual LONG addStyle(LONG bits);
    virtual LONG removeStyle(LONG bits);
    virtual LONG exStyle();
    virtual LONG addExStyle(LONG bits);
    virtual LONG removeExStyle(LONG bits);
    virtual char* getText();
    virtual bool setText(const char* text);
    virtual int messageBox(const char* message, UINT type, std::optional<const char*> title = {});
    virtual bool setProperty(const char* name, HANDLE value);
    virtual HANDLE getProperty(const char* name);
    virtual bool removeProperty(const char* name);
    virtual HCURSOR cursor(std::optional<HCURSOR> cursor = {});
    virtual void setFont(HFONT font);
    virtual HFONT font();
    virtual bool setRegion(HRGN region);
    virtual bool setRegionFromBitmap(HBITMAP bitmap, std::optional<COLORREF> transparent,
                                     bool redraw);
    virtual bool setRoundRegion(int diameter, bool redraw);
    virtual void acceptFiles(bool accept);
    virtual HICON classIcon(std::optional<HICON> icon = {}, std::optional<bool> large = {});
    virtual HCURSOR classCursor(std::optional<HCURSOR> cursor = {});
    virtual void setHandle(HWND window);
    virtual Handler setLeftButtonDownHandler(Handler handler);
    virtual Handler setLeftButtonUpHandler(Handler handler);
    virtual Handler setLeftDoubleClickHandler(Handler handler);
    virtual Handler setRightButtonDownHandler(Handler handler);
    virtual Handler setRightButtonUpHandler(Handler handler);
    virtual Handler setMouseMoveHandler(Handler handler);
    virtual Handler setFocusGainedHandler(Handler handler);
    virtual Handler setFocusLostHandler(Handler handler);
    virtual Handler setKeyDownHandler(Handler handler);
    virtual Handler setKeyUpHandler(Handler handler);
    virtual Handler setWheelHandler(Handler handler);
    virtual Handler setCharHandler(Handler handler);
    virtual Handler setFileDropHandler(Handler handler);
    virtual Handler setMouseEnterHandler(Handler handler);
    virtual Handler setMouseLeaveHandler(Handler handler);
    virtual Handler setPaintHandler(Handler handler);

  protected:
    // Register (window -> this) and subclass once; false when the registry
    // refused the pair (the window is then not subclassed).
    bool registerAndSubclass(HWND window);
    // The two halves of it: enter the pair; put the library window procedure
    // on the window unless it is there already (then handle and previous
    // procedure are stored). A library procedure that stayed in the chain
    // after an unbinding serves again, with the procedure below it.
    bool enterInRegistry(HWND window);
    void subclass(HWND window);
    // Invalidates the whole window with erasing unless redraw was given
    // false (nothing without a window, as every redraw).
    void redrawUnlessRefused(std::optional<bool> redraw);
    // A byte copy of an object of type T in a new heap block.
    template <class T> static T* cloneAs(const T* object) {
        void* block = rt::allocate(sizeof(T));
        std::memcpy(block, static_cast<const void*>(object), sizeof(T));
        return static_cast<T*>(block);
    }

    // --- base fields, in order (each one word) ------------------------------
    HWND handle_ = nullptr;
    WNDPROC previousProc_ = nullptr;
    Cursor cursor_;
    Handler leftButtonDown_ = nullptr;
    Handler leftButtonUp_ = nullptr;
    Handler leftDoubleClick_ = nullptr;
    Handler rightButtonDown_ = nullptr;
    Handler rightButtonUp_ = nullptr;
    Handler mouseMove_ = nullptr;
    Handler focusGained_ = nullptr;
    Handler focusLost_ = nullptr;
    Handler keyDown_ = nullptr;
    Handler keyUp_ = nullptr;
    Handler character_ = nullptr;
    Handler wheel_ = nullptr;
    Handler fileDrop_ = nullptr;
    std::uintptr_t mouseTracking_ = 0;
    Handler mouseEnter_ = nullptr;
    Handler mouseLeave_ = nullptr;
    Handler paint_ = nullptr;
    Font font_;
};
static_assert(sizeof(Window) == 22 * sizeof(void*),
              "a window object: the class table, then 21 one-word base fields");

// A window object of class T in a zero-filled runtime heap block, its fields
// initialised from the base class down.
template <class T> T* newWindowObject() {
    return new (rt::allocate(sizeof(T))) T();
}

// Ends an object of the library (a window object, a menu): its release,
// then its block; the variable is left null.
template <class T> void releaseObject(T*& object) {
    if (!object) return;
    object->release();
    rt::free(object);
    object = nullptr;
}

// An application function as the handler the library calls.
template <class F> Handler handlerOf(F* function) {
    return reinterpret_cast<Handler>(function);
}

} // namespace win
