// Message dispatch: the library window procedure and the message table of
// windowProc that turns Win32 messages into class hooks and event handlers.
#include <windows.h>

#include <shellapi.h>

#include <cstring>

#include "runtime/values.h"
#include "window/window.h"

namespace win {

namespace {

constexpr int kTooltipNeedTextA = -520; // TTN_NEEDTEXTA

// The names of a drop joined by "\r\n", in a fresh text. Each name's length
// is asked first, so a long path is never cut short.
char* droppedNames(HDROP drop) {
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::uint32_t total = 0;
    for (UINT i = 0; i < count; ++i)
        total += DragQueryFileA(drop, i, nullptr, 0) + 2;
    if (count) total -= 2;
    char* names = rt::blankText(total); // total + 1 bytes, terminator included
    std::uint32_t at = 0;
    for (UINT i = 0; i < count && at <= total; ++i) {
        UINT room = total - at + 1;
        UINT got = DragQueryFileA(drop, i, names + at, room);
        at += got < room ? got : room - 1;
        if (i + 1 < count && at + 2 <= total) {
            names[at++] = '\r';
            names[at++] = '\n';
        }
    }
    names[at] = 0;
    return names;
}

} // namespace

// Ctrl, Shift and Alt as the keyboard holds them at the moment the message is
// handled. The message's own flags are not used: a wheel or key message does
// not carry all three, and a sent message carries whatever its sender wrote.
std::uint32_t keyState() {
    std::uint32_t state = 0;
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000) state |= 1;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) state |= 2;
    if (GetAsyncKeyState(VK_MENU) & 0x8000) state |= 4;
    return state;
}

