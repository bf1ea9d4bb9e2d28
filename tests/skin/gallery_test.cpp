// One dialog with every kind the engine draws, in the three schemes side by
// side: the picture of the documentation, made by the test run
// (skin_gallery.bmp in the working folder).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "tests/skin/skin_support.h"
#include "tests/support/gui_driver_win32.h"

namespace {

using namespace skintest;

class GalleryTest : public SkinTest {};

TEST_F(GalleryTest, EveryKindInTheThreeSchemes) {
    HWND dialog = newDialog(3002); // before switching on: the up-down finds its edit
    ASSERT_NE(dialog, nullptr);
    HWND combo = GetDlgItem(dialog, 310);
    for (const char* item : {"First", "Second", "Third"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    CheckDlgButton(dialog, 304, BST_CHECKED);
    CheckDlgButton(dialog, 305, BST_INDETERMINATE);
    CheckDlgButton(dialog, 306, BST_CHECKED);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(combo, &info));

    const COLORREF frames[] = {0x00733C00, 0x00066237, 0x00743C00};
    std::vector<testsupport::ScreenGrab> shots;
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SCOPED_TRACE(scheme);
        ASSERT_EQ(applySkin(scheme), 1);
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        // Its frame: the cursor really there, or the hover ends at once.
        RECT dropped{};
        GetWindowRect(info.hwndList, &dropped);
        SetCursorPos(dropped.left + 2, dropped.top + 2);
        SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        pumpUntil([] { return false; }, 300);
        HWND push = GetDlgItem(dialog, 302);
        EXPECT_EQ(pixel(push, windowSize(push).cx / 2, 1), frames[scheme - 1]);
        RECT whole{}, list{};
        GetWindowRect(dialog, &whole);
        GetWindowRect(info.hwndList, &list);
        UnionRect(&whole, &whole, &list);
        InflateRect(&whole, 4, 4);
        shots.push_back(testsupport::grabWindows(whole, {dialog, info.hwndList}));
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        pump();
    }
    EXPECT_TRUE(testsupport::saveSideBySide(shots, "skin_gallery.bmp"));
    DestroyWindow(dialog);
}

} // namespace
