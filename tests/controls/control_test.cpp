// Button, EditBox and Label bound to the items of a test dialog (template
// 2000 of control_tests.rc) or created in it: binding, the road from a
// notification to the application's handler, colours, automatic ids.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

#include "controls/control.h"
#include "runtime/values.h"
#include "window/dialog.h"

namespace {

constexpr int kTemplate = 2000;
constexpr int kButton = 101, kOtherButton = 104;
constexpr int kEdit = 102, kOtherEdit = 105;
constexpr int kLabel = 103, kLongLabel = 106;
constexpr int kMultilineEdit = 107;

int gClicks = 0;
int gChanges = 0;
std::intptr_t countClick() {
    ++gClicks;
    return 0;
}
std::intptr_t countChange() {
    ++gChanges;
    return 0;
}
int gPaints = 0;
RECT gPainted{};
std::intptr_t recordPaint(std::uintptr_t, std::intptr_t left, std::intptr_t top,
                          std::intptr_t right, std::intptr_t bottom) {
    ++gPaints;
    gPainted = {LONG(left), LONG(top), LONG(right), LONG(bottom)};
    return 0;
}
template <class F> win::Handler handler(F* f) {
    return reinterpret_cast<win::Handler>(f);
}

std::string takeText(char* text) {
    rt::TextValue owned(text);
    return owned.c_str();
}

// What a colour request leaves behind: the brush handed back to Windows and
// the colours of the device context it was asked with.
struct ColorAnswer {
    HBRUSH brush;
    COLORREF text;
    COLORREF back;
};

template <class T> void freeObject(T*& object) {
    if (!object) return;
    object->release();
    rt::free(object);
    object = nullptr;
}

class ControlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        win::setModuleInstance(GetModuleHandleA(nullptr));
        win::createWindowRegistry();
        gClicks = gChanges = 0;
        dialog_ = win::newWindowObject<win::Dialog>();
        ASSERT_TRUE(dialog_->showModeless(std::nullopt, MAKEINTRESOURCEA(kTemplate), nullptr, ""));
        window_ = dialog_->handle();
        ASSERT_NE(window_, nullptr);
    }

    void TearDown() override {
        freeObject(button_);
        freeObject(edit_);
        freeObject(label_);
        freeObject(other_);
        if (IsWindow(window_)) DestroyWindow(window_);
        freeObject(dialog_);
    }

    HWND item(int id) { return GetDlgItem(window_, id); }

    // The dialog's message for the control, as Windows sends it when the
    // control is about to paint.
    ColorAnswer askColors(HWND control, UINT message) {
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 50);
        HGDIOBJ old = SelectObject(dc, bitmap);
        SetTextColor(dc, RGB(1, 1, 1));
        SetBkColor(dc, RGB(2, 2, 2));
        auto brush = reinterpret_cast<HBRUSH>(SendMessageA(
            window_, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
        ColorAnswer answer{brush, GetTextColor(dc), GetBkColor(dc)};
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        return answer;
    }

    static COLORREF brushColor(HBRUSH brush) {
        LOGBRUSH lb{};
        if (!GetObjectA(brush, sizeof lb, &lb)) return CLR_INVALID;
        return lb.lbColor;
    }

    void notify(HWND control, int id, int code) {
        SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }

    static void pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    win::Dialog* dialog_ = nullptr;
    HWND window_ = nullptr;
    win::Button* button_ = win::newWindowObject<win::Button>();
    win::EditBox* edit_ = win::newWindowObject<win::EditBox>();
    win::Label* label_ = win::newWindowObject<win::Label>();
    win::Button* other_ = win::newWindowObject<win::Button>();
};

// --- binding -----------------------------------------------------------------

TEST_F(ControlTest, BindingTwiceFailsAndKeepsTheFirstBinding) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    EXPECT_EQ(button_->handle(), item(kButton));
    EXPECT_EQ(win::findWindowObject(item(kButton)), button_);
    EXPECT_EQ(GetWindowLongPtrA(item(kButton), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&win::libraryWindowProc));

    EXPECT_FALSE(button_->bindDialogItem(window_, kOtherButton));
    EXPECT_EQ(button_->handle(), item(kButton));
    EXPECT_EQ(win::findWindowObject(item(kOtherButton)), nullptr);
    EXPECT_NE(GetWindowLongPtrA(item(kOtherButton), GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(&win::libraryWindowProc));
}

