// Which windows the engine takes over, when it lets them go, and that it
// never cuts another subclasser's procedure out of a window.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "controls/control.h"
#include "runtime/values.h"
#include "tests/skin/skin_support.h"
#include "window/dialog.h"

namespace {

using namespace skintest;
using skin::findSkinRecord;

WNDPROC procOf(HWND window) {
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

class AttachTest : public SkinTest {};

struct ClassRow {
    int id;
    const char* what;
    int kind;
    bool attached;
};

TEST_F(AttachTest, DialogCreatedAfterSwitchingOnHasEveryDrawnKindAttached) {
    ASSERT_EQ(applySkin(1), 1);
    HWND dialog = newDialog(3000);
    ASSERT_NE(dialog, nullptr);
    const ClassRow rows[] = {
        {101, "push button", skin::kPushButton, true},
        {102, "default push button", skin::kPushButton, true},
        {103, "check box", skin::kCheckBox, true},
        {104, "3-state check box", skin::kCheckBox, true},
        {114, "manual 3-state check box", skin::kCheckBox, true},
        {105, "radio button", skin::kRadioButton, true},
        {106, "group box", skin::kGroupBox, true},
        {107, "push-like check box", skin::kPushButton, true},
        {108, "push-like radio button", skin::kPushButton, true},
        {109, "owner-draw button", skin::kNotAControl, false},
        {110, "bitmap button", skin::kNotAControl, false},
        {111, "invisible empty push button", skin::kNotAControl, false},
        {112, "invisible push button with text", skin::kPushButton, true},
        // At WM_CREATE a window has no WS_VISIBLE yet: an empty tab-stop push
        // button created after switching on looks like the invisible one.
        {113, "visible empty push button", skin::kPushButton, false},
        {120, "edit", skin::kEdit, true},
        {121, "drop-down list combo box", skin::kComboBox, true},
        {122, "drop-down combo box", skin::kComboBox, true},
        {123, "simple combo box", skin::kNotAControl, false},
        {124, "up-down", skin::kUpDown, true},
        {130, "list box", skin::kNotAControl, false},
        {131, "list view", skin::kNotAControl, false},
        {132, "tree view", skin::kNotAControl, false},
        {133, "date-time picker", skin::kNotAControl, false},
        {134, "hot-key control", skin::kNotAControl, false},
        {135, "IP address control", skin::kNotAControl, false},
        {140, "scroll bar", skin::kScrollBar, false},
        {141, "month calendar", skin::kMonthCalendar, false},
        {142, "tab control", skin::kTabControl, false},
        {143, "progress bar", skin::kProgressBar, false},
        {144, "trackbar", skin::kTrackbar, false},
    };
    for (const ClassRow& row : rows) {
        SCOPED_TRACE(row.what);
        HWND item = GetDlgItem(dialog, row.id);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(skin::classifyWindow(item), row.kind);
        const skin::SkinRecord* record = findSkinRecord(item);
        EXPECT_EQ(record != nullptr, row.attached);
        EXPECT_EQ(procOf(item) == &skin::skinWindowProc, row.attached);
        if (record) {
            EXPECT_EQ(record->kind, row.kind);
        }
    }
    EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(dialog, 111), GWL_STYLE), WS_CHILD | WS_TABSTOP);

    // The fields of the IP address control are edits the engine leaves alone.
    int fields = 0;
    for (HWND field = GetWindow(GetDlgItem(dialog, 135), GW_CHILD); field;
         field = GetWindow(field, GW_HWNDNEXT)) {
        ++fields;
        EXPECT_EQ(skin::classifyWindow(field), skin::kNotAControl);
        EXPECT_EQ(findSkinRecord(field), nullptr);
    }
    EXPECT_EQ(fields, 4);

    // Both drop-down combo boxes have their lists attached as drop lists,
    // and carry their type bits.
    for (int id : {121, 122}) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(GetDlgItem(dialog, id), &info));
        const skin::SkinRecord* list = findSkinRecord(info.hwndList);
        ASSERT_NE(list, nullptr) << id;
        EXPECT_EQ(list->kind, skin::kDropList);
    }
    EXPECT_TRUE(findSkinRecord(GetDlgItem(dialog, 121))->state & skin::kComboDropList);
    EXPECT_TRUE(findSkinRecord(GetDlgItem(dialog, 122))->state & skin::kComboDropDown);
    EXPECT_TRUE(findSkinRecord(GetDlgItem(dialog, 102))->state & skin::kDefault);
    EXPECT_FALSE(findSkinRecord(GetDlgItem(dialog, 101))->state & skin::kDefault);
    DestroyWindow(dialog);
}

