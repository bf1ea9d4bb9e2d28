// Menu: menus built, filled, checked and coloured, read back through the
// system's own item and menu records; the brushes' lifetimes; a pop-up
// tracked and dismissed from the keyboard; a dialog's menu bar.
#include <gtest/gtest.h>

#include <windows.h>

#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "menu/menu.h"
#include "runtime/values.h"
#include "window/dialog.h"
#include "window/window.h"

namespace {

const char* const kDialog = MAKEINTRESOURCEA(100);
const char* const kMenuBar = MAKEINTRESOURCEA(200);

// A menu that shows the brushes it holds.
class OpenMenu : public win::Menu {
  public:
    HBRUSH brush() const { return backgroundBrush_.get(); }
    HBRUSH subMenuBrush() const { return subMenuBrush_.get(); }
};

std::string takeText(char* text) {
    std::string s = rt::orEmpty(text);
    rt::free(text);
    return s;
}

MENUITEMINFOA itemInfo(HMENU menu, UINT item, bool byPosition, UINT mask) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    EXPECT_TRUE(GetMenuItemInfoA(menu, item, byPosition, &info)) << "item " << item;
    return info;
}

HBRUSH backBrush(HMENU menu) {
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    EXPECT_TRUE(GetMenuInfo(menu, &info));
    return info.hbrBack;
}

COLORREF brushColor(HBRUSH brush) {
    LOGBRUSH lb{};
    if (!GetObjectA(brush, sizeof lb, &lb)) return CLR_INVALID;
    return lb.lbColor;
}

bool alive(HGDIOBJ object) {
    return GetObjectType(object) != 0;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class MenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        win::setModuleInstance(GetModuleHandleA(nullptr));
        win::createWindowRegistry();
    }
    void TearDown() override {
        for (win::Menu* m : menus) {
            m->destroy();
            rt::free(m);
        }
        for (win::Dialog* d : dialogs) {
            if (HWND w = d->handle(); w && IsWindow(w)) DestroyWindow(w);
            d->release();
            rt::free(d);
        }
    }
    // Objects freed at the end; those that share a handle destroy it once
    // (destroying a dead menu again is refused quietly).
    OpenMenu* make() {
        auto* m = new (rt::allocate(sizeof(OpenMenu))) OpenMenu();
        menus.push_back(m);
        return m;
    }
    win::Menu* keep(win::Menu* m) {
        menus.push_back(m);
        return m;
    }
    win::Dialog* newDialog() {
        auto* d = win::newWindowObject<win::Dialog>();
        dialogs.push_back(d);
        EXPECT_TRUE(d->showModeless({}, kDialog, nullptr, nullptr));
        return d;
    }
    std::vector<win::Menu*> menus;
    std::vector<win::Dialog*> dialogs;
};

// --- building and reading back ---------------------------------------------------------