TEST_F(ControlTest, BindingAMissingItemFailsAndALaterBindingWorks) {
    EXPECT_FALSE(edit_->bindDialogItem(window_, 999));
    EXPECT_EQ(edit_->handle(), nullptr);
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    EXPECT_EQ(edit_->handle(), item(kEdit));
    EXPECT_EQ(win::findWindowObject(item(kEdit)), edit_);
}

TEST_F(ControlTest, BindingGivesEditBoxesWhiteAndLabelsTheFaceColour) {
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    ASSERT_TRUE(label_->bindDialogItem(window_, kLabel));
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));

    EXPECT_EQ(edit_->backColor(), static_cast<std::int32_t>(RGB(255, 255, 255)));
    ColorAnswer edit = askColors(item(kEdit), WM_CTLCOLOREDIT);
    EXPECT_EQ(brushColor(edit.brush), RGB(255, 255, 255));
    EXPECT_EQ(edit.back, RGB(255, 255, 255));
    EXPECT_EQ(edit.text, RGB(0, 0, 0));

    ColorAnswer label = askColors(item(kLabel), WM_CTLCOLORSTATIC);
    EXPECT_EQ(brushColor(label.brush), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(label.back, GetSysColor(COLOR_BTNFACE));

    // A button gets no colours: even with a text colour its requests get
    // the dialog's default answer, that of a button no object is bound to.
    button_->textColor(RGB(200, 0, 0));
    ColorAnswer button = askColors(item(kButton), WM_CTLCOLORBTN);
    ColorAnswer unbound = askColors(item(kOtherButton), WM_CTLCOLORBTN);
    EXPECT_EQ(button.brush, unbound.brush);
    EXPECT_EQ(button.text, unbound.text);
    EXPECT_NE(button.text, RGB(200, 0, 0));
    EXPECT_EQ(button.back, unbound.back);
}

TEST_F(ControlTest, BindingSetsTheDefaultFontUnlessAskedNotTo) {
    HFONT templateFont = reinterpret_cast<HFONT>(SendMessageA(item(kEdit), WM_GETFONT, 0, 0));
    ASSERT_NE(templateFont, GetStockObject(DEFAULT_GUI_FONT));
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(item(kButton), WM_GETFONT, 0, 0)),
              GetStockObject(DEFAULT_GUI_FONT));
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit, false));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(item(kEdit), WM_GETFONT, 0, 0)), templateFont);
}

TEST_F(ControlTest, AttachingTakesOnlyARealWindowAndOnlyOnce) {
    EXPECT_FALSE(label_->attachHandle(reinterpret_cast<HWND>(0x12345)));
    EXPECT_EQ(label_->handle(), nullptr);
    ASSERT_TRUE(label_->attachHandle(item(kLabel)));
    EXPECT_EQ(win::findWindowObject(item(kLabel)), label_);
    EXPECT_FALSE(label_->attachHandle(item(kLongLabel)));
    EXPECT_EQ(label_->handle(), item(kLabel));
    // Attaching sets no colour, unlike binding: the label gets the answer of
    // a label no object is bound to.
    label_->textColor(RGB(200, 0, 0));
    ColorAnswer attached = askColors(item(kLabel), WM_CTLCOLORSTATIC);
    ColorAnswer unbound = askColors(item(kLongLabel), WM_CTLCOLORSTATIC);
    EXPECT_EQ(attached.brush, unbound.brush);
    EXPECT_EQ(attached.text, unbound.text);
}

// --- notifications -------------------------------------------------------------

