// The base window class: binding and unbinding, the window registry, and the
// everyday window operations on real windows.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "runtime/values.h"
#include "tests/support/box_answerer_win32.h"
#include "tests/window/recorder.h"
#include "window/int_hash_table.h"
#include "window/window.h"

namespace {

using wt::Log;
using wt::RecordingWindow;
namespace h = wt::handlers;

std::string hex(const void* p) {
    return std::to_string(reinterpret_cast<std::intptr_t>(p));
}

WNDPROC procOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

class Binding : public ::testing::Test {
  protected:
    void SetUp() override {
        wt::startLibrary();
        window = wt::newPlainWindow();
        ASSERT_NE(window, nullptr);
        original = procOf(window);
        wt::watched() = {WM_LBUTTONDOWN};
    }
    void TearDown() override {
        if (IsWindow(window)) DestroyWindow(window);
        for (RecordingWindow* o : objects) {
            o->release();
            rt::free(o);
        }
    }
    RecordingWindow* newObject(const char* tag) {
        auto* o = win::newWindowObject<RecordingWindow>();
        o->tag = tag;
        objects.push_back(o);
        return o;
    }
    // Who a click on the window reaches.
    Log click() {
        wt::log().clear();
        SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
        return wt::log();
    }
    std::string clickedBy(const char* tag) const {
        return std::string(tag) + ".onLeftButtonDown(" + hex(window) + ",0)";
    }

    HWND window = nullptr;
    WNDPROC original = nullptr;
    std::vector<RecordingWindow*> objects;
};

TEST_F(Binding, AttachRegistersAndSubclassesOnce) {
    RecordingWindow* a = newObject("a");
    EXPECT_EQ(a->attachWindow(window), window);
    EXPECT_EQ(a->handle(), window);
    EXPECT_EQ(procOf(window), &win::libraryWindowProc);
    EXPECT_EQ(a->previousProc(), original);
    EXPECT_EQ(win::findWindowObject(window), a);
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));

    // Bound objects refuse a second binding and keep the first.
    HWND other = wt::newPlainWindow();
    EXPECT_EQ(a->attachWindow(other), nullptr);
    EXPECT_EQ(a->handle(), window);
    EXPECT_EQ(procOf(other), original);
    DestroyWindow(other);

    RecordingWindow* b = newObject("b");
    EXPECT_EQ(b->attachWindow(reinterpret_cast<HWND>(0x12345678)), nullptr);
    EXPECT_EQ(b->handle(), nullptr);
}

TEST_F(Binding, SecondObjectOnABoundWindowGetsNoMessages) {
    RecordingWindow* a = newObject("a");
    RecordingWindow* b = newObject("b");
    a->attachWindow(window);
    EXPECT_EQ(b->attachWindow(window), window);
    EXPECT_EQ(b->handle(), window);
    EXPECT_EQ(b->previousProc(), nullptr) << "the window was subclassed once only";
    EXPECT_EQ(a->previousProc(), original);
    EXPECT_EQ(win::findWindowObject(window), a) << "the pair entered first";
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));
}

TEST_F(Binding, DetachRestoresTheProcedureAndRebindingSubclassesAfresh) {
    RecordingWindow* a = newObject("a");
    a->attachWindow(window);
    a->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    EXPECT_EQ(click(), (Log{clickedBy("a"), "leftDown(0,0,0)", "prev(WM_LBUTTONDOWN)"}));

    a->detach();
    EXPECT_EQ(a->handle(), nullptr);
    EXPECT_EQ(a->previousProc(), nullptr);
    EXPECT_EQ(procOf(window), original);
    EXPECT_EQ(win::findWindowObject(window), nullptr);
    EXPECT_EQ(click(), (Log{"prev(WM_LBUTTONDOWN)"}));

    EXPECT_EQ(a->attachWindow(window), window);
    EXPECT_EQ(procOf(window), &win::libraryWindowProc);
    EXPECT_EQ(a->previousProc(), original);
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}))
        << "the handlers went with the first binding";
}

