// Built into the test copy of the tool only (TEXTSPLIT_TEST_SEAMS).
#include "app/test_seams.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "app/split_core.h"
#include "runtime/platform.h"

namespace app {

namespace {

HWND gDialog; // the drop seam's target

// A plain decimal number of at most nine digits, or false: a seam that is
// unset, signed or not a number leaves the tool as it is.
bool environmentNumber(const char* name, std::uint32_t* value) {
    char text[16];
    DWORD n = GetEnvironmentVariableA(name, text, sizeof text);
    if (n == 0 || n > 9) return false;
    std::uint32_t number = 0;
    for (DWORD i = 0; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + std::uint32_t(text[i] - '0');
    }
    *value = number;
    return true;
}

// The shell's WM_DROPFILES: the names in a global block after a DROPFILES
// record, posted to the window at the point that takes files, or its
// nearest ancestor that does. The block ends in two zeros of its own, so a
// sender that left them out never makes DragQueryFile read past it.
void postDrop(HWND dialog, const COPYDATASTRUCT& data) {
    if (data.cbData < sizeof(DropSeamPoint)) return;
    DropSeamPoint at;
    std::memcpy(&at, data.lpData, sizeof at);
    const auto* names = static_cast<const char*>(data.lpData) + sizeof at;
    const std::size_t bytes = data.cbData - sizeof at;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes + 2); // zeroed
    if (!block) return;
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = {at.x, at.y};
    std::memcpy(drop + 1, names, bytes);
    GlobalUnlock(block);
    POINT client{at.x, at.y};
    HWND target = ChildWindowFromPointEx(dialog, client, CWP_SKIPINVISIBLE);
    while (target && target != dialog && !(GetWindowLongA(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES))
        target = GetParent(target);
    BOOL posted = target && PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    if (!posted) GlobalFree(block);
}

LRESULT CALLBACK dropSeam(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data && data->dwData == kDropSeamData) postDrop(gDialog, *data);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

void applyTestSeams() {
    std::uint32_t value = 0;
    if (environmentNumber("TEXTSPLIT_MEMORY_LIMIT", &value))
        setStoreLimits(std::min<std::uint64_t>(value, kMemoryStoreLimit));
    if (environmentNumber("TEXTSPLIT_FILE_DELAY", &value))
        platform::setFileDelay(std::min<std::uint32_t>(value, 1000));
}

UINT startPathDelay() {
    std::uint32_t value = 0;
    return environmentNumber("TEXTSPLIT_START_DELAY", &value) ? std::min<UINT>(value, 10000) : 0;
}

void startDropSeam(HWND dialog) {
    gDialog = dialog;
    // Once per process; a seam of another tool still up elsewhere is not ours.
    static bool made = false;
    if (made || !GetEnvironmentVariableA("TEXTSPLIT_DROP_SEAM", nullptr, 0)) return;
    made = true;
    WNDCLASSA seam{};
    seam.lpfnWndProc = dropSeam;
    seam.hInstance = GetModuleHandleA(nullptr);
    seam.lpszClassName = kDropSeamClass;
    RegisterClassA(&seam);
    CreateWindowExA(0, kDropSeamClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, seam.hInstance,
                    nullptr);
}

} // namespace app
