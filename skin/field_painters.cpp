// Painters of the field-like controls: edit, combo box, up-down and the
// combo box's drop-down list, with the two-ring frame and the arrow button.
#include <windows.h>

#include <commctrl.h>

#include "skin/skin_engine.h"

namespace skin {

namespace {

constexpr COLORREF kFrameColors[3] = {0x00BD9E7B, 0x007FB9A4, 0x00D7C5C6};

// Outer face, corner pixels, inner face; each group disabled, pressed, hot,
// normal.
constexpr Gradient kOuterDisabled = {0x00EFF3F7, 0x00DEE7E7, 0x00DEE3E7, 0x00DEE3E7};
constexpr Gradient kCornersDisabled = {0x00F7F7F7, 0x00EFF3F7, 0x00EFF3F7, 0x00EFF3F7};
constexpr Gradient kCornersPressed = {0x00DEC3BD, 0x00DEB6AD, 0x00FFE3DE, 0x00F7E3DE};
constexpr Gradient kCornersHot = {0x00EFDBCE, 0x00EFCFC6, 0x00E7CFC6, 0x00E7CBBD};
constexpr Gradient kInnerDisabled = {0x00F7F7F7, 0x00E7EFEF, 0x00E7EBEF, 0x00DEE7E7};

constexpr Gradient flat(std::uint32_t color) {
    return {color, color, color, color};
}

constexpr Gradient kArrowEntries[3][12] = {
    {
        kOuterDisabled,
        {0x00DEAEA5, 0x00F7CBBD, 0x00DE8273, 0x00F7C7B5},
        {0x00EFC7B5, 0x00E7AE94, 0x00DEA284, 0x00DEA68C},
        {0x00FFE3D6, 0x00F7CBBD, 0x00F7C3AD, 0x00F7C7B5},
        kCornersDisabled,
        kCornersPressed,
        kCornersHot,
        {0x00FFEFE7, 0x00FFE7DE, 0x00FFE3DE, 0x00F7E3DE},
        kInnerDisabled,
        {0x00F78E6B, 0x00F79684, 0x00EF9E8C, 0x00EFDFD6},
        {0x00FFFFFF, 0x00FFE3CE, 0x00FFDFC6, 0x00FFDBBD},
        {0x00FFEBE7, 0x00FFCFBD, 0x00FFCBB5, 0x00F7CBAD},
    },
    {
        kOuterDisabled,
        flat(0x00618376),
        flat(0x00618376),
        flat(0x007D998E),
        kCornersDisabled,
        kCornersPressed,
        kCornersHot,
        {0x00A8BEB5, 0x00B8C8C3, 0x00A8BEB5, 0x00A8BEB5},
        kInnerDisabled,
        flat(0x0077938B),
        flat(0x008DB3A2),
        {0x00A1C4B6, 0x0075A795, 0x0075A795, 0x0075A795},
    },
    {
        kOuterDisabled,
        flat(0x00484843),
        flat(0x0056665B),
        flat(0x00A29594),
        kCornersDisabled,
        {0x00BEB7BE, 0x00FFFFFF, 0x00BEB7BE, 0x00FFFFFF},
        {0x00BEB7B4, 0x00FFFFFF, 0x00BEB7BE, 0x00FFFFFF},
        flat(0x00FFFFFF),
        kInnerDisabled,
        {0x00DBC2BF, 0x00DBC2BF, 0x00FFFFFF, 0x00FFFFFF},
        {0x00FFFFFF, 0x00FFFFFF, 0x00E3D1CF, 0x00E3D1CF},
        {0x00FFFFFF, 0x00FFFFFF, 0x00DACCCB, 0x00DACCCB},
    },
};
constexpr COLORREF kGlyphColors[3] = {0x00BD9E7B, 0x00FFFFFF, 0x00000000};
constexpr COLORREF kGlyphDisabled = 0x00C6CBCE;

bool hasBorder(HWND hwnd) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
    const auto extended = static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE));
    return (style & WS_BORDER) || (extended & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
}

RECT windowBox(const PaintBuffer& buffer) {
    return {0, 0, buffer.width(), buffer.height()};
}