// A handle the registry still maps to an object that let go of its window
// must not lead there: the next object bound to that handle gets its
// messages. (The same happens when Windows gives a destroyed window's handle
// to a new window.)
TEST_F(Binding, NextObjectOnAHandleGetsItsMessagesAfterTheFirstLetGo) {
    RecordingWindow* a = newObject("a");
    RecordingWindow* b = newObject("b");
    a->attachWindow(window);
    a->detach();
    EXPECT_EQ(b->attachWindow(window), window);
    EXPECT_EQ(b->previousProc(), original);
    EXPECT_EQ(win::findWindowObject(window), b);
    EXPECT_EQ(click(), (Log{clickedBy("b"), "prev(WM_LBUTTONDOWN)"}));
}

// A subclasser that installs itself above the library after the binding, as
// the skin engine does when it is switched on again: it logs the messages
// it sees and passes them on; at the window's end it notes whether the
// library left any state behind on the window.
WNDPROC gBelowUpper = nullptr;
LRESULT CALLBACK upperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN || message == WM_NCDESTROY)
        wt::record("upper(" + wt::messageName(message) + ")");
    LRESULT result = CallWindowProcA(gBelowUpper, window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        wt::record(GetPropA(window, win::kProcedureBelowProperty) ? "state left" : "state gone");
    return result;
}

TEST_F(Binding, UnbindingUnderALaterSubclasserKeepsTheChainWhole) {
    // Whether an object is still bound when the window ends.
    for (bool boundAtTheEnd : {false, true}) {
        SCOPED_TRACE(boundAtTheEnd ? "bound at the end" : "unbound at the end");
        if (!IsWindow(window)) window = wt::newPlainWindow();
        wt::watched() = {WM_LBUTTONDOWN};
        RecordingWindow* a = newObject("a");
        a->attachWindow(window);
        gBelowUpper = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&upperProc)));
        ASSERT_EQ(gBelowUpper, &win::libraryWindowProc);
        EXPECT_EQ(click(), (Log{"upper(WM_LBUTTONDOWN)", clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));

        // Putting the old procedure back now would cut the subclasser out.
        a->detach();
        EXPECT_EQ(procOf(window), &upperProc);
        EXPECT_EQ(win::findWindowObject(window), nullptr);
        EXPECT_EQ(click(), (Log{"upper(WM_LBUTTONDOWN)", "prev(WM_LBUTTONDOWN)"}));

        // A new binding takes up the library's place in the chain instead of
        // adding a second one.
        RecordingWindow* b = newObject("b");
        EXPECT_EQ(b->attachWindow(window), window);
        EXPECT_EQ(procOf(window), &upperProc);
        EXPECT_EQ(b->previousProc(), original);
        EXPECT_EQ(click(), (Log{"upper(WM_LBUTTONDOWN)", clickedBy("b"), "prev(WM_LBUTTONDOWN)"}));
        if (!boundAtTheEnd) b->detach();

        wt::watched() = {WM_NCDESTROY};
        wt::log().clear();
        const std::string me = hex(window);
        DestroyWindow(window);
        Log expected{"upper(WM_NCDESTROY)"};
        if (boundAtTheEnd) {
            expected.push_back("b.onWindowDestroyed(" + me + ")");
            expected.push_back("b.onDestroy(" + me + ")");
        }
        expected.push_back("prev(WM_NCDESTROY)");
        expected.push_back("state gone");
        EXPECT_EQ(wt::log(), expected);
    }
}