TEST_F(ControlTest, EachClickReachesTheClickHandlerExactlyOnce) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    button_->click(); // no handler yet: nothing happens
    EXPECT_EQ(gClicks, 0);
    button_->setClickHandler(handler(&countClick));

    button_->click();
    EXPECT_EQ(gClicks, 1);
    button_->click();
    button_->click();
    EXPECT_EQ(gClicks, 3);

    // A press and release of the mouse inside the button, as Windows
    // delivers them.
    PostMessageA(item(kButton), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessageA(item(kButton), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    pump();
    EXPECT_EQ(gClicks, 4);

    // Other notifications of the button never reach it.
    for (int code : {BN_SETFOCUS, BN_KILLFOCUS, BN_DOUBLECLICKED, BN_PUSHED, BN_UNPUSHED})
        notify(item(kButton), kButton, code);
    EXPECT_EQ(gClicks, 4);
}

TEST_F(ControlTest, ClicksOfAnotherButtonDoNotReachTheHandler) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    ASSERT_TRUE(other_->bindDialogItem(window_, kOtherButton));
    button_->setClickHandler(handler(&countClick));
    other_->click();
    SendMessageA(item(kOtherButton), BM_CLICK, 0, 0);
    EXPECT_EQ(gClicks, 0);
    SendMessageA(item(kButton), BM_CLICK, 0, 0);
    EXPECT_EQ(gClicks, 1);
}

TEST_F(ControlTest, EveryChangeOfTheContentReachesTheChangeHandler) {
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    edit_->setChangeHandler(handler(&countChange));

    rt::free(edit_->content("abc"));
    EXPECT_EQ(gChanges, 1);
    edit_->append("de");
    EXPECT_EQ(gChanges, 2);
    EXPECT_EQ(takeText(edit_->content()), "abcde");
    edit_->select(1, 3);
    edit_->replaceSelection("XYZ");
    EXPECT_EQ(gChanges, 3);
    EXPECT_EQ(takeText(edit_->content()), "aXYZde");
    SendMessageA(item(kEdit), WM_CHAR, '!', 1); // typed at the caret
    EXPECT_EQ(gChanges, 4);
    EXPECT_EQ(takeText(edit_->content()), "aXYZ!de");

    for (int code : {EN_SETFOCUS, EN_KILLFOCUS, EN_UPDATE, EN_MAXTEXT})
        notify(item(kEdit), kEdit, code);
    EXPECT_EQ(gChanges, 4);
}

TEST_F(ControlTest, DestroyedWindowTakesTheClickHandlerButNotTheChangeHandler) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    button_->setClickHandler(handler(&countClick));
    edit_->setChangeHandler(handler(&countChange));

    DestroyWindow(item(kButton));
    DestroyWindow(item(kEdit));
    EXPECT_EQ(button_->handle(), nullptr);
    EXPECT_EQ(edit_->handle(), nullptr);

    ASSERT_TRUE(button_->bindDialogItem(window_, kOtherButton));
    ASSERT_TRUE(edit_->bindDialogItem(window_, kOtherEdit));
    button_->click();
    EXPECT_EQ(gClicks, 0);
    rt::free(edit_->content("x"));
    EXPECT_EQ(gChanges, 1);
}

// --- colours -------------------------------------------------------------------

