// The painters read back pixel by pixel from real controls in each scheme
// and state, the caption walk, and the GDI objects left after many paintings.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "tests/skin/skin_support.h"

namespace {

using namespace skintest;

class PaintTest : public SkinTest {
  protected:
    void SetUp() override {
        SkinTest::SetUp();
        host_ = newHost();
    }
    HWND control(const char* className, const char* text, DWORD style, int width, int height,
                 DWORD extendedStyle = 0, int x = 20) {
        HWND window =
            newControl(host_, className, text, style, x, 20, width, height, extendedStyle);
        repaint(window);
        return window;
    }
};

COLORREF face() {
    return GetSysColor(COLOR_BTNFACE);
}

// --- push button ------------------------------------------------------------------

enum class Push { Normal, Hot, Pressed, Focused, Default, Checked, Disabled };

struct PushRow {
    int scheme;
    Push state;
    COLORREF ring; // first row of the ring, or 0xFFFFFFFF when it is not one colour
    COLORREF face; // the face's top-left pixel
};

const COLORREF kPushFrames[] = {0x00733C00, 0x00066237, 0x00743C00};
constexpr COLORREF kAny = 0xFFFFFFFF;

TEST_F(PaintTest, PushButtonInEveryStateAndScheme) {
    const PushRow rows[] = {
        {1, Push::Normal, 0x00FFFFFF, 0x00FBFCFC},   {1, Push::Hot, 0x00CFF0FF, 0x00FBFCFC},
        {1, Push::Pressed, 0x00C1CCD1, 0x00DEE3E7},  {1, Push::Focused, 0x00FFE7CE, 0x00FBFCFC},
        {1, Push::Default, 0x00FFE7CE, 0x00FBFCFC},  {1, Push::Checked, kAny, 0x00DEE3E7},
        {1, Push::Disabled, 0x00EAF4F5, 0x00EAF4F5}, {2, Push::Normal, 0x00FFFFFF, 0x00FBFCFC},
        {2, Push::Hot, 0x00CFF0FF, 0x00FBFCFC},      {2, Push::Pressed, 0x00CEE3EF, 0x00CEE3EF},
        {2, Push::Focused, 0x00CFF0FF, 0x00FBFCFC},  {2, Push::Default, 0x00CFF0FF, 0x00FBFCFC},
        {2, Push::Checked, kAny, 0x00CEE3EF},        {2, Push::Disabled, 0x00EAF4F5, 0x00EAF4F5},
        {3, Push::Normal, 0x00FFFFFF, 0x00FBFCFC},   {3, Push::Hot, 0x00CFF0FF, 0x00FBFCFC},
        {3, Push::Pressed, 0x00CEE3EF, 0x00C5B2B3},  {3, Push::Focused, 0x00FFE7CE, 0x00FBFCFC},
        {3, Push::Default, 0x00FFE7CE, 0x00FBFCFC},  {3, Push::Checked, kAny, 0x00C5B2B3},
        {3, Push::Disabled, 0x00EAF4F5, 0x00EAF4F5},
    };
    for (const PushRow& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "scheme " << row.scheme << " state " << static_cast<int>(row.state));
        ASSERT_EQ(applySkin(row.scheme), 1);
        DWORD style = BS_PUSHBUTTON;
        if (row.state == Push::Default) style = BS_DEFPUSHBUTTON;
        if (row.state == Push::Checked) style = BS_AUTOCHECKBOX | BS_PUSHLIKE;
        HWND button = control("Button", "", style, 80, 24);
        switch (row.state) {
        case Push::Hot:
            hover(button);
            break;
        case Push::Pressed:
            SendMessageA(button, BM_SETSTATE, TRUE, 0);
            break;
        case Push::Focused:
            SetFocus(button);
            break;
        case Push::Checked:
            SendMessageA(button, BM_SETCHECK, BST_CHECKED, 0);
            break;
        case Push::Disabled:
            EnableWindow(button, FALSE);
            break;
        default:
            break;
        }
        repaint(button);
        const bool disabled = row.state == Push::Disabled;
        const COLORREF frame = disabled ? faceLess(0x202020) : kPushFrames[row.scheme - 1];
        const int w = 80, h = 24;
        EXPECT_EQ(pixel(button, 0, h / 2), face());
        EXPECT_EQ(pixel(button, w / 2, 1), frame);
        EXPECT_EQ(pixel(button, 1, h / 2), frame);
        if (row.ring != kAny) {
            EXPECT_EQ(pixel(button, w / 2, 2), row.ring);
            EXPECT_EQ(pixel(button, 3, 2), row.ring);
        }
        EXPECT_EQ(pixel(button, 4, 4), row.face);
        // Rounded corners.
        EXPECT_EQ(pixel(button, 1, 1), face());
        EXPECT_EQ(pixel(button, w - 2, h - 2), face());
        EXPECT_EQ(pixel(button, 2, 2), disabled ? faceLess(0x151515) : frame);
        EXPECT_EQ(pixel(button, w - 3, h - 3), disabled ? faceLess(0x151515) : frame);
        EXPECT_EQ(pixel(button, 1, 2), disabled ? faceLess(0x111111) : frame);
        EXPECT_EQ(pixel(button, w - 3, 1), disabled ? faceLess(0x111111) : frame);
        DestroyWindow(button);
        leave();
    }
}