// The object bound second has no procedure of its own; once the first lets
// go under a later subclasser, the window's own still sees every message.
TEST_F(Binding, SecondBindingPassesDownWhatTheFirstLeftUnderALaterSubclasser) {
    RecordingWindow* a = newObject("a");
    RecordingWindow* b = newObject("b");
    a->attachWindow(window);
    b->attachWindow(window);
    gBelowUpper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&upperProc)));
    a->detach();
    EXPECT_EQ(click(), (Log{"upper(WM_LBUTTONDOWN)", clickedBy("b"), "prev(WM_LBUTTONDOWN)"}));

    wt::watched() = {WM_NCDESTROY};
    wt::log().clear();
    const std::string me = hex(window);
    DestroyWindow(window);
    EXPECT_EQ(wt::log(), (Log{"upper(WM_NCDESTROY)", "b.onWindowDestroyed(" + me + ")",
                              "b.onDestroy(" + me + ")", "prev(WM_NCDESTROY)", "state gone"}));
}

// Once the later subclasser takes itself off again, the library's procedure
// is back on top with no object: it still passes everything down.
TEST_F(Binding, LibraryProcedureLeftOnTopStillPassesMessagesDown) {
    RecordingWindow* a = newObject("a");
    a->attachWindow(window);
    gBelowUpper = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&upperProc)));
    a->detach();
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gBelowUpper));
    EXPECT_EQ(procOf(window), &win::libraryWindowProc);
    EXPECT_EQ(click(), (Log{"prev(WM_LBUTTONDOWN)"}));
    // Binding again reuses it with the procedure below it, once.
    EXPECT_EQ(a->attachWindow(window), window);
    EXPECT_EQ(a->previousProc(), original);
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));
    a->detach();
    EXPECT_EQ(procOf(window), original);
    EXPECT_EQ(GetPropA(window, win::kProcedureBelowProperty), nullptr);
}

TEST_F(Binding, UnbindingForgetsOnlyItsOwnPair) {
    RecordingWindow* a = newObject("a");
    RecordingWindow* b = newObject("b");
    a->attachWindow(window);
    b->attachWindow(window);
    std::int32_t before = win::windowRegistry()->count();
    b->detach();
    EXPECT_EQ(win::windowRegistry()->count(), before - 1);
    EXPECT_EQ(win::findWindowObject(window), a);
    EXPECT_EQ(procOf(window), &win::libraryWindowProc) << "b had nothing to put back";
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));
}

TEST_F(Binding, DestroyedWindowLeavesNoPairBehind) {
    RecordingWindow* a = newObject("a");
    a->attachWindow(window);
    std::int32_t before = win::windowRegistry()->count();
    DestroyWindow(window);
    EXPECT_EQ(win::windowRegistry()->count(), before - 1);
    EXPECT_EQ(win::windowRegistry()->lookup(reinterpret_cast<IntHashTable::Key>(window)), 0u);
    // The object can be bound anew.
    window = wt::newPlainWindow();
    EXPECT_EQ(a->attachWindow(window), window);
    EXPECT_EQ(click(), (Log{clickedBy("a"), "prev(WM_LBUTTONDOWN)"}));
}

TEST_F(Binding, ReleaseOfABoundObjectUnbindsIt) {
    auto* a = win::newWindowObject<RecordingWindow>();
    a->tag = "a";
    a->attachWindow(window);
    wt::log().clear();
    a->release();
    EXPECT_EQ(wt::log(), (Log{"a.onWindowDestroyed(" + hex(window) + ")",
                              "a.onDestroy(" + hex(window) + ")"}));
    rt::free(a);
    EXPECT_EQ(procOf(window), original);
    EXPECT_EQ(win::findWindowObject(window), nullptr);
    EXPECT_TRUE(IsWindow(window)) << "release leaves the window itself alone";
}

TEST_F(Binding, ReleaseGivesBackWhatAnUnboundObjectHolds) {
    RecordingWindow* a = newObject("a");
    HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HCURSOR cursor = CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
    a->setFont(font);
    a->cursor(cursor);
    a->release();
    EXPECT_EQ(GetObjectType(font), 0u);
    EXPECT_FALSE(DestroyCursor(cursor)) << "destroyed by release";
    EXPECT_EQ(a->heldFont(), nullptr);
    EXPECT_EQ(a->heldCursor(), nullptr);
}