TEST_F(MenuTest, AFilledPopupReadsBackItemByItem) {
    OpenMenu* menu = make();
    OpenMenu* recent = make();
    ASSERT_TRUE(menu->createPopup());
    HMENU handle = menu->getHandle();
    EXPECT_FALSE(menu->createPopup()) << "a handle is held";
    EXPECT_FALSE(menu->createMenuBar());
    EXPECT_FALSE(menu->attachHandle(CreatePopupMenu()));
    EXPECT_EQ(menu->getHandle(), handle);

    ASSERT_TRUE(recent->createPopup());
    ASSERT_TRUE(recent->appendItem("a.txt", 201));
    HBITMAP picture = CreateBitmap(16, 16, 1, 32, nullptr);

    ASSERT_TRUE(menu->appendItem("打开", 101));
    ASSERT_TRUE(menu->appendSeparator());
    ASSERT_TRUE(menu->appendItem("退出", 103));
    ASSERT_TRUE(menu->insertItem("新建", 0, 100));
    ASSERT_TRUE(menu->insertSeparator(3));
    ASSERT_TRUE(menu->insertSubMenu(recent, "最近")); // at the end
    ASSERT_TRUE(menu->appendBitmap(picture, 105));
    ASSERT_TRUE(menu->insertBitmap(picture, 0, 99));

    struct Item {
        std::string text;
        int id;
        UINT type;
    };
    const Item expected[] = {
        {"", 99, MFT_BITMAP},     {"新建", 100, MFT_STRING}, {"打开", 101, MFT_STRING},
        {"", 0, MFT_SEPARATOR},   {"", 0, MFT_SEPARATOR},    {"退出", 103, MFT_STRING},
        {"最近", -1, MFT_STRING}, {"", 105, MFT_BITMAP},
    };
    ASSERT_EQ(menu->getItemCount(), int(std::size(expected)));
    for (UINT i = 0; i < std::size(expected); ++i) {
        const Item& e = expected[i];
        EXPECT_EQ(takeText(menu->getItemText(i, true)), e.text) << i;
        EXPECT_EQ(menu->getItemId(static_cast<int>(i)), e.id) << i;
        EXPECT_EQ(menu->getItemType(i, true) & (MFT_BITMAP | MFT_SEPARATOR), e.type) << i;
        MENUITEMINFOA info = itemInfo(handle, i, true, MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE);
        EXPECT_EQ(info.hSubMenu, i == 6 ? recent->getHandle() : nullptr) << i;
    }
    EXPECT_EQ(takeText(menu->getItemText(101)), "打开") << "by identifier";
    EXPECT_EQ(takeText(menu->getItemText(999)), "") << "a missing item has no text";
    EXPECT_EQ(takeText(menu->getItemText(50, true)), "");

    win::Menu* sub = keep(menu->getSubMenu(6));
    EXPECT_EQ(sub->getHandle(), recent->getHandle());
    EXPECT_EQ(takeText(sub->getItemText(0, true)), "a.txt");
    win::Menu* none = keep(menu->getSubMenu(1));
    EXPECT_EQ(none->getHandle(), nullptr) << "no sub-menu there";

    // Removing the sub-menu's item detaches it; it lives on.
    EXPECT_TRUE(menu->removeItem(6, true));
    EXPECT_TRUE(IsMenu(recent->getHandle()));
    EXPECT_EQ(menu->getItemCount(), 7);
    EXPECT_FALSE(menu->removeItem(999));
    DeleteObject(picture);
}

TEST_F(MenuTest, ChecksRadioChecksAndMissingItems) {
    OpenMenu* menu = make();
    ASSERT_TRUE(menu->createPopup());
    HMENU handle = menu->getHandle();
    for (UINT id : {10u, 11u, 12u, 13u})
        menu->appendItem("item", id);

    EXPECT_EQ(menu->checkItem(11, true), int(MF_UNCHECKED)) << "previous state";
    EXPECT_EQ(menu->checkItem(11, true), int(MF_CHECKED));
    EXPECT_TRUE(menu->isItemChecked(11));
    EXPECT_TRUE(menu->isItemChecked(1, true));
    EXPECT_FALSE(menu->isItemChecked(10));
    EXPECT_EQ(itemInfo(handle, 11, false, MIIM_STATE).fState & MFS_CHECKED, UINT(MFS_CHECKED));
    EXPECT_EQ(menu->checkItem(1, false, true), int(MF_CHECKED));
    EXPECT_FALSE(menu->isItemChecked(11));

    // Missing items answer as missing, by identifier and by position.
    for (auto [item, byPosition] : {std::pair{99u, false}, std::pair{9u, true}}) {
        EXPECT_FALSE(menu->isItemChecked(item, byPosition)) << item;
        EXPECT_EQ(menu->getItemState(item, byPosition), -1) << item;
        EXPECT_EQ(menu->checkItem(item, true, byPosition), -1) << item;
    }

    ASSERT_TRUE(menu->checkRadioItem(2, 1, 3));
    const bool radioChecked[] = {false, false, true, false};
    for (UINT i = 0; i < 4; ++i) {
        MENUITEMINFOA info = itemInfo(handle, i, true, MIIM_STATE | MIIM_FTYPE);
        EXPECT_EQ((info.fState & MFS_CHECKED) != 0, radioChecked[i]) << i;
        EXPECT_EQ((info.fType & MFT_RADIOCHECK) != 0, i == 2) << i;
        EXPECT_EQ(menu->isItemChecked(i, true), radioChecked[i]) << i;
    }
    ASSERT_TRUE(menu->checkRadioItem(3, 1, 3));
    EXPECT_FALSE(menu->isItemChecked(2, true));
    EXPECT_TRUE(menu->isItemChecked(3, true));
    EXPECT_EQ(menu->getItemState(13), int(MF_CHECKED | MFT_RADIOCHECK));
}

