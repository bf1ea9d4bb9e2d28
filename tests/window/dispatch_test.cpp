// The message table of windowProc: which hooks, handlers and procedures a
// message reaches, in which order, and what stops it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/window/recorder.h"
#include "window/window.h"

namespace {

using wt::Log;
using wt::RecordingWindow;
namespace h = wt::handlers;

std::intptr_t w(const void* p) {
    return reinterpret_cast<std::intptr_t>(p);
}
std::string hex(const void* p) {
    return std::to_string(w(p));
}

class Dispatch : public ::testing::Test {
  protected:
    void SetUp() override {
        wt::startLibrary();
        window = wt::newPlainWindow();
        ASSERT_NE(window, nullptr);
        object = win::newWindowObject<RecordingWindow>();
        ASSERT_EQ(object->attachWindow(window), window);
    }
    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        object->release();
        rt::free(object);
    }
    // Sends the message with the log emptied first.
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
        wt::log().clear();
        return SendMessageA(window, message, wParam, lParam);
    }
    std::string self() const { return hex(window); }

    HWND window = nullptr;
    RecordingWindow* object = nullptr;
};

TEST_F(Dispatch, LeftClickWithoutHandlerPassesHookThenPreviousProcedure) {
    wt::watched() = {WM_LBUTTONDOWN};
    LPARAM at = MAKELPARAM(10, 20);
    EXPECT_EQ(send(WM_LBUTTONDOWN, MK_LBUTTON, at), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"obj.onLeftButtonDown(" + self() + "," + std::to_string(at) + ")",
                              "prev(WM_LBUTTONDOWN)"}));
}

TEST_F(Dispatch, NonzeroHandlerResultEndsTheMessage) {
    wt::watched() = {WM_LBUTTONDOWN};
    object->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    wt::results()["leftDown"] = 5;
    LPARAM at = MAKELPARAM(10, 20);
    EXPECT_EQ(send(WM_LBUTTONDOWN, MK_LBUTTON, at), 5);
    EXPECT_EQ(wt::log(), (Log{"obj.onLeftButtonDown(" + self() + "," + std::to_string(at) + ")",
                              "leftDown(10,20,0)"}));

    wt::results()["leftDown"] = 0;
    EXPECT_EQ(send(WM_LBUTTONDOWN, MK_LBUTTON, at), wt::prevResult());
    EXPECT_EQ(wt::log().back(), "prev(WM_LBUTTONDOWN)");
    EXPECT_EQ(wt::log().size(), 3u);
}