TEST_F(Binding, CreateWindowBindsWithClipSiblingsAndTheGuiFont) {
    RecordingWindow* a = newObject("a");
    HWND made = a->createWindow(window, 0, "TsPlain", "made", WS_CHILD, 1, 2, 30, 40,
                                reinterpret_cast<HMENU>(77), nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(a->handle(), made);
    EXPECT_EQ(GetParent(made), window);
    EXPECT_TRUE(GetWindowLongA(made, GWL_STYLE) & WS_CLIPSIBLINGS);
    EXPECT_EQ(a->id(), 77);
    EXPECT_EQ(procOf(made), &win::libraryWindowProc);
    EXPECT_EQ(win::findWindowObject(made), a);
    EXPECT_EQ(
        a->createWindow(window, 0, "TsPlain", "again", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr),
        nullptr);

    RecordingWindow* b = newObject("b");
    EXPECT_EQ(
        b->createWindow(nullptr, 0, "NoSuchClassAnywhere", "x", 0, 0, 0, 1, 1, nullptr, nullptr),
        nullptr);
    EXPECT_EQ(b->handle(), nullptr);
}

TEST_F(Binding, CreatedWindowGetsTheDefaultGuiFont) {
    RecordingWindow* a = newObject("a");
    HWND edit = a->createWindow(window, 0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(a->font(), GetStockObject(DEFAULT_GUI_FONT));
}

TEST_F(Binding, AttachDialogItemByIdWithOrWithoutTheFont) {
    HWND item = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, window,
                                reinterpret_cast<HMENU>(1002), nullptr, nullptr);
    HWND bare = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, window,
                                reinterpret_cast<HMENU>(1003), nullptr, nullptr);
    RecordingWindow* a = newObject("a");
    RecordingWindow* b = newObject("b");
    RecordingWindow* c = newObject("c");
    EXPECT_EQ(a->attachDialogItem(window, 1002, true), item);
    EXPECT_EQ(procOf(item), &win::libraryWindowProc);
    EXPECT_EQ(win::findWindowObject(item), a);
    EXPECT_EQ(a->font(), GetStockObject(DEFAULT_GUI_FONT));
    EXPECT_EQ(b->attachDialogItem(window, 1003, false), bare);
    EXPECT_EQ(b->font(), nullptr);
    EXPECT_EQ(c->attachDialogItem(window, 999, true), nullptr);
    EXPECT_EQ(c->handle(), nullptr);
    EXPECT_EQ(a->attachDialogItem(window, 1003, true), nullptr) << "already bound";
    EXPECT_EQ(a->handle(), item);
}

TEST_F(Binding, SetHandleOnlyStoresTheHandle) {
    RecordingWindow* a = newObject("a");
    a->setHandle(window);
    EXPECT_EQ(a->handle(), window);
    EXPECT_EQ(procOf(window), original);
    EXPECT_EQ(win::findWindowObject(window), nullptr);
    EXPECT_EQ(a->attachWindow(window), nullptr) << "counts as bound";
    a->setHandle(nullptr);
}

// --- everyday operations -------------------------------------------------------------

class Operations : public Binding {
  protected:
    void SetUp() override {
        Binding::SetUp();
        object = newObject("o");
        ASSERT_EQ(object->attachWindow(window), window);
    }
    RecordingWindow* object = nullptr;
};

TEST_F(Operations, PositionOfATopLevelWindowIsOnTheScreen) {
    MoveWindow(window, 30, 40, 200, 120, FALSE);
    EXPECT_EQ(object->left(), 30);
    EXPECT_EQ(object->top(), 40);
    EXPECT_EQ(object->width(), 200) << "outer width";
    EXPECT_EQ(object->height(), 120);
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_LT(client.right, 200) << "the plain window has a frame";

    EXPECT_TRUE(object->left(50));
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 200);
    EXPECT_TRUE(object->move({}, {}, 150, {}));
    GetWindowRect(window, &r);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 40);
    EXPECT_EQ(r.right - r.left, 150);
    EXPECT_EQ(r.bottom - r.top, 120);
    win::RectRecord* record = object->rectInParent();
    EXPECT_EQ(record->left, 50);
    EXPECT_EQ(record->bottom, 160);
    rt::free(record);
}

