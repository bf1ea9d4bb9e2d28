#include "app/tool_work.h"

#include "app/group_writer.h"
#include "app/tool_dialog.h"
#include "app/tool_menu.h"
#include "runtime/convert.h"
#include "runtime/process.h"
#include "runtime/text.h"

namespace app {

namespace {

ToolWork* gWork;      // the work in progress
bool gCloseAfterWork; // closing was asked during it

// Well within the 100 ms after which a window feels stuck.
constexpr DWORD kPumpInterval = 50;

const char* const kProgressTexts[] = {"正在导入…… ", "正在导出…… "};
// What Windows shows of the tool when the session is to end during the work.
const wchar_t* const kSessionTexts[] = {L"正在导入文本", L"正在导出文本"};

void takeInput(bool on) {
    ToolObjects& t = tool();
    t.importButton->disabled(!on);
    t.exportButton->disabled(!on);
    t.countEdit->disabled(!on);
    toolMenusAvailable(on);
}

bool isToolWindow(HWND window) {
    HWND dialog = tool().dialog->handle();
    return window && (window == dialog || IsChild(dialog, window));
}

bool isKeyMessage(UINT message) {
    return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

// The session ends (log-off, shutdown) while the work runs: once the dialog
// has answered, Windows may end the process wherever it is, so the work ends
// here, as the tool ends after out of memory: an export's unfinished file is
// removed first, and only whole files stay. The library's dialog has no
// handler for it; a hook of the tool's thread sees it before the dialog does.
LRESULT CALLBACK watchSessionEnd(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && gWork && sent->message == WM_ENDSESSION && sent->wParam &&
        sent->hwnd == tool().dialog->handle()) {
        if (gWork->kind() == ToolWork::kExport) abandonExportInProgress();
        rt::endProcess(0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

ToolWork::ToolWork(Kind kind)
    : kind_(kind), before_(tool().messageLine->caption()), focus_(GetFocus()),
      lastPump_(GetTickCount()) {
    gWork = this;
    HWND dialog = tool().dialog->handle();
    ShutdownBlockReasonCreate(dialog, kSessionTexts[kind_]);
    sessionWatch_.reset(
        SetWindowsHookExA(WH_CALLWNDPROC, watchSessionEnd, nullptr, GetCurrentThreadId()));
    takeInput(false);
    show(0);
    pump();
}

ToolWork::~ToolWork() {
    sessionWatch_.reset();
    ShutdownBlockReasonDestroy(tool().dialog->handle());
    // The final text first: while progress shows, the controls take no input.
    const rt::TextValue& text = result_.get() ? result_ : before_;
    rt::free(tool().messageLine->caption(text.c_str()));
    takeInput(true);
    if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    gWork = nullptr;
    if (gCloseAfterWork) {
        gCloseAfterWork = false;
        tool().dialog->close(); // no work now: the dialog closes as usual
    }
}

bool ToolWork::keepGoing(std::uint64_t done, std::uint64_t total) {
    if (stopped_) return false;
    const int percent = done >= total ? 100 : int(double(done) * 100 / double(total));
    if (percent != percent_) show(percent);
    if (GetTickCount() - lastPump_ >= kPumpInterval) pump();
    if (stopAsked_) stopped_ = true;
    return !stopped_;
}

void ToolWork::show(int percent) {
    percent_ = percent;
    rt::TextValue digits(rt::toText(rt::ValueBlock::ofInt(percent)));
    rt::TextValue text(rt::joinTexts({kProgressTexts[kind_], digits.get(), "%"}));
    rt::free(tool().messageLine->caption(text.c_str()));
}

// Everything waiting is dispatched, but keys meant for the dialog: Esc
// stops the work, Alt+F4 closes (through the close handler), and no other
// key reaches a control. A waiting WM_QUIT stays for the dialog's loop.
void ToolWork::pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (isKeyMessage(msg.message) && isToolWindow(msg.hwnd)) {
            const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
            if (down && msg.wParam == VK_ESCAPE) stopAsked_ = true;
            if (!(msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4)) continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    lastPump_ = GetTickCount();
}

bool toolWorking() {
    return gWork != nullptr;
}

bool stopWorkToClose() {
    if (!gWork) return false;
    gCloseAfterWork = true;
    gWork->askToStop();
    return true;
}

} // namespace app
