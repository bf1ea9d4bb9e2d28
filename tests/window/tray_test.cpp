// Tray icon and hotkeys: the answers of Wine's desktop shell, what reaches
// the shell call (recorded through its seam), the tray and balloon events,
// the shell restart, and hotkeys pressed on the keyboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/values.h"
#include "tests/window/recorder.h"
#include "window/dialog.h"
#include "window/tray.h"

namespace {

using wt::Log;
namespace h = wt::handlers;

const char* const kPlain = MAKEINTRESOURCEA(100);

// What one call of the shell saw.
struct Call {
    DWORD message;
    NOTIFYICONDATAA record;
};
std::vector<Call>& calls() {
    static std::vector<Call> seen;
    return seen;
}
BOOL answer = TRUE;
BOOL WINAPI recordCall(DWORD message, NOTIFYICONDATAA* record) {
    Call call{message, {}};
    // Only the bytes the record says it has.
    std::memcpy(&call.record, record, record->cbSize);
    calls().push_back(call);
    return answer;
}

// A fresh icon of its own each time, as an application would load one.
HICON newIcon() {
    return CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516))); // IDI_INFORMATION
}
bool iconAlive(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wt::startLibrary();
        dialog = win::newWindowObject<wt::OpenDialog>();
        ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
        window = dialog->handle();
        dialog->setTrayHandler(wt::handler(&h::tray));
        dialog->setHotkeyHandler(wt::handler(&h::hotkey));
        calls().clear();
        answer = TRUE;
    }
    void TearDown() override {
        win::setNotifyIconCall(nullptr);
        if (IsWindow(window)) DestroyWindow(window);
        dialog->release();
        rt::free(dialog);
    }
    void recordShellCalls() { win::setNotifyIconCall(recordCall); }
    // The shell's own answer for our icon: modifying succeeds only for an
    // icon it has.
    bool shellHasIcon() {
        NOTIFYICONDATAA probe{};
        probe.cbSize = win::kTrayRecordSize;
        probe.hWnd = window;
        probe.uID = win::kTrayIconId;
        return Shell_NotifyIconA(NIM_MODIFY, &probe) != 0;
    }
    static UINT taskbarCreated() { return RegisterWindowMessageA("TaskbarCreated"); }

    wt::OpenDialog* dialog = nullptr;
    HWND window = nullptr;
};

// --- Wine's desktop shell -----------------------------------------------------------------

TEST_F(TrayTest, TheShellTakesAddModifyAndDeleteOfOneIcon) {
    EXPECT_FALSE(dialog->setTrayTip("tip")) << "no icon added yet";
    EXPECT_FALSE(dialog->setTrayIcon(newIcon()));
    EXPECT_FALSE(dialog->showBalloon("text"));
    EXPECT_FALSE(dialog->removeTrayIcon());

    ASSERT_TRUE(dialog->addTrayIcon(newIcon(), "文本分割"));
    EXPECT_TRUE(shellHasIcon());
    EXPECT_FALSE(dialog->addTrayIcon(newIcon(), "again")) << "the same window and id twice";
    EXPECT_TRUE(dialog->setTrayTip("新的提示"));
    EXPECT_TRUE(dialog->setTrayIcon(newIcon()));
    EXPECT_TRUE(dialog->showBalloon("导出完成", "信息", NIIF_INFO, 3000));

    EXPECT_TRUE(dialog->removeTrayIcon());
    EXPECT_FALSE(shellHasIcon());
    EXPECT_FALSE(dialog->removeTrayIcon()) << "the shell has no such icon any more";
    EXPECT_FALSE(dialog->setTrayTip("late")) << "modify after delete";
    EXPECT_FALSE(dialog->showBalloon("late"));

    // Added again, the icon goes with the window.
    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    EXPECT_TRUE(shellHasIcon());
    DestroyWindow(window);
    NOTIFYICONDATAA probe{};
    probe.cbSize = win::kTrayRecordSize;
    probe.hWnd = window;
    probe.uID = win::kTrayIconId;
    EXPECT_FALSE(Shell_NotifyIconA(NIM_DELETE, &probe)) << "destruction took it away";
}

