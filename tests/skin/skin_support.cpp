#include "tests/skin/skin_support.h"

#include <commctrl.h>
#include <winternl.h>

#include <cstddef>

#include "runtime/service.h"
#include "window/window.h"

namespace skintest {

int applySkin(int scheme) {
    rt::ValueBlock result = rt::callLibraryCommand(reinterpret_cast<const void*>(&skin::applySkin),
                                                   {rt::ValueBlock::ofInt(scheme)});
    return result.asInt();
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool pumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        pump();
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {
const char kHostClass[] = "SkinTestHost";

INT_PTR CALLBACK quietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}
} // namespace

HWND newHost(int width, int height) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kHostClass;
        RegisterClassA(&windowClass);
        registered = true;
    }
    HWND host =
        CreateWindowExA(0, kHostClass, "host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                        height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetForegroundWindow(host);
    pump();
    return host;
}

HWND newControl(HWND parent, const char* className, const char* text, DWORD style, int x, int y,
                int width, int height, DWORD extendedStyle, int id) {
    HWND control = CreateWindowExA(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, x,
                                   y, width, height, parent, reinterpret_cast<HMENU>(INT_PTR(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
    pump();
    return control;
}

HWND newDialog(int templateId) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId),
                                     nullptr, quietDialog, 0);
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
    pump();
    return dialog;
}

void repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ERASENOW);
    pump();
}

COLORREF pixel(HWND window, int x, int y) {
    HDC dc = GetWindowDC(window);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return color;
}

SIZE windowSize(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

int countPixels(HWND window, COLORREF color) {
    const SIZE size = windowSize(window);
    HDC dc = GetWindowDC(window);
    int count = 0;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x)
            if (GetPixel(dc, x, y) == color) ++count;
    ReleaseDC(window, dc);
    return count;
}

void hover(HWND window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    SetCursorPos((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    pumpUntil([&] {
        const skin::SkinRecord* record = skin::findSkinRecord(window);
        return record && (record->state & skin::kHot);
    });
    pump();
}

void leave() {
    SetCursorPos(1000, 740);
    pumpUntil([] { return false; }, 150);
}

DWORD gdiObjectCount() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count) return count;
    // The table hangs off the process environment block; each entry is 24
    // bytes on both widths, with its type byte at offset 14, 0 when free.
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0)
        return 0;
    auto* peb = reinterpret_cast<const unsigned char*>(basic.PebBaseAddress);
#if defined(_WIN64)
    const std::size_t tableOffset = 0xF8;
#else
    const std::size_t tableOffset = 0x94;
#endif
    const unsigned char* table = *reinterpret_cast<const unsigned char* const*>(peb + tableOffset);
    if (!table) return 0;
    const DWORD self = GetCurrentProcessId();
    for (std::size_t i = 0; i < 0x10000; ++i) {
        const unsigned char* entry = table + i * 24;
        const auto owner = *reinterpret_cast<const unsigned short*>(entry + 8);
        if (entry[14] != 0 && (owner == (self & 0xFFFF) || owner == 0)) ++count;
    }
    return count;
}

COLORREF faceLess(COLORREF amount) {
    return skin::darker(GetSysColor(COLOR_BTNFACE), amount);
}

void SkinTest::SetUp() {
    static bool once = false;
    if (!once) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                           ICC_INTERNET_CLASSES |
                                                           ICC_USEREX_CLASSES};
        InitCommonControlsEx(&controls);
        win::setModuleInstance(GetModuleHandleA(nullptr));
        win::createWindowRegistry();
        once = true;
    }
    applySkin(0);
    ASSERT_EQ(skin::skinRecordCount(), 0u);
    leave();
}

void SkinTest::TearDown() {
    applySkin(0);
    if (host_) DestroyWindow(host_);
    pump();
    // Records let go of while a subclasser sat above go with their windows.
    EXPECT_EQ(skin::liveRecordCount(), 0u);
}

} // namespace skintest