// Every event whose handler may stop its message: with a nonzero result the
// previous procedure never sees it, with 0 it does.
TEST_F(Dispatch, EachStoppableHandlerStopsOnlyWithNonzeroResult) {
    struct Row {
        UINT message;
        win::Handler (win::Window::*setter)(win::Handler);
        win::Handler handler;
        const char* name;
        WPARAM wParam;
        const char* expected; // the handler's entry
        std::string hook;     // the hook's entry, if the message has a hook
    };
    const LPARAM at = MAKELPARAM(7, 9);
    const std::string me = self(), lp = std::to_string(at);
    const Row rows[] = {
        {WM_LBUTTONUP, &win::Window::setLeftButtonUpHandler, wt::handler(&h::leftUp), "leftUp", 0,
         "leftUp(7,9,0)", "obj.onLeftButtonUp(" + me + "," + lp + ")"},
        {WM_LBUTTONDBLCLK, &win::Window::setLeftDoubleClickHandler, wt::handler(&h::leftDouble),
         "leftDouble", 0, "leftDouble(7,9,0)", "obj.onLeftDoubleClick(" + me + "," + lp + ")"},
        {WM_RBUTTONDOWN, &win::Window::setRightButtonDownHandler, wt::handler(&h::rightDown),
         "rightDown", 0, "rightDown(7,9,0)", ""},
        {WM_RBUTTONUP, &win::Window::setRightButtonUpHandler, wt::handler(&h::rightUp), "rightUp",
         0, "rightUp(7,9,0)", ""},
        {WM_MOUSEMOVE, &win::Window::setMouseMoveHandler, wt::handler(&h::mouseMove), "mouseMove",
         0, "mouseMove(7,9,0)", "obj.onMouseMove(" + me + ",7,9)"},
        {WM_KEYDOWN, &win::Window::setKeyDownHandler, wt::handler(&h::keyDown), "keyDown", VK_F5,
         "keyDown(116,0)", "obj.onKeyDown(" + me + ",116)"},
        {WM_KEYUP, &win::Window::setKeyUpHandler, wt::handler(&h::keyUp), "keyUp", VK_F6,
         "keyUp(117,0)", ""},
        {WM_CHAR, &win::Window::setCharHandler, wt::handler(&h::character), "character", 'A',
         "character(65)", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        wt::watched() = {row.message};
        (object->*row.setter)(row.handler);
        wt::results()[row.name] = 9;
        EXPECT_EQ(send(row.message, row.wParam, at), 9);
        Log expected;
        if (!row.hook.empty()) expected.push_back(row.hook);
        expected.push_back(row.expected);
        EXPECT_EQ(wt::log(), expected);

        wt::results()[row.name] = 0;
        EXPECT_EQ(send(row.message, row.wParam, at), wt::prevResult());
        expected.push_back("prev(" + wt::messageName(row.message) + ")");
        EXPECT_EQ(wt::log(), expected);
    }
}

TEST_F(Dispatch, PointSplitsUnsignedXAndSignedY) {
    wt::watched() = {WM_LBUTTONDOWN};
    object->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    // 3 pixels left of and above the client area, during capture.
    send(WM_LBUTTONDOWN, 0, MAKELPARAM(-3, -3));
    ASSERT_EQ(wt::log().size(), 3u);
    EXPECT_EQ(wt::log()[1], "leftDown(65533,-3,0)");
}

// Keys held down at the keyboard itself (SendInput), as a person holds them.
// The end lets every one of them go, even when an assertion has ended the
// test early, and takes the key messages the presses queued out unhandled: a
// lone Alt that reached a window would start its menu.
class HeldKeys {
  public:
    HeldKeys() = default;
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    ~HeldKeys() { releaseAll(); }

    // True once the keyboard reports every key down.
    bool hold(const std::vector<WORD>& keys) {
        held_.insert(held_.end(), keys.begin(), keys.end());
        press(keys, 0);
        return settled(keys, true);
    }
    // True once the keyboard reports every key up again.
    bool releaseAll() {
        std::vector<WORD> keys(held_.rbegin(), held_.rend());
        held_.clear();
        press(keys, KEYEVENTF_KEYUP);
        const bool up = settled(keys, false);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        return up;
    }

  private:
    static void press(const std::vector<WORD>& keys, DWORD flags) {
        if (keys.empty()) return;
        std::vector<INPUT> inputs(keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            inputs[i].type = INPUT_KEYBOARD;
            inputs[i].ki.wVk = keys[i];
            inputs[i].ki.dwFlags = flags;
        }
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
    static bool settled(const std::vector<WORD>& keys, bool down) {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 2000; Sleep(5)) {
            bool all = true;
            for (WORD key : keys)
                all = all && ((GetAsyncKeyState(key) & 0x8000) != 0) == down;
            if (all) return true;
        }
        return false;
    }

    std::vector<WORD> held_;
};

// The key presses go to the window in front: the test's own, so that the
// messages they queue are its thread's to take out.
class DispatchKeys : public Dispatch {
  protected:
    void SetUp() override {
        Dispatch::SetUp();
        ShowWindow(window, SW_SHOW);
        SetForegroundWindow(window);
        // The display's focus events set the modifier keys to what the
        // display holds (none): they are taken in before any key goes down.
        for (DWORD start = GetTickCount(); GetTickCount() - start < 200; Sleep(10)) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
        object->setLeftButtonDownHandler(wt::handler(&h::leftDown));
        object->setKeyUpHandler(wt::handler(&h::keyUp));
        object->setWheelHandler(wt::handler(&h::wheel));
    }
    // A left click, a key's release and a wheel notch towards the user, each
    // claiming in its own flags the keys of `claimed` (1 Ctrl, 2 Shift, 4 Alt)
    // where it can carry them; the handler entries they produced.
    Log deliver(int claimed) {
        Log seen;
        WPARAM buttons = MK_LBUTTON;
        if (claimed & 1) buttons |= MK_CONTROL;
        if (claimed & 2) buttons |= MK_SHIFT;
        send(WM_LBUTTONDOWN, buttons, MAKELPARAM(1, 2));
        seen.push_back(entry("leftDown("));
        const LPARAM altContext = (claimed & 4) ? LPARAM(1) << 29 : 0;
        send(WM_KEYUP, 'A', altContext | 1);
        seen.push_back(entry("keyUp("));
        send(WM_MOUSEWHEEL, MAKEWPARAM(buttons & ~MK_LBUTTON, static_cast<WORD>(-WHEEL_DELTA)), 0);
        seen.push_back(entry("wheel("));
        return seen;
    }
    static Log expected(int state) {
        const std::string k = std::to_string(state);
        return {"leftDown(1,2," + k + ")", "keyUp(65," + k + ")", "wheel(-120," + k + ")"};
    }
    static std::string entry(const std::string& prefix) {
        for (const std::string& e : wt::log())
            if (e.compare(0, prefix.size(), prefix) == 0) return e;
        return prefix + "missing";
    }
};

// Whatever a message's flags claim, its handler gets the keys actually down.
TEST_F(DispatchKeys, KeyStateComesFromTheKeyboardNotFromTheMessageFlags) {
    struct Row {
        std::vector<WORD> held;
        int claimed;
        int state;
    };
    const Row rows[] = {
        {{}, 7, 0}, {{VK_CONTROL, VK_SHIFT}, 0, 3}, {{VK_CONTROL}, 6, 1}, {{VK_MENU}, 3, 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE("held " + std::to_string(row.state) + ", claimed " +
                     std::to_string(row.claimed));
        HeldKeys keys;
        ASSERT_TRUE(keys.hold(row.held));
        EXPECT_EQ(deliver(row.claimed), expected(row.state));
        ASSERT_TRUE(keys.releaseAll());
        EXPECT_EQ(deliver(row.claimed), expected(0)) << "after the keys went up";
    }
}

// Each combination of Ctrl, Shift and Alt held at the keyboard; mouse, key
// and wheel handlers all receive it as 1, 2 and 4, and 0 once let go.
TEST_F(DispatchKeys, KeyStateCarriesCtrlShiftAndAltAsTheKeyboardHoldsThem) {
    for (int state = 0; state < 8; ++state) {
        SCOPED_TRACE("state " + std::to_string(state));
        std::vector<WORD> held;
        if (state & 1) held.push_back(VK_CONTROL);
        if (state & 2) held.push_back(VK_SHIFT);
        if (state & 4) held.push_back(VK_MENU);
        HeldKeys keys;
        ASSERT_TRUE(keys.hold(held));
        EXPECT_EQ(deliver(0), expected(state));
        ASSERT_TRUE(keys.releaseAll());
        EXPECT_EQ(deliver(0), expected(0));
    }
}

TEST_F(Dispatch, FocusAndSizeAlwaysReachThePreviousProcedure) {
    wt::watched() = {WM_SETFOCUS, WM_KILLFOCUS, WM_SIZE};
    object->setFocusGainedHandler(wt::handler(&h::focusGained));
    object->setFocusLostHandler(wt::handler(&h::focusLost));
    wt::results()["focusGained"] = 1;
    wt::results()["focusLost"] = 1;
    EXPECT_EQ(send(WM_SETFOCUS, 0, 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"focusGained()", "prev(WM_SETFOCUS)"}));
    EXPECT_EQ(send(WM_KILLFOCUS, 0, 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"focusLost()", "prev(WM_KILLFOCUS)"}));
    EXPECT_EQ(send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"obj.onSize(300,200)", "prev(WM_SIZE)"}));
}

