// Classification, the record list, subclassing and the message step of the
// skinned controls.
#include <windows.h>

#include <commctrl.h>

#include <new>

#include "skin/skin_engine.h"
#include "window/window.h"

namespace skin {

namespace {

SkinRecord* gRecords; // newest first

constexpr DWORD kRedrawAll =
    RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ERASENOW | RDW_FRAME; // 0x705

constexpr const char* kKnownClasses[] = {
    "Button",        "Edit",          "msctls_hotkey32", "SysIPAddress32",    "ListBox",
    "SysListView32", "SysTreeView32", "ComboBox",        "SysDateTimePick32", "msctls_updown32",
    "ScrollBar",     "SysMonthCal32", "SysTabControl32", "msctls_progress32", "msctls_trackbar32",
};
enum ClassIndex {
    kButtonClass = 0,
    kEditClass = 1,
    kComboClass = 7,
    kUpDownClass = 9,
    kScrollBarClass = 10,
    kMonthCalendarClass = 11,
    kTabClass = 12,
    kProgressClass = 13,
    kTrackbarClass = 14,
    kNoClass = 15,
};

constexpr DWORD kInvisibleEmptyButtonStyle = WS_CHILD | WS_TABSTOP; // 0x40010000

void unlink(SkinRecord* record) {
    for (SkinRecord** link = &gRecords; *link; link = &(*link)->next) {
        if (*link == record) {
            *link = record->next;
            return;
        }
    }
}

void freeRecord(SkinRecord* record) {
    unlink(record);
    HeapFree(GetProcessHeap(), 0, record);
}

std::int32_t buttonKind(HWND hwnd, DWORD style) {
    if (style & BS_BITMAP) return kNotAControl;
    const bool pushLike = (style & BS_PUSHLIKE) != 0;
    switch (style & 0x1F) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        // The invisible empty button some dialogs keep for a default id.
        if (GetWindowTextLengthA(hwnd) < 1 && style == kInvisibleEmptyButtonStyle)
            return kNotAControl;
        return kPushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return pushLike ? kPushButton : kCheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return pushLike ? kPushButton : kRadioButton;
    case BS_GROUPBOX:
        return kGroupBox;
    default:
        return kNotAControl;
    }
}

// The state a record takes from its window when it is attached.
void readInitialState(SkinRecord& record) {
    HWND hwnd = record.hwnd;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    record.state = (style & WS_DISABLED) ? std::uint32_t{kDisabled} : 0u;
    if (GetFocus() == hwnd) record.state |= kFocused;
    switch (record.kind) {
    case kPushButton:
    case kCheckBox:
    case kRadioButton: {
        if ((style & 0x1F) == BS_DEFPUSHBUTTON) record.state |= kDefault;
        LRESULT check = SendMessageA(hwnd, BM_GETCHECK, 0, 0);
        if (check == BST_CHECKED) record.state |= kChecked;
        if (check == BST_INDETERMINATE) record.state |= kIndeterminate;
        break;
    }
    case kEdit:
        if (style & ES_READONLY) record.state |= kReadOnly;
        break;
    case kComboBox:
        switch (style & 0x1F) {
        case 1:
            record.state |= kComboType1;
            break;
        case 2:
            record.state |= kComboDropDown;
            break;
        case 3:
            record.state |= kComboDropList;
            break;
        }
        break;
    case kUpDown: {
        if (style & UDS_HORZ) record.state |= kHorizontal;
        auto buddy = reinterpret_cast<HWND>(SendMessageA(hwnd, UDM_GETBUDDY, 0, 0));
        SkinRecord* buddyRecord = buddy ? findSkinRecord(buddy) : nullptr;
        // A buddy created after the up-down has no record yet: both stay unmarked.
        if (!buddyRecord || buddyRecord->passive || classifyWindow(buddy) != kEdit) break;
        if (style & UDS_ALIGNLEFT) {
            record.state |= kBuddyOnLeft;
            buddyRecord->state |= kUpDownOnLeft;
        } else if (style & UDS_ALIGNRIGHT) {
            record.state |= kBuddyOnRight;
            buddyRecord->state |= kUpDownOnRight;
        }
        break;
    }
    default:
        break;
    }
}

// Colours of the parent's answer to WM_CTLCOLORBTN, kept for the painters.
void refreshColors(HWND hwnd) {
    win::WindowDc dc = win::WindowDc::client(hwnd);
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd), WM_CTLCOLORBTN,
                                                       reinterpret_cast<WPARAM>(dc.get()),
                                                       reinterpret_cast<LPARAM>(hwnd)));
    LOGBRUSH logBrush{};
    if (brush) GetObjectA(brush, sizeof logBrush, &logBrush);
    // The parent's handler may have done anything to the control.
    SkinRecord* record = findSkinRecord(hwnd);
    if (!record) return;
    record->backBrush = brush;
    record->backColor = logBrush.lbColor;
    record->textColor = GetTextColor(dc.get());
}

} // namespace

