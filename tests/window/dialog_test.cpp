// Dialog: modal and modeless dialogs from templates, the hidden taskbar
// owner, window-level events, the library's own top-level windows and the
// dialog-item accessors. Nothing waits for a person: modal dialogs are
// closed by messages their init handler posts.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "runtime/values.h"
#include "tests/window/recorder.h"
#include "window/dialog.h"

namespace {

using wt::Log;
using wt::OpenDialog;
namespace h = wt::handlers;

const char* const kPlain = MAKEINTRESOURCEA(100);
const char* const kOwnClass = MAKEINTRESOURCEA(101);

std::string hex(const void* p) {
    return std::to_string(reinterpret_cast<std::intptr_t>(p));
}

// The entries of the log whose name is one of names, in order.
Log only(std::initializer_list<const char*> names) {
    Log kept;
    for (const std::string& entry : wt::log())
        for (const char* name : names)
            if (entry.rfind(std::string(name) + "(", 0) == 0) kept.push_back(entry);
    return kept;
}

// Hidden owners made so far by this thread.
int hiddenOwners() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM counter) CALLBACK -> BOOL {
            char cls[32] = {}, caption[32] = {};
            GetClassNameA(w, cls, sizeof cls);
            GetWindowTextA(w, caption, sizeof caption);
            if (!lstrcmpA(cls, "WTWindow") && !lstrcmpA(caption, "ShowTaskbar"))
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Ends a modal dialog that a failing test left open.
void CALLBACK endStuckDialog(HWND window, UINT, UINT_PTR, DWORD) {
    EndDialog(window, -2);
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override { wt::startLibrary(); }
    void TearDown() override {
        for (win::Window* o : objects) {
            if (HWND w = o->handle(); w && IsWindow(w)) DestroyWindow(w);
            o->release();
            rt::free(o);
        }
    }
    template <class T = OpenDialog> T* make() {
        T* o = win::newWindowObject<T>();
        objects.push_back(o);
        return o;
    }
    std::vector<win::Window*> objects;
};

// --- the modal run -------------------------------------------------------------------

TEST_F(DialogTest, ModalDialogBindsAtInitReportsItsFirstSizeAndEndsThroughItsCloseHandler) {
    OpenDialog* dialog = make();
    auto* button = make<wt::RecordingWindow>();
    button->tag = "button";
    HWND window = nullptr, item = nullptr;
    RECT client{};
    int closes = 0;

    wt::actions()["init"] = [&] {
        window = h::initWindow();
        SetTimer(window, 1, 15000, endStuckDialog);
        // Bound before the init handler runs: it can bind items and
        // install handlers.
        EXPECT_EQ(win::findWindowObject(window), dialog);
        EXPECT_EQ(dialog->handle(), window);
        item = GetDlgItem(window, 10);
        ASSERT_EQ(button->attachDialogItem(window, 10, true), item);
        dialog->setSizeHandler(wt::handler(&h::sized));
        dialog->setCloseHandler(wt::handler(&h::close));
        dialog->setDestroyHandler(wt::handler(&h::destroy));
        dialog->setMenuCommandHandler(wt::handler(&h::menuCommand));
        dialog->setFirstActivateHandler(wt::handler(&h::firstActivate));
        dialog->setActivateHandler(wt::handler(&h::activate));
        dialog->setModalResult(42);
        GetClientRect(window, &client);
        PostMessageA(GetDlgItem(window, 10), BM_CLICK, 0, 0);
        PostMessageA(window, WM_CLOSE, 0, 0); // refused
        PostMessageA(window, WM_CLOSE, 0, 0); // accepted
    };
    // The first close is refused, the second lets the dialog end.
    wt::actions()["close"] = [&] { wt::results()["close"] = ++closes == 1 ? 1 : 0; };

    EXPECT_EQ(dialog->showModal({}, kPlain, wt::handler(&h::init), nullptr), 42);

    ASSERT_NE(window, nullptr);
    EXPECT_EQ(only({"init", "sized", "button.onCommand", "close", "destroy", "menuCommand"}),
              (Log{"init()", wt::call("sized", {client.right, client.bottom}),
                   "button.onCommand(" + hex(window) + "," + hex(item) + ",0,10)", "close()",
                   "close()", "destroy()"}))
        << "a refused close never reaches the dialog manager (it would send IDCANCEL)";
    Log activations = only({"firstActivate", "activate"});
    if (!activations.empty()) { // the desktop may not hand out activation
        EXPECT_EQ(activations.front(), "firstActivate()");
    }
    EXPECT_LE(std::count(activations.begin(), activations.end(), "firstActivate()"), 1);

    // Destruction unbound the dialog and reset its settings.
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(dialog->handle(), nullptr);
    EXPECT_EQ(win::findWindowObject(window), nullptr);
    EXPECT_EQ(dialog->modalResult(), 0);
    EXPECT_FALSE(dialog->modal());
    EXPECT_EQ(dialog->initHandler(), nullptr);
    EXPECT_EQ(dialog->closeHandler(), nullptr);
    EXPECT_EQ(button->handle(), nullptr) << "its item went with it";
}

TEST_F(DialogTest, ModalResultIsZeroUnlessSet) {
    OpenDialog* dialog = make();
    wt::actions()["init"] = [] {
        SetTimer(h::initWindow(), 1, 15000, endStuckDialog);
        PostMessageA(h::initWindow(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(dialog->showModal({}, kPlain, wt::handler(&h::init), nullptr), 0);
    // A later show starts from a clean object and runs again.
    wt::log().clear();
    EXPECT_EQ(dialog->showModal({}, kPlain, wt::handler(&h::init), nullptr), 0);
    EXPECT_EQ(wt::log(), (Log{"init()"}));
}

TEST_F(DialogTest, MissingTemplateGivesMinusOneOrFalse) {
    OpenDialog* dialog = make();
    EXPECT_EQ(dialog->showModal({}, MAKEINTRESOURCEA(999), wt::handler(&h::init), nullptr), -1);
    EXPECT_FALSE(dialog->showModeless({}, MAKEINTRESOURCEA(999), wt::handler(&h::init), nullptr));
    EXPECT_TRUE(wt::log().empty());
    EXPECT_EQ(dialog->handle(), nullptr);
    // The object shows fine afterwards.
    EXPECT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    EXPECT_NE(dialog->handle(), nullptr);
}

TEST_F(DialogTest, BoundDialogRefusesToShowAgainButMakesTheAskedOwner) {
    OpenDialog* dialog = make();
    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    HWND first = dialog->handle();
    int owners = hiddenOwners();
    EXPECT_EQ(dialog->showModal({}, kPlain, wt::handler(&h::init), nullptr, false), 0);
    EXPECT_FALSE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    EXPECT_EQ(hiddenOwners(), owners + 1);
    EXPECT_EQ(dialog->handle(), first);
    EXPECT_TRUE(wt::log().empty());
}

// --- the hidden owner ------------------------------------------------------------------

TEST_F(DialogTest, OffTheTaskbarMeansAnInvisibleShowTaskbarOwnerPerShow) {
    int before = hiddenOwners();
    OpenDialog* a = make();
    ASSERT_TRUE(a->showModeless({}, kPlain, nullptr, nullptr, false));
    HWND owner = GetWindow(a->handle(), GW_OWNER);
    ASSERT_NE(owner, nullptr);
    char cls[32] = {}, caption[32] = {};
    GetClassNameA(owner, cls, sizeof cls);
    GetWindowTextA(owner, caption, sizeof caption);
    EXPECT_STREQ(cls, "WTWindow");
    EXPECT_STREQ(caption, "ShowTaskbar");
    EXPECT_FALSE(IsWindowVisible(owner));
    RECT r{};
    GetWindowRect(owner, &r);
    EXPECT_EQ(r.right - r.left, 250);
    EXPECT_EQ(r.bottom - r.top, 110);
    EXPECT_EQ(win::findWindowObject(owner), nullptr) << "not bound";
    EXPECT_EQ(hiddenOwners(), before + 1);

    OpenDialog* b = make();
    ASSERT_TRUE(b->showModeless({}, kPlain, nullptr, nullptr, false));
    EXPECT_NE(GetWindow(b->handle(), GW_OWNER), owner);
    EXPECT_EQ(hiddenOwners(), before + 2);

    // On the taskbar (flag omitted or true), or with a parent: no owner made.
    OpenDialog* c = make();
    ASSERT_TRUE(c->showModeless({}, kPlain, nullptr, nullptr));
    EXPECT_EQ(GetWindow(c->handle(), GW_OWNER), nullptr);
    OpenDialog* d = make();
    ASSERT_TRUE(d->showModeless(c->handle(), kPlain, nullptr, nullptr, false));
    EXPECT_EQ(GetWindow(d->handle(), GW_OWNER), c->handle());
    EXPECT_EQ(hiddenOwners(), before + 2);
}

TEST_F(DialogTest, ModalDialogOffTheTaskbarIsOwnedByTheHiddenWindow) {
    OpenDialog* dialog = make();
    HWND owner = nullptr;
    wt::actions()["init"] = [&] {
        SetTimer(h::initWindow(), 1, 15000, endStuckDialog);
        owner = GetWindow(h::initWindow(), GW_OWNER);
        PostMessageA(h::initWindow(), WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(dialog->showModal({}, kPlain, wt::handler(&h::init), nullptr, false), 0);
    ASSERT_NE(owner, nullptr);
    char caption[32] = {};
    GetWindowTextA(owner, caption, sizeof caption);
    EXPECT_STREQ(caption, "ShowTaskbar");
    EXPECT_TRUE(IsWindow(owner)) << "the library never destroys it";
    EXPECT_FALSE(IsWindowVisible(owner));
}

// --- creation details ------------------------------------------------------------------

TEST_F(DialogTest, WithoutInitHandlerNoFirstSizeIsSent) {
    OpenDialog* dialog = make();
    dialog->setSizeHandler(wt::handler(&h::sized));
    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    EXPECT_EQ(win::findWindowObject(dialog->handle()), dialog) << "bound all the same";
    EXPECT_TRUE(only({"sized"}).empty());
    EXPECT_EQ(dialog->backgroundColor(), GetSysColor(COLOR_BTNFACE));
    EXPECT_NE(dialog->brush(), nullptr);
}

TEST_F(DialogTest, TemplateNamingItsOwnClassGetsACopyOfTheDialogClass) {
    UnregisterClassA("TsOwnDialogClass", GetModuleHandleA(nullptr));
    OpenDialog* a = make();
    EXPECT_FALSE(a->showModeless({}, kOwnClass, nullptr, nullptr)) << "no such class yet";
    OpenDialog* b = make();
    ASSERT_TRUE(b->showModeless({}, kOwnClass, nullptr, "TsOwnDialogClass"));
    char cls[64] = {};
    GetClassNameA(b->handle(), cls, sizeof cls);
    EXPECT_STREQ(cls, "TsOwnDialogClass");
    EXPECT_EQ(win::findWindowObject(b->handle()), b);
    EXPECT_NE(GetWindowLongPtrA(b->handle(), DWLP_DLGPROC), 0) << "a dialog window";
    // A dialog manager's own behaviour: the item is there and answers.
    EXPECT_NE(b->getItemHandle(1), nullptr);
}

TEST_F(DialogTest, DialogMadeInsideAnotherOnesInitHandlerBindsToItself) {
    OpenDialog* outer = make();
    OpenDialog* inner = make();
    wt::actions()["init"] = [&] {
        wt::actions()["init"] = nullptr;
        EXPECT_TRUE(inner->showModeless({}, kPlain, nullptr, nullptr));
    };
    ASSERT_TRUE(outer->showModeless({}, kPlain, wt::handler(&h::init), nullptr));
    ASSERT_NE(inner->handle(), nullptr);
    EXPECT_NE(inner->handle(), outer->handle());
    EXPECT_EQ(win::findWindowObject(outer->handle()), outer);
    EXPECT_EQ(win::findWindowObject(inner->handle()), inner);
}

// --- window-level events --------------------------------------------------------------

class DialogEvents : public DialogTest {
  protected:
    void SetUp() override {
        DialogTest::SetUp();
        dialog = make();
        ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
        window = dialog->handle();
        dialog->setActivateHandler(wt::handler(&h::activate));
        dialog->setDeactivateHandler(wt::handler(&h::deactivate));
        dialog->setFirstActivateHandler(wt::handler(&h::firstActivate));
        dialog->setShowHandler(wt::handler(&h::shown));
        dialog->setHideHandler(wt::handler(&h::hidden));
        dialog->setMoveHandler(wt::handler(&h::moved));
        dialog->setSizeHandler(wt::handler(&h::sized));
        dialog->setDestroyHandler(wt::handler(&h::destroy));
        dialog->setMenuCommandHandler(wt::handler(&h::menuCommand));
        dialog->setTrayHandler(wt::handler(&h::tray));
        dialog->setHotkeyHandler(wt::handler(&h::hotkey));
        wt::log().clear();
    }
    LRESULT send(UINT message, WPARAM wParam, LPARAM lParam) {
        wt::log().clear();
        return SendMessageA(window, message, wParam, lParam);
    }
    OpenDialog* dialog = nullptr;
    HWND window = nullptr;
};

TEST_F(DialogEvents, FirstActivationCallsFirstActivateThenActivate) {
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(wt::log(), (Log{"firstActivate()", "activate()"}));
    send(WM_ACTIVATE, WA_CLICKACTIVE, 0);
    EXPECT_EQ(wt::log(), (Log{"activate()"}));
    send(WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(wt::log(), (Log{"deactivate()"}));
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(wt::log(), (Log{"activate()"}));

    // A new window for the object is activated for the first time again.
    DestroyWindow(window);
    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    window = dialog->handle();
    dialog->setActivateHandler(wt::handler(&h::activate));
    dialog->setFirstActivateHandler(wt::handler(&h::firstActivate));
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(wt::log(), (Log{"firstActivate()", "activate()"}));
}

TEST_F(DialogEvents, CaptionKeptActiveSkipsTheDeactivationDrawing) {
    EXPECT_FALSE(dialog->captionStaysActive());
    LRESULT normal = send(WM_NCACTIVATE, FALSE, 0);
    EXPECT_NE(normal, 0) << "default handling lets the caption go inactive";

    EXPECT_TRUE(dialog->captionStaysActive(true));
    EXPECT_TRUE(dialog->captionStaysActive());
    EXPECT_EQ(send(WM_NCACTIVATE, FALSE, 0), 0) << "the dialog procedure took it";
    EXPECT_NE(send(WM_NCACTIVATE, TRUE, 0), 0) << "activation still drawn as usual";

    EXPECT_TRUE(dialog->captionStaysActive(false));
    EXPECT_NE(send(WM_NCACTIVATE, FALSE, 0), 0);
}

TEST_F(DialogEvents, ShowHideMoveSizeAndDestroy) {
    ShowWindow(window, SW_SHOWNOACTIVATE);
    EXPECT_EQ(only({"shown", "hidden"}), (Log{"shown()"}));
    wt::log().clear();
    ShowWindow(window, SW_HIDE);
    EXPECT_EQ(only({"shown", "hidden"}), (Log{"hidden()"}));

    send(WM_MOVE, 0, MAKELPARAM(-4, -6));
    EXPECT_EQ(wt::log(), (Log{"moved(65532,-6)"}));
    send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(321, 123));
    EXPECT_EQ(wt::log(), (Log{"sized(321,123)"}));

    wt::log().clear();
    DestroyWindow(window);
    EXPECT_EQ(only({"destroy"}), (Log{"destroy()"}));
    EXPECT_EQ(dialog->handle(), nullptr);
}

TEST_F(DialogEvents, MenuAndAcceleratorCommandsButNotControlNotifications) {
    send(WM_COMMAND, MAKEWPARAM(40001, 0), 0);
    EXPECT_EQ(only({"menuCommand"}), (Log{"menuCommand(40001)"}));
    send(WM_COMMAND, MAKEWPARAM(40002, 1), 0);
    EXPECT_EQ(only({"menuCommand"}), (Log{"menuCommand(40002)"}));
    HWND button = GetDlgItem(window, 10);
    send(WM_COMMAND, MAKEWPARAM(10, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    EXPECT_TRUE(only({"menuCommand"}).empty());
    send(WM_COMMAND, MAKEWPARAM(11, EN_CHANGE), 0);
    EXPECT_TRUE(only({"menuCommand"}).empty()) << "code 0x300 is no menu";
}

TEST_F(DialogEvents, ItemsAddedToTheSystemMenuAreMenuCommandsTheSystemsOwnAreNot) {
    send(WM_SYSCOMMAND, 0x0110, MAKELPARAM(3, 4));
    EXPECT_EQ(only({"menuCommand"}), (Log{"menuCommand(272)"}));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    send(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(only({"menuCommand"}).empty());
    EXPECT_TRUE(IsIconic(window)) << "the system's command keeps its default handling";
}

TEST_F(DialogEvents, ContextMenuRequestsFromTheDialogItsItemsAndTheKeyboard) {
    dialog->setContextMenuHandler(wt::handler(&h::contextMenu));
    const std::string self = hex(window);
    // A right click on the dialog itself, as its default handling turns it
    // into a request with the point on the screen.
    POINT at{5, 6};
    ClientToScreen(window, &at);
    send(WM_RBUTTONUP, 0, MAKELPARAM(5, 6));
    EXPECT_EQ(only({"contextMenu"}), (Log{"contextMenu(" + std::to_string(at.x) + "," +
                                          std::to_string(at.y) + "," + self + ")"}));
    // One on a button: the button's default handling hands it to the dialog.
    HWND button = GetDlgItem(window, 10);
    wt::log().clear();
    SendMessageA(button, WM_RBUTTONUP, 0, MAKELPARAM(1, 1));
    ASSERT_EQ(only({"contextMenu"}).size(), 1u);
    EXPECT_NE(only({"contextMenu"})[0].find("," + hex(button) + ")"), std::string::npos);
    // From the keyboard, and left of the screen.
    send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
    EXPECT_EQ(only({"contextMenu"}), (Log{"contextMenu(-1,-1," + self + ")"}));
    send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(-20, 30));
    EXPECT_EQ(only({"contextMenu"}), (Log{"contextMenu(-20,30," + self + ")"}));

    DestroyWindow(window);
    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    window = dialog->handle();
    send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
    EXPECT_TRUE(wt::log().empty()) << "the handler went with the old window";
}

TEST_F(DialogEvents, TrayCallbackAndHotkeyReachTheirHandlers) {
    send(win::kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
    send(win::kTrayCallbackMessage, 1, WM_LBUTTONUP);
    EXPECT_EQ(wt::log(), (Log{"tray(0)"})) << "a release has no code of its own";
    send(win::kTrayCallbackMessage, 1, WM_RBUTTONDBLCLK);
    EXPECT_EQ(wt::log(), (Log{"tray(5)"}));
    send(win::kTrayCallbackMessage, 1, 0x405);
    EXPECT_EQ(wt::log(), (Log{"tray(10)"}));
    send(WM_HOTKEY, 3, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'K'));
    EXPECT_EQ(wt::log(), (Log{"hotkey(3,6,75)"}));
}

TEST_F(DialogEvents, DestructionReleasesTheBackgroundAndForgetsTheHandlers) {
    HBITMAP picture = CreateBitmap(2, 2, 1, 32, nullptr);
    dialog->backgroundPicture(picture, 2, false);
    HBRUSH brush = dialog->brush();
    ASSERT_NE(brush, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(picture), 0u);
    EXPECT_EQ(dialog->brush(), nullptr);
    EXPECT_EQ(dialog->picture(), nullptr);
    EXPECT_EQ(dialog->backgroundColor(), 0u);
    EXPECT_EQ(dialog->mode(), 2u) << "the picture mode keeps its value";
    EXPECT_FALSE(dialog->captionStaysActive());

    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    window = dialog->handle();
    send(WM_SIZE, 0, MAKELPARAM(5, 5));
    send(WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(wt::log().empty()) << "handlers went with the old window";
}

TEST_F(DialogEvents, ReleaseOfAnUnboundDialogDeletesItsBrush) {
    OpenDialog* idle = win::newWindowObject<OpenDialog>();
    idle->backgroundColor(RGB(1, 2, 3));
    HBRUSH brush = idle->brush();
    ASSERT_NE(brush, nullptr);
    idle->release();
    rt::free(idle);
    EXPECT_EQ(GetObjectType(brush), 0u);
}

TEST_F(DialogEvents, DragByClientAreaTurnsAPressIntoACaptionPress) {
    // A top-level window of the test class, whose procedure shows whether
    // the caption press came (the dialog manager would start moving).
    auto* top = make();
    HWND plain =
        top->createTopLevel(nullptr, "drag", WS_OVERLAPPEDWINDOW, 0, 0, 0, 100, 80, "TsPlain");
    ASSERT_NE(plain, nullptr);
    wt::watched() = {WM_LBUTTONDOWN, WM_NCLBUTTONDOWN};
    wt::log().clear();
    SendMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(wt::log(), (Log{"prev(WM_LBUTTONDOWN)"}));
    EXPECT_FALSE(top->dragByClientArea());
    EXPECT_TRUE(top->dragByClientArea(true));
    EXPECT_TRUE(top->dragByClientArea());
    wt::log().clear();
    SendMessageA(plain, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(wt::log(), (Log{"prev(WM_NCLBUTTONDOWN)", "prev(WM_LBUTTONDOWN)"}));
}

// --- the library's own top-level windows ---------------------------------------------------

TEST_F(DialogTest, TopLevelWindowHasTheBaseEventsOnlyAndCopiesItsParentsIcons) {
    win::registerLibraryClass();
    OpenDialog* parent = make();
    ASSERT_TRUE(parent->showModeless({}, kPlain, nullptr, nullptr));
    HICON small = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32516)));
    HICON big = CopyIcon(LoadIconA(nullptr, MAKEINTRESOURCEA(32515)));
    parent->icon(small);
    parent->icon(big, 1);
    EXPECT_EQ(parent->icon(), reinterpret_cast<LRESULT>(small));
    EXPECT_EQ(parent->icon({}, 1), reinterpret_cast<LRESULT>(big));

    OpenDialog* top = make();
    top->setDestroyHandler(wt::handler(&h::destroy));
    top->setCloseHandler(wt::handler(&h::close));
    top->setLeftButtonDownHandler(wt::handler(&h::leftDown));
    HWND window = top->createTopLevel(parent->handle(), "top", WS_OVERLAPPEDWINDOW, 0, 10, 10, 200,
                                      150, win::kLibraryClassName);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(top->icon(), reinterpret_cast<LRESULT>(small));
    EXPECT_EQ(top->icon({}, 1), reinterpret_cast<LRESULT>(big));
    EXPECT_EQ(top->backgroundColor(), GetSysColor(COLOR_BTNFACE));
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_CLIPSIBLINGS);

    SendMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(3, 4));
    EXPECT_EQ(wt::log(), (Log{"leftDown(3,4,0)"})) << "base events work";
    wt::log().clear();
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window)) << "WM_CLOSE ends in DefWindowProcA";
    EXPECT_TRUE(wt::log().empty()) << "no dialog procedure: no close or destroy handler";
    EXPECT_EQ(top->handle(), nullptr);
    DestroyIcon(small);
    DestroyIcon(big);
}

TEST_F(DialogTest, WindowStateMinimisesMaximisesCentresAndHides) {
    win::registerLibraryClass();
    OpenDialog* top = make();
    HWND window = top->createTopLevel(nullptr, "state", WS_OVERLAPPEDWINDOW, 0, 5, 5, 300, 200,
                                      win::kLibraryClassName);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(top->windowState(), 0);
    top->windowState(1);
    EXPECT_EQ(top->windowState(), 1);
    top->windowState(2);
    EXPECT_EQ(top->windowState(), 2);
    top->windowState(0);
    EXPECT_EQ(top->windowState(), 0);
    EXPECT_TRUE(IsWindowVisible(window));

    top->windowState(5);
    EXPECT_FALSE(IsWindowVisible(window));

    EXPECT_TRUE(top->windowState(3));
    EXPECT_TRUE(IsWindowVisible(window));
    RECT r{};
    GetWindowRect(window, &r);
    EXPECT_EQ(r.right - r.left, 300) << "size kept";
    EXPECT_LE(std::abs((r.left + r.right) - GetSystemMetrics(SM_CXSCREEN)), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) - GetSystemMetrics(SM_CYSCREEN)), 1);
}

// --- dialog items ------------------------------------------------------------------------

TEST_F(DialogTest, ItemAccessors) {
    OpenDialog* dialog = make();
    ASSERT_TRUE(dialog->showModeless({}, kPlain, nullptr, nullptr));
    HWND edit = GetDlgItem(dialog->handle(), 11);
    EXPECT_EQ(dialog->getItemHandle(11), edit);
    EXPECT_EQ(dialog->getItemHandle(999), nullptr);

    EXPECT_TRUE(dialog->setItemText(11, "12345"));
    rt::TextValue cut(dialog->getItemText(11, 3));
    EXPECT_STREQ(cut.c_str(), "123");
    rt::TextValue whole(dialog->getItemText(11, 50));
    EXPECT_STREQ(whole.c_str(), "12345");
    EXPECT_EQ(dialog->sendItemMessage(11, WM_GETTEXTLENGTH, 0, 0), 5);

    BOOL translated = FALSE;
    EXPECT_EQ(dialog->getItemInt(11, &translated), 12345);
    EXPECT_TRUE(translated);
    EXPECT_TRUE(dialog->setItemInt(11, -45));
    rt::TextValue negative(dialog->getItemText(11, 10));
    EXPECT_STREQ(negative.c_str(), "-45") << "always signed";
    EXPECT_EQ(dialog->getItemInt(11, &translated), -45);
    EXPECT_TRUE(translated);
    EXPECT_TRUE(dialog->setItemText(11, "x"));
    EXPECT_EQ(dialog->getItemInt(11), 0);

    int horizontal = -1, vertical = -1;
    dialog->getBaseUnits(&horizontal, nullptr);
    EXPECT_GT(horizontal, 0);
    EXPECT_EQ(vertical, -1) << "only what was asked for";
    dialog->getBaseUnits(nullptr, &vertical);
    EXPECT_GT(vertical, 0);
}

TEST_F(DialogTest, AttachAndCloneOfADialog) {
    win::registerLibraryClass();
    HWND plain = CreateWindowExA(0, win::kLibraryClassName, "plain", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    OpenDialog* dialog = make();
    EXPECT_TRUE(dialog->attach(plain));
    EXPECT_FALSE(dialog->attach(plain));
    EXPECT_EQ(win::findWindowObject(plain), dialog);
    dialog->captionStaysActive(true);
    dialog->setModalResult(7);
    auto* copy = static_cast<OpenDialog*>(dialog->clone());
    EXPECT_TRUE(copy->captionStaysActive());
    EXPECT_EQ(copy->modalResult(), 7);
    EXPECT_EQ(copy->handle(), plain);
    rt::free(copy);
    DestroyWindow(plain);
    EXPECT_EQ(dialog->handle(), nullptr);
}

} // namespace
