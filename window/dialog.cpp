// Dialog: dialogs from templates, library top-level windows, window-level
// events and the dialog-item accessors.
#include "window/dialog.h"

#include <cstring>

#include "runtime/values.h"

namespace win {

namespace {

// The dialog being made from a template, from just before the creation call
// until its WM_INITDIALOG binds it.
Dialog* gPending = nullptr;

LRESULT CALLBACK libraryClassProc(HWND window, UINT message, WPARAM wParam,
                                  LPARAM lParam) noexcept {
    if (Window* object = findWindowObject(window))
        return object->classWindowProc(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// The tray handler's event code for the mouse or balloon message the shell
// reports.
int trayEventCode(LPARAM event) {
    switch (static_cast<UINT>(event)) {
    case WM_LBUTTONDOWN:
        return 1;
    case WM_RBUTTONDOWN:
        return 2;
    case WM_MBUTTONDOWN:
        return 3;
    case WM_LBUTTONDBLCLK:
        return 4;
    case WM_RBUTTONDBLCLK:
        return 5;
    case WM_MBUTTONDBLCLK:
        return 6;
    case WM_MOUSEMOVE:
        return 7;
    case 0x402:
        return 8; // NIN_BALLOONSHOW
    case 0x404:
        return 9; // NIN_BALLOONTIMEOUT
    case 0x405:
        return 10; // NIN_BALLOONUSERCLICK
    default:
        return 0;
    }
}

// A hidden window that owns a dialog so that the dialog gets no taskbar
// button. Never shown, never bound, never destroyed by the library.
HWND newHiddenOwner() {
    registerLibraryClass();
    return CreateWindowExA(0, kLibraryClassName, "ShowTaskbar", 0, 0, 0, 250, 110, nullptr, nullptr,
                           moduleInstance(), nullptr);
}

} // namespace

void registerLibraryClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = libraryClassProc;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszMenuName = "";
    wc.lpszClassName = kLibraryClassName;
    RegisterClassExA(&wc);
}

INT_PTR CALLBACK Dialog::dialogProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG && gPending) {
        // Cleared before anything runs, so an init handler may make a dialog.
        Dialog* pending = gPending;
        gPending = nullptr;
        pending->registerAndSubclass(window);
    }
    Window* object = findWindowObject(window);
    if (!object) return 0;
    return object->onDialogMessage(window, message, wParam, lParam);
}

// --- replaced shared operations -------------------------------------------------------

Window* Dialog::clone() {
    return cloneAs(this);
}

LRESULT Dialog::onDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (init_) {
            callHandler(init_, window);
            RECT client{};
            GetClientRect(window, &client);
            auto width = static_cast<WORD>(client.right - client.left);
            auto height = static_cast<WORD>(client.bottom - client.top);
            SendMessageA(window, WM_SIZE, 0, MAKELPARAM(width, height));
        }
        return 0; // no initial focus from the dialog manager
    case WM_CLOSE:
        if (callHandler(close_)) return 1; // refused: the window stays
        if (modal_)
            EndDialog(window, modalResult_);
        else
            DestroyWindow(window);
        return 1;
    default:
        return onWindowMessage(window, message, wParam, lParam) ? 1 : 0;
    }
}