TEST_F(MenuTest, ItemSettersReachTheItemRecords) {
    OpenMenu* menu = make();
    ASSERT_TRUE(menu->createPopup());
    HMENU handle = menu->getHandle();
    menu->appendItem("one", 1);
    menu->appendItem("two", 2);
    menu->appendItem("three", 3);
    HBITMAP unchecked = CreateBitmap(13, 13, 1, 1, nullptr);
    HBITMAP checked = CreateBitmap(13, 13, 1, 1, nullptr);

    EXPECT_TRUE(menu->setItemText(1, "第一"));
    EXPECT_TRUE(menu->setItemId(1, 41, true));
    EXPECT_TRUE(menu->setItemData(41, 0x5A5A));
    EXPECT_TRUE(menu->setItemState(2, MFS_DISABLED | MFS_CHECKED, true));
    EXPECT_TRUE(menu->setItemType(3, MFT_STRING | MFT_RIGHTORDER));
    EXPECT_TRUE(menu->setItemBitmap(3, HBMMENU_POPUP_CLOSE));
    EXPECT_TRUE(menu->setCheckBitmaps(0, unchecked, checked, true));
    EXPECT_TRUE(menu->setDefaultItem(41));

    MENUITEMINFOA first = itemInfo(handle, 0, true, MIIM_STRING | MIIM_CHECKMARKS);
    char text[16] = {};
    first.dwTypeData = text;
    first.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(handle, 0, TRUE, &first));
    EXPECT_STREQ(text, "第一");
    EXPECT_EQ(first.hbmpUnchecked, unchecked);
    EXPECT_EQ(first.hbmpChecked, checked);
    EXPECT_EQ(itemInfo(handle, 1, true, MIIM_ID).wID, 41u);
    EXPECT_EQ(itemInfo(handle, 41, false, MIIM_DATA).dwItemData, ULONG_PTR(0x5A5A));
    EXPECT_EQ(menu->getItemData(1, true), ULONG_PTR(0x5A5A));
    EXPECT_EQ(itemInfo(handle, 2, true, MIIM_STATE).fState & (MFS_DISABLED | MFS_CHECKED),
              UINT(MFS_DISABLED | MFS_CHECKED));
    EXPECT_EQ(itemInfo(handle, 3, false, MIIM_FTYPE).fType & MFT_RIGHTORDER, UINT(MFT_RIGHTORDER));
    EXPECT_EQ(itemInfo(handle, 3, false, MIIM_BITMAP).hbmpItem, HBMMENU_POPUP_CLOSE);
    EXPECT_EQ(menu->getDefaultItem(), 41);
    EXPECT_EQ(menu->getDefaultItem({}, true), 1) << "its position";
    EXPECT_TRUE(menu->setDefaultItem(UINT(-1), true)) << "no default";
    EXPECT_EQ(menu->getDefaultItem(), -1);

    // Changes of a missing item are refused.
    EXPECT_FALSE(menu->setItemText(99, "x"));
    EXPECT_FALSE(menu->setItemState(9, MFS_CHECKED, true));
    EXPECT_EQ(menu->getItemType(99), 0u);
    EXPECT_EQ(menu->getItemData(99), 0u);
    menu->destroy();
    DeleteObject(unchecked);
    DeleteObject(checked);
}

TEST_F(MenuTest, LoadedFromTheResourcesOnceAndTheSystemMenuTakenAndReset) {
    OpenMenu* bar = make();
    ASSERT_TRUE(bar->loadFromResource(kMenuBar));
    EXPECT_FALSE(bar->loadFromResource(kMenuBar)) << "a handle is held";
    ASSERT_EQ(bar->getItemCount(), 2);
    EXPECT_EQ(takeText(bar->getItemText(0, true)), "文件(&F)");
    EXPECT_EQ(takeText(bar->getItemText(303)), "帮助");
    win::Menu* file = keep(bar->getSubMenu(0));
    EXPECT_EQ(takeText(file->getItemText(302)), "退出");
    EXPECT_TRUE(file->isItemChecked(302));
    EXPECT_EQ(file->getItemType(1, true), UINT(MFT_SEPARATOR));

    OpenMenu* missing = make();
    EXPECT_FALSE(missing->loadFromResource(MAKEINTRESOURCEA(999)));
    EXPECT_EQ(missing->getHandle(), nullptr);

    win::Dialog* dialog = newDialog();
    HWND window = dialog->handle();
    OpenMenu* system = make();
    ASSERT_TRUE(system->attachHandle(CreatePopupMenu()));
    HMENU own = system->getHandle();
    ASSERT_TRUE(system->takeSystemMenu(window)) << "replaces the handle held";
    EXPECT_NE(system->getHandle(), own);
    EXPECT_GT(system->getItemCount(), 0);
    int before = system->getItemCount();
    system->appendItem("extra", 0x100);
    EXPECT_EQ(system->getItemCount(), before + 1);
    system->resetSystemMenu(window);
    OpenMenu* fresh = make();
    ASSERT_TRUE(fresh->takeSystemMenu(window));
    EXPECT_EQ(fresh->getItemCount(), before) << "the default system menu is back";
    DestroyMenu(own);
    // The window destroys its system menu with itself.
    DestroyWindow(window);
    EXPECT_FALSE(IsMenu(fresh->getHandle()));
}

