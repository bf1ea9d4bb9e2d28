// Menu: menus built, filled, checked and coloured, read back through the
// system's own records; the brushes' lifetimes; a pop-up tracked and
// dismissed from the keyboard; a dialog's menu bar.
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

// A menu that shows the brush it paints with.
class OpenMenu : public win::Menu {
  public:
    HBRUSH brush() const { return backgroundBrush_.get(); }
};

std::string takeText(char* text) {
    std::string s = rt::orEmpty(text);
    rt::free(text);
    return s;
}

MENUITEMINFOA itemInfo(HMENU menu, UINT position) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info)) << position;
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
    return GetObjectA(brush, sizeof lb, &lb) ? lb.lbColor : CLR_INVALID;
}

class MenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        win::setModuleInstance(GetModuleHandleA(nullptr));
        win::createWindowRegistry();
    }
    void TearDown() override {
        for (win::Dialog* d : dialogs) {
            if (IsWindow(d->handle())) DestroyWindow(d->handle());
            d->release();
            rt::free(d);
        }
        // Objects sharing a handle destroy it once; the others are refused.
        for (win::Menu* m : menus) {
            m->destroy();
            rt::free(m);
        }
    }
    OpenMenu* keep(win::Menu* m) {
        menus.push_back(m);
        return static_cast<OpenMenu*>(m);
    }
    OpenMenu* popup() {
        auto* m = keep(new (rt::allocate(sizeof(OpenMenu))) OpenMenu());
        EXPECT_TRUE(m->createPopup());
        return m;
    }
    HWND newDialog() {
        dialogs.push_back(win::newWindowObject<win::Dialog>());
        EXPECT_TRUE(dialogs.back()->showModeless({}, MAKEINTRESOURCEA(100), nullptr, nullptr));
        ShowWindow(dialogs.back()->handle(), SW_SHOWNOACTIVATE);
        return dialogs.back()->handle();
    }
    std::vector<win::Menu*> menus;
    std::vector<win::Dialog*> dialogs;
};

TEST_F(MenuTest, BuiltFilledAndCheckedReadsBackThroughTheItemRecords) {
    OpenMenu* menu = popup();
    OpenMenu* recent = popup();
    HMENU handle = menu->getHandle();
    EXPECT_FALSE(menu->createPopup()) << "a handle is held";
    EXPECT_EQ(menu->getHandle(), handle);
    HBITMAP picture = CreateBitmap(16, 16, 1, 32, nullptr);
    ASSERT_TRUE(menu->appendItem("打开", 101));
    ASSERT_TRUE(menu->appendSeparator());
    ASSERT_TRUE(menu->appendItem("退出", 103));
    ASSERT_TRUE(menu->insertItem("新建", 0, 100));
    ASSERT_TRUE(menu->insertSubMenu(recent, "最近")); // at the end
    ASSERT_TRUE(menu->insertBitmap(picture, 0, 99));
    ASSERT_TRUE(menu->checkItem(101, true) == int(MF_UNCHECKED)) << "the previous state";
    ASSERT_TRUE(menu->checkRadioItem(4, 4, 5));

    const struct {
        const char* text;
        int id;
        UINT type, state;
    } expected[] = {
        {"", 99, MFT_BITMAP, 0},
        {"新建", 100, MFT_STRING, 0},
        {"打开", 101, MFT_STRING, MFS_CHECKED},
        {"", 0, MFT_SEPARATOR, 0},
        {"退出", 103, MFT_RADIOCHECK, MFS_CHECKED},
        {"最近", -1, MFT_STRING, 0},
    };
    ASSERT_EQ(menu->getItemCount(), int(std::size(expected)));
    for (UINT i = 0; i < std::size(expected); ++i) {
        MENUITEMINFOA info = itemInfo(handle, i);
        EXPECT_EQ(takeText(menu->getItemText(i, true)), expected[i].text) << i;
        EXPECT_EQ(menu->getItemId(static_cast<int>(i)), expected[i].id) << i;
        EXPECT_EQ(info.fType, expected[i].type) << i;
        EXPECT_EQ(menu->getItemType(i, true), expected[i].type) << i;
        EXPECT_EQ(info.fState & MFS_CHECKED, expected[i].state) << i;
        EXPECT_EQ(menu->isItemChecked(i, true), expected[i].state != 0) << i;
        EXPECT_EQ(info.hSubMenu, i == 5 ? recent->getHandle() : nullptr) << i;
    }
    EXPECT_EQ(takeText(menu->getItemText(103)), "退出") << "by identifier";
    EXPECT_EQ(keep(menu->getSubMenu(5))->getHandle(), recent->getHandle());
    EXPECT_EQ(keep(menu->getSubMenu(1))->getHandle(), nullptr) << "no sub-menu there";

    // Missing items answer as missing, by identifier and by position.
    for (auto [item, byPosition] : {std::pair{999u, false}, std::pair{9u, true}}) {
        EXPECT_FALSE(menu->isItemChecked(item, byPosition)) << item;
        EXPECT_EQ(menu->getItemState(item, byPosition), -1) << item;
        EXPECT_EQ(menu->checkItem(item, true, byPosition), -1) << item;
        EXPECT_EQ(takeText(menu->getItemText(item, byPosition)), "") << item;
        EXPECT_FALSE(menu->setItemText(item, "x", byPosition)) << item;
    }
    EXPECT_TRUE(menu->removeItem(5, true));
    EXPECT_TRUE(IsMenu(recent->getHandle())) << "detached, not destroyed";
    DeleteObject(picture);
}