LRESULT CALLBACK libraryWindowProc(HWND window, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
    if (Window* object = findWindowObject(window))
        return object->windowProc(window, message, wParam, lParam);
    // Left in the chain by an unbinding (another subclasser sits above):
    // everything goes on down, and the window's end takes the state along.
    if (auto below = reinterpret_cast<WNDPROC>(GetPropA(window, kProcedureBelowProperty))) {
        if (message == WM_NCDESTROY) RemovePropA(window, kProcedureBelowProperty);
        return CallWindowProcA(below, window, message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Taken now: a handler may unbind the object (or destroy the window), and
    // the message still belongs to the procedure the window had.
    WNDPROC previous = previousProc_;
    // An object bound second has none of its own; once the first one let go
    // under a later subclasser, the procedure below waits in the property.
    if (!previous) previous = reinterpret_cast<WNDPROC>(GetPropA(window, kProcedureBelowProperty));
    auto defaultPath = [&]() -> LRESULT {
        if (!previous) return DefWindowProcA(window, message, wParam, lParam);
        return CallWindowProcA(previous, window, message, wParam, lParam);
    };
    const auto x = lowUnsigned(static_cast<std::uintptr_t>(lParam));
    const auto y = highSigned(static_cast<std::uintptr_t>(lParam));
    LRESULT result = 0;

    switch (message) {
    case WM_NCDESTROY:
        onWindowDestroyed(window);
        RemovePropA(window, kProcedureBelowProperty); // the window is gone: nothing to pass on
        return defaultPath();
    case WM_LBUTTONDOWN:
        onLeftButtonDown(window, lParam);
        if ((result = callHandler(leftButtonDown_, x, y, keyState()))) return result;
        break;
    case WM_LBUTTONUP:
        onLeftButtonUp(window, lParam);
        if ((result = callHandler(leftButtonUp_, x, y, keyState()))) return result;
        break;
    case WM_LBUTTONDBLCLK:
        onLeftDoubleClick(window, lParam);
        if ((result = callHandler(leftDoubleClick_, x, y, keyState()))) return result;
        break;
    case WM_RBUTTONDOWN:
        if ((result = callHandler(rightButtonDown_, x, y, keyState()))) return result;
        break;
    case WM_RBUTTONUP:
        if ((result = callHandler(rightButtonUp_, x, y, keyState()))) return result;
        break;
    case WM_MOUSEMOVE:
        if (onMouseMove(window, x, y)) return 0;
        if ((result = callHandler(mouseMove_, x, y, keyState()))) return result;
        break;
    case WM_SETFOCUS:
        callHandler(focusGained_);
        break;
    case WM_KILLFOCUS:
        callHandler(focusLost_);
        break;
    case WM_KEYDOWN:
        onKeyDown(window, wParam);
        if ((result = callHandler(keyDown_, wParam, keyState()))) return result;
        break;
    case WM_KEYUP:
        if ((result = callHandler(keyUp_, wParam, keyState()))) return result;
        break;
    case WM_MOUSEWHEEL:
        if ((result = callHandler(wheel_, highSigned(wParam), keyState()))) return result;
        break;
    case WM_CHAR:
        if ((result = callHandler(character_, wParam))) return result;
        break;
    case WM_SETCURSOR:
        if ((result = onSetCursor(window, message, wParam, lParam))) return result;
        break;
    case WM_PAINT:
        if (paint_) {
            PAINTSTRUCT paint{};
            HDC dc = BeginPaint(window, &paint);
            const RECT& r = paint.rcPaint;
            result = callHandler(paint_, dc, r.left, r.top, r.right, r.bottom);
            EndPaint(window, &paint);
            if (result) return result;
        }
        if ((result = onPainted(window))) return result;
        break;
    case WM_ERASEBKGND:
        if ((result = onEraseBackground(window, reinterpret_cast<HDC>(wParam)))) return result;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        auto bar = reinterpret_cast<HWND>(lParam);
        if (Window* target = findWindowObject(bar))
            if ((result = target->onScroll(lowUnsigned(wParam), highSigned(wParam), bar)))
                return result;
        break;
    }
    case WM_COMMAND: {
        auto control = reinterpret_cast<HWND>(lParam);
        if (Window* target = findWindowObject(control))
            if ((result = target->onCommand(window, control, static_cast<int>(HIWORD(wParam)),
                                            static_cast<int>(LOWORD(wParam)))))
                return result;
        break;
    }
    case WM_NOTIFY: {
        if (!lParam) break;
        NMHDR header;
        std::memcpy(&header, reinterpret_cast<const void*>(lParam), sizeof header);
        auto code = static_cast<int>(header.code);
        if (code == kTooltipNeedTextA) break;
        if (Window* target = findWindowObject(header.hwndFrom))
            if ((result = target->onNotify(window, header.hwndFrom, code, header.idFrom, lParam)))
                return result;
        break;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        auto control = reinterpret_cast<HWND>(lParam);
        if (Window* target = findWindowObject(control))
            if ((result = target->onColorRequest(control, reinterpret_cast<HDC>(wParam))))
                return result;
        break;
    }
    case WM_DRAWITEM: {
        if (!lParam) break;
        DRAWITEMSTRUCT item;
        std::memcpy(&item, reinterpret_cast<const void*>(lParam), sizeof item);
        if (Window* target = findWindowObject(item.hwndItem))
            if ((result = target->onDrawItem(wParam, lParam))) return result;
        break;
    }
    case WM_DROPFILES:
        if (fileDrop_) {
            auto drop = reinterpret_cast<HDROP>(wParam);
            rt::TextValue names(droppedNames(drop));
            DragFinish(drop);
            callHandler(fileDrop_, names.c_str());
        }
        break;
    case WM_MOUSELEAVE:
        if ((result = onMouseLeave(window))) return result;
        break;
    case WM_MOVING:
        if ((result = onMoving(window, lParam))) return result;
        break;
    case WM_MOVE:
        if ((result = onMove(window, x, y))) return result;
        break;
    case WM_SIZE:
        onSize(x, y);
        break;
    default:
        break;
    }
    return defaultPath();
}

LRESULT Window::onSetCursor(HWND, UINT, WPARAM wParam, LPARAM lParam) {
    if (!cursor_ || LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != handle_)
        return 0;
    return reinterpret_cast<LRESULT>(SetCursor(cursor_.get()));
}

LRESULT Window::onMouseMove(HWND window, int, int) {
    if (!mouseEnter_ || mouseTracking_) return 0;
    mouseTracking_ = 1;
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, window, 0};
    TrackMouseEvent(&track);
    return callHandler(mouseEnter_) ? 1 : 0;
}

LRESULT Window::onMouseLeave(HWND) {
    mouseTracking_ = 0;
    if (!mouseLeave_) return 0;
    return callHandler(mouseLeave_) ? 1 : 0;
}

} // namespace win