TEST_F(ControlTest, TransparentBackgroundComesAndGoesWithTheExtendedStyle) {
    ASSERT_TRUE(label_->bindDialogItem(window_, kLabel));
    label_->textColor(RGB(200, 10, 10));

    EXPECT_EQ(label_->backColor(win::kTransparent), 0);
    EXPECT_EQ(label_->backColor(), win::kTransparent);
    EXPECT_NE(GetWindowLongA(item(kLabel), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
    ColorAnswer clear = askColors(item(kLabel), WM_CTLCOLORSTATIC);
    EXPECT_EQ(clear.brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(clear.text, RGB(200, 10, 10));

    label_->backColor(RGB(10, 20, 30));
    EXPECT_EQ(GetWindowLongA(item(kLabel), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
    ColorAnswer solid = askColors(item(kLabel), WM_CTLCOLORSTATIC);
    EXPECT_NE(solid.brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(brushColor(solid.brush), RGB(10, 20, 30));
    EXPECT_EQ(solid.back, RGB(10, 20, 30));
    EXPECT_EQ(solid.text, RGB(200, 10, 10));

    // A new colour replaces the brush and deletes the old one.
    label_->backColor(RGB(40, 50, 60));
    ColorAnswer next = askColors(item(kLabel), WM_CTLCOLORSTATIC);
    EXPECT_EQ(brushColor(next.brush), RGB(40, 50, 60));
    EXPECT_EQ(GetObjectType(solid.brush), 0u);
}

// A control without a window keeps its colours and redraws nothing: a null
// window would have Windows redraw (or validate) every window on the
// desktop. The dialog's update state stays as it was, clean or pending.
TEST_F(ControlTest, RedrawsOfAControlWithoutAWindowReachNoOtherWindow) {
    struct Row {
        const char* change;
        std::function<void()> apply;
    };
    const win::RectRecord corner{0, 0, 20, 20};
    const Row rows[] = {
        {"textColor", [&] { label_->textColor(RGB(1, 2, 3)); }},
        {"textColor with redraw", [&] { edit_->textColor(RGB(4, 5, 6), true); }},
        {"backColor", [&] { label_->backColor(RGB(7, 8, 9)); }},
        {"backColor transparent", [&] { button_->backColor(win::kTransparent); }},
        {"setPasswordChar", [&] { edit_->setPasswordChar("*"); }},
        {"invalidate", [&] { edit_->invalidate(); }},
        {"invalidateRect", [&] { label_->invalidateRect(&corner); }},
        {"validate", [&] { button_->validate(); }},
        {"update", [&] { edit_->update(); }},
        {"caption of a transparent label",
         [&] {
             label_->backColor(win::kTransparent, false);
             label_->caption("x");
         }},
    };
    ShowWindow(window_, SW_SHOW);
    for (bool pending : {false, true}) {
        for (const Row& row : rows) {
            UpdateWindow(window_);
            RECT r{};
            ASSERT_FALSE(GetUpdateRect(window_, &r, FALSE));
            if (pending) InvalidateRect(window_, nullptr, FALSE);
            row.apply();
            EXPECT_EQ(GetUpdateRect(window_, &r, FALSE) != 0, pending)
                << row.change << (pending ? ", a redraw pending" : "");
        }
    }
    EXPECT_EQ(label_->textColor(), RGB(1, 2, 3));
    EXPECT_EQ(label_->backColor(), win::kTransparent);
    EXPECT_EQ(button_->backColor(), win::kTransparent);
    EXPECT_EQ(edit_->invalidate(), FALSE);
}

// What a control holds without ever having a window goes with its release.
TEST_F(ControlTest, ReleaseOfAnUnboundControlDeletesItsBrushAndImages) {
    struct OpenButton : win::Button {
        HBRUSH brush() const { return backBrush_.get(); }
    };
    auto* idle = win::newWindowObject<OpenButton>();
    idle->backColor(RGB(1, 2, 3));
    HBRUSH brush = idle->brush();
    ASSERT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    HBITMAP image = CreateBitmap(8, 8, 1, 32, nullptr);
    idle->setImage(image, IMAGE_BITMAP);
    idle->release();
    rt::free(idle);
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(image), 0u);
}

TEST_F(ControlTest, DestroyedWindowDeletesTheBrushAndResetsTheColours) {
    ASSERT_TRUE(label_->bindDialogItem(window_, kLabel));
    label_->textColor(RGB(5, 6, 7));
    HBRUSH brush = askColors(item(kLabel), WM_CTLCOLORSTATIC).brush;
    ASSERT_NE(GetObjectType(brush), 0u);
    DestroyWindow(item(kLabel));
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(label_->textColor(), 0u);
    EXPECT_EQ(label_->backColor(), 0);
}

TEST_F(ControlTest, ButtonImagesAreOwnedAndReplaced) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    HBITMAP first = CreateBitmap(8, 8, 1, 32, nullptr);
    HBITMAP second = CreateBitmap(8, 8, 1, 32, nullptr);
    EXPECT_FALSE(button_->setImage(first, IMAGE_BITMAP)); // no previous image
    EXPECT_NE(GetWindowLongA(item(kButton), GWL_STYLE) & BS_BITMAP, 0);
    EXPECT_EQ(button_->getImage(IMAGE_BITMAP), first);
    EXPECT_TRUE(button_->setImage(second, IMAGE_BITMAP));
    EXPECT_EQ(GetObjectType(first), 0u) << "the replaced bitmap is deleted";
    EXPECT_TRUE(button_->setImage(second, IMAGE_BITMAP));
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP))
        << "setting the image it holds again keeps it";
    DestroyWindow(item(kButton));
    EXPECT_EQ(GetObjectType(second), 0u) << "released with the window";
}

// --- creating controls -----------------------------------------------------------

TEST_F(ControlTest, CreatedControlsAreNumberedFromTheCounter) {
    win::setAutomaticControlId(500);
    win::Label* label2 = win::newWindowObject<win::Label>();
    ASSERT_TRUE(button_->create(window_));
    ASSERT_TRUE(label_->create(window_));
    ASSERT_TRUE(other_->create(window_, "named", 777, 0, 0, 60));
    ASSERT_TRUE(edit_->create(window_, "text"));
    ASSERT_TRUE(label2->create(window_, "again"));
    EXPECT_EQ(GetDlgCtrlID(button_->handle()), 501);
    EXPECT_EQ(GetDlgCtrlID(label_->handle()), 502);
    EXPECT_EQ(GetDlgCtrlID(other_->handle()), 777) << "an explicit id uses up 503";
    EXPECT_EQ(GetDlgCtrlID(edit_->handle()), 504);
    EXPECT_EQ(GetDlgCtrlID(label2->handle()), 505);
    EXPECT_EQ(win::automaticControlId(), 505);
    for (win::Window* w : std::initializer_list<win::Window*>{button_, label_, other_, edit_})
        EXPECT_EQ(win::findWindowObject(w->handle()), w);
    freeObject(label2);
}

TEST_F(ControlTest, CreatedControlsTakeTheirDefaults) {
    ASSERT_TRUE(button_->create(window_));
    ASSERT_TRUE(edit_->create(window_, "text"));
    ASSERT_TRUE(label_->create(window_));

    EXPECT_EQ(takeText(button_->caption()), "按钮");
    RECT r{};
    GetWindowRect(button_->handle(), &r);
    EXPECT_EQ(r.right - r.left, 80);
    EXPECT_EQ(r.bottom - r.top, 32);
    LONG buttonStyle = GetWindowLongA(button_->handle(), GWL_STYLE);
    EXPECT_EQ(buttonStyle & (WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS),
              WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS);

    LONG editStyle = GetWindowLongA(edit_->handle(), GWL_STYLE);
    EXPECT_NE(editStyle & ES_AUTOHSCROLL, 0);
    EXPECT_NE(GetWindowLongA(edit_->handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    EXPECT_EQ(brushColor(askColors(edit_->handle(), WM_CTLCOLOREDIT).brush), RGB(255, 255, 255));

    EXPECT_EQ(takeText(label_->caption()), "标签");
    LONG labelStyle = GetWindowLongA(label_->handle(), GWL_STYLE);
    EXPECT_NE(labelStyle & SS_CENTERIMAGE, 0);
    EXPECT_EQ(labelStyle & WS_TABSTOP, 0);
    EXPECT_EQ(askColors(label_->handle(), WM_CTLCOLORSTATIC).back, GetSysColor(COLOR_BTNFACE));
}

TEST_F(ControlTest, CreateRefusesAnObjectThatIsAlreadyBound) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    EXPECT_FALSE(button_->create(window_));
    EXPECT_EQ(button_->handle(), item(kButton));
}

// --- edit box operations -----------------------------------------------------------

TEST_F(ControlTest, SelectionAndLimit) {
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    rt::free(edit_->content("hello"));
    edit_->select(1, 3);
    int start = -1, end = -1;
    edit_->getSelection(&start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 3);
    edit_->select(2); // to the end
    edit_->getSelection(&start, &end);
    EXPECT_EQ(start, 2);
    EXPECT_EQ(end, 5);
    edit_->select(0, 1);
    edit_->getSelection(nullptr, &end); // only the end asked for
    EXPECT_EQ(end, 1);

    edit_->textLimit(4);
    EXPECT_EQ(edit_->textLimit(), 4);
}

TEST_F(ControlTest, EmptyPasswordCharacterSwitchesMaskingOff) {
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    edit_->setPasswordChar("*x");
    EXPECT_EQ(SendMessageA(item(kEdit), EM_GETPASSWORDCHAR, 0, 0), '*');
    EXPECT_EQ(takeText(edit_->passwordChar()), "*");
    edit_->setPasswordChar("");
    EXPECT_EQ(SendMessageA(item(kEdit), EM_GETPASSWORDCHAR, 0, 0), 0);
    EXPECT_EQ(takeText(edit_->passwordChar()), "");
    edit_->setPasswordChar("#");
    edit_->setPasswordChar(nullptr);
    EXPECT_EQ(SendMessageA(item(kEdit), EM_GETPASSWORDCHAR, 0, 0), 0);
}

TEST_F(ControlTest, ReadOnlyAndFormatRectangle) {
    ASSERT_TRUE(edit_->bindDialogItem(window_, kEdit));
    EXPECT_TRUE(edit_->setReadOnly());
    EXPECT_NE(GetWindowLongA(item(kEdit), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_TRUE(edit_->setReadOnly(false));
    EXPECT_EQ(GetWindowLongA(item(kEdit), GWL_STYLE) & ES_READONLY, 0);

    // The format rectangle belongs to multiline edit boxes.
    win::EditBox* memo = win::newWindowObject<win::EditBox>();
    ASSERT_TRUE(memo->bindDialogItem(window_, kMultilineEdit));
    RECT before{};
    SendMessageA(item(kMultilineEdit), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&before));
    win::RectRecord wanted{before.left + 3, before.top, before.right - 20, before.bottom};
    memo->setFormatRect(&wanted);
    // The control keeps its margins inside the rectangle it is given.
    RECT now{};
    SendMessageA(item(kMultilineEdit), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&now));
    EXPECT_LT(now.right, before.right - 10);
    EXPECT_GT(now.left, before.left);
    win::RectRecord* got = memo->getFormatRect();
    EXPECT_EQ(got->left, now.left);
    EXPECT_EQ(got->top, now.top);
    EXPECT_EQ(got->right, now.right);
    EXPECT_EQ(got->bottom, now.bottom);
    rt::free(got);
    freeObject(memo);
}

// --- dialog items --------------------------------------------------------------------

TEST_F(ControlTest, ItemTextIsCutAtTheMaximum) {
    EXPECT_EQ(takeText(dialog_->getItemText(kLongLabel, 4)), "abcd");
    EXPECT_EQ(takeText(dialog_->getItemText(kLongLabel, 10)), "abcdefghij");
    EXPECT_EQ(takeText(dialog_->getItemText(kLongLabel, 100)), "abcdefghij");
    EXPECT_EQ(takeText(dialog_->getItemText(kLongLabel, 0)), "");
}

TEST_F(ControlTest, LabelCaptionIsReadAndWritten) {
    ASSERT_TRUE(label_->bindDialogItem(window_, kLabel));
    EXPECT_EQ(label_->caption("新的文字"), nullptr);
    EXPECT_EQ(takeText(label_->caption()), "新的文字");
    label_->backColor(win::kTransparent);
    rt::free(label_->caption("second"));
    EXPECT_EQ(takeText(dialog_->getItemText(kLabel, 50)), "second");
}

TEST_F(ControlTest, TransparentLabelHasTheParentRepaintUnderItsNewCaption) {
    ASSERT_TRUE(label_->bindDialogItem(window_, kLabel));
    RECT r{};
    GetWindowRect(item(kLabel), &r);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    dialog_->setPaintHandler(handler(&recordPaint));

    // With a background of its own the label covers its old text itself.
    UpdateWindow(window_);
    gPaints = 0;
    rt::free(label_->caption("opaque"));
    EXPECT_EQ(gPaints, 0);

    label_->backColor(win::kTransparent);
    UpdateWindow(window_);
    gPaints = 0;
    rt::free(label_->caption("clear"));
    EXPECT_EQ(gPaints, 1) << "the parent is repainted at once";
    EXPECT_LE(gPainted.left, r.left);
    EXPECT_LE(gPainted.top, r.top);
    EXPECT_GE(gPainted.right, r.right);
    EXPECT_GE(gPainted.bottom, r.bottom);
}

TEST_F(ControlTest, CloneIsAByteCopy) {
    ASSERT_TRUE(button_->bindDialogItem(window_, kButton));
    button_->setClickHandler(handler(&countClick));
    win::Window* copy = button_->clone();
    EXPECT_EQ(std::memcmp(static_cast<const void*>(copy), static_cast<const void*>(button_),
                          sizeof(win::Button)),
              0);
    rt::free(copy); // a byte copy: releasing it would unbind the original
}

} // namespace