TEST_F(AttachTest, UpDownIsMarkedOnlyWhenItsBuddyEditWasAttachedFirst) {
    HWND dialog = newDialog(3001);
    HWND lateUpDown = GetDlgItem(dialog, 205), lateEdit = GetDlgItem(dialog, 206);
    SendMessageA(lateUpDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(lateEdit), 0);
    ASSERT_EQ(applySkin(1), 1);

    struct Row {
        int upDown, edit;
        std::uint32_t upDownBits, editBits;
    } rows[] = {
        {202, 201, skin::kBuddyOnRight, skin::kUpDownOnRight},
        {204, 203, skin::kBuddyOnLeft, skin::kUpDownOnLeft},
        {205, 206, 0, 0}, // the up-down comes before its buddy
    };
    const std::uint32_t buddyBits = skin::kBuddyOnLeft | skin::kBuddyOnRight;
    const std::uint32_t editBits = skin::kUpDownOnLeft | skin::kUpDownOnRight;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.upDown);
        const skin::SkinRecord* upDown = findSkinRecord(GetDlgItem(dialog, row.upDown));
        const skin::SkinRecord* edit = findSkinRecord(GetDlgItem(dialog, row.edit));
        ASSERT_TRUE(upDown && edit);
        EXPECT_EQ(upDown->state & buddyBits, row.upDownBits);
        EXPECT_EQ(edit->state & editBits, row.editBits);
    }
    DestroyWindow(dialog);
}

TEST_F(AttachTest, SwitchingOffGivesEveryWindowItsProcedureBackAndOnAgainTakesThemAgain) {
    HWND dialog = newDialog(3001);
    std::vector<std::pair<HWND, WNDPROC>> before;
    for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT))
        before.emplace_back(item, procOf(item));
    ASSERT_EQ(before.size(), 8u);

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(applySkin(round ? 3 : 1), 1);
        EXPECT_EQ(skin::schemeNumber(), round ? 3 : 1);
        EXPECT_EQ(skin::skinRecordCount(), before.size());
        for (auto& [item, proc] : before)
            EXPECT_EQ(procOf(item), &skin::skinWindowProc);
        EXPECT_NE(applySkin(0), 0);
        EXPECT_EQ(skin::schemeNumber(), 0);
        EXPECT_EQ(skin::skinRecordCount(), 0u);
        for (auto& [item, proc] : before)
            EXPECT_EQ(procOf(item), proc);
    }
    // Off when off: nothing to remove.
    EXPECT_EQ(applySkin(4), 0);
    EXPECT_EQ(skin::schemeNumber(), 4);
    EXPECT_FALSE(skin::skinActive());
    DestroyWindow(dialog);
}

TEST_F(AttachTest, SwitchingOffLetsGoOfRecordsEvenWithoutAHook) {
    // As after a creation hook that could not be installed: records, no hook.
    host_ = newHost();
    HWND button = newControl(host_, "Button", "x", BS_PUSHBUTTON, 10, 10, 80, 24);
    const WNDPROC own = procOf(button);
    EXPECT_EQ(applySkin(5), 0); // stored, and off
    ASSERT_NE(skin::attachSkin(button), nullptr);
    ASSERT_FALSE(skin::skinActive());
    // A scheme outside 1 to 3 that reaches a painter paints scheme 1.
    repaint(button);
    EXPECT_EQ(pixel(button, 40, 1), 0x00733C00u);
    EXPECT_EQ(skin::setSkinActive(0), 0);
    EXPECT_EQ(findSkinRecord(button), nullptr);
    EXPECT_EQ(procOf(button), own);
    EXPECT_EQ(skin::setSkinActive(7), 0);
}

TEST_F(AttachTest, AttachingTwiceKeepsOneRecordAndDestroyingFreesIt) {
    host_ = newHost();
    ASSERT_EQ(applySkin(2), 1);
    HWND button = newControl(host_, "Button", "x", BS_PUSHBUTTON, 10, 10, 80, 24);
    HWND edit = newControl(host_, "Edit", "", WS_BORDER, 10, 40, 80, 20);
    ASSERT_NE(findSkinRecord(button), nullptr);
    EXPECT_EQ(skin::attachSkin(button), nullptr);
    EXPECT_EQ(skin::skinRecordCount(), 2u);
    DestroyWindow(button);
    EXPECT_EQ(findSkinRecord(button), nullptr);
    EXPECT_NE(findSkinRecord(edit), nullptr);
    EXPECT_EQ(skin::skinRecordCount(), 1u);
}

