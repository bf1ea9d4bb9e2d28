// The message step: what reaches the control's own procedure, in what
// order, and what the engine keeps of the state, recorded through a
// procedure put under the engine in place of the control's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "tests/skin/skin_support.h"

namespace {

using namespace skintest;

std::vector<UINT> gSeen;
WNDPROC gOwnProc;

LRESULT CALLBACK recordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    gSeen.push_back(message);
    return CallWindowProcA(gOwnProc, window, message, wParam, lParam);
}

int seen(UINT message) {
    return static_cast<int>(std::count(gSeen.begin(), gSeen.end(), message));
}

class StateTest : public SkinTest {
  protected:
    void SetUp() override {
        SkinTest::SetUp();
        host_ = newHost();
        ASSERT_EQ(applySkin(1), 1);
    }
    // A control of the class whose own procedure is replaced, below the
    // engine, by the recording one.
    HWND recorded(const char* className, DWORD style, int width = 80, int height = 24,
                  DWORD extendedStyle = 0) {
        HWND control =
            newControl(host_, className, "", style, 10, 10, width, height, extendedStyle);
        skin::SkinRecord* record = skin::findSkinRecord(control);
        EXPECT_NE(record, nullptr);
        if (!record) return control;
        gOwnProc = record->previousProc;
        record->previousProc = recordingProc;
        gSeen.clear();
        return control;
    }
    static std::uint32_t stateOf(HWND control) {
        const skin::SkinRecord* record = skin::findSkinRecord(control);
        return record ? record->state : 0xFFFFFFFF;
    }
};

TEST_F(StateTest, MouseMovesOverAButtonRunTheOwnProcedureOnceThenTwice) {
    HWND button = recorded("Button", BS_PUSHBUTTON);
    struct Step {
        WPARAM keys;
        int runs; // calls of the own procedure for this move
        bool hot;
    } steps[] = {
        {MK_LBUTTON, 2, false}, // dragging in: no tracking, no hover
        {0, 1, true},           // first move: tracking starts, painted hot
        {0, 2, true},           // already hot: the step and the tracker each pass it on
    };
    for (const Step& step : steps) {
        const int before = seen(WM_MOUSEMOVE);
        SendMessageA(button, WM_MOUSEMOVE, step.keys, MAKELPARAM(5, 5));
        EXPECT_EQ(seen(WM_MOUSEMOVE) - before, step.runs);
        EXPECT_EQ((stateOf(button) & skin::kHot) != 0, step.hot);
    }
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(stateOf(button) & skin::kHot);
    EXPECT_EQ(seen(WM_MOUSELEAVE), 1);
}