TEST_F(Operations, PositionOfAChildIsInItsParentsClientArea) {
    MoveWindow(window, 100, 100, 300, 200, FALSE);
    HWND child = wt::newPlainWindow(window, 5);
    RecordingWindow* c = newObject("c");
    c->attachWindow(child);
    MoveWindow(child, 12, 14, 60, 30, FALSE);
    EXPECT_EQ(c->left(), 12);
    EXPECT_EQ(c->top(), 14);
    EXPECT_EQ(c->width(), 60);
    EXPECT_TRUE(c->top(20));
    EXPECT_EQ(c->top(), 20);
    EXPECT_EQ(c->left(), 12);
    EXPECT_TRUE(c->height(44));
    EXPECT_EQ(c->height(), 44);
    EXPECT_EQ(c->width(), 60);
}

TEST_F(Operations, OwnedTopLevelWindowIsPlacedOnTheScreenNotInItsOwner) {
    MoveWindow(window, 200, 150, 300, 200, FALSE);
    HWND owned = CreateWindowExA(0, "TsPlain", "owned", WS_POPUP | WS_CAPTION, 60, 70, 100, 80,
                                 window, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(GetParent(owned), window) << "GetParent names the owner";
    RecordingWindow* o = newObject("owned");
    o->attachWindow(owned);
    EXPECT_EQ(o->left(), 60);
    EXPECT_EQ(o->top(), 70);
    EXPECT_TRUE(o->width(120));
    RECT r{};
    GetWindowRect(owned, &r);
    EXPECT_EQ(r.left, 60) << "resizing does not move it";
    EXPECT_EQ(r.top, 70);
    DestroyWindow(owned);
}

TEST_F(Operations, ZOrderPlacesAfterTheNamedPositionAndOthersCountAsTop) {
    wt::watched() = {WM_WINDOWPOSCHANGING};
    const std::intptr_t keep = SWP_NOMOVE | SWP_NOSIZE;
    struct Row {
        std::optional<int> position;
        HWND after;
    } rows[] = {{{}, HWND_TOP},    {0, HWND_TOP},       {1, HWND_TOP}, {2, HWND_BOTTOM},
                {3, HWND_TOPMOST}, {4, HWND_NOTOPMOST}, {5, HWND_TOP}, {-1, HWND_TOP}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position.value_or(-100));
        wt::log().clear();
        EXPECT_TRUE(object->zOrder(row.position));
        ASSERT_FALSE(wt::log().empty());
        EXPECT_EQ(wt::log().front(), wt::call("prev(WM_WINDOWPOSCHANGING)",
                                              {reinterpret_cast<std::intptr_t>(row.after), keep}));
    }
    EXPECT_TRUE(object->zOrder(3));
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(object->zOrder(4));
    EXPECT_FALSE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Operations, VisibleAndDisabledReportTheStateBefore) {
    EXPECT_FALSE(object->visible());
    EXPECT_FALSE(object->visible(true)) << "was hidden";
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(object->visible(false)) << "was shown";
    EXPECT_FALSE(IsWindowVisible(window));

    EXPECT_FALSE(object->disabled());
    EXPECT_FALSE(object->disabled(true)) << "was enabled";
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_TRUE(object->disabled());
    EXPECT_TRUE(object->disabled(false)) << "was disabled";
    EXPECT_TRUE(IsWindowEnabled(window));
}

