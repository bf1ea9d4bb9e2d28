// Tray icon and hotkeys: the answers of Wine's desktop shell, what reaches
// the shell call (recorded through its seam), tray events, the shell
// restart, and hotkeys pressed on the keyboard.
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

// The shell calls seen through the seam: the message and the record.
std::vector<std::pair<DWORD, NOTIFYICONDATAA>> calls;
BOOL WINAPI recordCall(DWORD message, NOTIFYICONDATAA* record) {
    NOTIFYICONDATAA copy{};
    std::memcpy(&copy, record, record->cbSize); // what the shell may read
    calls.emplace_back(message, copy);
    return TRUE;
}

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

class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wt::startLibrary();
        dialog = win::newWindowObject<wt::OpenDialog>();
        ASSERT_TRUE(dialog->showModeless({}, MAKEINTRESOURCEA(100), nullptr, nullptr));
        window = dialog->handle();
        dialog->setTrayHandler(wt::handler(&h::tray));
        dialog->setHotkeyHandler(wt::handler(&h::hotkey));
        calls.clear();
    }
    void TearDown() override {
        win::setNotifyIconCall(nullptr);
        if (IsWindow(window)) DestroyWindow(window);
        dialog->release();
        rt::free(dialog);
    }
    // Straight to the shell, as another program would: modifying succeeds
    // only for an icon the shell has.
    bool shell(DWORD message) {
        NOTIFYICONDATAA probe{};
        probe.cbSize = win::kTrayRecordSize;
        probe.hWnd = window;
        probe.uID = win::kTrayIconId;
        return Shell_NotifyIconA(message, &probe) != 0;
    }
    void shellRestarts() { SendMessageA(window, RegisterWindowMessageA("TaskbarCreated"), 0, 0); }

    wt::OpenDialog* dialog = nullptr;
    HWND window = nullptr;
};

TEST_F(TrayTest, WinesShellTakesOneIconAndGetsItBackAfterARestartUnlessRemoved) {
    EXPECT_FALSE(dialog->setTrayTip("tip")) << "no icon added yet";
    EXPECT_FALSE(dialog->showBalloon("text"));
    EXPECT_FALSE(dialog->removeTrayIcon());

    ASSERT_TRUE(dialog->addTrayIcon(newIcon(), "文本分割"));
    EXPECT_FALSE(dialog->addTrayIcon(newIcon(), "again")) << "the same window and id twice";
    EXPECT_TRUE(dialog->setTrayTip("新的提示"));
    EXPECT_TRUE(dialog->setTrayIcon(newIcon()));
    EXPECT_TRUE(dialog->showBalloon("导出完成", "信息", NIIF_WARNING, 3000));

    // The shell restarts: it has lost its icons, then announces itself.
    ASSERT_TRUE(shell(NIM_DELETE));
    shellRestarts();
    EXPECT_TRUE(shell(NIM_MODIFY)) << "back without a call from the application";

    EXPECT_TRUE(dialog->removeTrayIcon());
    EXPECT_FALSE(shell(NIM_MODIFY));
    EXPECT_FALSE(dialog->removeTrayIcon());
    EXPECT_FALSE(dialog->setTrayTip("late")) << "modify after delete";
    shellRestarts();
    EXPECT_FALSE(shell(NIM_MODIFY)) << "a removed icon stays removed";

    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    DestroyWindow(window);
    EXPECT_FALSE(shell(NIM_DELETE)) << "the icon went with the window";
}

TEST_F(TrayTest, WhatReachesTheShellHoldsTheRecordSizeFlagsAndLiveIcons) {
    win::setNotifyIconCall(recordCall);
    HICON first = newIcon(), second = newIcon();
    shellRestarts();
    EXPECT_TRUE(calls.empty()) << "no icon yet: nothing to bring back";

    ASSERT_TRUE(dialog->addTrayIcon(first, "tip"));
    ASSERT_TRUE(dialog->setTrayIcon(first));
    EXPECT_TRUE(iconAlive(first)) << "the icon given again is the one held";
    ASSERT_TRUE(dialog->showBalloon("只有文字"));
    ASSERT_TRUE(dialog->setTrayIcon(second));
    EXPECT_FALSE(iconAlive(first));
    shellRestarts();
    ASSERT_TRUE(dialog->removeTrayIcon());
    EXPECT_FALSE(iconAlive(second));
    dialog->setTrayTip("after");
    shellRestarts();
    SendMessageA(window, WM_NULL, 0, 0); // 0 is no message to listen for

    const UINT kTray = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    const struct {
        DWORD message;
        UINT flags;
        HICON icon;
    } expected[] = {{NIM_ADD, kTray, first},
                    {NIM_MODIFY, kTray, first},
                    {NIM_MODIFY, kTray | NIF_STATE | NIF_INFO, first},
                    {NIM_MODIFY, kTray, second},
                    {NIM_DELETE, kTray, second}, // the restart
                    {NIM_ADD, kTray, second},
                    {NIM_DELETE, kTray, nullptr}, // removed: no dead icon sent later
                    {NIM_MODIFY, kTray, nullptr}};
    ASSERT_EQ(calls.size(), std::size(expected));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const NOTIFYICONDATAA& r = calls[i].second;
        EXPECT_EQ(calls[i].first, expected[i].message) << i;
        EXPECT_EQ(r.uFlags, expected[i].flags) << i;
        EXPECT_EQ(r.hIcon, expected[i].icon) << i;
        EXPECT_EQ(r.cbSize, offsetof(NOTIFYICONDATAA, dwInfoFlags) + sizeof(DWORD))
            << "the balloon fields are inside what the shell may read";
        EXPECT_EQ(r.hWnd, window);
        EXPECT_EQ(r.uID, 1u);
        EXPECT_EQ(r.uCallbackMessage, win::kTrayCallbackMessage);
    }
    const NOTIFYICONDATAA& balloon = calls[2].second;
    EXPECT_STREQ(balloon.szInfo, "只有文字");
    EXPECT_STREQ(balloon.szInfoTitle, "");
    EXPECT_EQ(balloon.dwInfoFlags, DWORD(NIIF_INFO));
    EXPECT_EQ(balloon.uTimeout, 10000u);
    EXPECT_STREQ(balloon.szTip, "tip") << "earlier fields stay in the record";
}