TEST_F(Dispatch, MouseEnterSwallowsTheMoveThatFiredItThenLeaveRearmsIt) {
    wt::watched() = {WM_MOUSEMOVE, WM_MOUSELEAVE};
    object->setMouseEnterHandler(wt::handler(&h::mouseEnter));
    object->setMouseLeaveHandler(wt::handler(&h::mouseLeave));
    object->setMouseMoveHandler(wt::handler(&h::mouseMove));
    wt::results()["mouseEnter"] = 1;
    std::string move = "obj.onMouseMove(" + self() + ",5,6)";

    EXPECT_EQ(send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 6)), 0);
    EXPECT_EQ(wt::log(), (Log{move, "mouseEnter()"}));
    EXPECT_EQ(object->tracking(), 1u);

    // Tracking: the next move is an ordinary one.
    EXPECT_EQ(send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 6)), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{move, "mouseMove(5,6,0)", "prev(WM_MOUSEMOVE)"}));

    wt::results()["mouseLeave"] = 1;
    EXPECT_EQ(send(WM_MOUSELEAVE, 0, 0), 1);
    EXPECT_EQ(wt::log(), (Log{"obj.onMouseLeave(" + self() + ")", "mouseLeave()"}));
    EXPECT_EQ(object->tracking(), 0u);

    // An enter handler that returns 0 lets its move go on.
    wt::results()["mouseEnter"] = 0;
    EXPECT_EQ(send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 6)), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{move, "mouseEnter()", "mouseMove(5,6,0)", "prev(WM_MOUSEMOVE)"}));
}