SkinRecord* findSkinRecord(HWND hwnd) {
    for (SkinRecord* record = gRecords; record; record = record->next)
        if (record->hwnd == hwnd) return record;
    return nullptr;
}

std::size_t skinRecordCount(bool liveOnly) {
    std::size_t count = 0;
    for (SkinRecord* record = gRecords; record; record = record->next)
        if (!liveOnly || !record->passive) ++count;
    return count;
}

std::int32_t classifyWindow(HWND hwnd) {
    char name[260] = {};
    GetClassNameA(hwnd, name, sizeof name);
    int index = kNoClass;
    for (int i = 0; i < kNoClass; ++i) {
        if (lstrcmpiA(name, kKnownClasses[i]) == 0) {
            index = i;
            break;
        }
    }
    if (lstrcmpiA(name, "ComboLBox") == 0) return kDropList;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    switch (index) {
    case kButtonClass:
        return buttonKind(hwnd, style);
    case kEditClass: {
        char parentName[260] = {};
        GetClassNameA(GetParent(hwnd), parentName, sizeof parentName);
        return lstrcmpiA(parentName, "SysIPAddress32") == 0 ? kNotAControl : kEdit;
    }
    case kComboClass:
        return (style & 3) == CBS_SIMPLE ? kNotAControl : kComboBox;
    case kUpDownClass:
        return kUpDown;
    case kScrollBarClass:
        return kScrollBar;
    case kMonthCalendarClass:
        return kMonthCalendar;
    case kTabClass:
        return kTabControl;
    case kProgressClass:
        return kProgressBar;
    case kTrackbarClass:
        return kTrackbar;
    default:
        return kNotAControl;
    }
}

SkinRecord* attachSkin(HWND hwnd) {
    if (SkinRecord* existing = findSkinRecord(hwnd)) {
        if (!existing->passive) return nullptr;
        // Let go of earlier while another procedure sat above ours; our
        // procedure is still in the chain, so it only needs its state again.
        existing->passive = false;
        readInitialState(*existing);
        RedrawWindow(hwnd, nullptr, nullptr, kRedrawAll);
        return existing;
    }
    const std::int32_t kind = classifyWindow(hwnd);
    if (!isSkinnedKind(kind)) return nullptr;
    void* block = HeapAlloc(GetProcessHeap(), 0, sizeof(SkinRecord));
    if (!block) return nullptr; // no record: the window keeps its own look
    auto* record = new (block) SkinRecord{};
    record->hwnd = hwnd;
    record->kind = kind;
    record->next = gRecords;
    gRecords = record;
    auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&skinWindowProc)));
    if (!previous) { // not ours to subclass
        freeRecord(record);
        return nullptr;
    }
    record->previousProc = previous;
    readInitialState(*record);
    RedrawWindow(hwnd, nullptr, nullptr, kRedrawAll);
    return findSkinRecord(hwnd);
}