// --- colours and brushes ----------------------------------------------------------------

TEST_F(MenuTest, ColoursReachTheMenuAndItsSubMenusAndNoBrushInUseIsEverDead) {
    OpenMenu* menu = make();
    OpenMenu* sub = make();
    ASSERT_TRUE(menu->createPopup());
    ASSERT_TRUE(sub->createPopup());
    ASSERT_TRUE(sub->appendItem("inner", 2));
    ASSERT_TRUE(menu->appendItem("outer", 1));
    ASSERT_TRUE(menu->appendSubMenu(sub, "sub"));
    HMENU m = menu->getHandle(), s = sub->getHandle();

    struct Step {
        COLORREF color;
        std::optional<bool> toSubMenus;
        COLORREF menuColor, subColor;
    };
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255),
                   grey = RGB(90, 90, 90);
    const Step steps[] = {
        {red, {}, red, red},         // omitted: the sub-menus too
        {green, false, green, red},  // the sub-menu keeps painting with red
        {blue, false, blue, red},    // green is used by no one now
        {grey, true, grey, grey},    // red and blue are used by no one now
        {red, false, red, grey},     //
        {green, true, green, green}, //
    };
    std::vector<HBRUSH> made;
    for (const Step& step : steps) {
        ASSERT_TRUE(menu->setBackColor(step.color, step.toSubMenus));
        HBRUSH mine = backBrush(m), theirs = backBrush(s);
        EXPECT_EQ(mine, menu->brush());
        EXPECT_EQ(brushColor(mine), step.menuColor);
        EXPECT_EQ(brushColor(theirs), step.subColor);
        made.push_back(mine);
        // Alive exactly while a menu paints with it.
        for (HBRUSH b : made)
            EXPECT_EQ(alive(b), b == mine || b == theirs)
                << "brush of colour " << std::hex << brushColor(b) << " after setting "
                << step.color;
    }

    menu->destroy();
    EXPECT_FALSE(IsMenu(m));
    EXPECT_FALSE(IsMenu(s)) << "sub-menus go with their menu";
    for (HBRUSH b : made)
        EXPECT_FALSE(alive(b));
    EXPECT_EQ(menu->brush(), nullptr);
    EXPECT_EQ(menu->getHandle(), nullptr);
    EXPECT_TRUE(menu->createPopup()) << "empty again";
}

TEST_F(MenuTest, ASubMenuObjectColoursOnlyItsOwnMenu) {
    OpenMenu* menu = make();
    OpenMenu* inner = make();
    ASSERT_TRUE(menu->createMenuBar());
    ASSERT_TRUE(inner->createPopup());
    inner->appendItem("x", 1);
    menu->appendSubMenu(inner, "inner");
    ASSERT_TRUE(menu->setBackColor(RGB(1, 2, 3)));

    auto* sub = static_cast<OpenMenu*>(keep(menu->getSubMenu(0)));
    EXPECT_EQ(sub->brush(), nullptr) << "the parent's brush stays the parent's";
    ASSERT_TRUE(sub->setBackColor(RGB(4, 5, 6), false));
    EXPECT_EQ(brushColor(backBrush(inner->getHandle())), RGB(4, 5, 6));
    EXPECT_EQ(brushColor(backBrush(menu->getHandle())), RGB(1, 2, 3));
    EXPECT_TRUE(alive(menu->brush()));
}

TEST_F(MenuTest, ACloneSharesTheHandleButNotTheBrush) {
    OpenMenu* menu = make();
    ASSERT_TRUE(menu->createPopup());
    menu->appendItem("x", 1);
    ASSERT_TRUE(menu->setBackColor(RGB(10, 20, 30)));
    HBRUSH brush = menu->brush();

    auto* copy = static_cast<OpenMenu*>(keep(menu->clone()));
    EXPECT_EQ(copy->getHandle(), menu->getHandle());
    EXPECT_EQ(copy->brush(), nullptr);
    copy->destroy(); // destroys the shared menu
    EXPECT_FALSE(IsMenu(menu->getHandle()));
    EXPECT_TRUE(alive(brush)) << "still the original's to delete";
    // A brush made now may take the freed handle's place: the original's
    // destroy must delete its own brush, and nothing else.
    menu->destroy();
    EXPECT_FALSE(alive(brush));
}