TEST_F(TrayTest, AfterTheShellLostTheIconItsRestartBringsItBackUnlessItWasRemoved) {
    ASSERT_TRUE(dialog->addTrayIcon(newIcon(), "tip"));
    // The shell restarts: it has no icons, then announces itself.
    NOTIFYICONDATAA lost{};
    lost.cbSize = win::kTrayRecordSize;
    lost.hWnd = window;
    lost.uID = win::kTrayIconId;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
    ASSERT_FALSE(shellHasIcon());
    SendMessageA(window, taskbarCreated(), 0, 0);
    EXPECT_TRUE(shellHasIcon()) << "added again without a call from the application";

    ASSERT_TRUE(dialog->removeTrayIcon());
    SendMessageA(window, taskbarCreated(), 0, 0);
    EXPECT_FALSE(shellHasIcon()) << "a removed icon stays removed";

    // A new add listens again.
    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &lost));
    SendMessageA(window, taskbarCreated(), 0, 0);
    EXPECT_TRUE(shellHasIcon());
}

// --- what reaches the shell ---------------------------------------------------------------

TEST_F(TrayTest, AddSendsTheWholeRecordSizedForThisBuild) {
    recordShellCalls();
    HICON icon = newIcon();
    ASSERT_TRUE(dialog->addTrayIcon(icon, "文本分割"));
    ASSERT_EQ(calls().size(), 1u);
    const Call& add = calls()[0];
    EXPECT_EQ(add.message, DWORD(NIM_ADD));
    EXPECT_EQ(add.record.cbSize, offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD))
        << "the balloon fields are inside what the shell may read";
    EXPECT_EQ(add.record.hWnd, window);
    EXPECT_EQ(add.record.uID, 1u);
    EXPECT_EQ(add.record.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(add.record.uCallbackMessage, win::kTrayCallbackMessage);
    EXPECT_EQ(add.record.hIcon, icon);
    EXPECT_STREQ(add.record.szTip, "文本分割");

    // The tip omitted is the empty tip.
    calls().clear();
    dialog->addTrayIcon(icon);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_STREQ(calls()[0].record.szTip, "");
}

TEST_F(TrayTest, TextsAreCutToTheirFieldWithTheTerminatorAndNeverInsideACharacter) {
    recordShellCalls();
    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    const std::string han = "文"; // two bytes in code page 936
    ASSERT_EQ(han.size(), 2u);
    struct Case {
        std::string text;
        std::size_t kept; // bytes, for the tip (128), the balloon (256) and its title (64)
    };
    auto ascii = [](std::size_t n) { return std::string(n, 'a'); };
    auto hans = [&](std::size_t n) {
        std::string s;
        for (std::size_t i = 0; i < n; ++i)
            s += han;
        return s;
    };
    struct Field {
        const char* name;
        std::size_t size;
    };
    for (Field field : {Field{"tip", 128}, Field{"balloon", 256}, Field{"title", 64}}) {
        const std::size_t max = field.size - 1;
        const Case cases[] = {
            {ascii(200 + field.size), max},
            {ascii(max), max},
            {ascii(max - 1), max - 1},
            {ascii(max - 1) + han, max - 1}, // the character would end past the field
            {ascii(max - 2) + han, max},     // it just fits
            {hans(field.size), max - 1},     // max is odd: one byte left over
            {ascii(3) + hans(field.size), max},
            {ascii(4) + "\x81", 4}, // a text ending on a lone first byte loses it
            {"", 0},
        };
        for (const Case& c : cases) {
            calls().clear();
            const std::string name = field.name;
            if (name == "tip")
                dialog->setTrayTip(c.text.c_str());
            else if (name == "balloon")
                dialog->showBalloon(c.text.c_str(), "title");
            else
                dialog->showBalloon("text", c.text.c_str());
            ASSERT_EQ(calls().size(), 1u);
            const NOTIFYICONDATAA& r = calls()[0].record;
            const char* got = name == "tip"       ? r.szTip
                              : name == "balloon" ? r.szInfo
                                                  : r.szInfoTitle;
            const std::size_t length = strnlen(got, field.size);
            EXPECT_LT(length, field.size) << name << ": the field keeps its terminator";
            EXPECT_EQ(length, c.kept) << name << " of " << c.text.size() << " bytes";
            EXPECT_EQ(std::string(got, length), c.text.substr(0, c.kept)) << name;
        }
    }
}