// Rows and columns of pixels, both ends included (LineTo leaves out its end).
void row(HDC dc, int y, int x0, int x1) {
    MoveToEx(dc, x0, y, nullptr);
    LineTo(dc, x1 + 1, y);
}
void column(HDC dc, int x, int y0, int y1) {
    MoveToEx(dc, x, y0, nullptr);
    LineTo(dc, x, y1 + 1);
}

void drawGlyph(HDC dc, int cx, int cy, std::uint32_t flags) {
    if (flags & kChevron) {
        if (!(flags & kPointDown)) return; // the only chevron in use
        const POINT lines[3][3] = {{{cx - 4, cy - 2}, {cx, cy + 2}, {cx + 5, cy - 3}},
                                   {{cx - 3, cy - 2}, {cx, cy + 1}, {cx + 4, cy - 3}},
                                   {{cx - 3, cy - 3}, {cx, cy}, {cx + 4, cy - 4}}};
        for (const auto& line : lines) {
            MoveToEx(dc, line[0].x, line[0].y, nullptr);
            LineTo(dc, line[1].x, line[1].y);
            LineTo(dc, line[2].x, line[2].y);
        }
        return;
    }
    if (!(flags & kTriangle)) return;
    if (flags & kPointUp) {
        row(dc, cy - 2, cx, cx);
        row(dc, cy - 1, cx - 1, cx + 1);
        row(dc, cy, cx - 2, cx + 2);
        row(dc, cy + 1, cx - 3, cx - 1);
        row(dc, cy + 1, cx + 1, cx + 3);
    } else if (flags & kPointDown) {
        row(dc, cy - 1, cx - 3, cx - 1);
        row(dc, cy - 1, cx + 1, cx + 3);
        row(dc, cy, cx - 2, cx + 2);
        row(dc, cy + 1, cx - 1, cx + 1);
        row(dc, cy + 2, cx, cx);
    } else if (flags & kPointLeft) {
        column(dc, cx - 2, cy, cy);
        column(dc, cx - 1, cy - 1, cy + 1);
        column(dc, cx, cy - 2, cy + 2);
        column(dc, cx + 1, cy - 3, cy - 1);
        column(dc, cx + 1, cy + 1, cy + 3);
    } else if (flags & kPointRight) {
        column(dc, cx + 2, cy, cy);
        column(dc, cx + 1, cy - 1, cy + 1);
        column(dc, cx, cy - 2, cy + 2);
        column(dc, cx - 1, cy - 3, cy - 1);
        column(dc, cx - 1, cy + 1, cy + 3);
    }
}

} // namespace

COLORREF schemeFrameColor() {
    return kFrameColors[paintScheme() - 1];
}

void drawFrame(HDC dc, RECT& rect, std::uint32_t state) {
    const bool disabled = state & kDisabled;
    frameSolid(dc, rect, disabled ? darker(faceColor(), 0x202020) : schemeFrameColor());
    InflateRect(&rect, -1, -1);
    const bool grey = disabled || (state & kReadOnly);
    FrameRect(dc, &rect, GetSysColorBrush(grey ? COLOR_BTNFACE : COLOR_WINDOW));
}

void drawArrowButton(HDC dc, RECT rect, std::uint32_t flags) {
    const int scheme = paintScheme() - 1;
    int i = 3;
    if (flags & kDisabled)
        i = 0;
    else if (flags & kPressed)
        i = 1;
    else if (flags & kHot)
        i = 2;
    const Gradient* entries = kArrowEntries[scheme];
    fillGradient(dc, rect, entries[i]);
    const Gradient& corners = entries[i + 4];
    SetPixel(dc, rect.left, rect.top, corners[0]);
    SetPixel(dc, rect.right - 1, rect.top, corners[1]);
    SetPixel(dc, rect.left, rect.bottom - 1, corners[2]);
    SetPixel(dc, rect.right - 1, rect.bottom - 1, corners[3]);
    InflateRect(&rect, -1, -1);
    fillGradient(dc, rect, entries[i + 8]);

    const int cx = rect.left + (rect.right - rect.left) / 2;
    const int cy = rect.top + (rect.bottom - rect.top) / 2;
    win::Pen pen(
        CreatePen(PS_SOLID, 1, (flags & kDisabled) ? kGlyphDisabled : kGlyphColors[scheme]));
    win::Selection selected(dc, pen.get());
    drawGlyph(dc, cx, cy, flags);
}

