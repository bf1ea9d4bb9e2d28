// The ways to split, chosen as a user chooses them: in the pop-up of a right
// click (or of the keyboard's request) and in the sub-menu 分割方式 of the
// system menu, each showing the same marks; the count box's label follows
// the mode; and every choice reaches the export as it was made.
#include <map>

#include "app/split_core.h"
#include "app/split_options.h"
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
    // asks that window for its context menu without a point. Wine makes no
    // such request of keys posted from outside, so the test makes it.
    HWND keyboardRequest(HWND on) {
        std::vector<HWND> before = menusOf(tool_.id());
        DWORD_PTR result = 0;
        SendMessageTimeoutA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(on), TRUE, SMTO_NORMAL,
                            kWait, &result);
        PostMessageA(on, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(on), -1);
        return waitForMenu(tool_.id(), before, kWait);
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

    // Its last item, 分割方式, opened with the keyboard.
    HWND splitSubMenu(bool captionIcon) {
        HWND system = systemMenu(captionIcon);
        if (!system) return nullptr;
        pressMenuKeys(system, {VK_UP, VK_RIGHT});
        return waitForMenu(tool_.id(), {system}, kWait);
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
};

TEST_F(ToolMenus, BothMenusOfferTheModesAndOptionsWithTheSameMarksAndTheLabelFollowsTheMode) {
    EXPECT_EQ(textOf(item(kLabelItem)), "欲分割数：");

    // The pop-up from the dialog's face, a button and the keyboard (below
    // the button), and the sub-menu by Alt+Space: the design's own way
    // marked, no option.
    HWND menu = nullptr;
    const std::function<HWND()> openers[] = {
        [&] { return rightClick(dialog_); }, [&] { return rightClick(item(kExportItem)); },
        [&] { return keyboardRequest(item(kImportItem)); }, [&] { return splitSubMenu(false); }};
    for (const auto& open : openers) {
        ASSERT_NE(menu = open(), nullptr) << "opener " << (&open - openers);
        EXPECT_EQ(readMenu(menu), "x...|....");
        RECT button{}, shown{};
        GetWindowRect(item(kImportItem), &button);
        GetWindowRect(menu, &shown);
        if (&open == &openers[2]) {
            EXPECT_TRUE(shown.left == button.left && shown.top == button.bottom);
        }
        closeMenus();
    }

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
        EXPECT_EQ(readMenu(menu), m.marks);
        closeMenus();
        ASSERT_NE(menu = splitSubMenu(true), nullptr);
        EXPECT_EQ(readMenu(menu), m.marks);
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
    EXPECT_EQ(readMenu(menu), ".x..|xxxx");
    ASSERT_NO_FATAL_FAILURE(choose(menu, kLoneLf));
    ASSERT_NE(menu = rightClick(dialog_), nullptr);
    ASSERT_NO_FATAL_FAILURE(choose(menu, kPadded));
    ASSERT_NE(menu = splitSubMenu(true), nullptr);
    EXPECT_EQ(readMenu(menu), ".x..|x.x.");
    closeMenus();
    EXPECT_EQ(textOf(item(kLabelItem)), kLabels[kSize]);

    // The count box keeps the edit box's own menu.
    ASSERT_NE(menu = keyboardRequest(item(kCountItem)), nullptr);
    EXPECT_NE(readMenu(menu).size(), 9u) << readMenu(menu);
    closeMenus();
}

// The picture of the documentation: the dialog with three lines imported and
// a count typed, its menu open beside it (tool_menu.bmp in the working folder).
TEST_F(ToolMenus, PictureOfTheMenuOpen) {
    ASSERT_NO_FATAL_FAILURE(importThreeLines());
    typeCount("2");
    SetCursorPos(1000, 740);
    RECT face{};
    GetClientRect(dialog_, &face);
    HWND menu = rightClick(dialog_, {face.right - 12, face.bottom / 2});
    ASSERT_NE(menu, nullptr);
    RECT whole{}, shown{};
    GetWindowRect(dialog_, &whole);
    GetWindowRect(menu, &shown);
    UnionRect(&whole, &whole, &shown);
    EXPECT_TRUE(saveSideBySide({grabScreen(whole)}, "tool_menu.bmp"));
    closeMenus();
}

// --- the files of each way, as the splitting core writes them ----------------

// The choices a case makes, as the core takes them.
app::SplitOptions optionsOf(Item mode, const std::vector<Item>& options) {
    const auto has = [&](Item o) { return std::count(options.begin(), options.end(), o) > 0; };
    app::SplitOptions chosen;
    chosen.mode = app::SplitMode(mode);
    chosen.header = has(kHeader);
    chosen.loneLf = has(kLoneLf);
    chosen.sourceNames = has(kSourceNames);
    chosen.padded = has(kPadded);
    return chosen;
}

// The files by name in a folder.
std::map<std::string, std::string> filesOf(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const std::string& name : filesIn(folder))
        files[name] = readBytes(folder + "\\" + name);
    return files;
}

// What the splitting core itself, here in the test, writes of the file with
// these choices and its line count: the tool must hand the choices over as
// they were made in its menus. (The core's tests hold the rules.)
std::map<std::string, std::string> coreFiles(const std::string& path,
                                             const app::SplitOptions& options,
                                             const std::string& count, const std::string& folder,
                                             std::int64_t* lines) {
    app::createLines();
    *lines = app::importFile(path.c_str(), nullptr, options.loneLf);
    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    app::exportLines(folder.c_str(), count.c_str(), nullptr, options);
    app::releaseLines();
    return filesOf(folder);
}