TEST_F(PaintTest, PushButtonCaptionIsBlackOrGreyAndTheFocusRectangleIsInsetThree) {
    ASSERT_EQ(applySkin(1), 1);
    HWND button = control("Button", "WWWW", BS_PUSHBUTTON, 80, 24);
    EXPECT_GT(countPixels(button, 0x00000000), 10);
    EXPECT_EQ(countPixels(button, 0x0094A2A5), 0);
    SetFocus(button);
    repaint(button);
    // The dotted rectangle (inverting) runs over the face's rim at inset 3.
    EXPECT_NE(pixel(button, 3, 12), pixel(button, 3, 13));
    EnableWindow(button, FALSE);
    repaint(button);
    EXPECT_EQ(countPixels(button, 0x00000000), 0);
    EXPECT_GT(countPixels(button, 0x0094A2A5), 10);
}

// --- check box and radio button ------------------------------------------------------

enum class Box { Normal, Hot, Pressed, Checked, Indeterminate, Disabled, DisabledChecked };

TEST_F(PaintTest, CheckBoxBoxMarkAndSquareInEachState) {
    struct Row {
        Box state;
        COLORREF frame, inner, square, mark;
    } rows[] = {
        {Box::Normal, 0x00845118, 0x00D6DFDE, kAny, kAny},
        {Box::Hot, 0x00845118, 0x00CEF3FF, 0x00E7E7E7, kAny},
        {Box::Pressed, 0x00845118, 0x00A5B2B5, kAny, kAny},
        {Box::Checked, 0x00845118, 0x00D6DFDE, kAny, 0x0021A221},
        {Box::Indeterminate, 0x00845118, 0x00D6DFDE, 0x0073C373, kAny},
        {Box::Disabled, 0, 0x00FFFFFF, kAny, kAny},
        {Box::DisabledChecked, 0, 0x00FFFFFF, kAny, 0x00BDCBCE},
    };
    for (int scheme = 1; scheme <= 3; ++scheme) {
        ASSERT_EQ(applySkin(scheme), 1);
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << scheme << " " << static_cast<int>(row.state));
            HWND box = control("Button", "Check", BS_AUTO3STATE, 90, 20);
            switch (row.state) {
            case Box::Hot:
                hover(box);
                break;
            case Box::Pressed:
                SendMessageA(box, BM_SETSTATE, TRUE, 0);
                break;
            case Box::Checked:
                SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
                break;
            case Box::Indeterminate:
                SendMessageA(box, BM_SETCHECK, BST_INDETERMINATE, 0);
                break;
            case Box::Disabled:
                EnableWindow(box, FALSE);
                break;
            case Box::DisabledChecked:
                SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
                EnableWindow(box, FALSE);
                break;
            default:
                break;
            }
            repaint(box);
            const bool disabled = row.state == Box::Disabled || row.state == Box::DisabledChecked;
            EXPECT_EQ(pixel(box, 0, 0), disabled ? faceLess(0x202020) : row.frame);
            EXPECT_EQ(pixel(box, 12, 12), disabled ? faceLess(0x202020) : row.frame);
            EXPECT_EQ(pixel(box, 1, 1), row.inner);
            // The 7 x 7 square starts at (3, 3); the mark's strokes drop
            // 2, 3, 4, 3, 2, 1, 0 below its top and are three pixels long.
            if (row.square != kAny) {
                EXPECT_EQ(pixel(box, 9, 3), row.square);
            }
            if (row.mark != kAny) {
                const int drop[7] = {2, 3, 4, 3, 2, 1, 0};
                for (int i = 0; i < 7; ++i) {
                    EXPECT_EQ(pixel(box, 3 + i, 3 + drop[i]), row.mark) << i;
                    EXPECT_EQ(pixel(box, 3 + i, 5 + drop[i]), row.mark) << i;
                    EXPECT_NE(pixel(box, 3 + i, 6 + drop[i]), row.mark) << i;
                }
            } else {
                EXPECT_EQ(countPixels(box, 0x0021A221), 0);
            }
            DestroyWindow(box);
            leave();
        }
    }
}

