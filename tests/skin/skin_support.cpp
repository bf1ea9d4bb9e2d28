#include "tests/skin/skin_support.h"

#include <commctrl.h>

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

namespace {
// The process's shared GDI handle table, which hangs off the process
// environment block. A 32-bit process on a 64-bit system may have it only in
// the 64-bit block (Wine fills in no other): that block is reached through the
// 64-bit thread block, which lies WowTebOffset bytes from the 32-bit one.
const unsigned char* gdiHandleTable() {
    // The thread block's own address, read as NtCurrentTeb reads it (whose
    // inlined segment read trips a false array-bounds warning in GCC).
    const unsigned char* teb = nullptr;
#if defined(_WIN64)
    __asm__("movq %%gs:0x30, %0" : "=r"(teb));
    const auto* peb = *reinterpret_cast<const unsigned char* const*>(teb + 0x60);
    return *reinterpret_cast<const unsigned char* const*>(peb + 0xF8);
#else
    __asm__("movl %%fs:0x18, %0" : "=r"(teb));
    const auto* peb = *reinterpret_cast<const unsigned char* const*>(teb + 0x30);
    if (const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + 0x94))
        return table;
    const LONG wowTebOffset = *reinterpret_cast<const LONG*>(teb + 0xFDC);
    if (wowTebOffset == 0) return nullptr;
    const unsigned char* teb64 = teb + wowTebOffset;
    const auto peb64 = *reinterpret_cast<const ULONGLONG*>(teb64 + 0x60);
    const auto table = *reinterpret_cast<const ULONGLONG*>(
        reinterpret_cast<const unsigned char*>(static_cast<UINT_PTR>(peb64)) + 0xF8);
    return reinterpret_cast<const unsigned char*>(static_cast<UINT_PTR>(table));
#endif
}
} // namespace

DWORD gdiObjectCount() {
    DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count) return count;
    // Each entry is 24 bytes on both widths, with its type byte at offset 14,
    // 0 when free.
    const unsigned char* table = gdiHandleTable();
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