void paintEdit(SkinRecord& record) {
    if (!hasBorder(record.hwnd)) return;
    PaintBuffer buffer(record.hwnd, true);
    HDC dc = buffer.dc();
    RECT r = windowBox(buffer);
    const int w = buffer.width(), h = buffer.height();
    drawFrame(dc, r, record.state);
    if (record.state & (kUpDownOnLeft | kUpDownOnRight)) {
        // Open the frame towards the up-down.
        win::Selection pen(dc, GetStockObject(WHITE_PEN));
        const int x = (record.state & kUpDownOnRight) ? w - 1 : 0;
        MoveToEx(dc, x, 1, nullptr);
        LineTo(dc, x, h - 1);
    }
    buffer.finish();
}

void paintComboBox(SkinRecord& record) {
    const std::uint32_t state = record.state;
    const bool disabled = state & kDisabled;
    PaintBuffer buffer(record.hwnd, true);
    HDC dc = buffer.dc();
    RECT r = windowBox(buffer);
    drawFrame(dc, r, state);
    InflateRect(&r, -1, -1);
    HBRUSH ring = GetSysColorBrush(disabled ? COLOR_BTNFACE : COLOR_WINDOW);
    RECT button = r;
    button.left = r.right - GetSystemMetrics(SM_CYVTHUMB);
    FrameRect(dc, &button, ring);
    button.left += 1;
    drawArrowButton(dc, button, state | kChevron | kPointDown);
    buffer.finish();
}

void paintUpDown(SkinRecord& record) {
    PaintBuffer buffer(record.hwnd, false);
    HDC dc = buffer.dc();
    const bool attached = record.state & (kBuddyOnLeft | kBuddyOnRight);
    if (attached) {
        auto buddy = reinterpret_cast<HWND>(SendMessageA(record.hwnd, UDM_GETBUDDY, 0, 0));
        if (const SkinRecord* buddyRecord = buddy ? findSkinRecord(buddy) : nullptr)
            record.state = (record.state & ~kDisabled) | (buddyRecord->state & kDisabled);
    }
    const std::uint32_t state = record.state;
    RECT base{};
    GetClientRect(record.hwnd, &base);
    if (!attached) InflateRect(&base, 1, 1);
    RECT whole = windowBox(buffer);
    fillSolid(dc, whole, schemeFrameColor());

    const bool horizontal = state & kHorizontal;
    const bool firstHalf = state & kFirstHalf;
    const std::uint32_t lively = kPressed | kHot;
    RECT second = base, first = base;
    std::uint32_t secondFlags = state | kTriangle, firstFlags = state | kTriangle;
    if (horizontal) {
        const int middle = base.left + (base.right - base.left) / 2;
        second.left = middle;
        first.right = middle;
        first.left = attached ? 2 : 1;
        secondFlags |= kPointRight;
        firstFlags |= kPointLeft;
    } else {
        const int middle = base.top + (base.bottom - base.top) / 2;
        second.top = middle;
        first.bottom = middle;
        first.top = attached ? 2 : 1;
        secondFlags |= kPointDown;
        firstFlags |= kPointUp;
    }
    if (firstHalf)
        secondFlags &= ~lively;
    else
        firstFlags &= ~lively;
    drawArrowButton(dc, second, secondFlags);
    drawArrowButton(dc, first, firstFlags);
    buffer.finish();
}

void paintDropList(SkinRecord& record) {
    if (!hasBorder(record.hwnd) || SendMessageA(record.hwnd, LB_GETCOUNT, 0, 0) < 1) return;
    PaintBuffer buffer(record.hwnd, true);
    RECT r = windowBox(buffer);
    drawFrame(buffer.dc(), r, record.state);
    buffer.finish();
}

void paintNothing(SkinRecord&) {}

} // namespace skin