TEST_F(MenuTest, ColoursReachTheSubMenusAndEveryBrushLivesExactlyWhileAMenuPaintsWithIt) {
    OpenMenu* menu = popup();
    OpenMenu* sub = popup();
    menu->appendItem("outer", 1);
    menu->appendSubMenu(sub, "sub");
    HMENU m = menu->getHandle(), s = sub->getHandle();

    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 255, 0), blue = RGB(0, 0, 255);
    const struct {
        COLORREF color;
        std::optional<bool> toSubMenus;
        COLORREF menuColor, subColor;
    } steps[] = {
        {red, {}, red, red},         // omitted: the sub-menus too
        {green, false, green, red},  // the sub-menu goes on painting with red
        {blue, false, blue, red},    // green is used by no one
        {green, true, green, green}, // nor red and blue
        {red, false, red, green},    //
    };
    std::vector<HBRUSH> made;
    for (const auto& step : steps) {
        ASSERT_TRUE(menu->setBackColor(step.color, step.toSubMenus));
        HBRUSH mine = backBrush(m), theirs = backBrush(s);
        EXPECT_EQ(mine, menu->brush());
        EXPECT_EQ(brushColor(mine), step.menuColor);
        EXPECT_EQ(brushColor(theirs), step.subColor);
        made.push_back(mine);
        for (HBRUSH b : made)
            EXPECT_EQ(GetObjectType(b) != 0, b == mine || b == theirs)
                << std::hex << brushColor(b) << " after " << step.color;
    }
    menu->destroy();
    EXPECT_FALSE(IsMenu(s)) << "sub-menus go with their menu";
    for (HBRUSH b : made)
        EXPECT_EQ(GetObjectType(b), 0u);
    EXPECT_TRUE(menu->createPopup()) << "empty again";
}

TEST_F(MenuTest, CloneOwnsNoBrushAndARefusedChangeKeepsTheOneThatPaints) {
    OpenMenu* menu = popup();
    ASSERT_TRUE(menu->setBackColor(RGB(10, 20, 30)));
    HBRUSH brush = menu->brush();
    OpenMenu* copy = keep(menu->clone());
    EXPECT_EQ(copy->getHandle(), menu->getHandle());
    EXPECT_EQ(copy->brush(), nullptr);
    copy->destroy(); // the shared menu is gone, say with its window
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH)) << "still the original's";

    EXPECT_FALSE(menu->setBackColor(RGB(8, 8, 8))) << "no menu to take it";
    HBITMAP pattern = CreateBitmap(8, 8, 1, 32, nullptr);
    EXPECT_FALSE(menu->setBackBitmap(pattern));
    EXPECT_EQ(GetObjectType(pattern), 0u) << "the bitmap is taken over all the same";
    EXPECT_EQ(menu->brush(), brush);
    EXPECT_EQ(GetObjectType(brush), DWORD(OBJ_BRUSH));
    menu->destroy();
    EXPECT_EQ(GetObjectType(brush), 0u);
}

// No brush made: the menus named get the default background back, the old
// brush goes unless a sub-menu still paints with it, the answer is false.
TEST_F(MenuTest, ABackgroundWithoutABrushPutsTheDefaultBack) {
    HBITMAP stale = CreateBitmap(8, 8, 1, 32, nullptr);
    DeleteObject(stale);
    const struct {
        HBITMAP bitmap;
        std::optional<bool> toSubMenus;
    } rows[] = {{nullptr, {}}, {stale, false}};
    for (const auto& row : rows) {
        const bool subsToo = row.toSubMenus.value_or(true);
        SCOPED_TRACE(subsToo ? "the sub-menus too" : "the menu alone");
        OpenMenu* menu = popup();
        OpenMenu* sub = popup();
        menu->appendSubMenu(sub, "sub");
        ASSERT_TRUE(menu->setBackColor(RGB(255, 0, 0)));
        HBRUSH red = menu->brush();

        EXPECT_FALSE(menu->setBackBitmap(row.bitmap, row.toSubMenus));
        EXPECT_EQ(menu->brush(), nullptr);
        EXPECT_EQ(backBrush(menu->getHandle()), nullptr);
        EXPECT_EQ(backBrush(sub->getHandle()), subsToo ? nullptr : red);
        EXPECT_EQ(GetObjectType(red) != 0, !subsToo);
        menu->destroy();
        EXPECT_EQ(GetObjectType(red), 0u);
    }
}