TEST_F(PaintTest, RadioButtonDotGlowAndDisabledLook) {
    ASSERT_EQ(applySkin(1), 1);
    struct Row {
        const char* what;
        bool checked, hot, disabled;
    } rows[] = {
        {"normal", false, false, false},         {"hot", false, true, false},
        {"checked", true, false, false},         {"disabled", false, false, true},
        {"disabled checked", true, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        HWND radio = control("Button", "Radio", BS_AUTORADIOBUTTON, 90, 20);
        if (row.checked) SendMessageA(radio, BM_SETCHECK, BST_CHECKED, 0);
        if (row.disabled) EnableWindow(radio, FALSE);
        if (row.hot) hover(radio);
        repaint(radio);
        // Circle box (-1, 0, 15, 16); the dot is clipped to (4, 5, 10, 11).
        const COLORREF centre = pixel(radio, 7, 8);
        if (row.hot) {
            EXPECT_EQ(centre, 0x00DEEFF7u);
        } else if (row.checked && !row.disabled) {
            EXPECT_GT(GetGValue(centre), GetRValue(centre) + 40);
        } else if (row.checked) {
            EXPECT_LT(GetRValue(centre), 0xD8); // grey dot
            EXPECT_NEAR(GetRValue(centre), GetGValue(centre), 16);
        } else if (row.disabled) {
            EXPECT_EQ(centre, 0x00FFFFFFu);
        } else {
            EXPECT_GT(GetRValue(centre), 0xD0);
            EXPECT_GT(GetGValue(centre), 0xD0);
        }
        // The outline ring, left of the centre row.
        EXPECT_EQ(pixel(radio, 0, 7), row.disabled ? faceLess(0x202020) : 0x00845521);
        DestroyWindow(radio);
        leave();
    }
}

TEST_F(PaintTest, GroupBoxFrameGapAndCorners) {
    ASSERT_EQ(applySkin(2), 1);
    const COLORREF g = 0x00BFB8BF;
    for (const char* text : {"Group", ""}) {
        SCOPED_TRACE(text);
        HWND group = control("Button", text, BS_GROUPBOX, 160, 80);
        const skin::SkinRecord* record = skin::findSkinRecord(group);
        ASSERT_NE(record, nullptr);
        HDC dc = GetDC(group);
        SIZE extent{};
        if (*text) {
            HGDIOBJ old =
                SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(group, WM_GETFONT, 0, 0)));
            GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
            SelectObject(dc, old);
        } else {
            HDC memory = CreateCompatibleDC(dc);
            GetTextExtentPoint32A(memory, "kelmora", 7, &extent);
            DeleteDC(memory);
        }
        ReleaseDC(group, dc);
        const int t = extent.cy / 2;
        const COLORREF k = record->backColor;
        EXPECT_EQ(k, pixel(group, 0, 0));
        EXPECT_EQ(pixel(group, 0, 40), g);
        EXPECT_EQ(pixel(group, 80, 79), g);
        EXPECT_EQ(pixel(group, 159, 40), g);
        EXPECT_EQ(pixel(group, 0, t), k); // rounded corners
        EXPECT_EQ(pixel(group, 2, t), k);
        EXPECT_EQ(pixel(group, 2, t + 1), g);
        EXPECT_EQ(pixel(group, 1, t + 2), g);
        EXPECT_EQ(pixel(group, 159, 79), k);
        EXPECT_EQ(pixel(group, 157, 78), g);
        if (*text) {
            EXPECT_EQ(pixel(group, 8, t), k); // the gap for the caption
            EXPECT_EQ(pixel(group, extent.cx + 9, t), k);
            EXPECT_EQ(pixel(group, extent.cx + 10, t), g);
            EXPECT_EQ(pixel(group, 7, t), g);
        } else {
            EXPECT_EQ(pixel(group, 80, t), g);
        }
        DestroyWindow(group);
    }
}

