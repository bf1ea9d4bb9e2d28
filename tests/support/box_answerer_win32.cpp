#include "tests/support/box_answerer_win32.h"

#include <vector>

namespace testsupport {

namespace {

struct Search {
    const std::string* caption;
    const char* className;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK matchWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    if (!IsWindowVisible(window)) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (search->processId && pid != search->processId) return TRUE;
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (search->className && lstrcmpA(cls, search->className) != 0) return TRUE;
    if (!search->caption->empty() && windowText(window) != *search->caption) return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

std::string windowText(HWND window) {
    int n = GetWindowTextLengthA(window);
    std::vector<char> buffer(static_cast<size_t>(n) + 2);
    GetWindowTextA(window, buffer.data(), n + 1);
    return buffer.data();
}

HWND waitForWindow(const std::string& caption, const char* className, DWORD timeoutMs,
                   DWORD processId) {
    DWORD start = GetTickCount();
    for (;;) {
        Search search{&caption, className, processId, nullptr};
        EnumWindows(matchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

BoxAnswerer::BoxAnswerer(std::string caption, int button, DWORD timeoutMs,
                         std::function<void(const SeenBox&)> seen)
    : caption_(std::move(caption)), button_(button), timeout_(timeoutMs),
      seenHandler_(std::move(seen)) {
    thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() { wait(); }

SeenBox BoxAnswerer::wait() {
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return seen_;
}

DWORD WINAPI BoxAnswerer::run(void* self) {
    auto* me = static_cast<BoxAnswerer*>(self);
    HWND box = waitForWindow(me->caption_, "#32770", me->timeout_, GetCurrentProcessId());
    if (!box) return 0;
    me->seen_.found = true;
    me->seen_.caption = windowText(box);
    if (HWND text = GetDlgItem(box, 0xFFFF)) me->seen_.text = windowText(text);
    // The icon is the one static control that shows an icon.
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            me->seen_.icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    }
    if (me->seenHandler_) me->seenHandler_(me->seen_);
    // Press the button as a user would; a box without it is closed instead.
    if (HWND button = GetDlgItem(box, me->button_))
        PostMessageA(button, BM_CLICK, 0, 0);
    else
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(me->button_, BN_CLICKED), 0);
    return 0;
}

} // namespace testsupport