TEST_F(Dispatch, PaintHandlerDrawsInsideBeginPaintThenOnPaintedFollows) {
    wt::watched() = {WM_PAINT};
    object->setPaintHandler(wt::handler(&h::paint));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    RECT client{};
    GetClientRect(window, &client);

    wt::log().clear();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(wt::log(), (Log{"paintDc(1)", wt::call("paint", {0, 0, client.right, client.bottom}),
                              "obj.onPainted(" + self() + ")", "prev(WM_PAINT)"}));
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(window, &left, FALSE)) << "validated by BeginPaint/EndPaint";

    // A handler that reports the paint done ends it: no onPainted, no
    // previous procedure.
    wt::results()["paint"] = 1;
    wt::log().clear();
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    EXPECT_EQ(wt::log(),
              (Log{"paintDc(1)", wt::call("paint", {0, 0, client.right, client.bottom})}));
}

TEST_F(Dispatch, HooksThatStopTheirMessage) {
    wt::watched() = {WM_ERASEBKGND, WM_MOVE, WM_MOVING, WM_MOUSELEAVE};
    HDC dc = GetDC(window);
    std::string erase = "obj.onEraseBackground(" + self() + "," + hex(dc) + ")";
    EXPECT_EQ(send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{erase, "prev(WM_ERASEBKGND)"}));
    wt::results()["obj.onEraseBackground"] = 1;
    EXPECT_EQ(send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    EXPECT_EQ(wt::log(), (Log{erase}));
    ReleaseDC(window, dc);

    // WM_MOVE splits its point like the mouse messages.
    EXPECT_EQ(send(WM_MOVE, 0, MAKELPARAM(40000, -30)), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"obj.onMove(" + self() + ",40000,-30)", "prev(WM_MOVE)"}));
    wt::results()["obj.onMove"] = 4;
    EXPECT_EQ(send(WM_MOVE, 0, MAKELPARAM(1, 2)), 4);
    EXPECT_EQ(wt::log().size(), 1u);

    RECT rect{1, 2, 3, 4};
    auto lp = reinterpret_cast<LPARAM>(&rect);
    wt::results()["obj.onMoving"] = 1;
    EXPECT_EQ(send(WM_MOVING, WMSZ_LEFT, lp), 1);
    EXPECT_EQ(wt::log(), (Log{wt::call("obj.onMoving", {w(window), lp})}));

    EXPECT_EQ(send(WM_MOUSELEAVE, 0, 0), wt::prevResult()); // no leave handler: 0, goes on
    EXPECT_EQ(wt::log(), (Log{"obj.onMouseLeave(" + self() + ")", "prev(WM_MOUSELEAVE)"}));
}