TEST_F(MenuTest, ARefusedColourChangeKeepsTheBrushThatPaints) {
    OpenMenu* menu = make();
    ASSERT_TRUE(menu->createPopup());
    ASSERT_TRUE(menu->setBackColor(RGB(7, 7, 7)));
    HBRUSH brush = menu->brush();
    DestroyMenu(menu->getHandle()); // the menu went with a window, say

    EXPECT_FALSE(menu->setBackColor(RGB(8, 8, 8)));
    EXPECT_EQ(menu->brush(), brush);
    EXPECT_TRUE(alive(brush));
    HBITMAP pattern = CreateBitmap(8, 8, 1, 32, nullptr);
    EXPECT_FALSE(menu->setBackBitmap(pattern));
    EXPECT_FALSE(alive(pattern)) << "taken over even when refused";
    EXPECT_EQ(menu->brush(), brush);

    OpenMenu* none = make();
    EXPECT_FALSE(none->setBackColor(RGB(1, 1, 1))) << "no menu at all";
    EXPECT_EQ(none->brush(), nullptr);
}

TEST_F(MenuTest, ABackgroundBitmapBecomesAPatternForTheMenuAndItsSubMenus) {
    OpenMenu* menu = make();
    OpenMenu* sub = make();
    ASSERT_TRUE(menu->createPopup());
    ASSERT_TRUE(sub->createPopup());
    menu->appendSubMenu(sub, "sub");
    HBITMAP pattern = CreateBitmap(8, 8, 1, 32, nullptr);
    ASSERT_TRUE(menu->setBackBitmap(pattern));
    EXPECT_FALSE(alive(pattern)) << "the operation took the bitmap over";
    for (HMENU h : {menu->getHandle(), sub->getHandle()}) {
        LOGBRUSH lb{};
        ASSERT_TRUE(GetObjectA(backBrush(h), sizeof lb, &lb));
        EXPECT_EQ(lb.lbStyle, UINT(BS_PATTERN));
    }
    EXPECT_EQ(backBrush(sub->getHandle()), menu->brush());
}

// --- a pop-up tracked from the keyboard ------------------------------------------------

// A user at the keyboard: waits for a pop-up menu of this process to show,
// notes the foreground window and whether the menu's colour shows, then
// presses the keys one by one.
class KeyboardUser {
  public:
    KeyboardUser(std::vector<WORD> keys, COLORREF brush)
        : brushColor(brush), keys_(std::move(keys)) {
        thread_ = CreateThread(nullptr, 0, run, this, 0, nullptr);
    }
    ~KeyboardUser() { join(); }
    void join() {
        if (!thread_) return;
        WaitForSingleObject(thread_, 20000);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    bool sawMenu = false;
    HWND foreground = nullptr;
    const COLORREF brushColor;
    bool paintedWithBrush = false;

  private:
    static DWORD WINAPI run(void* self) {
        static_cast<KeyboardUser*>(self)->act();
        return 0;
    }
    void act() {
        HWND popup = nullptr;
        for (int i = 0; i < 500 && !popup; ++i) {
            HWND w = FindWindowA("#32768", nullptr);
            DWORD process = 0;
            if (w && IsWindowVisible(w) && GetWindowThreadProcessId(w, &process) &&
                process == GetCurrentProcessId())
                popup = w;
            else
                Sleep(10);
        }
        if (!popup) return;
        sawMenu = true;
        foreground = GetForegroundWindow();
        Sleep(100); // drawn
        RECT r{};
        GetWindowRect(popup, &r);
        // Wine fills the items with the menu colour of the system and the
        // rest of the pop-up with the menu's brush: look for it anywhere.
        HDC screen = GetDC(nullptr);
        for (int y = r.top; y < r.bottom && !paintedWithBrush; ++y)
            for (int x = r.left; x < r.right && !paintedWithBrush; ++x)
                paintedWithBrush = GetPixel(screen, x, y) == brushColor;
        ReleaseDC(nullptr, screen);
        for (WORD key : keys_) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wVk = in[1].ki.wVk = key;
            in[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof(INPUT));
            Sleep(50);
        }
    }
    std::vector<WORD> keys_;
    HANDLE thread_ = nullptr;
};