class ToolMenuExports : public ToolMenus {
  protected:
    // Turns the mode and each option to what the case asks, in the pop-up.
    void want(Item mode, std::vector<Item> options) {
        std::vector<Item> changes{mode};
        for (Item option : {kHeader, kLoneLf, kSourceNames, kPadded}) {
            const bool on = std::count(options.begin(), options.end(), option) > 0;
            if (on != (std::count(on_.begin(), on_.end(), option) > 0)) changes.push_back(option);
        }
        on_ = options;
        for (Item change : changes) {
            HWND menu = rightClick(dialog_);
            ASSERT_NE(menu, nullptr);
            ASSERT_NO_FATAL_FAILURE(choose(menu, change));
        }
    }

    // Exports into a new folder; the box's text and the files by name.
    std::map<std::string, std::string> exportAll(const std::string& count, std::string* said) {
        setWindowText(item(kCountItem), "");
        typeCount(count);
        const std::string folder = work_ + "\\" + std::to_string(++exports_);
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        HWND browser = startExport();
        if (!browser || !isFolderBrowser(browser)) {
            ADD_FAILURE() << "no folder browser";
            return {};
        }
        chooseFolder(browser, folder);
        *said = answerBox().text;
        return filesOf(folder);
    }

    // Imports the file with the choices made, exports it and compares.
    void checkExport(const std::string& file, const std::string& bytes, Item mode,
                     const std::vector<Item>& options, const std::string& count) {
        SCOPED_TRACE(file + " mode " + std::to_string(mode) + " count " + count);
        ASSERT_NO_FATAL_FAILURE(want(mode, options));
        const std::string path = writeInput(file, bytes);
        ASSERT_NO_FATAL_FAILURE(importFile(path));
        std::int64_t lines = 0;
        const auto expected = coreFiles(path, optionsOf(mode, options), count,
                                        work_ + "\\core" + std::to_string(exports_), &lines);
        ASSERT_GT(expected.size(), 0u);
        const std::string imported = "文本导入行数为[" + std::to_string(lines) + "]行";
        ASSERT_TRUE(waitForItemText(kMessageLineItem, imported)) << textOf(item(kMessageLineItem));
        std::string said;
        EXPECT_EQ(exportAll(count, &said), expected);
        EXPECT_EQ(said, "共导出" + std::to_string(expected.size()) + "个文本");
    }

    std::vector<Item> on_;
    int exports_ = 0;
};

std::string novel() {
    return join({"我的小说", "前言", "第一章 开始", "a", "b\nc", "  第2节 继续", "第一天",
                 "　第十回 中", "d", "第１２卷 末", "第一二三四五六七八九十章", "e"},
                "\r\n");
}

TEST_F(ToolMenuExports, EachModeAndOptionReachesTheExportAsChosen) {
    std::string sized;
    for (char c : std::string("ABCDEFG"))
        sized += std::string(c == 'D' ? 1500 : 300, c) + "\r\n";
    const struct {
        const char* file;
        std::string bytes;
        Item mode;
        std::vector<Item> options;
        const char* count;
    } cases[] = {
        // Each mode but the default (which every other test exports) and each
        // option once at least; the rules are the core's tests'.
        {"小说.txt", novel(), kChapters, {kHeader, kPadded}, "1"},
        {"data.csv", novel(), kParts, {kSourceNames}, "5"},
        {"sized.txt", sized, kSize, {kHeader}, "1"},
    };
    for (const auto& c : cases)
        ASSERT_NO_FATAL_FAILURE(checkExport(c.file, c.bytes, c.mode, c.options, c.count));

    // Chapters in a text without a heading: a box says so and nothing is asked.
    ASSERT_NO_FATAL_FAILURE(want(kChapters, {}));
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("plain.txt", "a\r\nb")));
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[2]行"));
    setWindowText(item(kCountItem), "1");
    pressButton(item(kExportItem));
    EXPECT_EQ(answerBox().text, "没有找到章节标题");
    EXPECT_TRUE(staysQuiet(500)) << "asked for a folder";
}

TEST_F(ToolMenuExports, ALoneLfEndsALineFromTheNextImportOnAndKeepsItsEnd) {
    ASSERT_NO_FATAL_FAILURE(importFile(writeInput("小说.txt", novel())));
    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[12]行"));
    ASSERT_NO_FATAL_FAILURE(want(kLines, {kLoneLf}));
    std::string said;
    EXPECT_EQ(exportAll("20", &said).size(), 1u) << "taken before the next import";
    ASSERT_NO_FATAL_FAILURE(checkExport("小说.txt", novel(), kLines, {kLoneLf}, "2"));
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
    EXPECT_EQ(readMenu(system).back(), '-') << "分割方式 is not greyed";
    closeMenus();

    ASSERT_TRUE(waitForItemText(kMessageLineItem, "文本导入行数为[30000]行"));
    HWND menu = rightClick(dialog_);
    ASSERT_NE(menu, nullptr) << "no menu after the work";
    closeMenus();
    ASSERT_NE(splitSubMenu(true), nullptr) << "分割方式 still greyed";
    closeMenus();
}

} // namespace
