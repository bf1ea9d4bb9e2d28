// The ways to split, chosen as a user chooses them: in the pop-up of a right
// click (or of the keyboard's request) and in the sub-menu 分割方式 of the
// system menu, each showing the same marks; the count box's label follows
// the mode.
#include "tests/app/tool_test_win32.h"

using namespace tooltest;

namespace {

constexpr int kLabelItem = 1001;
// The items of both menus: four modes, a separator, four options.
enum Item { kLines, kSize, kParts, kChapters, kHeader = 5, kLoneLf, kSourceNames, kPadded };
const char* const kLabels[] = {"欲分割数：", "每份KB：", "分成份数：", "每份章数："};

class ToolMenus : public ToolTest {
  protected:
    // A menu opened while the dialog still comes up is painted over.
    void SetUp() override {
        ToolTest::SetUp();
        for (DWORD start = GetTickCount(); GetForegroundWindow() != dialog_; Sleep(30))
            ASSERT_LT(GetTickCount() - start, kWait) << "the dialog never came to the front";
        settle();
    }

    // A right click on the dialog's face (or on the child at the point),
    // as the mouse sends it.
    HWND rightClick(HWND on, POINT at = {4, 4}) {
        std::vector<HWND> before = menusOf(tool_.id());
        PostMessageA(on, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        PostMessageA(on, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        return waitForMenu(tool_.id(), before, kWait);
    }

    // Shift+F10 or the menu key where the window has the focus: the system
    // asks that window for its context menu without a point.
    HWND keyboardRequest(HWND on) {
        std::vector<HWND> before = menusOf(tool_.id());
        SetFocusOf(on);
        PostMessageA(on, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(on), -1);
        return waitForMenu(tool_.id(), before, kWait);
    }

    void SetFocusOf(HWND window) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(window), TRUE,
                            SMTO_NORMAL, kWait, &result);
    }

    // The system menu by Alt+Space or by a click on the caption icon.
    HWND systemMenu(bool captionIcon) {
        std::vector<HWND> before = menusOf(tool_.id());
        if (captionIcon)
            PostMessageA(dialog_, WM_NCLBUTTONDOWN, HTSYSMENU, 0);
        else
            PostMessageA(dialog_, WM_SYSKEYDOWN, VK_SPACE, 1 | (1 << 29));
        return waitForMenu(tool_.id(), before, kWait);
    }

    // Its last item, 分割方式, opened with the keyboard; null when it does
    // not open within the time.
    HWND splitSubMenu(bool captionIcon, DWORD timeoutMs = kWait) {
        HWND system = systemMenu(captionIcon);
        if (!system) return nullptr;
        pressMenuKeys(system, {VK_UP, VK_RIGHT});
        return waitForMenu(tool_.id(), {system}, timeoutMs);
    }

    // The item chosen with the keyboard: from no selection (a pop-up) or
    // from its first item (a sub-menu opened by the keyboard).
    void choose(HWND menu, Item item, bool firstSelected = false) {
        std::vector<WPARAM> keys(item - (item > kChapters) + (firstSelected ? 0 : 1), VK_DOWN);
        keys.push_back(VK_RETURN);
        pressMenuKeys(menu, keys);
        ASSERT_TRUE(waitForWindowGone(menu, kWait));
        settle();
    }

    // Esc until no menu shows; then the menu mode that a system menu opened
    // by the keyboard keeps ends as when another window comes up.
    void closeMenus() {
        for (int i = 0; i < 5 && !menusOf(tool_.id()).empty(); ++i)
            pressMenuKeys(menusOf(tool_.id()).front(), {VK_ESCAPE});
        EXPECT_TRUE(menusOf(tool_.id()).empty());
        PostMessageA(dialog_, WM_CANCELMODE, 0, 0);
        settle();
    }