TEST_F(StateTest, AMoveReadAfterTheCursorHasGoneStillEndsInALeave) {
    // Wine delivers late moves when the cursor is set from another process;
    // a button must not stay hot for one, nor lose its hover for a real one.
    HWND button = recorded("Button", BS_PUSHBUTTON);
    struct Row {
        bool cursorOnButton;
        bool hotAfterwards;
    } rows[] = {{false, false}, {true, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cursorOnButton);
        const int leavesBefore = seen(WM_MOUSELEAVE);
        if (row.cursorOnButton) {
            hover(button);
        } else {
            leave();
            SendMessageA(button, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_TRUE(stateOf(button) & skin::kHot); // painted hot at once, as for any move
        }
        pumpUntil([] { return false; }, 600); // longer than the hover time
        EXPECT_EQ((stateOf(button) & skin::kHot) != 0, row.hotAfterwards);
        EXPECT_EQ(seen(WM_MOUSELEAVE) - leavesBefore, row.hotAfterwards ? 0 : 1);
    }
}

TEST_F(StateTest, ButtonMessagesSetTheirBitsAndReachTheOwnProcedure) {
    HWND button = recorded("Button", BS_AUTO3STATE);
    struct Row {
        UINT message;
        WPARAM wParam;
        std::uint32_t set, clear;
    } rows[] = {
        {BM_SETCHECK, BST_CHECKED, skin::kChecked, skin::kIndeterminate},
        {BM_SETCHECK, BST_INDETERMINATE, skin::kIndeterminate, skin::kChecked},
        {BM_SETCHECK, BST_UNCHECKED, 0, skin::kChecked | skin::kIndeterminate},
        {BM_SETSTATE, TRUE, skin::kPressed, 0},
        {BM_SETSTATE, FALSE, 0, skin::kPressed},
        {BM_SETSTYLE, BS_DEFPUSHBUTTON, skin::kDefault, 0},
        {BM_SETSTYLE, BS_PUSHBUTTON, 0, skin::kDefault},
        {WM_ENABLE, FALSE, skin::kDisabled, 0},
        {WM_ENABLE, TRUE, 0, skin::kDisabled},
        {WM_SETFOCUS, 0, skin::kFocused, 0},
        {WM_KILLFOCUS, 0, 0, skin::kFocused},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const int before = seen(row.message);
        SendMessageA(button, row.message, row.wParam, 0);
        EXPECT_EQ(seen(row.message) - before, 1);
        EXPECT_EQ(stateOf(button) & row.set, row.set);
        EXPECT_EQ(stateOf(button) & row.clear, 0u);
    }
}

TEST_F(StateTest, ButtonPaintsItselfWithoutItsOwnProcedure) {
    HWND button = recorded("Button", BS_PUSHBUTTON);
    repaint(button);
    SetWindowTextA(button, "new");
    repaint(button);
    EXPECT_EQ(seen(WM_PAINT), 0);
    EXPECT_EQ(seen(WM_SETTEXT), 0);
    EXPECT_EQ(seen(WM_ERASEBKGND) > 0, true); // erasing is the button's own
    char text[8] = {};
    GetWindowTextA(button, text, sizeof text);
    EXPECT_STREQ(text, "new");
}

TEST_F(StateTest, UpDownAnswersEraseItselfAndGivesThePressToItsOwnProcedure) {
    HWND upDown = recorded("msctls_updown32", 0, 16, 32);
    HDC dc = GetDC(upDown);
    EXPECT_EQ(SendMessageA(upDown, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    ReleaseDC(upDown, dc);
    repaint(upDown);
    EXPECT_EQ(seen(WM_ERASEBKGND), 0);
    EXPECT_EQ(seen(WM_PAINT), 0);

    SendMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 4));
    SendMessageA(upDown, WM_LBUTTONUP, 0, MAKELPARAM(8, 4));
    EXPECT_EQ(seen(WM_LBUTTONDOWN), 1);
    EXPECT_EQ(seen(WM_LBUTTONUP), 1);
    EXPECT_FALSE(stateOf(upDown) & skin::kPressed); // its press is never the engine's

    // Halves: crossing the middle repaints, staying in a half does not.
    struct Move {
        int y;
        bool firstHalf;
    } moves[] = {{3, true}, {10, true}, {16, true}, {17, false}, {30, false}, {2, true}};
    for (const Move& move : moves) {
        SendMessageA(upDown, WM_MOUSEMOVE, 0, MAKELPARAM(8, move.y));
        EXPECT_EQ((stateOf(upDown) & skin::kFirstHalf) != 0, move.firstHalf) << move.y;
    }
}

TEST_F(StateTest, EditKeepsTheReadOnlyLookReadAtAttach) {
    HWND edit = recorded("Edit", 0, 80, 20, WS_EX_CLIENTEDGE);
    SendMessageA(edit, EM_SETREADONLY, TRUE, 0);
    EXPECT_EQ(seen(EM_SETREADONLY), 1);
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(stateOf(edit) & skin::kReadOnly);
    repaint(edit);
    EXPECT_EQ(pixel(edit, 1, 10), GetSysColor(COLOR_WINDOW));

    // Hover from the frame: painted once on entering, passed on after.
    SendMessageA(edit, WM_NCMOUSEMOVE, HTBORDER, 0);
    EXPECT_TRUE(stateOf(edit) & skin::kHot);
    EXPECT_EQ(seen(WM_NCMOUSEMOVE), 0);
    SendMessageA(edit, WM_NCMOUSEMOVE, HTBORDER, 0);
    EXPECT_EQ(seen(WM_NCMOUSEMOVE), 1);
}

TEST_F(StateTest, DestroyReachesTheOwnProcedureAndFreesTheRecord) {
    HWND button = recorded("Button", BS_PUSHBUTTON);
    DestroyWindow(button);
    EXPECT_EQ(seen(WM_DESTROY), 1);
    EXPECT_EQ(seen(WM_NCDESTROY), 1); // the own procedure was given back first
    EXPECT_EQ(skin::findSkinRecord(button), nullptr);
}

// A click handler of the parent that destroys the control while the engine
// is inside the control's own procedure.
LRESULT CALLBACK destroyingParent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_SETFOCUS)
        DestroyWindow(reinterpret_cast<HWND>(lParam));
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(StateTest, AControlDestroyedInsideItsOwnProcedureIsNotPaintedAfterwards) {
    HWND button = newControl(host_, "Button", "gone", BS_PUSHBUTTON | BS_NOTIFY, 10, 10, 80, 24);
    SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&destroyingParent));
    ASSERT_NE(skin::findSkinRecord(button), nullptr);
    SendMessageA(button, WM_SETFOCUS, 0, 0); // own procedure notifies, parent destroys
    EXPECT_FALSE(IsWindow(button));
    EXPECT_EQ(skin::findSkinRecord(button), nullptr);
    SetWindowLongPtrA(host_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
}

} // namespace