void Dialog::onLeftButtonDown(HWND, LPARAM) {
    if (dragByClientArea_) SendMessageA(handle_, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

LRESULT Dialog::onDestroy(HWND window) {
    resetDialogFields(window);
    holdBackgroundBrush(nullptr);
    holdBackgroundPicture(nullptr);
    releaseTray();
    backgroundColor_ = 0;
    destroy_ = move_ = size_ = nullptr;
    activate_ = deactivate_ = firstActivate_ = nullptr;
    show_ = hide_ = tray_ = menuCommand_ = hotkey_ = nullptr;
    captionStaysActive_ = dragByClientArea_ = activatedOnce_ = 0;
    return 0; // the picture mode keeps its value
}

// --- the dialog's operations, in table order ----------------------------------------------

void Dialog::reserved98(WPARAM) {}

LRESULT Dialog::onWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto x = lowUnsigned(static_cast<std::uintptr_t>(lParam));
    const auto y = highSigned(static_cast<std::uintptr_t>(lParam));
    switch (message) {
    case WM_MOVE:
        callHandler(move_, x, y);
        return 0;
    case WM_SIZE:
        callHandler(size_, x, y);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            if (!activatedOnce_) {
                activatedOnce_ = 1;
                callHandler(firstActivate_);
            }
            callHandler(activate_);
        } else {
            callHandler(deactivate_);
        }
        return 0;
    case WM_SHOWWINDOW:
        callHandler(wParam ? show_ : hide_);
        return 0;
    case WM_DESTROY:
        callHandler(destroy_);
        return 0;
    case kTrayCallbackMessage:
        callHandler(tray_, trayEventCode(lParam));
        return 0;
    case WM_NCACTIVATE:
        // 1 skips the dialog manager's deactivation drawing.
        return wParam == 0 && captionStaysActive_ ? 1 : 0;
    case WM_COMMAND:
        if (HIWORD(wParam) <= 1 && lParam == 0) callHandler(menuCommand_, LOWORD(wParam));
        return 0;
    case WM_SYSCOMMAND:
        // Items the application added to the system menu take ids below the
        // system's own (0xF000 and up), and are its menu commands.
        if ((wParam & 0xFFF0) >= 0xF000 || !menuCommand_) return 0;
        callHandler(menuCommand_, LOWORD(wParam));
        return 1;
    case WM_CONTEXTMENU:
        return callHandler(contextMenu_, static_cast<short>(LOWORD(lParam)),
                           static_cast<short>(HIWORD(lParam)), reinterpret_cast<HWND>(wParam))
                   ? 1
                   : 0;
    case WM_HOTKEY:
        callHandler(hotkey_, wParam, LOWORD(lParam), HIWORD(lParam));
        return 0;
    default:
        // Registered messages are never below 0xC000: 0 means not listening.
        if (taskbarCreatedMessage_ && message == taskbarCreatedMessage_) restoreTrayIcon();
        return 0;
    }
}

void Dialog::resetDialogFields(HWND) {
    modalResult_ = 0;
    modal_ = 0;
    init_ = nullptr;
    close_ = nullptr;
    contextMenu_ = nullptr;
}

HWND Dialog::createTopLevel(HWND parent, const char* caption, DWORD style, DWORD exStyle, int x,
                            int y, int width, int height, const char* className) {
    backgroundColor(GetSysColor(COLOR_BTNFACE), false);
    HWND window = createWindow(parent, exStyle, className, caption, style, x, y, width, height,
                               nullptr, nullptr);
    if (window && parent) {
        for (WPARAM size : {WPARAM(ICON_SMALL), WPARAM(ICON_BIG)}) {
            LRESULT icon = SendMessageA(parent, WM_GETICON, size, 0);
            SendMessageA(window, WM_SETICON, size, icon);
        }
    }
    return window;
}

int Dialog::windowState(std::optional<int> state) {
    if (!state) {
        if (IsIconic(handle_)) return 1;
        if (IsZoomed(handle_)) return 2;
        return 0;
    }
    switch (*state) {
    case 0:
        return ShowWindow(handle_, SW_SHOWNORMAL);
    case 1:
        return ShowWindow(handle_, SW_MINIMIZE);
    case 2:
        return ShowWindow(handle_, SW_MAXIMIZE);
    case 3: {
        RECT r{};
        GetWindowRect(handle_, &r);
        int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
        int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
        return SetWindowPos(handle_, nullptr, x, y, 0, 0,
                            SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOOWNERZORDER);
    }
    default:
        return ShowWindow(handle_, SW_HIDE);
    }
}

LRESULT Dialog::icon(std::optional<HICON> icon, std::optional<int> size) {
    auto which = static_cast<WPARAM>(size.value_or(0));
    if (icon) return SendMessageA(handle_, WM_SETICON, which, reinterpret_cast<LPARAM>(*icon));
    return SendMessageA(handle_, WM_GETICON, which, 0);
}

bool Dialog::redrawMenuBar() {
    return DrawMenuBar(handle_) != 0;
}

bool Dialog::captionStaysActive(std::optional<bool> on) {
    if (!on) return captionStaysActive_ == 1;
    captionStaysActive_ = *on ? 1 : 0;
    return true;
}

bool Dialog::dragByClientArea(std::optional<bool> on) {
    if (!on) return dragByClientArea_ == 1;
    dragByClientArea_ = *on ? 1 : 0;
    return true;
}