// --- fields ------------------------------------------------------------------------

const COLORREF kFieldFrames[] = {0x00BD9E7B, 0x007FB9A4, 0x00D7C5C6};
const COLORREF kGlyphs[] = {0x00BD9E7B, 0x00FFFFFF, 0x00000000};

TEST_F(PaintTest, EditTwoRingsByStateAndScheme) {
    struct Row {
        const char* what;
        DWORD style;
        bool disabled;
        COLORREF inner;
    } rows[] = {
        {"normal", 0, false, GetSysColor(COLOR_WINDOW)},
        {"read-only", ES_READONLY, false, GetSysColor(COLOR_BTNFACE)},
        {"disabled", 0, true, GetSysColor(COLOR_BTNFACE)},
    };
    for (int scheme = 1; scheme <= 3; ++scheme) {
        ASSERT_EQ(applySkin(scheme), 1);
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << scheme << " " << row.what);
            HWND edit = control("Edit", "text", row.style, 80, 20, WS_EX_CLIENTEDGE);
            if (row.disabled) EnableWindow(edit, FALSE);
            repaint(edit);
            const COLORREF outer = row.disabled ? faceLess(0x202020) : kFieldFrames[scheme - 1];
            EXPECT_EQ(pixel(edit, 0, 10), outer);
            EXPECT_EQ(pixel(edit, 40, 19), outer);
            EXPECT_EQ(pixel(edit, 1, 10), row.inner);
            EXPECT_EQ(pixel(edit, 40, 1), row.inner);
            DestroyWindow(edit);
        }
    }
    // Without a border the engine leaves the edit as it draws itself.
    ASSERT_EQ(applySkin(1), 1);
    HWND bare = control("Edit", "text", 0, 80, 20);
    EXPECT_EQ(countPixels(bare, kFieldFrames[0]), 0);
}

TEST_F(PaintTest, EditOpensItsFrameTowardsItsUpDown) {
    HWND edit = newControl(host_, "Edit", "1", 0, 20, 20, 60, 20, WS_EX_CLIENTEDGE);
    HWND upDown =
        newControl(host_, UPDOWN_CLASSA, "", UDS_AUTOBUDDY | UDS_ALIGNRIGHT, 0, 0, 16, 20);
    ASSERT_EQ(applySkin(1), 1);
    ASSERT_TRUE(skin::findSkinRecord(edit)->state & skin::kUpDownOnRight);
    repaint(edit);
    const SIZE size = windowSize(edit);
    EXPECT_EQ(pixel(edit, size.cx - 1, 1), 0x00FFFFFFu);
    EXPECT_EQ(pixel(edit, size.cx - 1, size.cy - 2), 0x00FFFFFFu);
    EXPECT_EQ(pixel(edit, size.cx - 1, 0), kFieldFrames[0]);
    EXPECT_EQ(pixel(edit, 0, 5), kFieldFrames[0]);
    // The up-down of a disabled buddy is drawn disabled: grey glyphs.
    EnableWindow(edit, FALSE);
    repaint(upDown);
    EXPECT_TRUE(skin::findSkinRecord(upDown)->state & skin::kDisabled);
    EXPECT_GT(countPixels(upDown, 0x00C6CBCE), 20);
}