TEST_F(Dispatch, HeldCursorIsShownOnlyOverThisWindowsClientArea) {
    wt::watched() = {WM_SETCURSOR};
    HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    HCURSOR cross = CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
    ASSERT_NE(cross, nullptr);
    object->cursor(cross);
    SetCursor(arrow);
    auto self = reinterpret_cast<WPARAM>(window);

    EXPECT_EQ(send(WM_SETCURSOR, self, MAKELPARAM(HTCAPTION, WM_MOUSEMOVE)), wt::prevResult());
    EXPECT_EQ(GetCursor(), arrow);
    HWND other = wt::newPlainWindow();
    EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(other), MAKELPARAM(HTCLIENT, 0)),
              wt::prevResult());
    EXPECT_EQ(GetCursor(), arrow);
    DestroyWindow(other);

    // Over the client area: SetCursor's result (the arrow) stops the message.
    EXPECT_EQ(send(WM_SETCURSOR, self, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              reinterpret_cast<LRESULT>(arrow));
    EXPECT_EQ(GetCursor(), cross);
    EXPECT_EQ(wt::log().size(), 1u);
    SetCursor(arrow);
}

TEST_F(Dispatch, OtherMessagesGoStraightToThePreviousProcedure) {
    wt::watched() = {WM_USER + 5, WM_CLOSE};
    EXPECT_EQ(send(WM_USER + 5, 1, 2), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(0x405)"}));
    EXPECT_EQ(send(WM_CLOSE, 0, 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_CLOSE)"}));
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(Dispatch, WindowTheRegistryDoesNotKnowGetsTheDefaultProcedure) {
    HWND stray = CreateWindowExA(0, "STATIC", "stray", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(stray, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&win::libraryWindowProc));
    EXPECT_EQ(SendMessageA(stray, WM_GETTEXTLENGTH, 0, 0), 5) << "DefWindowProcA's answer";
    EXPECT_EQ(SendMessageA(stray, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc")), TRUE);
    EXPECT_EQ(SendMessageA(stray, WM_GETTEXTLENGTH, 0, 0), 3);
    DestroyWindow(stray);
}

TEST_F(Dispatch, NcDestroyUnbindsThenTheWindowsOwnProcedureSeesIt) {
    wt::watched() = {WM_NCDESTROY};
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HCURSOR cursor = CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
    object->setFont(font);
    object->cursor(cursor);
    object->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    std::string me = self();

    wt::log().clear();
    DestroyWindow(window);
    EXPECT_EQ(wt::log(), (Log{"obj.onWindowDestroyed(" + me + ")", "obj.onDestroy(" + me + ")",
                              "prev(WM_NCDESTROY)"}));
    EXPECT_EQ(object->handle(), nullptr);
    EXPECT_EQ(object->previousProc(), nullptr);
    EXPECT_EQ(object->heldCursor(), nullptr);
    EXPECT_EQ(object->heldFont(), nullptr);
    EXPECT_EQ(GetObjectType(font), 0u) << "the font was deleted";
    EXPECT_FALSE(DestroyCursor(cursor)) << "the cursor was destroyed already";
    EXPECT_EQ(win::findWindowObject(window), nullptr) << "the pair left the registry";
}

// --- notifications forwarded from a parent to the objects of its children --------------

class Forwarding : public Dispatch {
  protected:
    void SetUp() override {
        Dispatch::SetUp();
        object->tag = "parent";
        for (int i = 0; i < 3; ++i) {
            child[i] = wt::newPlainWindow(window, 100 + i);
            ASSERT_NE(child[i], nullptr);
        }
        for (int i = 0; i < 2; ++i) { // the third child stays unbound
            objects[i] = win::newWindowObject<RecordingWindow>();
            objects[i]->tag = "c" + std::to_string(i + 1);
            ASSERT_EQ(objects[i]->attachWindow(child[i]), child[i]);
        }
    }
    void TearDown() override {
        for (auto* o : objects) {
            o->release();
            rt::free(o);
        }
        Dispatch::TearDown();
    }
    std::string c(int i) const { return hex(child[i]); }
    LPARAM lc(int i) const { return reinterpret_cast<LPARAM>(child[i]); }

    HWND child[3] = {};
    RecordingWindow* objects[2] = {};
};

TEST_F(Forwarding, CommandReachesTheObjectOfTheControlInLParam) {
    wt::watched() = {WM_COMMAND};
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(101, BN_CLICKED), lc(1)), wt::prevResult());
    EXPECT_EQ(wt::log(),
              (Log{"c2.onCommand(" + self() + "," + c(1) + ",0,101)", "prev(WM_COMMAND)"}));

    wt::results()["c2.onCommand"] = 3;
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(101, EN_CHANGE), lc(1)), 3);
    EXPECT_EQ(wt::log(), (Log{"c2.onCommand(" + self() + "," + c(1) + ",768,101)"}));

    // A control without an object and a menu command take the default path.
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(102, BN_CLICKED), lc(2)), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_COMMAND)"}));
    EXPECT_EQ(send(WM_COMMAND, MAKEWPARAM(40001, 0), 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_COMMAND)"}));
}