Handler Dialog::setMenuCommandHandler(Handler h) {
    return menuCommand_ = h;
}
Handler Dialog::setDestroyHandler(Handler h) {
    return destroy_ = h;
}
Handler Dialog::setMoveHandler(Handler h) {
    return move_ = h;
}
Handler Dialog::setSizeHandler(Handler h) {
    return size_ = h;
}
Handler Dialog::setActivateHandler(Handler h) {
    return activate_ = h;
}
Handler Dialog::setDeactivateHandler(Handler h) {
    return deactivate_ = h;
}
Handler Dialog::setFirstActivateHandler(Handler h) {
    return firstActivate_ = h;
}
Handler Dialog::setShowHandler(Handler h) {
    return show_ = h;
}
Handler Dialog::setHideHandler(Handler h) {
    return hide_ = h;
}
Handler Dialog::setTrayHandler(Handler h) {
    return tray_ = h;
}
Handler Dialog::setHotkeyHandler(Handler h) {
    return hotkey_ = h;
}

bool Dialog::showModeless(std::optional<HWND> parent, const char* templateName, Handler initHandler,
                          const char* className, std::optional<bool> showInTaskbar) {
    HWND owner = parent.value_or(nullptr);
    if (!owner && !showInTaskbar.value_or(true)) owner = newHiddenOwner();
    return createFromTemplate(owner, templateName, initHandler, false, className) != 0;
}

INT_PTR Dialog::showModal(std::optional<HWND> parent, const char* templateName, Handler initHandler,
                          const char* className, std::optional<bool> showInTaskbar) {
    HWND owner = parent.value_or(nullptr);
    if (!owner && !showInTaskbar.value_or(true)) owner = newHiddenOwner();
    return createFromTemplate(owner, templateName, initHandler, true, className);
}

INT_PTR Dialog::createFromTemplate(HWND parent, const char* templateName, Handler initHandler,
                                   bool modal, const char* className) {
    gPending = nullptr;
    if (handle_) return 0;
    gPending = this;
    if (initHandler) init_ = initHandler;
    modal_ = modal ? 1 : 0;
    if (className && *className && std::strcmp(className, "#32770") != 0) {
        // A template that names this class gets the system dialog's
        // behaviour under it. Registered for this module, where the dialog
        // manager looks the template's class up.
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        if (GetClassInfoExA(moduleInstance(), "#32770", &wc)) {
            wc.hInstance = moduleInstance();
            wc.lpszClassName = className;
            RegisterClassExA(&wc);
        }
    }
    backgroundColor(GetSysColor(COLOR_BTNFACE), false);
    if (modal) return DialogBoxParamA(moduleInstance(), templateName, parent, dialogProc, 0);
    return reinterpret_cast<INT_PTR>(
        CreateDialogParamA(moduleInstance(), templateName, parent, dialogProc, 0));
}

bool Dialog::attach(HWND window) {
    return attachWindow(window) != nullptr;
}

void Dialog::setModalResult(INT_PTR value) {
    modalResult_ = value;
}

HWND Dialog::getItemHandle(int id) {
    return GetDlgItem(handle_, id);
}

int Dialog::getItemInt(int id, BOOL* translated, std::optional<bool> isSigned) {
    return static_cast<int>(GetDlgItemInt(handle_, id, translated, isSigned.value_or(true)));
}

bool Dialog::setItemInt(int id, int value) {
    return SetDlgItemInt(handle_, id, static_cast<UINT>(value), TRUE) != 0;
}

char* Dialog::getItemText(int id, int maxLength) {
    if (maxLength < 0) maxLength = 0;
    rt::TextValue buffer(rt::blankText(static_cast<std::uint32_t>(maxLength)));
    char* text = const_cast<char*>(buffer.get());
    UINT n = GetDlgItemTextA(handle_, id, text, maxLength + 1);
    if (n > static_cast<UINT>(maxLength)) n = static_cast<UINT>(maxLength);
    return rt::newText(text, n);
}

bool Dialog::setItemText(int id, const char* text) {
    return SetDlgItemTextA(handle_, id, rt::orEmpty(text)) != 0;
}

LRESULT Dialog::sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(handle_, id, message, wParam, lParam);
}

void Dialog::getBaseUnits(int* horizontal, int* vertical) {
    LONG units = GetDialogBaseUnits();
    if (horizontal) *horizontal = LOWORD(units);
    if (vertical) *vertical = HIWORD(units);
}

Handler Dialog::setCloseHandler(Handler h) {
    return close_ = h;
}

Handler Dialog::setContextMenuHandler(Handler h) {
    return contextMenu_ = h;
}

} // namespace win