// Pixels of a triangle glyph around (cx, cy), drawn and left out.
struct Glyph {
    std::vector<POINT> drawn, empty;
};
Glyph upTriangle(int cx, int cy) {
    return {{{cx, cy - 2},
             {cx - 1, cy - 1},
             {cx + 1, cy - 1},
             {cx - 2, cy},
             {cx + 2, cy},
             {cx - 3, cy + 1},
             {cx - 1, cy + 1},
             {cx + 1, cy + 1},
             {cx + 3, cy + 1}},
            {{cx, cy + 1}, {cx, cy - 3}, {cx - 4, cy + 1}, {cx + 4, cy + 1}}};
}
Glyph downTriangle(int cx, int cy) {
    return {{{cx, cy + 2},
             {cx - 1, cy + 1},
             {cx + 1, cy + 1},
             {cx - 2, cy},
             {cx + 2, cy},
             {cx - 3, cy - 1},
             {cx - 1, cy - 1},
             {cx + 1, cy - 1},
             {cx + 3, cy - 1}},
            {{cx, cy - 1}, {cx, cy + 3}, {cx - 4, cy - 1}, {cx + 4, cy - 1}}};
}
Glyph leftTriangle(int cx, int cy) {
    return {{{cx - 2, cy},
             {cx - 1, cy - 1},
             {cx - 1, cy + 1},
             {cx, cy - 2},
             {cx, cy + 2},
             {cx + 1, cy - 3},
             {cx + 1, cy - 1},
             {cx + 1, cy + 1},
             {cx + 1, cy + 3}},
            {{cx + 1, cy}, {cx - 3, cy}, {cx + 1, cy - 4}, {cx + 1, cy + 4}}};
}
Glyph rightTriangle(int cx, int cy) {
    return {{{cx + 2, cy},
             {cx + 1, cy - 1},
             {cx + 1, cy + 1},
             {cx, cy - 2},
             {cx, cy + 2},
             {cx - 1, cy - 3},
             {cx - 1, cy - 1},
             {cx - 1, cy + 1},
             {cx - 1, cy + 3}},
            {{cx - 1, cy}, {cx + 3, cy}, {cx - 1, cy - 4}, {cx - 1, cy + 4}}};
}

void expectGlyph(HWND window, const Glyph& glyph, COLORREF color) {
    for (const POINT& p : glyph.drawn)
        EXPECT_EQ(pixel(window, p.x, p.y), color) << p.x << "," << p.y;
    for (const POINT& p : glyph.empty)
        EXPECT_NE(pixel(window, p.x, p.y), color) << p.x << "," << p.y;
}

TEST_F(PaintTest, UpDownArrowsInEveryScheme) {
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SCOPED_TRACE(scheme);
        ASSERT_EQ(applySkin(scheme), 1);
        // Alone, vertical 16 x 32: buttons over (-1, 1, 17, 16) and
        // (-1, 16, 17, 33), glyphs centred in them less one pixel.
        HWND vertical = control(UPDOWN_CLASSA, "", 0, 16, 32);
        expectGlyph(vertical, upTriangle(8, 8), kGlyphs[scheme - 1]);
        expectGlyph(vertical, downTriangle(8, 24), kGlyphs[scheme - 1]);
        // Horizontal 32 x 16: (1, -1, 16, 17) and (16, -1, 33, 17).
        HWND horizontal = control(UPDOWN_CLASSA, "", UDS_HORZ, 32, 16, 0, 100);
        expectGlyph(horizontal, leftTriangle(8, 8), kGlyphs[scheme - 1]);
        expectGlyph(horizontal, rightTriangle(24, 8), kGlyphs[scheme - 1]);
        // The row above the first button shows the frame colour.
        EXPECT_EQ(pixel(vertical, 8, 0), kFieldFrames[scheme - 1]);
        DestroyWindow(vertical);
        DestroyWindow(horizontal);
    }
}

