// Painters of the button family: push button, check box, radio button and
// group box. Each draws the whole control off screen and copies it once.
#include <windows.h>

#include <cstring>

#include "skin/skin_engine.h"

namespace skin {

namespace {

// --- push button colours, per scheme -----------------------------------------------

constexpr COLORREF kPushFrame[3] = {0x00733C00, 0x00066237, 0x00743C00};

enum PushEntry {
    kEntryRingPressed,
    kEntryRingHot,
    kEntryRingChecked,
    kEntryRingFocused,
    kEntryRingNormal,
    kEntryFacePressed,
    kEntryFaceNormal,
};

constexpr Gradient kRingPressedLight = {0x00C1CCD1, 0x00C1CCD1, 0x00EEF1F2, 0xFFEEF1F2};
constexpr Gradient kRingPressedBlue = {0x00CEE3EF, 0x00CEE3EF, 0x00CEE3EF, 0xFFCEE3EF};
constexpr Gradient kRingHotAmber = {0x00CFF0FF, 0x00CFF0FF, 0x000097E5, 0xFF0097E5};
constexpr Gradient kRingChecked = {0x00BDCBD6, 0x00C6CFD6, 0x00EFF3F7, 0xFFEFF3F7};
constexpr Gradient kRingFocusedBlue = {0x00FFE7CE, 0x00FFE7CE, 0x00EE8269, 0xFFEE8269};
constexpr Gradient kRingNormal = {0x00FFFFFF, 0x00FFFFFF, 0x00D6DFE2, 0xFFD6DFE2};

constexpr Gradient kPushEntries[3][7] = {
    {kRingPressedLight,
     kRingHotAmber,
     kRingChecked,
     kRingFocusedBlue,
     kRingNormal,
     {0x00DEE3E7, 0x00E7E7E7, 0x00DEE3E7, 0xFFDEE3E7},
     {0x00FBFCFC, 0x00FBFCFC, 0x00E6EBEC, 0xFFE6EBEC}},
    {kRingPressedBlue,
     kRingHotAmber,
     kRingChecked,
     kRingHotAmber,
     kRingNormal,
     {0x00CEE3EF, 0x00CEE3EF, 0x00CEE3EF, 0xFFCEE3EF},
     {0x00FBFCFC, 0x00FBFCFC, 0x00C9E1EC, 0xFFC9E1EC}},
    {kRingPressedBlue,
     kRingHotAmber,
     kRingChecked,
     kRingFocusedBlue,
     kRingNormal,
     {0x00C5B2B3, 0x00C5B2B3, 0x00FBFCFC, 0xFFFBFCFC},
     {0x00FBFCFC, 0x00FBFCFC, 0x00D7C5C6, 0xFFD7C5C6}},
};

// Where the box of a check box or radio button sits beside its caption:
// its size, the height it is centred in, and its left edge when on the left.
struct SideBoxGeometry {
    int size;
    int centredIn;
    int left;
};
constexpr SideBoxGeometry kCheckBoxGeometry{13, 13, 0};
constexpr SideBoxGeometry kRadioGeometry{16, 15, -1};

// The box in the client rectangle r, by the style's vertical alignment and
// BS_RIGHTBUTTON; the caption rectangle gives way to it.
RECT placeSideBox(DWORD style, const RECT& r, RECT& caption, const SideBoxGeometry& g) {
    RECT box{};
    switch (style & (BS_TOP | BS_BOTTOM)) {
    case BS_VCENTER:
        box.top = (r.bottom - g.centredIn) / 2;
        break;
    case BS_BOTTOM:
        box.top = r.bottom - g.size;
        caption.top = box.top - 5;
        break;
    default:
        box.top = r.top;
        caption.top += 1;
        break;
    }
    box.bottom = box.top + g.size;
    if (style & BS_RIGHTBUTTON) {
        box.left = r.right - g.size;
        box.right = r.right;
        caption.right -= 18;
    } else {
        box.left = g.left;
        box.right = g.left + g.size;
        caption.left += 18;
    }
    return box;
}

constexpr COLORREF kDisabledRing = 0x00EAF4F5;
constexpr COLORREF kGreyCaption = 0x0094A2A5;

// --- check box and radio button colours (every scheme) --------------------------------

constexpr Gradient kBoxEntries[3] = {
    {0x00A5B2B5, 0x00CED7D6, 0x00CED7D6, 0x00DEEFF7}, // pressed
    {0x00CEF3FF, 0x0063CBFF, 0x0063CBFF, 0x0031B2FF}, // hot
    {0x00D6DFDE, 0x00EFF3F7, 0x00EFF3F7, 0x00FFFFFF}, // normal
};
constexpr COLORREF kBoxFrame = 0x00845118;
constexpr COLORREF kCheckMark = 0x0021A221;
constexpr COLORREF kCheckMarkDisabled = 0x00BDCBCE;

constexpr Gradient kRadioEntries[5] = {
    {0x00A5B2B5, 0x00CED7D6, 0x00CED7D6, 0x00DEEFF7}, // circle, pressed
    {0x009CDFFF, 0x0052C3FF, 0x0063CBFF, 0x0039BAFF}, // circle, hot
    {0x00D6DFDE, 0x00EFF3F7, 0x00EFF3F7, 0x00FFFFFF}, // circle, normal
    {0x00CED7D6, 0x00BDC3C6, 0x00BDC3C6, 0x00B5BEC6}, // dot, disabled
    {0x00A5DFAD, 0x0021AA29, 0x0021AA29, 0x00109210}, // dot
};
constexpr COLORREF kRadioOutline = 0x00845521;

constexpr COLORREF kGroupFrame = 0x00BFB8BF;

// Index of the state's entry among pressed, hot, normal.
int pressedHotNormal(std::uint32_t state) {
    if (state & kPressed) return 0;
    if (state & kHot) return 1;
    return 2;
}

DWORD styleOf(HWND hwnd) {
    return static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE));
}