TEST_F(Forwarding, NotifyReachesTheSenderButNeverForAnsiTooltipText) {
    wt::watched() = {WM_NOTIFY};
    NMHDR header{child[0], 100, static_cast<UINT>(NM_CLICK)};
    auto lp = reinterpret_cast<LPARAM>(&header);
    EXPECT_EQ(send(WM_NOTIFY, 100, lp), wt::prevResult());
    EXPECT_EQ(wt::log(),
              (Log{wt::call("c1.onNotify", {w(window), w(child[0]), int(NM_CLICK), 100, lp}),
                   "prev(WM_NOTIFY)"}));

    header.code = static_cast<UINT>(TTN_NEEDTEXTA);
    EXPECT_EQ(send(WM_NOTIFY, 100, lp), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_NOTIFY)"}));

    // Only the ANSI request is held back.
    header.code = static_cast<UINT>(TTN_NEEDTEXTW);
    wt::results()["c1.onNotify"] = 6;
    EXPECT_EQ(send(WM_NOTIFY, 100, lp), 6);
    EXPECT_EQ(wt::log(), (Log{wt::call("c1.onNotify",
                                       {w(window), w(child[0]), int(TTN_NEEDTEXTW), 100, lp})}));
}

TEST_F(Forwarding, WholeColourFamilyAndNothingBesideIt) {
    wt::watched() = {0x131, 0x132, 0x133, 0x134, 0x135, 0x136, 0x137, 0x138, 0x139};
    HDC dc = GetDC(window);
    auto wdc = reinterpret_cast<WPARAM>(dc);
    for (UINT message = WM_CTLCOLORMSGBOX; message <= WM_CTLCOLORSTATIC; ++message) {
        SCOPED_TRACE(message);
        EXPECT_EQ(send(message, wdc, lc(0)), wt::prevResult());
        EXPECT_EQ(wt::log(),
                  (Log{wt::call("c1.onColorRequest", {w(child[0]), w(dc)}), "prev(WM_CTLCOLOR)"}));
    }
    for (UINT message : {0x131u, 0x139u}) {
        EXPECT_EQ(send(message, wdc, lc(0)), wt::prevResult());
        EXPECT_EQ(wt::log().size(), 1u) << "not a colour request: " << message;
    }
    // The brush the control hands back is Windows' answer.
    HBRUSH brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wt::results()["c1.onColorRequest"] = reinterpret_cast<std::intptr_t>(brush);
    EXPECT_EQ(send(WM_CTLCOLORSTATIC, wdc, lc(0)), reinterpret_cast<LRESULT>(brush));
    EXPECT_EQ(wt::log().size(), 1u);
    ReleaseDC(window, dc);
}