namespace {

// Gives the window back its previous procedure while ours is the installed
// one; otherwise the record stays in the chain, passive.
void letGo(HWND hwnd, bool redraw) {
    SkinRecord* record = findSkinRecord(hwnd);
    if (!record || record->passive) return;
    if (!IsWindow(hwnd)) {
        freeRecord(record);
        return;
    }
    if (win::restoreProcedureIfInstalled(hwnd, skinWindowProc, record->previousProc))
        freeRecord(record);
    else
        record->passive = true; // someone subclassed the window after us: stay, inert
    if (redraw) RedrawWindow(hwnd, nullptr, nullptr, kRedrawAll);
}

// A passive record forwards everything. It goes when the window is gone, or
// as soon as our procedure is the installed one again (the subclasser above
// has left), giving the previous procedure back.
LRESULT forwardPassive(SkinRecord* record, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = record->previousProc;
    if (message != WM_NCDESTROY &&
        win::restoreProcedureIfInstalled(hwnd, skinWindowProc, previous)) {
        freeRecord(record);
        return CallWindowProcA(previous, hwnd, message, wParam, lParam);
    }
    LRESULT result = CallWindowProcA(previous, hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        if (SkinRecord* still = findSkinRecord(hwnd)) freeRecord(still);
    return result;
}

} // namespace

void detachSkin(HWND hwnd) {
    letGo(hwnd, true);
}

void detachAllSkins() {
    // Detaching redraws, which may run code that touches the list: start
    // from the head again after each one.
    for (;;) {
        SkinRecord* live = gRecords;
        while (live && live->passive)
            live = live->next;
        if (!live) return;
        detachSkin(live->hwnd);
    }
}

void paintControl(SkinRecord& record) noexcept {
    using Painter = void (*)(SkinRecord&);
    static constexpr Painter kPainters[] = {paintPushButton, paintCheckBox, paintRadioButton,
                                            paintEdit,       paintComboBox, paintUpDown,
                                            paintNothing};
    try {
        if (record.kind == kGroupBox)
            paintGroupBox(record);
        else if (record.kind == kDropList)
            paintDropList(record);
        else if (record.kind >= 0 && record.kind <= kScrollBar)
            kPainters[record.kind](record);
    } catch (...) {
        // A painter that throws stops there; its buffer has been released.
    }
}

std::uint32_t updateState(SkinRecord& record, UINT message, WPARAM wParam, LPARAM lParam) {
    std::uint32_t& state = record.state;
    switch (record.kind) {
    case kPushButton:
    case kCheckBox:
    case kRadioButton:
        switch (message) {
        case WM_SETTEXT:
        case WM_PAINT:
            return kDefaultBefore | kPaint;
        case WM_ERASEBKGND:
            return kPreviousBefore;
        case BM_SETCHECK:
            state &= ~(kChecked | kIndeterminate);
            if (wParam == BST_CHECKED) state |= kChecked;
            if (wParam == BST_INDETERMINATE) state |= kIndeterminate;
            return kPreviousBefore | kPaint;
        case BM_SETSTATE:
            state = wParam ? state | kPressed : state & ~kPressed;
            return kPreviousBefore | kPaint;
        case BM_SETSTYLE:
            state = (wParam & 1) ? state | kDefault : state & ~kDefault;
            return kPreviousBefore | kPaint;
        }
        break;
    case kEdit:
        switch (message) {
        case WM_PAINT:
        case WM_NCPAINT:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return kPreviousBefore | kPaint;
        case WM_NCMOUSEMOVE:
            if (state & kHot) break;
            state |= kHot;
            return kDefaultBefore | kPaint;
        case WM_MOUSELEAVE:
            if (!(state & kHot)) break;
            state &= ~kHot;
            return kDefaultBefore | kPaint;
        }
        break;
    case kComboBox:
        switch (message) {
        case WM_LBUTTONDOWN:
            state |= kPressed;
            return kPreviousBefore | kPaint;
        case WM_LBUTTONUP:
            state &= ~kPressed;
            return kPreviousBefore | kPaint;
        case WM_PAINT:
        case WM_NCPAINT:
            return kPreviousBefore | kPaint;
        }
        break;
    case kUpDown:
        switch (message) {
        case WM_PAINT:
        case WM_NCPAINT:
            return kDefaultBefore | kPaint;
        case WM_ERASEBKGND:
            return kAnswerLowWord | 1;
        case WM_LBUTTONUP:
            state &= ~kPressed;
            return kPreviousBefore | kPaint;
        case WM_MOUSEMOVE: {
            RECT client{};
            GetClientRect(record.hwnd, &client);
            const int x = LOWORD(lParam), y = HIWORD(lParam);
            const bool first =
                (state & kHorizontal) ? x <= client.right / 2 : y <= client.bottom / 2;
            if (first == ((state & kFirstHalf) != 0)) return kRunTracker;
            state ^= kFirstHalf;
            return kRunTracker | kPreviousBefore | kPaint;
        }
        }
        break;
    case kScrollBar:
    case kGroupBox:
        if (message == WM_PAINT || message == WM_NCPAINT) return kDefaultBefore | kPaint;
        break;
    default:
        break;
    }
    return kRunTracker | kPreviousBefore;
}

std::uint32_t trackCommon(SkinRecord& record, UINT message, WPARAM wParam) {
    std::uint32_t& state = record.state;
    switch (message) {
    case WM_SETFOCUS:
        state |= kFocused;
        return kPreviousBefore | kPaint;
    case WM_KILLFOCUS:
        state &= ~kFocused;
        return kPreviousBefore | kPaint;
    case WM_ENABLE:
        state = wParam ? state & ~kDisabled : state | kDisabled;
        return kPreviousBefore | kPaint;
    case WM_MOUSEMOVE: {
        if ((state & kHot) || (wParam & MK_LBUTTON)) return kPreviousAfter;
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = record.hwnd;
        _TrackMouseEvent(&track);
        // A move read late, after the cursor has gone on (Wine delivers such
        // moves when the cursor is set from another process): Windows posts
        // the leave at once then, Wine tracks nothing and the control would
        // stay hot for good.
        POINT cursor{};
        if (GetCursorPos(&cursor) && WindowFromPoint(cursor) != record.hwnd)
            PostMessageA(record.hwnd, WM_MOUSELEAVE, 0, 0);
        state |= kHot;
        return kPreviousBefore | kPaint;
    }
    case WM_MOUSELEAVE:
        if (!(state & kHot)) return kPreviousAfter;
        state &= ~kHot;
        return kPreviousBefore | kPaint;
    }
    return kPreviousBefore;
}
#if defined(__i386__)
static_assert(sizeof(TRACKMOUSEEVENT) == 16 && sizeof(LOGBRUSH) == 12,
              "the 32-bit sizes the tracker and the colour refresh pass");
#endif

LRESULT CALLBACK skinWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    SkinRecord* record = findSkinRecord(hwnd);
    // Without a record the previous procedure is unknown: nothing to pass on.
    if (!record) return 0;
    if (record->passive) return forwardPassive(record, hwnd, message, wParam, lParam);
    // Kept now: the record may be gone after any call into the chain.
    const WNDPROC previous = record->previousProc;
    auto callPrevious = [&] { return CallWindowProcA(previous, hwnd, message, wParam, lParam); };