HFONT fontOf(HWND hwnd) {
    return reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0));
}

void fillBack(HDC dc, const RECT& rect, const SkinRecord& record) {
    if (record.backBrush) FillRect(dc, &rect, record.backBrush);
}

// One-pixel pen and a brush selected for the time of a shape.
struct PenAndBrush {
    PenAndBrush(HDC dc, COLORREF penColor, HGDIOBJ brush)
        : pen(CreatePen(PS_SOLID, 1, penColor)), penSelection(dc, pen.get()),
          brushSelection(dc, brush) {}
    win::Pen pen;
    win::Selection penSelection;
    win::Selection brushSelection;
};

// The caption of a check box or radio button in T, with its focus rectangle.
void drawSideCaption(HDC dc, const SkinRecord& record, const RECT& captionRect) {
    char text[256] = {};
    GetWindowTextA(record.hwnd, text, sizeof text);
    if (!text[0]) return;
    const DWORD style = styleOf(record.hwnd);
    SetTextColor(dc, (record.state & kDisabled) ? GetSysColor(COLOR_GRAYTEXT) : record.textColor);
    win::Selection font(dc, fontOf(record.hwnd));
    SIZE size{};
    const std::uint32_t code = alignCode(style);
    drawWrappedText(dc, text, captionRect, code, &size);
    if (record.state & kFocused) {
        RECT focus{};
        placeBlock(size, captionRect, focus, code);
        DrawFocusRect(dc, &focus);
    }
}

} // namespace

void paintPushButton(SkinRecord& record) {
    const int scheme = paintScheme() - 1;
    const std::uint32_t state = record.state;
    const bool disabled = state & kDisabled;
    const COLORREF face = faceColor();
    const COLORREF frame = kPushFrame[scheme];
    const Gradient* entries = kPushEntries[scheme];

    PaintBuffer buffer(record.hwnd, false);
    HDC dc = buffer.dc();
    RECT r{};
    GetClientRect(record.hwnd, &r);
    const int w = r.right, h = r.bottom;

    fillBack(dc, r, record);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(&r, -1, -1);
    frameSolid(dc, r, disabled ? darker(face, 0x202020) : frame);
    InflateRect(&r, -1, -1);

    if (disabled) {
        fillSolid(dc, r, kDisabledRing);
    } else {
        int ring = kEntryRingNormal;
        if (state & kPressed)
            ring = kEntryRingPressed;
        else if (state & kHot)
            ring = kEntryRingHot;
        else if (state & (kChecked | kIndeterminate))
            ring = kEntryRingChecked;
        else if (state & (kFocused | kDefault))
            ring = kEntryRingFocused;
        fillGradient(dc, r, entries[ring]);
    }

    InflateRect(&r, -2, -2);
    if (state & (kPressed | kChecked | kIndeterminate))
        fillGradient(dc, r, entries[kEntryFacePressed]);
    else if (!disabled)
        fillGradient(dc, r, entries[kEntryFaceNormal]);

    const COLORREF inner = disabled ? darker(face, 0x151515) : frame;
    const COLORREF beside = disabled ? darker(face, 0x111111) : frame;
    const POINT outerCorners[] = {{1, 1}, {1, h - 2}, {w - 2, h - 2}, {w - 2, 1}};
    const POINT innerCorners[] = {{2, 2}, {2, h - 3}, {w - 3, h - 3}, {w - 3, 2}};
    const POINT besideCorners[] = {{1, 2},         {2, 1},         {w - 3, 1}, {w - 2, 2},
                                   {w - 3, h - 2}, {w - 2, h - 3}, {2, h - 2}, {1, h - 3}};
    for (const POINT& p : outerCorners)
        SetPixel(dc, p.x, p.y, face);
    for (const POINT& p : innerCorners)
        SetPixel(dc, p.x, p.y, inner);
    for (const POINT& p : besideCorners)
        SetPixel(dc, p.x, p.y, beside);

    if (state & kFocused) {
        RECT focus = r;
        InflateRect(&focus, 1, 1);
        DrawFocusRect(dc, &focus);
    }

    char text[256] = {};
    GetWindowTextA(record.hwnd, text, sizeof text);
    if (text[0]) {
        if (state & kPressed) OffsetRect(&r, 1, 1);
        SetTextColor(dc, (state & (kIndeterminate | kDisabled)) ? kGreyCaption : 0x00000000);
        win::Selection font(dc, fontOf(record.hwnd));
        drawWrappedText(dc, text, r, alignCode(styleOf(record.hwnd)), nullptr);
    }
    buffer.finish();
}