TEST_F(PaintTest, UpDownHoverLightsTheHalfUnderTheMouse) {
    ASSERT_EQ(applySkin(1), 1);
    HWND upDown = control(UPDOWN_CLASSA, "", 0, 16, 32);
    // The inner faces start at (0, 2) and (0, 17): their first colours are
    // 0x00FFEBE7 normal and 0x00FFFFFF hot in scheme 1.
    EXPECT_EQ(pixel(upDown, 0, 2), 0x00FFEBE7u);
    EXPECT_EQ(pixel(upDown, 0, 17), 0x00FFEBE7u);
    SendMessageA(upDown, WM_MOUSEMOVE, 0, MAKELPARAM(8, 4));
    EXPECT_EQ(pixel(upDown, 0, 2), 0x00FFFFFFu);
    EXPECT_EQ(pixel(upDown, 0, 17), 0x00FFEBE7u);
    SendMessageA(upDown, WM_MOUSEMOVE, 0, MAKELPARAM(8, 28));
    EXPECT_EQ(pixel(upDown, 0, 2), 0x00FFEBE7u);
    EXPECT_EQ(pixel(upDown, 0, 17), 0x00FFFFFFu);
    SendMessageA(upDown, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(pixel(upDown, 0, 17), 0x00FFEBE7u);
}

TEST_F(PaintTest, ComboBoxFrameAndChevronAndItsDropList) {
    for (int scheme = 1; scheme <= 3; ++scheme) {
        SCOPED_TRACE(scheme);
        ASSERT_EQ(applySkin(scheme), 1);
        HWND combo = control("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 100, 120);
        const SIZE size = windowSize(combo);
        repaint(combo);
        EXPECT_EQ(pixel(combo, 0, size.cy / 2), kFieldFrames[scheme - 1]);
        EXPECT_EQ(pixel(combo, 1, size.cy / 2), GetSysColor(COLOR_WINDOW));
        // The arrow button: (w - 2 - thumb + 1, 2, w - 2, h - 2), glyph in its
        // inner rectangle.
        RECT button{size.cx - 2 - GetSystemMetrics(SM_CYVTHUMB) + 1, 2, size.cx - 2, size.cy - 2};
        InflateRect(&button, -1, -1);
        const int cx = button.left + (button.right - button.left) / 2;
        const int cy = button.top + (button.bottom - button.top) / 2;
        const COLORREF glyph = kGlyphs[scheme - 1];
        const POINT chevron[] = {{cx - 4, cy - 2}, {cx - 2, cy},     {cx, cy + 2},
                                 {cx + 2, cy},     {cx + 4, cy - 2}, {cx, cy}};
        for (const POINT& p : chevron)
            EXPECT_EQ(pixel(combo, p.x, p.y), glyph) << p.x << "," << p.y;
        EXPECT_NE(pixel(combo, cx, cy + 3), glyph);
        EXPECT_NE(pixel(combo, cx + 5, cy - 3), glyph);

        // Its list: no engine frame while empty, the two rings once it holds
        // an item and the mouse moves over it.
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        ASSERT_TRUE(GetComboBoxInfo(combo, &info));
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        pump();
        SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        pump();
        EXPECT_NE(pixel(info.hwndList, 0, 5), kFieldFrames[scheme - 1]);
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("two"));
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        pump();
        SendMessageA(info.hwndList, WM_MOUSELEAVE, 0, 0); // not hot yet: nothing
        SendMessageA(info.hwndList, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(pixel(info.hwndList, 0, 5), kFieldFrames[scheme - 1]);
        EXPECT_EQ(pixel(info.hwndList, 1, 5), GetSysColor(COLOR_WINDOW));
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
        pump();

        EnableWindow(combo, FALSE);
        repaint(combo);
        EXPECT_EQ(pixel(combo, 0, size.cy / 2), faceLess(0x202020));
        EXPECT_EQ(pixel(combo, cx, cy + 2), 0x00C6CBCEu);
        DestroyWindow(combo);
    }
}

// --- captions ------------------------------------------------------------------------

class CaptionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
    }
    void TearDown() override {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    int width(const char* text) {
        SIZE size{};
        GetTextExtentPoint32A(dc_, text, static_cast<int>(std::strlen(text)), &size);
        return size.cx;
    }
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(CaptionTest, LinesOfTheCaptionWalk) {
    struct Row {
        const char* what;
        std::string text;
        int room;
        std::vector<int> bytes; // of each line
    } rows[] = {
        {"two breaks", "a\r\n\r\nb", 500, {1, 0, 1}},
        {"lone CR is a character", "a\rb", 500, {3}},
        {"narrower than a character", "abc", 1, {0, 1, 1, 1}},
        {"prefix counted, not measured", "&a", 500, {2}},
        {"double-byte kept whole", "\xD6\xD0\xCE\xC4", 1, {0, 2, 2}},
        {"lead byte at the end stands alone", "ab\xD6", 500, {3}},
        {"a trail byte is taken whatever it is", "a\xD6\r\nb", 500, {5}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        skin::CaptionLayout layout;
        skin::layoutCaption(dc_, row.text.c_str(), row.room, layout);
        ASSERT_EQ(layout.count, static_cast<int>(row.bytes.size()));
        int end = 0;
        for (int k = 0; k < layout.count; ++k) {
            EXPECT_EQ(layout.lines[k].bytes, row.bytes[k]) << k;
            end = layout.lines[k].start + layout.lines[k].bytes;
            EXPECT_LE(end, static_cast<int>(row.text.size()));
        }
    }
}

TEST_F(CaptionTest, AmpersandsAreMeasuredAsTheSystemShowsThem) {
    skin::CaptionLayout layout;
    skin::layoutCaption(dc_, "a&&b", 500, layout);
    EXPECT_EQ(layout.lines[0].width, width("a") + width("&") + width("b"));
    // The second single "&" is measured: the flag is only cleared by "&".
    skin::layoutCaption(dc_, "&a&b", 500, layout);
    EXPECT_EQ(layout.lines[0].width, width("a") + width("&") + width("b"));
    skin::layoutCaption(dc_, "&ab", 500, layout);
    EXPECT_EQ(layout.lines[0].width, width("a") + width("b"));
}

TEST_F(CaptionTest, TheLongestCaptionFitsTheLineTable) {
    const std::string longest(300, 'x');
    skin::CaptionLayout layout;
    skin::layoutCaption(dc_, longest.c_str(), 1, layout);
    EXPECT_EQ(layout.count, skin::kMaxCaptionBytes + 1); // empty first, then one each
    EXPECT_EQ(layout.lines[layout.count - 1].start, skin::kMaxCaptionBytes - 1);
}

TEST_F(CaptionTest, PlacementOfTheBlock) {
    const RECT room{10, 20, 110, 70};
    const SIZE block{40, 10};
    struct Row {
        std::uint32_t code;
        RECT out;
    } rows[] = {
        {0x1, {10, 20, 50, 30}},  {0x2, {40, 20, 80, 30}},  {0x4, {70, 20, 110, 30}},
        {0x8, {10, 40, 50, 50}},  {0x10, {40, 40, 80, 50}}, {0x20, {70, 40, 110, 50}},
        {0x40, {10, 60, 50, 70}}, {0x80, {40, 60, 80, 70}}, {0x100, {70, 60, 110, 70}},
    };
    for (const Row& row : rows) {
        RECT out{};
        skin::placeBlock(block, room, out, row.code);
        EXPECT_TRUE(EqualRect(&out, &row.out)) << row.code;
    }
    EXPECT_EQ(skin::alignCode(0), 0x10u);
    EXPECT_EQ(skin::alignCode(BS_LEFT), 0x10u);
    EXPECT_EQ(skin::alignCode(BS_BOTTOM | BS_RIGHT), 0x100u);
}

TEST(SkinColours, SubtractionIsPerChannelAndStopsAtZero) {
    EXPECT_EQ(skin::darker(0x00D8E9EC, 0x202020), 0x00B8C9CCu);
    EXPECT_EQ(skin::darker(0x00101050, 0x202020), 0x00000030u); // no borrow
    EXPECT_EQ(skin::darker(0x00FF0010, 0x111111), 0x00EE0000u);
}

// --- GDI objects -----------------------------------------------------------------------

TEST_F(PaintTest, AThousandPaintingsOfEachPainterLeaveTheGdiObjectCount) {
    ASSERT_EQ(applySkin(1), 1);
    HWND edit = newControl(host_, "Edit", "1", 0, 20, 100, 60, 20, WS_EX_CLIENTEDGE);
    HWND upDown =
        newControl(host_, UPDOWN_CLASSA, "", UDS_AUTOBUDDY | UDS_ALIGNRIGHT, 0, 0, 16, 20);
    applySkin(1); // buddies marked
    HWND combo = newControl(host_, "ComboBox", "", CBS_DROPDOWNLIST, 20, 140, 100, 100);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("one"));
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    GetComboBoxInfo(combo, &info);
    struct Row {
        const char* what;
        HWND window;
        std::uint32_t extraState;
    } rows[] = {
        {"push", newControl(host_, "Button", "Push &me", BS_PUSHBUTTON, 20, 20, 80, 24),
         skin::kFocused | skin::kPressed},
        {"check", newControl(host_, "Button", "Check", BS_AUTOCHECKBOX, 20, 50, 80, 20),
         skin::kChecked | skin::kHot | skin::kFocused},
        {"radio", newControl(host_, "Button", "Radio", BS_AUTORADIOBUTTON, 20, 75, 80, 20),
         skin::kChecked | skin::kHot | skin::kFocused},
        {"group", newControl(host_, "Button", "Group", BS_GROUPBOX, 200, 20, 100, 60), 0},
        {"edit", edit, 0},
        {"combo", combo, skin::kHot},
        {"drop list", info.hwndList, 0},
        {"up-down", upDown, skin::kHot},
        {"scroll bar", nullptr, 0},
    };
    const DWORD start = gdiObjectCount();
    ASSERT_GT(start, 0u) << "GDI objects can be counted";
    {
        win::Brush probe(CreateSolidBrush(0x123456));
        EXPECT_EQ(gdiObjectCount(), start + 1);
    }
    EXPECT_EQ(gdiObjectCount(), start);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        skin::SkinRecord* record = row.window ? skin::findSkinRecord(row.window) : nullptr;
        skin::SkinRecord scrollBar{};
        if (!row.window) { // kind 6 has a painter but never a record
            scrollBar.hwnd = edit;
            scrollBar.kind = skin::kScrollBar;
            record = &scrollBar;
        }
        ASSERT_NE(record, nullptr);
        record->state |= row.extraState;
        // The first painting may make the system create a window's DC.
        skin::paintControl(*record);
        const DWORD before = gdiObjectCount();
        for (int i = 0; i < 1000; ++i)
            skin::paintControl(*record);
        EXPECT_EQ(gdiObjectCount(), before);
        record->state |= skin::kDisabled;
        for (int i = 0; i < 200; ++i)
            skin::paintControl(*record);
        EXPECT_EQ(gdiObjectCount(), before);
    }
}

} // namespace
