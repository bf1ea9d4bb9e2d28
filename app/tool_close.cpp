#include "app/tool_close.h"

#include <windows.h>

#include <cstring>

#include "app/tool_dialog.h"
#include "app/tool_work.h"

namespace app {

namespace {

bool gClosing;

// The Open dialog, the folder browser and the boxes are system dialogs on
// the tool's own thread; a posted WM_CLOSE is their close button: the Open
// dialog and the browser cancel, a box answers as its Esc does. Each ends
// in its own loop, and the call that showed it returns as cancelled.
BOOL CALLBACK closeOwnDialog(HWND window, LPARAM toolDialog) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (window != reinterpret_cast<HWND>(toolDialog) && IsWindowVisible(window) &&
        std::strcmp(name, "#32770") == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

} // namespace

std::intptr_t toolCloseRequested() {
    gClosing = true;
    if (stopWorkToClose()) return 1;
    EnumThreadWindows(GetCurrentThreadId(), closeOwnDialog,
                      reinterpret_cast<LPARAM>(tool().dialog->handle()));
    return 0;
}

bool toolClosing() {
    return gClosing;
}

} // namespace app