    // "x" marked, "." not, "|" a separator, "-" greyed.
    static std::string marks(HWND menu) {
        std::string shown;
        for (const MenuItemView& item : readMenu(menu))
            shown += item.separator ? '|' : item.greyed ? '-' : item.marked ? 'x' : '.';
        return shown;
    }
};

TEST_F(ToolMenus, BothMenusOfferTheModesAndOptionsWithTheSameMarksAndTheLabelFollowsTheMode) {
    EXPECT_EQ(textOf(item(kLabelItem)), "欲分割数：");

    // The pop-up from the dialog's face, from a button, from the keyboard
    // on a button (below it), and the sub-menu by Alt+Space: the design's
    // own way is marked, no option.
    HWND menu = rightClick(dialog_);
    ASSERT_NE(menu, nullptr) << "no menu on a right click";
    EXPECT_EQ(marks(menu), "x...|....");
    closeMenus();
    ASSERT_NE(menu = rightClick(item(kExportItem)), nullptr) << "none on a button";
    EXPECT_EQ(marks(menu), "x...|....");
    closeMenus();
    ASSERT_NE(menu = keyboardRequest(item(kImportItem)), nullptr) << "none from the keyboard";
    RECT button{}, shown{};
    GetWindowRect(item(kImportItem), &button);
    GetWindowRect(menu, &shown);
    EXPECT_EQ(shown.left, button.left);
    EXPECT_EQ(shown.top, button.bottom);
    EXPECT_EQ(marks(menu), "x...|....");
    closeMenus();
    ASSERT_NE(menu = splitSubMenu(false), nullptr) << "no 分割方式 in the system menu";
    EXPECT_EQ(marks(menu), "x...|....");
    closeMenus();

    // Each mode chosen in one menu is marked in both and names the number.
    const struct {
        Item mode;
        bool bySystemMenu;
        const char* marks;
    } modes[] = {
        {kChapters, false, "...x|...."},
        {kSize, true, ".x..|...."},
        {kParts, false, "..x.|...."},
        {kLines, true, "x...|...."},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.mode);
        ASSERT_NE(menu = m.bySystemMenu ? splitSubMenu(true) : rightClick(dialog_), nullptr);
        ASSERT_NO_FATAL_FAILURE(choose(menu, m.mode, m.bySystemMenu));
        EXPECT_EQ(textOf(item(kLabelItem)), kLabels[m.mode]);
        ASSERT_NE(menu = rightClick(dialog_), nullptr);
        EXPECT_EQ(marks(menu), m.marks);
        closeMenus();
        ASSERT_NE(menu = splitSubMenu(true), nullptr);
        EXPECT_EQ(marks(menu), m.marks);
        closeMenus();
    }

    // The options turn on and off one by one, whatever the mode.
    ASSERT_NE(menu = rightClick(dialog_), nullptr);
    ASSERT_NO_FATAL_FAILURE(choose(menu, kSize));
    for (Item option : {kHeader, kLoneLf, kSourceNames, kPadded}) {
        ASSERT_NE(menu = splitSubMenu(false), nullptr);
        ASSERT_NO_FATAL_FAILURE(choose(menu, option, true));
    }
    ASSERT_NE(menu = rightClick(dialog_), nullptr);
    EXPECT_EQ(marks(menu), ".x..|xxxx");
    ASSERT_NO_FATAL_FAILURE(choose(menu, kLoneLf));
    ASSERT_NE(menu = rightClick(dialog_), nullptr);
    ASSERT_NO_FATAL_FAILURE(choose(menu, kPadded));
    ASSERT_NE(menu = splitSubMenu(true), nullptr);
    EXPECT_EQ(marks(menu), ".x..|x.x.");
    closeMenus();
    EXPECT_EQ(textOf(item(kLabelItem)), kLabels[kSize]);

    // The count box keeps the edit box's own menu.
    ASSERT_NE(menu = keyboardRequest(item(kCountItem)), nullptr);
    EXPECT_NE(readMenu(menu).size(), 9u) << marks(menu);
    closeMenus();
}

class ToolMenusAtWork : public ToolMenus {
  protected:
    void SetUp() override {
        seams_ = true;
        environment_ = {{"TEXTSPLIT_FILE_DELAY", "1500"}};
        ToolMenus::SetUp();
    }
};

TEST_F(ToolMenusAtWork, NoMenuOpensWhileWorkRuns) {
    // 3 MB, each read 1.5 s late.
    std::string text;
    for (int i = 0; i < 30000; ++i)
        text += std::string(100, 'x') + "\r\n";
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("slow.txt", text)));
    for (DWORD start = GetTickCount(); textOf(item(kMessageLineItem)).rfind("正在导入", 0) != 0;
         Sleep(10))
        ASSERT_LT(GetTickCount() - start, kWait) << "no import under way";

    std::vector<HWND> before = menusOf(tool_.id());
    PostMessageA(dialog_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(4, 4));
    PostMessageA(dialog_, WM_RBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(waitForMenu(tool_.id(), before, 500), nullptr) << "a pop-up during the work";
    HWND system = systemMenu(true);
    ASSERT_NE(system, nullptr) << "the system menu stays, for moving and closing";
    EXPECT_EQ(textOf(item(kMessageLineItem)).rfind("正在导入", 0), 0u) << "the work ended";
    EXPECT_EQ(marks(system).back(), '-') << "分割方式 is not greyed";
    closeMenus();

    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[30000]行"));
    HWND menu = rightClick(dialog_);
    ASSERT_NE(menu, nullptr) << "no menu after the work";
    closeMenus();
    ASSERT_NE(splitSubMenu(true), nullptr) << "分割方式 still greyed";
    closeMenus();
}

} // namespace
