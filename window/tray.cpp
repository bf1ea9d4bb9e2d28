// The tray icon and the hotkeys of a Dialog.
#include "window/tray.h"

#include <cstring>

#include "runtime/text.h"
#include "runtime/values.h"
#include "window/dialog.h"

namespace win {

namespace {

NotifyIconCall gNotifyIcon = nullptr;

// The last hotkey id handed out, for every window of the process.
int gLastHotkeyId = 0;

constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
constexpr UINT kBalloonFlags = kTrayFlags | NIF_STATE | NIF_INFO;

bool notify(DWORD message, void* record) {
    NotifyIconCall call = gNotifyIcon ? gNotifyIcon : Shell_NotifyIconA;
    return call(message, static_cast<NOTIFYICONDATAA*>(record)) != 0;
}

// At most size - 1 bytes of the text, never cut inside a two-byte
// character, so the field keeps its terminator and the shell reads no half
// character; the rest of the field is zero.
template <std::size_t N> void copyTrayText(char (&field)[N], const char* text) {
    const char* bytes = rt::orEmpty(text);
    std::size_t n = 0;
    while (bytes[n]) {
        // A lone lead byte at the end is dropped with the rest.
        if (rt::isLeadByte(bytes[n]) && !bytes[n + 1]) break;
        std::size_t step = rt::characterSize(bytes + n);
        if (n + step > N - 1) break;
        n += step;
    }
    std::memset(field, 0, N);
    std::memcpy(field, bytes, n);
}

} // namespace

NotifyIconCall setNotifyIconCall(NotifyIconCall call) {
    NotifyIconCall previous = gNotifyIcon ? gNotifyIcon : Shell_NotifyIconA;
    gNotifyIcon = call;
    return previous;
}

// --- tray icon -----------------------------------------------------------------------

bool Dialog::addTrayIcon(HICON icon, std::optional<const char*> tip) {
    // Listened for from the first add on, so an icon the shell refused (or
    // lost) comes back when the shell starts.
    if (!taskbarCreatedMessage_) taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    // A fresh record each time; the one in place is the same block, zeroed.
    if (!trayRecord_) trayRecord_ = rt::allocate(sizeof(NOTIFYICONDATAA));
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    std::memset(record, 0, sizeof *record);
    trayIcon_.reset(icon);
    record->cbSize = kTrayRecordSize;
    record->hWnd = handle_;
    record->uID = kTrayIconId;
    record->uFlags = kTrayFlags;
    record->uCallbackMessage = kTrayCallbackMessage;
    record->hIcon = trayIcon_.get();
    copyTrayText(record->szTip, tip.value_or(nullptr));
    return notify(NIM_ADD, record);
}

bool Dialog::setTrayTip(const char* tip) {
    if (!trayRecord_) return false;
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    record->uFlags = kTrayFlags;
    copyTrayText(record->szTip, tip);
    return notify(NIM_MODIFY, record);
}

bool Dialog::setTrayIcon(HICON icon) {
    if (!trayRecord_) return false;
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    trayIcon_.reset(icon); // the icon held, given again, is kept
    record->uFlags = kTrayFlags;
    record->hIcon = trayIcon_.get();
    return notify(NIM_MODIFY, record);
}

bool Dialog::showBalloon(const char* text, std::optional<const char*> title,
                         std::optional<int> iconKind, std::optional<int> timeout) {
    if (!trayRecord_) return false;
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    record->uFlags = kBalloonFlags;
    copyTrayText(record->szInfo, text);
    record->uTimeout = static_cast<UINT>(timeout.value_or(10000));
    copyTrayText(record->szInfoTitle, title.value_or(nullptr));
    record->dwInfoFlags = static_cast<DWORD>(iconKind.value_or(NIIF_INFO));
    return notify(NIM_MODIFY, record);
}

bool Dialog::removeTrayIcon() {
    if (!trayRecord_) return false;
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    trayIcon_.reset();
    record->hIcon = nullptr; // no dead handle left for a later call to send
    // Not listening any more: a shell restart must not bring it back.
    taskbarCreatedMessage_ = 0;
    return notify(NIM_DELETE, record);
}

void Dialog::restoreTrayIcon() {
    if (!trayRecord_) return;
    auto* record = static_cast<NOTIFYICONDATAA*>(trayRecord_);
    notify(NIM_DELETE, record);
    record->uFlags = kTrayFlags;
    notify(NIM_ADD, record);
}

void Dialog::releaseTray() {
    if (trayRecord_) {
        notify(NIM_DELETE, trayRecord_);
        rt::free(trayRecord_);
        trayRecord_ = nullptr;
    }
    trayIcon_.reset();
    taskbarCreatedMessage_ = 0;
}

// --- hotkeys -------------------------------------------------------------------------

int Dialog::registerHotkey(UINT modifiers, UINT virtualKey) {
    int id = gLastHotkeyId + 1;
    if (!RegisterHotKey(handle_, id, modifiers, virtualKey)) return 0;
    gLastHotkeyId = id;
    return id;
}

bool Dialog::unregisterHotkey(int id) {
    return UnregisterHotKey(handle_, id) != 0;
}

} // namespace win