TEST_F(TrayTest, BalloonDefaultsAndFlags) {
    recordShellCalls();
    ASSERT_TRUE(dialog->addTrayIcon(newIcon(), "tip"));
    calls().clear();
    ASSERT_TRUE(dialog->showBalloon("只有文字"));
    ASSERT_EQ(calls().size(), 1u);
    const NOTIFYICONDATAA& r = calls()[0].record;
    EXPECT_EQ(calls()[0].message, DWORD(NIM_MODIFY));
    EXPECT_EQ(r.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_STATE | NIF_INFO));
    EXPECT_STREQ(r.szInfo, "只有文字");
    EXPECT_STREQ(r.szInfoTitle, "");
    EXPECT_EQ(r.dwInfoFlags, DWORD(NIIF_INFO));
    EXPECT_EQ(r.uTimeout, 10000u);
    EXPECT_EQ(r.dwState | r.dwStateMask, 0u);
    EXPECT_STREQ(r.szTip, "tip") << "the tip stays in the record";

    ASSERT_TRUE(dialog->showBalloon("x", "t", NIIF_ERROR, 2500));
    EXPECT_EQ(calls().back().record.dwInfoFlags, DWORD(NIIF_ERROR));
    EXPECT_EQ(calls().back().record.uTimeout, 2500u);
    // A tip change asks for no balloon again.
    ASSERT_TRUE(dialog->setTrayTip("t2"));
    EXPECT_EQ(calls().back().record.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
}

TEST_F(TrayTest, AnIconGivenAgainIsKeptAndAReplacedOneDestroyed) {
    recordShellCalls();
    HICON first = newIcon(), second = newIcon();
    ASSERT_TRUE(dialog->addTrayIcon(first));
    ASSERT_TRUE(dialog->setTrayIcon(first));
    EXPECT_TRUE(iconAlive(first)) << "the icon held is the one given";
    EXPECT_EQ(calls().back().record.hIcon, first);

    ASSERT_TRUE(dialog->addTrayIcon(first));
    EXPECT_TRUE(iconAlive(first)) << "added again with the icon held";

    ASSERT_TRUE(dialog->setTrayIcon(second));
    EXPECT_FALSE(iconAlive(first));
    EXPECT_EQ(calls().back().record.hIcon, second);

    calls().clear();
    ASSERT_TRUE(dialog->removeTrayIcon());
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].message, DWORD(NIM_DELETE));
    EXPECT_FALSE(iconAlive(second));

    // What a later call sends holds no dead icon.
    calls().clear();
    answer = FALSE;
    EXPECT_FALSE(dialog->setTrayTip("after"));
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].record.hIcon, nullptr);
}