// A user at the keyboard: waits for a pop-up menu of this process, notes
// the foreground window and whether the menu's colour shows, then presses
// the keys one by one.
struct KeyboardUser {
    std::vector<WORD> keys;
    COLORREF color;
    HWND foreground = nullptr;
    bool colourShown = false;

    static DWORD WINAPI run(void* self) {
        auto* user = static_cast<KeyboardUser*>(self);
        HWND popup = nullptr;
        for (int i = 0; i < 500 && !popup; ++i, Sleep(10))
            if (HWND w = FindWindowA("#32768", nullptr); w && IsWindowVisible(w)) popup = w;
        if (!popup) return 0;
        user->foreground = GetForegroundWindow();
        RECT r{};
        GetWindowRect(popup, &r);
        // Wine fills the items with the system's menu colour and the rest
        // of the pop-up with the menu's brush. Looked for until drawn.
        HDC screen = GetDC(nullptr);
        for (int tries = 0; tries < 20 && !user->colourShown; ++tries, Sleep(50))
            for (int y = r.top; y < r.bottom && !user->colourShown; y += 2)
                for (int x = r.left; x < r.right && !user->colourShown; ++x)
                    user->colourShown = GetPixel(screen, x, y) == user->color;
        ReleaseDC(nullptr, screen);
        for (WORD key : user->keys) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wVk = in[1].ki.wVk = key;
            in[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof(INPUT));
            Sleep(50);
        }
        return 0;
    }
};

TEST_F(MenuTest, APopupOwnedByADialogIsChosenOrDismissedFromTheKeyboard) {
    HWND owner = newDialog(), other = newDialog();
    OpenMenu* menu = popup();
    menu->appendItem("一", 501);
    menu->appendSeparator();
    menu->appendItem("二", 502);
    menu->appendItem("三", 503);
    const COLORREF back = RGB(0, 128, 255);
    ASSERT_TRUE(menu->setBackColor(back));

    const std::pair<std::vector<WORD>, int> cases[] = {
        {{VK_DOWN, VK_DOWN, VK_RETURN}, 502}, // the separator is skipped
        {{VK_UP, VK_RETURN}, 503},
        {{VK_ESCAPE}, 0},
    };
    for (const auto& [keys, chosen] : cases) {
        SetForegroundWindow(other); // the owner is not in front to begin with
        for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageA(&msg);
        KeyboardUser user{keys, back};
        HANDLE thread = CreateThread(nullptr, 0, KeyboardUser::run, &user, 0, nullptr);
        RECT r{};
        GetWindowRect(owner, &r);
        EXPECT_EQ(menu->trackPopup(r.left + 20, r.top + 20, owner, TPM_RETURNCMD), chosen);
        WaitForSingleObject(thread, 20000);
        CloseHandle(thread);
        EXPECT_EQ(user.foreground, owner) << "brought to the foreground before the menu";
        EXPECT_TRUE(user.colourShown) << "the menu paints with its brush " << chosen;
        HWND left = FindWindowA("#32768", nullptr);
        EXPECT_FALSE(left && IsWindowVisible(left)) << "the menu closed";
    }
}

TEST_F(MenuTest, AMenuBarSetOnADialogReadsBack) {
    HWND window = newDialog();
    win::Dialog* dialog = dialogs.back();
    EXPECT_EQ(keep(dialog->menuBar())->getHandle(), nullptr) << "no bar: a null handle";

    OpenMenu* bar = keep(new (rt::allocate(sizeof(OpenMenu))) OpenMenu());
    ASSERT_TRUE(bar->createMenuBar());
    bar->appendItem("文件", 601);
    bar->appendItem("帮助", 602);
    RECT before{}, after{};
    GetClientRect(window, &before);
    ASSERT_TRUE(dialog->setMenuBar(bar));
    GetClientRect(window, &after);
    EXPECT_LT(after.bottom, before.bottom) << "the bar takes room from the client area";
    EXPECT_EQ(GetMenu(window), bar->getHandle());

    OpenMenu* read = keep(dialog->menuBar());
    EXPECT_EQ(read->getHandle(), bar->getHandle());
    EXPECT_EQ(takeText(read->getItemText(1, true)), "帮助");
    for (UINT i = 0; i < 2; ++i) {
        win::RectRecord* rect = read->getItemRect(window, i);
        EXPECT_LT(rect->left, rect->right) << i;
        EXPECT_EQ(read->itemFromPoint(window, (rect->left + rect->right) / 2,
                                      (rect->top + rect->bottom) / 2),
                  int(i));
        rt::free(rect);
    }

    EXPECT_TRUE(dialog->setMenuBar()) << "omitted: the bar goes";
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_TRUE(IsMenu(bar->getHandle())) << "the menu itself lives on";
    EXPECT_TRUE(bar->setAsWindowMenu(window));
    EXPECT_EQ(GetMenu(window), bar->getHandle());
}

} // namespace