TEST_F(Forwarding, ScrollReachesTheScrollBarsObject) {
    wt::watched() = {WM_HSCROLL, WM_VSCROLL};
    WPARAM wp = MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(-5));
    EXPECT_EQ(send(WM_HSCROLL, wp, lc(1)), wt::prevResult());
    EXPECT_EQ(wt::log(),
              (Log{wt::call("c2.onScroll", {SB_THUMBTRACK, -5, w(child[1])}), "prev(WM_HSCROLL)"}));
    wt::results()["c1.onScroll"] = 2;
    EXPECT_EQ(send(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), lc(0)), 2);
    EXPECT_EQ(wt::log(), (Log{wt::call("c1.onScroll", {SB_LINEDOWN, 0, w(child[0])})}));
    // The window's own scroll bar (lParam 0) has no object.
    EXPECT_EQ(send(WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_VSCROLL)"}));
}

TEST_F(Forwarding, DrawItemReachesTheItemWindowsObject) {
    wt::watched() = {WM_DRAWITEM};
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = 101;
    item.hwndItem = child[1];
    auto lp = reinterpret_cast<LPARAM>(&item);
    // The base hook reports the item drawn.
    EXPECT_EQ(send(WM_DRAWITEM, 101, lp), 1);
    EXPECT_EQ(wt::log(), (Log{wt::call("c2.onDrawItem", {101, lp})}));
    item.hwndItem = child[2];
    EXPECT_EQ(send(WM_DRAWITEM, 102, lp), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_DRAWITEM)"}));
}

// --- dropped files ---------------------------------------------------------------

// A drop handle as the shell makes it: DROPFILES, then the ANSI names, each
// terminated, and one more terminator.
HDROP fakeDrop(const std::vector<std::string>& names) {
    std::string list;
    for (const auto& n : names)
        list += n + '\0';
    list += '\0';
    if (names.empty()) list += '\0'; // the shell's reader expects one (empty) name
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(Dispatch, DroppedFilesAreJoinedByCrLfAndTheDropIsFinished) {
    wt::watched() = {WM_DROPFILES};
    object->setFileDropHandler(wt::handler(&h::fileDrop));
    wt::results()["fileDrop"] = 1; // cannot stop the message
    HDROP drop = fakeDrop({"C:\\in\\a.txt", "C:\\in\\b b.txt", "D:\\c.txt"});
    EXPECT_EQ(send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"fileDrop()", "prev(WM_DROPFILES)"}));
    EXPECT_EQ(h::droppedNames(), "C:\\in\\a.txt\r\nC:\\in\\b b.txt\r\nD:\\c.txt");
    EXPECT_EQ(GlobalSize(drop), 0u) << "DragFinish gave the drop back";

    drop = fakeDrop({});
    send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(h::droppedNames(), "");
}

TEST_F(Dispatch, LongDroppedPathArrivesWhole) {
    object->setFileDropHandler(wt::handler(&h::fileDrop));
    std::string deep = "C:\\" + std::string(300, 'd') + "\\end.txt";
    HDROP drop = fakeDrop({deep, "C:\\x"});
    send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    EXPECT_EQ(h::droppedNames(), deep + "\r\nC:\\x");
}

TEST_F(Dispatch, WithoutFileDropHandlerTheDropIsLeftToThePreviousProcedure) {
    wt::watched() = {WM_DROPFILES};
    HDROP drop = fakeDrop({"C:\\a.txt"});
    EXPECT_EQ(send(WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0), wt::prevResult());
    EXPECT_EQ(wt::log(), (Log{"prev(WM_DROPFILES)"}));
    EXPECT_NE(GlobalSize(drop), 0u) << "not finished by the library";
    DragFinish(drop);
}

} // namespace