void paintCheckBox(SkinRecord& record) {
    const std::uint32_t state = record.state;
    const bool disabled = state & kDisabled;
    const DWORD style = styleOf(record.hwnd);

    PaintBuffer buffer(record.hwnd, false);
    HDC dc = buffer.dc();
    RECT r{};
    GetClientRect(record.hwnd, &r);
    RECT caption = r;
    fillBack(dc, r, record);

    RECT box = placeSideBox(style, r, caption, kCheckBoxGeometry);

    frameSolid(dc, box, disabled ? darker(faceColor(), 0x202020) : kBoxFrame);
    InflateRect(&box, -1, -1);
    if (disabled)
        FillRect(dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    else
        fillGradient(dc, box, kBoxEntries[pressedHotNormal(state)]);

    InflateRect(&box, -2, -2);
    const bool hotOnly = (state & kHot) && !(state & kPressed);
    if (state & kIndeterminate) {
        COLORREF color = 0x0073C373;
        if (disabled)
            color = 0x00BDCBCE;
        else if (state & kPressed)
            color = 0x00188A18;
        else if (state & kHot)
            color = 0x0021A221;
        fillSolid(dc, box, color);
    } else if (hotOnly) {
        fillSolid(dc, box, (state & kChecked) ? 0x00F7F7F7 : 0x00E7E7E7);
    }

    if (state & kChecked) {
        PenAndBrush pen(dc, disabled ? kCheckMarkDisabled : kCheckMark, nullptr);
        static constexpr int kDrop[7] = {2, 3, 4, 3, 2, 1, 0};
        for (int i = 0; i < 7; ++i) {
            MoveToEx(dc, box.left + i, box.top + kDrop[i], nullptr);
            LineTo(dc, box.left + i, box.top + kDrop[i] + 3);
        }
    }

    drawSideCaption(dc, record, caption);
    buffer.finish();
}

void paintRadioButton(SkinRecord& record) {
    const std::uint32_t state = record.state;
    const bool disabled = state & kDisabled;
    const DWORD style = styleOf(record.hwnd);
    const COLORREF face = faceColor();

    PaintBuffer buffer(record.hwnd, false);
    HDC dc = buffer.dc();
    RECT r{};
    GetClientRect(record.hwnd, &r);
    RECT caption = r;
    fillBack(dc, r, record);

    RECT b = placeSideBox(style, r, caption, kRadioGeometry);

    {
        const COLORREF discColor = disabled                      ? darker(face, 0x101010)
                                   : (GetVersion() & 0x80000000) ? kRadioOutline
                                                                 : 0x00CEC3B5;
        win::Brush disc(CreateSolidBrush(discColor));
        PenAndBrush tools(dc, face, disc.get());
        Ellipse(dc, b.left + 1, b.top + 1, b.right - 2, b.bottom - 2);
    }
    {
        PenAndBrush outline(dc, disabled ? darker(face, 0x202020) : kRadioOutline, nullptr);
        Arc(dc, b.left + 1, b.top + 1, b.right - 2, b.bottom - 2, 0, 0, 0, 0);
    }

    InflateRect(&b, -2, -2);
    {
        win::Region clip(CreateEllipticRgnIndirect(&b));
        SelectClipRgn(dc, clip.get());
        if (disabled)
            FillRect(dc, &b, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        else
            fillGradient(dc, b, kRadioEntries[pressedHotNormal(state)]);
        SelectClipRgn(dc, nullptr);
    }

    InflateRect(&b, -2, -2);
    if ((state & kHot) && !(state & kPressed)) {
        win::Brush glow(CreateSolidBrush(0x00DEEFF7));
        PenAndBrush tools(dc, 0x00DEEFF7, glow.get());
        Ellipse(dc, b.left, b.top, b.right - 1, b.bottom - 1);
    }

    InflateRect(&b, -1, -1);
    if (state & kChecked) {
        {
            PenAndBrush ring(dc, disabled ? 0x00CED3D6 : 0x0094CB9C, nullptr);
            Arc(dc, b.left, b.top, b.right - 1, b.bottom - 1, 0, 0, 0, 0);
        }
        win::Region clip(CreateEllipticRgnIndirect(&b));
        SelectClipRgn(dc, clip.get());
        fillGradient(dc, b, kRadioEntries[disabled ? 3 : 4]);
        SelectClipRgn(dc, nullptr);
    }

    drawSideCaption(dc, record, caption);
    buffer.finish();
}

void paintGroupBox(SkinRecord& record) {
    PaintBuffer buffer(record.hwnd, true);
    HDC dc = buffer.dc();
    RECT r{};
    GetClientRect(record.hwnd, &r);
    const int w = r.right, h = r.bottom;
    char text[256] = {};
    GetWindowTextA(record.hwnd, text, sizeof text);
    const DWORD style = styleOf(record.hwnd);

    enum Placement { kLeft, kRight, kCentre } placement = kLeft;
    if ((style & BS_RIGHT) && !(style & BS_LEFT)) placement = kRight;
    if ((style & BS_CENTER) == BS_CENTER) placement = kCentre;

    win::Selection font;
    SIZE extent{};
    int band = 2;
    if (!text[0]) {
        GetTextExtentPoint32A(dc, "kelmora", 7, &extent);
        r.top = extent.cy / 2;
    } else {
        font = win::Selection(dc, fontOf(record.hwnd));
        GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &extent);
        r.top = extent.cy / 2;
        RECT behind{10, 0, 10 + extent.cx, extent.cy};
        if (placement == kRight) behind = {w - 10 - extent.cx, 0, w - 10, extent.cy};
        if (placement == kCentre)
            behind = {(w - extent.cx) / 2, 0, (w - extent.cx) / 2 + extent.cx, extent.cy};
        fillBack(dc, behind, record);
        band = extent.cy / 2 + 2;
    }
    const RECT bands[] = {{0, 0, w, band}, {0, 0, 2, h}, {0, h - 2, w, h}, {w - 2, 0, w, h}};
    for (const RECT& each : bands)
        fillBack(dc, each, record);
    frameSolid(dc, r, kGroupFrame);

    const COLORREF k = GetPixel(dc, 0, 0);
    record.backColor = k;
    const int t = r.top;
    const POINT backPixels[] = {
        {0, t},         {0, t + 1},     {0, t + 2},     {1, t},         {2, t},
        {w - 1, t},     {w - 2, t},     {w - 3, t},     {w - 1, t + 1}, {w - 1, t + 2},
        {0, h - 1},     {0, h - 2},     {0, h - 3},     {1, h - 1},     {2, h - 1},
        {w - 1, h - 1}, {w - 1, h - 2}, {w - 1, h - 3}, {w - 2, h - 1}, {w - 3, h - 1},
    };
    const POINT framePixels[] = {{2, t + 1}, {1, t + 2}, {w - 3, t + 1}, {w - 2, t + 2},
                                 {1, h - 3}, {2, h - 2}, {w - 3, h - 2}, {w - 2, h - 3}};
    for (const POINT& p : backPixels)
        SetPixel(dc, p.x, p.y, k);
    for (const POINT& p : framePixels)
        SetPixel(dc, p.x, p.y, kGroupFrame);

    if (text[0]) {
        const int row = extent.cy / 2;
        int from = 8, to = extent.cx + 9;
        if (placement == kRight) from = w - 10 - extent.cx, to = w - 11;
        if (placement == kCentre)
            from = (w - extent.cx) / 2 - 5, to = (w - extent.cx) / 2 + extent.cx + 4;
        for (int x = from; x <= to; ++x)
            SetPixel(dc, x, row, k);
        SetTextColor(dc, record.textColor);
        RECT place{9, 0, w, h};
        UINT format = DT_SINGLELINE | DT_LEFT;
        if (placement == kRight) place = {0, 0, w - 10, h}, format = DT_SINGLELINE | DT_RIGHT;
        if (placement == kCentre) place = {0, 0, w, h}, format = DT_SINGLELINE | DT_CENTER;
        DrawTextA(dc, text, -1, &place, format);
    }
    font.restore();
    buffer.finish();
}

} // namespace skin