    if (message == WM_LBUTTONDOWN && record->kind == kUpDown) return callPrevious();
    if (message == WM_DESTROY) {
        LRESULT result = callPrevious();
        letGo(hwnd, false);
        return result;
    }
    if (message == EM_SETREADONLY && record->kind == kEdit) return callPrevious();
    if (message == WM_ERASEBKGND) {
        refreshColors(hwnd);
        if (!(record = findSkinRecord(hwnd)) || record->passive)
            return CallWindowProcA(previous, hwnd, message, wParam, lParam);
    }

    std::uint32_t mask = updateState(*record, message, wParam, lParam);
    if (mask & kRunTracker) mask |= trackCommon(*record, message, wParam);

    LRESULT result = 0;
    auto live = [&] { return (record = findSkinRecord(hwnd)) != nullptr && !record->passive; };
    if (mask & kPreviousBefore) result = callPrevious();
    if (mask & kDefaultBefore) result = DefWindowProcA(hwnd, message, wParam, lParam);
    if ((mask & kPaint) && live()) paintControl(*record);
    if ((mask & kPreviousAfter) && IsWindow(hwnd)) result = callPrevious();
    if ((mask & kDefaultAfter) && IsWindow(hwnd))
        result = DefWindowProcA(hwnd, message, wParam, lParam);
    return (mask & kAnswerLowWord) ? static_cast<LRESULT>(mask & 0xFFFF) : result;
}

} // namespace skin