TEST_F(Operations, StyleChangesReturnTheOldStyleAndRefreshTheFrame) {
    wt::watched() = {WM_NCCALCSIZE};
    LONG before = object->style();
    wt::log().clear();
    EXPECT_EQ(object->addStyle(WS_BORDER), before);
    EXPECT_EQ(object->style(), before | WS_BORDER);
    EXPECT_FALSE(wt::log().empty()) << "SWP_FRAMECHANGED makes Windows recalculate the frame";
    EXPECT_EQ(object->removeStyle(WS_BORDER), before | WS_BORDER);
    EXPECT_EQ(object->style(), before & ~WS_BORDER);

    LONG ex = object->exStyle();
    EXPECT_EQ(object->addExStyle(WS_EX_TOOLWINDOW), ex);
    EXPECT_TRUE(object->exStyle() & WS_EX_TOOLWINDOW);
    EXPECT_EQ(object->removeExStyle(WS_EX_TOOLWINDOW) & WS_EX_TOOLWINDOW, WS_EX_TOOLWINDOW);
    EXPECT_FALSE(object->exStyle() & WS_EX_TOOLWINDOW);
}

TEST_F(Operations, TextClassNameIdAndProperties) {
    EXPECT_TRUE(object->setText("文本分割"));
    rt::TextValue text(object->getText());
    EXPECT_STREQ(text.c_str(), "文本分割") << "code page bytes both ways";
    EXPECT_TRUE(object->setText(nullptr));
    rt::TextValue empty(object->getText());
    EXPECT_STREQ(empty.c_str(), "");
    rt::TextValue name(object->className());
    EXPECT_STREQ(name.c_str(), "TsPlain");

    EXPECT_TRUE(object->setProperty("Ts.Prop", reinterpret_cast<HANDLE>(0x1234)));
    EXPECT_EQ(object->getProperty("Ts.Prop"), reinterpret_cast<HANDLE>(0x1234));
    EXPECT_TRUE(object->removeProperty("Ts.Prop"));
    EXPECT_FALSE(object->removeProperty("Ts.Prop"));
    EXPECT_EQ(object->getProperty("Ts.Prop"), nullptr);

    EXPECT_TRUE(object->exists());
    HWND child = wt::newPlainWindow(window, 321);
    RecordingWindow* c = newObject("c");
    c->attachWindow(child);
    EXPECT_EQ(c->id(), 321);
    EXPECT_EQ(c->parent(), window);
    DestroyWindow(child);
    EXPECT_FALSE(c->exists()) << "nor is it bound any more";
    EXPECT_EQ(c->handle(), nullptr);
}

TEST_F(Operations, RectanglesAndInvalidation) {
    win::RectRecord* client = object->clientRect();
    RECT expected{};
    GetClientRect(window, &expected);
    EXPECT_EQ(client->right, expected.right);
    EXPECT_EQ(client->bottom, expected.bottom);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    win::RectRecord part{2, 3, 10, 12};
    EXPECT_TRUE(object->invalidateRect(&part));
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.left, 2);
    EXPECT_EQ(update.bottom, 12);
    EXPECT_TRUE(object->validate());
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    EXPECT_TRUE(object->invalidate());
    EXPECT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(update.right, expected.right);
    EXPECT_TRUE(object->update());
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE));
    rt::free(client);
}

TEST_F(Operations, RedrawFreezeAndResumeSendSetRedraw) {
    wt::watched() = {WM_SETREDRAW};
    wt::wParamShown() = {WM_SETREDRAW};
    wt::log().clear();
    object->freezeRedraw();
    object->resumeRedraw();
    EXPECT_EQ(wt::log(), (Log{"prev(WM_SETREDRAW,0)", "prev(WM_SETREDRAW,1)"}));
}

TEST_F(Operations, MessagesAndClose) {
    wt::watched() = {WM_USER + 1, WM_CLOSE};
    wt::log().clear();
    EXPECT_EQ(object->sendMessage(WM_USER + 1, 0, 0), wt::prevResult());
    EXPECT_TRUE(object->postMessage(WM_USER + 1, 0, 0));
    EXPECT_EQ(wt::log().size(), 1u) << "posted, not yet delivered";
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    EXPECT_EQ(wt::log().size(), 2u);
    object->close();
    EXPECT_EQ(wt::log().back(), "prev(WM_CLOSE)");
}