TEST_F(MenuTest, APopupTrackedFromTheOwnerIsChosenOrDismissedFromTheKeyboard) {
    win::Dialog* dialog = newDialog();
    HWND owner = dialog->handle();
    ShowWindow(owner, SW_SHOW);
    // Another window of the process has the foreground when tracking starts.
    win::Dialog* other = newDialog();
    ShowWindow(other->handle(), SW_SHOW);
    SetForegroundWindow(other->handle());
    pump();

    OpenMenu* menu = make();
    ASSERT_TRUE(menu->createPopup());
    menu->appendItem("一", 501);
    menu->appendSeparator();
    menu->appendItem("二", 502);
    menu->appendItem("三", 503);
    const COLORREF back = RGB(0, 128, 255);
    ASSERT_TRUE(menu->setBackColor(back));

    struct Case {
        std::vector<WORD> keys;
        int chosen;
    };
    const Case cases[] = {
        {{VK_DOWN, VK_DOWN, VK_RETURN}, 502}, // the separator is skipped
        {{VK_UP, VK_RETURN}, 503},
        {{VK_ESCAPE}, 0},
    };
    for (const Case& c : cases) {
        SetForegroundWindow(other->handle());
        pump();
        KeyboardUser user(c.keys, back);
        RECT r{};
        GetWindowRect(owner, &r);
        int chosen = menu->trackPopup(r.left + 20, r.top + 20, owner, TPM_RETURNCMD);
        user.join();
        ASSERT_TRUE(user.sawMenu);
        EXPECT_EQ(chosen, c.chosen);
        EXPECT_EQ(user.foreground, owner) << "the owner came to the foreground first";
        EXPECT_TRUE(user.paintedWithBrush) << "the menu paints with its brush";
        HWND left = FindWindowA("#32768", nullptr);
        EXPECT_FALSE(left && IsWindowVisible(left)) << "the menu closed";
    }
}

// --- a dialog's menu bar ---------------------------------------------------------------

TEST_F(MenuTest, AMenuBarSetOnADialogReadsBack) {
    win::Dialog* dialog = newDialog();
    HWND window = dialog->handle();
    ShowWindow(window, SW_SHOWNOACTIVATE);

    win::Menu* none = keep(dialog->menuBar());
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->getHandle(), nullptr) << "no bar: an object with a null handle";

    OpenMenu* bar = make();
    ASSERT_TRUE(bar->createMenuBar());
    bar->appendItem("文件", 601);
    bar->appendItem("帮助", 602);
    RECT before{};
    GetClientRect(window, &before);
    ASSERT_TRUE(dialog->setMenuBar(bar));
    EXPECT_EQ(GetMenu(window), bar->getHandle());
    RECT after{};
    GetClientRect(window, &after);
    EXPECT_LT(after.bottom, before.bottom) << "the bar takes room from the client area";

    win::Menu* read = keep(dialog->menuBar());
    EXPECT_EQ(read->getHandle(), bar->getHandle());
    EXPECT_EQ(takeText(read->getItemText(1, true)), "帮助");
    EXPECT_TRUE(dialog->redrawMenuBar());

    // Where the items are on the screen, and which item is under a point.
    for (UINT i = 0; i < 2; ++i) {
        win::RectRecord* rect = read->getItemRect(window, i);
        EXPECT_LT(rect->left, rect->right) << i;
        EXPECT_EQ(read->itemFromPoint(window, (rect->left + rect->right) / 2,
                                      (rect->top + rect->bottom) / 2),
                  int(i));
        rt::free(rect);
    }
    win::RectRecord* nothing = read->getItemRect(window, 7);
    EXPECT_EQ(nothing->right - nothing->left, 0) << "a missing item has an empty rectangle";
    rt::free(nothing);
    EXPECT_EQ(read->itemFromPoint(window, -500, -500), -1);

    // Omitted, the bar goes; the menu itself lives on.
    EXPECT_TRUE(dialog->setMenuBar());
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_TRUE(IsMenu(bar->getHandle()));
    win::Menu* gone = keep(dialog->menuBar());
    EXPECT_EQ(gone->getHandle(), nullptr);

    // The menu's own operation does the same from the other side.
    EXPECT_TRUE(bar->setAsWindowMenu(window));
    EXPECT_EQ(GetMenu(window), bar->getHandle());
    // The window destroys its bar with itself.
    DestroyWindow(window);
    EXPECT_FALSE(IsMenu(bar->getHandle()));
}

} // namespace