TEST_F(TrayTest, TextsAreCutWithTheirTerminatorAndNeverInsideACharacter) {
    win::setNotifyIconCall(recordCall);
    ASSERT_TRUE(dialog->addTrayIcon(newIcon()));
    const std::string han = "文";                      // two bytes in code page 936
    for (const std::size_t size : {128u, 256u, 64u}) { // tip, balloon text, balloon title
        const std::size_t max = size - 1;
        std::string hans;
        while (hans.size() < size)
            hans += han;
        const std::pair<std::string, std::size_t> cases[] = {
            {std::string(size + 200, 'a'), max},
            {std::string(max, 'a'), max},
            {std::string(max - 1, 'a') + han, max - 1}, // the character would end past it
            {std::string(max - 2, 'a') + han, max},     // it just fits
            {hans, max - 1},
            {"abcd\x81", 4}, // a lone first byte at the end goes
            {"", 0},
        };
        for (const auto& [text, kept] : cases) {
            calls.clear();
            if (size == 128) dialog->setTrayTip(text.c_str());
            if (size == 256) dialog->showBalloon(text.c_str(), "title");
            if (size == 64) dialog->showBalloon("text", text.c_str());
            ASSERT_EQ(calls.size(), 1u);
            const NOTIFYICONDATAA& r = calls[0].second;
            const char* field = size == 128 ? r.szTip : size == 256 ? r.szInfo : r.szInfoTitle;
            EXPECT_EQ(std::string(field, strnlen(field, size)), text.substr(0, kept))
                << "field of " << size << ", text of " << text.size();
        }
    }
}

TEST_F(TrayTest, PostedMouseAndBalloonNotificationsReachTheTrayHandler) {
    // Wine's shell sends no balloon notifications: all are posted here as
    // the shell would post them.
    const std::pair<UINT, int> events[] = {
        {WM_LBUTTONDOWN, 1},     {WM_LBUTTONUP, 0},          {WM_RBUTTONDOWN, 2},
        {WM_MBUTTONDOWN, 3},     {WM_LBUTTONDBLCLK, 4},      {WM_RBUTTONDBLCLK, 5},
        {WM_MBUTTONDBLCLK, 6},   {WM_MOUSEMOVE, 7},          {NIN_BALLOONSHOW, 8},
        {NIN_BALLOONTIMEOUT, 9}, {NIN_BALLOONUSERCLICK, 10}, {NIN_BALLOONHIDE, 0},
    };
    Log expected;
    for (auto [event, code] : events) {
        PostMessageA(window, win::kTrayCallbackMessage, win::kTrayIconId, event);
        expected.push_back(wt::call("tray", {code}));
    }
    wt::log().clear();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(wt::log(), expected);
}

// Presses the keys together and lets them go, at the keyboard; then pumps
// until a handler logged something or the time is up.
bool pressAndWait(std::initializer_list<WORD> keys, DWORD timeoutMs) {
    std::vector<INPUT> inputs;
    for (int up = 0; up < 2; ++up)
        for (WORD key : keys) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wVk = key;
            in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            inputs.push_back(in);
        }
    wt::log().clear();
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    for (DWORD start = GetTickCount(); wt::log().empty() && GetTickCount() - start < timeoutMs;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
    return !wt::log().empty();
}

TEST_F(TrayTest, HotkeysPressedOnTheKeyboardAndIdsThatNeverRepeat) {
    const int id = dialog->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F9);
    ASSERT_GT(id, 0);
    ASSERT_TRUE(pressAndWait({VK_CONTROL, VK_MENU, VK_F9}, 3000));
    EXPECT_EQ(wt::log(), (Log{wt::call("hotkey", {id, MOD_CONTROL | MOD_ALT, VK_F9})}));

    EXPECT_EQ(dialog->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F9), 0) << "taken";
    auto* other = win::newWindowObject<wt::OpenDialog>();
    ASSERT_TRUE(other->showModeless({}, MAKEINTRESOURCEA(100), nullptr, nullptr));
    EXPECT_EQ(other->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F9), 0) << "taken by another";
    EXPECT_EQ(other->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F10), id + 1) << "one counter";

    EXPECT_TRUE(dialog->unregisterHotkey(id));
    EXPECT_FALSE(dialog->unregisterHotkey(id));
    EXPECT_FALSE(pressAndWait({VK_CONTROL, VK_MENU, VK_F9}, 300)) << "unregistered";
    EXPECT_EQ(dialog->registerHotkey(MOD_CONTROL | MOD_ALT, VK_F9), id + 2) << "not id again";

    EXPECT_TRUE(dialog->unregisterHotkey(id + 2));
    EXPECT_TRUE(other->unregisterHotkey(id + 1));
    DestroyWindow(other->handle());
    other->release();
    rt::free(other);
}

} // namespace