// --- another subclasser above the engine ----------------------------------------

template <class T> void freeObject(T*& object) {
    if (!object) return;
    object->release();
    rt::free(object);
    object = nullptr;
}

TEST_F(AttachTest, DestroyingAControlBoundOverTheSkinUnbindsItsObject) {
    host_ = newHost();
    ASSERT_EQ(applySkin(1), 1);
    HWND control = newControl(host_, "Button", "bound", BS_PUSHBUTTON, 10, 10, 80, 24);
    auto* button = win::newWindowObject<win::Button>();
    ASSERT_TRUE(button->attachHandle(control));
    ASSERT_EQ(procOf(control), &win::libraryWindowProc);

    DestroyWindow(control);
    EXPECT_EQ(button->handle(), nullptr); // the library saw WM_NCDESTROY
    EXPECT_EQ(win::findWindowObject(control), nullptr);
    EXPECT_EQ(skin::skinRecordCount(), 0u);
    freeObject(button);
}

TEST_F(AttachTest, SwitchingOffUnderABoundControlKeepsTheLibraryProcedure) {
    host_ = newHost();
    ASSERT_EQ(applySkin(1), 1);
    HWND control = newControl(host_, "Button", "bound", BS_PUSHBUTTON, 10, 10, 80, 24);
    HWND plain = newControl(host_, "Button", "plain", BS_PUSHBUTTON, 10, 40, 80, 24);
    const SIZE size = windowSize(control);
    auto* button = win::newWindowObject<win::Button>();
    ASSERT_TRUE(button->attachHandle(control));
    repaint(control);
    EXPECT_EQ(pixel(control, size.cx / 2, 1), 0x00733C00u);

    EXPECT_NE(applySkin(0), 0);
    EXPECT_EQ(procOf(control), &win::libraryWindowProc);
    EXPECT_NE(procOf(plain), &skin::skinWindowProc);
    EXPECT_EQ(skin::liveRecordCount(), 0u);
    EXPECT_EQ(skin::skinRecordCount(), 1u); // passive, still in the chain
    // Passive: messages still pass, the engine no longer paints.
    char text[16] = {};
    EXPECT_EQ(GetWindowTextA(control, text, sizeof text), 5);
    repaint(control);
    EXPECT_NE(pixel(control, size.cx / 2, 1), 0x00733C00u);

    // On again: the record is drawn again, the library still on top.
    ASSERT_EQ(applySkin(1), 1);
    EXPECT_EQ(procOf(control), &win::libraryWindowProc);
    EXPECT_EQ(skin::liveRecordCount(), 2u);
    repaint(control);
    EXPECT_EQ(pixel(control, size.cx / 2, 1), 0x00733C00u);

    // Off, then the library leaves: the next message gives the button its
    // own procedure back and frees the record.
    applySkin(0);
    button->release();
    EXPECT_EQ(procOf(control), &skin::skinWindowProc);
    SendMessageA(control, WM_NULL, 0, 0);
    EXPECT_EQ(procOf(control), procOf(plain));
    EXPECT_EQ(skin::skinRecordCount(), 0u);
    rt::free(button);
}

// The tool's way: the skin first, then the bindings, in the dialog's init.
win::Button* gBound;
bool gBoundOk;
std::intptr_t skinThenBind(std::intptr_t dialog) {
    applySkin(1);
    gBoundOk = gBound->bindDialogItem(reinterpret_cast<HWND>(dialog), 207);
    return 0;
}

TEST_F(AttachTest, DialogShownTwiceInOneProcessBindsBothTimes) {
    gBound = win::newWindowObject<win::Button>();
    auto* dialog = win::newWindowObject<win::Dialog>();
    for (int showing = 0; showing < 2; ++showing) {
        SCOPED_TRACE(showing);
        gBoundOk = false;
        ASSERT_TRUE(dialog->showModeless(std::nullopt, MAKEINTRESOURCEA(3001),
                                         reinterpret_cast<win::Handler>(&skinThenBind), ""));
        EXPECT_TRUE(gBoundOk);
        HWND item = GetDlgItem(dialog->handle(), 207);
        EXPECT_EQ(procOf(item), &win::libraryWindowProc);
        EXPECT_EQ(findSkinRecord(item)->previousProc != nullptr, true);
        DestroyWindow(dialog->handle());
        pump();
        EXPECT_EQ(gBound->handle(), nullptr);
        EXPECT_EQ(skin::skinRecordCount(), 0u);
    }
    freeObject(gBound);
    freeObject(dialog);
}

} // namespace