TEST_F(Operations, CursorAndFontReplacedOnesAreDestroyed) {
    HCURSOR first = CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)));
    HCURSOR second = CopyCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)));
    EXPECT_EQ(object->cursor(), nullptr);
    EXPECT_EQ(object->cursor(first), first);
    EXPECT_EQ(object->cursor(first), first) << "the same cursor again is kept";
    EXPECT_TRUE(CopyCursor(first) != nullptr) << "still alive";
    EXPECT_EQ(object->cursor(second), second);
    EXPECT_FALSE(DestroyCursor(first)) << "the replaced cursor was destroyed";
    EXPECT_EQ(object->cursor(), second);

    HFONT a = CreateFontA(12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    HFONT b = CreateFontA(14, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    wt::watched() = {WM_SETFONT};
    object->setFont(a);
    object->setFont(b);
    EXPECT_EQ(GetObjectType(a), 0u);
    EXPECT_EQ(GetObjectType(b), static_cast<DWORD>(OBJ_FONT));
    object->detach();
    EXPECT_EQ(GetObjectType(b), 0u);
    EXPECT_FALSE(DestroyCursor(second));
}

TEST_F(Operations, ClassIconAndCursorAddressTheClass) {
    HWND other = wt::newPlainWindow();
    HICON small = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516)));
    HICON large = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));
    HICON oldSmall = object->classIcon();
    HICON oldLarge = object->classIcon({}, true);
    EXPECT_EQ(object->classIcon(small), oldSmall) << "large omitted: the small icon";
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(other, GCLP_HICONSM)), small)
        << "a property of the class";
    EXPECT_EQ(object->classIcon(large, true), oldLarge);
    EXPECT_EQ(object->classIcon({}, true), large);
    EXPECT_EQ(object->classIcon(), small);
    object->classIcon(oldSmall);
    object->classIcon(oldLarge, true);

    HCURSOR arrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    HCURSOR cross = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));
    EXPECT_EQ(object->classCursor(cross), arrow);
    EXPECT_EQ(object->classCursor(), cross);
    EXPECT_EQ(object->classCursor(arrow), cross);
    DestroyWindow(other);
    DestroyIcon(small);
    DestroyIcon(large);
}

TEST_F(Operations, FocusFollowsSetFocus) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window, nullptr,
                                nullptr, nullptr);
    RecordingWindow* e = newObject("e");
    e->attachWindow(edit);
    SetFocus(window);
    if (GetFocus() != window) GTEST_SKIP() << "another program holds the focus of the desktop";
    EXPECT_EQ(e->setFocus(), window);
    EXPECT_TRUE(e->hasFocus());
    EXPECT_FALSE(object->hasFocus());
}

TEST_F(Operations, MessageBoxAnswersWithTheButtonCodeMinusOne) {
    testsupport::BoxAnswerer cancel("信息：", IDCANCEL);
    EXPECT_EQ(object->messageBox("question", MB_OKCANCEL), IDCANCEL - 1);
    testsupport::SeenBox seen = cancel.wait();
    EXPECT_TRUE(seen.found) << "titled 信息： when the title is omitted";
    EXPECT_EQ(seen.text, "question");

    testsupport::BoxAnswerer ok("Own title", IDOK);
    EXPECT_EQ(object->messageBox("done", MB_OK, "Own title"), 0);
    EXPECT_TRUE(ok.wait().found);
}

TEST_F(Operations, CloneIsAByteCopyOfTheObject) {
    object->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    win::Window* copy = object->clone();
    EXPECT_EQ(copy->handle(), window);
    EXPECT_EQ(std::memcmp(static_cast<const void*>(copy), static_cast<const void*>(object),
                          sizeof(win::Window)),
              0);
    // The copy is not bound in the registry; it only shares the handle.
    EXPECT_EQ(win::findWindowObject(window), object);
    rt::free(copy); // no release: the original owns the binding
}

} // namespace
