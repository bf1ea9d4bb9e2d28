#include "skin/skin_library.h"

#include <windows.h>

#include "skin/skin_engine.h"

namespace skin {

namespace {

std::int32_t gScheme = 1;
std::uintptr_t gService;
HHOOK gHook;

// Attaches each window created on the thread from now on.
LRESULT CALLBACK skinHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0) {
        const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (message->message == WM_CREATE) attachSkin(message->hwnd);
    }
    return CallNextHookEx(gHook, code, wParam, lParam);
}

// Descendants: EnumChildWindows already walks the whole tree below a
// top-level window, so each is visited once.
BOOL CALLBACK attachDescendant(HWND hwnd, LPARAM) {
    if (GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId()) attachSkin(hwnd);
    return TRUE;
}

BOOL CALLBACK attachTopLevel(HWND hwnd, LPARAM) {
    attachSkin(hwnd);
    EnumChildWindows(hwnd, attachDescendant, 0);
    return TRUE;
}

} // namespace

std::uintptr_t skinNotify(std::uintptr_t event, std::uintptr_t first, std::uintptr_t) {
    if (event != 1) return static_cast<std::uintptr_t>(-1);
    gService = first;
    return 0;
}

std::int32_t setSkinActive(std::int32_t on) {
    if (on == 1) {
        EnumThreadWindows(GetCurrentThreadId(), attachTopLevel, 0);
        if (!gHook)
            gHook = SetWindowsHookExA(WH_CALLWNDPROC, skinHookProc, nullptr, GetCurrentThreadId());
        return gHook ? 1 : 0;
    }
    if (on != 0) return 0;
    // Records outlive a hook that could not be installed; they go all the same.
    detachAllSkins();
    if (!gHook) return 0;
    BOOL removed = UnhookWindowsHookEx(gHook);
    gHook = nullptr;
    return removed;
}

void applySkin(rt::ValueBlock* result, std::uintptr_t count, rt::ValueBlock* arguments) {
    std::int32_t scheme = count >= 1 ? arguments[0].asInt() : 0;
    gScheme = scheme;
    std::int32_t answer = setSkinActive(0);
    if (scheme >= 1 && scheme <= 3) answer = setSkinActive(1);
    *result = rt::ValueBlock::ofInt(answer);
}

std::int32_t schemeNumber() {
    return gScheme;
}
int paintScheme() {
    return gScheme >= 1 && gScheme <= 3 ? gScheme : 1;
}
bool skinActive() {
    return gHook != nullptr;
}
std::uintptr_t serviceCallback() {
    return gService;
}
std::size_t liveRecordCount() {
    return skinRecordCount(true);
}

} // namespace skin