TEST_F(TrayTest, ShellRestartAddsTheCurrentRecordAgainOnlyWhileTheIconIsShown) {
    recordShellCalls();
    SendMessageA(window, taskbarCreated(), 0, 0);
    EXPECT_TRUE(calls().empty()) << "no icon yet: nothing to bring back";

    HICON second = newIcon();
    ASSERT_TRUE(dialog->addTrayIcon(newIcon(), "first"));
    dialog->setTrayIcon(second);
    dialog->setTrayTip("current");
    dialog->showBalloon("b");
    calls().clear();
    EXPECT_EQ(SendMessageA(window, taskbarCreated(), 0, 0), 0);
    ASSERT_EQ(calls().size(), 2u);
    EXPECT_EQ(calls()[0].message, DWORD(NIM_DELETE));
    EXPECT_EQ(calls()[1].message, DWORD(NIM_ADD));
    EXPECT_EQ(calls()[1].record.uFlags, UINT(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(calls()[1].record.hIcon, second);
    EXPECT_STREQ(calls()[1].record.szTip, "current");

    dialog->removeTrayIcon();
    calls().clear();
    SendMessageA(window, taskbarCreated(), 0, 0);
    EXPECT_TRUE(calls().empty());

    // Destruction takes the icon from the shell once.
    dialog->addTrayIcon(newIcon());
    calls().clear();
    DestroyWindow(window);
    ASSERT_EQ(calls().size(), 1u);
    EXPECT_EQ(calls()[0].message, DWORD(NIM_DELETE));
}

// --- events -----------------------------------------------------------------------------

TEST_F(TrayTest, MouseAndBalloonNotificationsReachTheTrayHandlerWithTheirCodes) {
    recordShellCalls();
    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    // The shell posts them; Wine sends no balloon notifications, so all are
    // posted here as the shell would.
    const std::pair<UINT, int> events[] = {
        {WM_LBUTTONDOWN, 1},     {WM_LBUTTONUP, 0},          {WM_RBUTTONDOWN, 2},
        {WM_RBUTTONUP, 0},       {WM_MBUTTONDOWN, 3},        {WM_MBUTTONUP, 0},
        {WM_LBUTTONDBLCLK, 4},   {WM_RBUTTONDBLCLK, 5},      {WM_MBUTTONDBLCLK, 6},
        {WM_MOUSEMOVE, 7},       {NIN_BALLOONSHOW, 8},       {NIN_BALLOONHIDE, 0},
        {NIN_BALLOONTIMEOUT, 9}, {NIN_BALLOONUSERCLICK, 10}, {WM_CONTEXTMENU, 0},
    };
    Log expected;
    for (auto [event, code] : events) {
        PostMessageA(window, win::kTrayCallbackMessage, win::kTrayIconId, event);
        expected.push_back(wt::call("tray", {code}));
    }
    wt::log().clear();
    pump();
    EXPECT_EQ(wt::log(), expected);
}

// --- hotkeys --------------------------------------------------------------------------

void press(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        inputs.push_back(in);
    }
    for (auto it = keys.end(); it != keys.begin();) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *--it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Pumps until the log has an entry or the time is up.
bool waitForLog(DWORD timeoutMs = 3000) {
    DWORD start = GetTickCount();
    while (wt::log().empty() && GetTickCount() - start < timeoutMs) {
        pump();
        Sleep(10);
    }
    return !wt::log().empty();
}

TEST_F(TrayTest, AHotkeyPressedOnTheKeyboardReachesItsHandlerUntilUnregistered) {
    const int id = dialog->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F9);
    ASSERT_GT(id, 0);
    wt::log().clear();
    press({VK_CONTROL, VK_MENU, VK_F9});
    ASSERT_TRUE(waitForLog());
    EXPECT_EQ(wt::log(), (Log{wt::call("hotkey", {id, MOD_CONTROL | MOD_ALT, VK_F9})}));

    EXPECT_TRUE(dialog->unregisterHotkey(id));
    EXPECT_FALSE(dialog->unregisterHotkey(id));
    wt::log().clear();
    press({VK_CONTROL, VK_MENU, VK_F9});
    EXPECT_FALSE(waitForLog(300)) << "unregistered";
}

TEST_F(TrayTest, ATakenCombinationFailsAndIdsStillNeverRepeat) {
    const int first = dialog->registerHotkey(MOD_CONTROL | MOD_SHIFT, VK_F10);
    ASSERT_GT(first, 0);
    EXPECT_EQ(dialog->registerHotkey(MOD_CONTROL | MOD_SHIFT, VK_F10), 0) << "taken";

    // Another window of the process counts on from the same counter.
    auto* other = win::newWindowObject<wt::OpenDialog>();
    ASSERT_TRUE(other->showModeless({}, kPlain, nullptr, nullptr));
    EXPECT_EQ(other->registerHotkey(MOD_CONTROL | MOD_SHIFT, VK_F10), 0);
    EXPECT_EQ(other->registerHotkey(MOD_CONTROL | MOD_SHIFT, VK_F11), first + 1);

    // An id given back is not handed out again.
    EXPECT_TRUE(dialog->unregisterHotkey(first));
    const int third = dialog->registerHotkey(MOD_CONTROL | MOD_SHIFT, VK_F10);
    EXPECT_EQ(third, first + 2);

    EXPECT_TRUE(dialog->unregisterHotkey(third));
    EXPECT_TRUE(other->unregisterHotkey(first + 1));
    DestroyWindow(other->handle());
    other->release();
    rt::free(other);
}

} // namespace
