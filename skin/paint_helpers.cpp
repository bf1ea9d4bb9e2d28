// Drawing helpers of the painters: the off-screen buffer, the four-corner
// gradient, solid fills and frames, and the multi-line caption.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "runtime/text.h"
#include "skin/skin_engine.h"

namespace skin {

COLORREF darker(COLORREF color, COLORREF amount) {
    COLORREF result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int channel = static_cast<int>((color >> shift) & 0xFF);
        const int minus = static_cast<int>((amount >> shift) & 0xFF);
        result |= static_cast<COLORREF>(std::max(channel - minus, 0)) << shift;
    }
    return result;
}

COLORREF faceColor() {
    return GetSysColor(COLOR_BTNFACE);
}

// --- paint buffer ------------------------------------------------------------

PaintBuffer::PaintBuffer(HWND window, bool copyIn) : window_(window) {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    width_ = bounds.right - bounds.left;
    height_ = bounds.bottom - bounds.top;
    windowDc_ = win::WindowDc::whole(window);
    memory_.reset(CreateCompatibleDC(windowDc_.get()));
    SetBkMode(memory_.get(), TRANSPARENT);
    bitmap_.reset(CreateCompatibleBitmap(windowDc_.get(), width_, height_));
    bitmapSelection_ = win::Selection(memory_.get(), bitmap_.get());
    if (copyIn) BitBlt(memory_.get(), 0, 0, width_, height_, windowDc_.get(), 0, 0, SRCCOPY);
}

void PaintBuffer::finish() {
    RECT bounds{};
    GetWindowRect(window_, &bounds);
    BitBlt(windowDc_.get(), 0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top,
           memory_.get(), 0, 0, SRCCOPY);
}

// --- fills ----------------------------------------------------------------------

namespace {

TRIVERTEX vertex(LONG x, LONG y, std::uint32_t color) {
    TRIVERTEX v{};
    v.x = x;
    v.y = y;
    v.Red = static_cast<COLOR16>((color & 0xFF) << 8);
    v.Green = static_cast<COLOR16>(((color >> 8) & 0xFF) << 8);
    v.Blue = static_cast<COLOR16>(((color >> 16) & 0xFF) << 8);
    v.Alpha = static_cast<COLOR16>(((color >> 24) & 0xFF) << 8);
    return v;
}

} // namespace

void fillGradient(HDC dc, const RECT& rect, const Gradient& entry) {
    TRIVERTEX corners[4] = {
        vertex(rect.left, rect.top, entry[0]),
        vertex(rect.right, rect.top, entry[1]),
        vertex(rect.left, rect.bottom, entry[2]),
        vertex(rect.right, rect.bottom, entry[3]),
    };
    if (entry[0] == entry[1] && entry[2] == entry[3]) {
        TRIVERTEX ends[2] = {corners[0], corners[3]};
        GRADIENT_RECT mesh{0, 1};
        GradientFill(dc, ends, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
        return;
    }
    GRADIENT_TRIANGLE first{0, 1, 2};
    GRADIENT_TRIANGLE second{3, 1, 2};
    GradientFill(dc, corners, 4, &first, 1, GRADIENT_FILL_TRIANGLE);
    GradientFill(dc, corners, 4, &second, 1, GRADIENT_FILL_TRIANGLE);
}

void fillSolid(HDC dc, const RECT& rect, COLORREF color) {
    win::Brush brush(CreateSolidBrush(color));
    FillRect(dc, &rect, brush.get());
}

void frameSolid(HDC dc, const RECT& rect, COLORREF color) {
    win::Brush brush(CreateSolidBrush(color));
    FrameRect(dc, &rect, brush.get());
}

// --- alignment ------------------------------------------------------------------

std::uint32_t alignCode(std::uint32_t style) {
    switch (style & 0xF00) {
    case BS_TOP | BS_LEFT:
        return 0x1;
    case BS_TOP | BS_CENTER:
        return 0x2;
    case BS_TOP | BS_RIGHT:
        return 0x4;
    case BS_VCENTER | BS_LEFT:
        return 0x8;
    case BS_VCENTER | BS_RIGHT:
        return 0x20;
    case BS_BOTTOM | BS_LEFT:
        return 0x40;
    case BS_BOTTOM | BS_CENTER:
        return 0x80;
    case BS_BOTTOM | BS_RIGHT:
        return 0x100;
    default:
        return 0x10;
    }
}

namespace {

constexpr std::uint32_t kCentreColumn = 0x2 | 0x10 | 0x80;
constexpr std::uint32_t kRightColumn = 0x4 | 0x20 | 0x100;
constexpr std::uint32_t kMiddleRow = 0x8 | 0x10 | 0x20;
constexpr std::uint32_t kBottomRow = 0x40 | 0x80 | 0x100;

int blockX(std::uint32_t code, int room, int width) {
    if (code & kCentreColumn) return (room - width) / 2;
    if (code & kRightColumn) return room - width;
    return 0;
}

int blockY(std::uint32_t code, int room, int height) {
    if (code & kMiddleRow) return (room - height) / 2;
    if (code & kBottomRow) return room - height;
    return 0;
}

int measure(HDC dc, const char* bytes, int count) {
    SIZE size{};
    GetTextExtentPoint32A(dc, bytes, count, &size);
    return size.cx;
}

} // namespace

void placeBlock(const SIZE& size, const RECT& rect, RECT& out, std::uint32_t code) {
    const int x = rect.left + blockX(code, rect.right - rect.left, size.cx);
    const int y = rect.top + blockY(code, rect.bottom - rect.top, size.cy);
    out = {x, y, x + size.cx, y + size.cy};
}

// --- captions -------------------------------------------------------------------

void layoutCaption(HDC dc, const char* text, int width, CaptionLayout& layout) {
    SIZE letter{};
    GetTextExtentPoint32A(dc, "a", 1, &letter);
    layout.lineHeight = letter.cy;
    layout.count = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text ? text : "");
    const int length = static_cast<int>(strnlen(text ? text : "", kMaxCaptionBytes));

    CaptionLine line{0, 0, 0};
    auto record = [&](int nextStart) {
        layout.lines[layout.count++] = line;
        line = {nextStart, 0, 0};
    };
    bool prefix = false;
    int i = 0;
    while (i < length) {
        if (bytes[i] == '\r' && i + 1 < length && bytes[i + 1] == '\n') {
            record(i + 2);
            i += 2;
            continue;
        }
        if (bytes[i] == '&' && !prefix) {
            prefix = true;
            ++line.bytes;
            ++i;
            continue;
        }
        if (bytes[i] == '&') prefix = false;
        // A lead byte as the caption's last byte stands alone: the walk never
        // steps over the end.
        const int size =
            static_cast<int>(rt::characterSize(reinterpret_cast<const char*>(bytes), i, length));
        const int charWidth = measure(dc, text + i, size);
        if (line.width + charWidth > width && layout.count < kMaxCaptionLines - 1) record(i);
        line.width += charWidth;
        line.bytes += size;
        i += size;
    }
    layout.lines[layout.count++] = line;
}

void drawWrappedText(HDC dc, const char* text, const RECT& rect, std::uint32_t code,
                     SIZE* sizeOut) {
    CaptionLayout layout;
    const int roomWidth = rect.right - rect.left;
    const int roomHeight = rect.bottom - rect.top;
    layoutCaption(dc, text, roomWidth, layout);
    const int blockHeight = std::min(layout.count * layout.lineHeight, roomHeight);
    const int firstY = blockY(code, roomHeight, blockHeight);
    int widest = 0;
    char piece[1024];
    for (int k = 0; k < layout.count; ++k) {
        const CaptionLine& line = layout.lines[k];
        widest = std::max(widest, line.width);
        const int x = blockX(code, roomWidth, line.width);
        const int y = firstY + k * layout.lineHeight;
        const int bytes = std::min(line.bytes, static_cast<int>(sizeof piece) - 1);
        std::memcpy(piece, text + line.start, static_cast<std::size_t>(bytes));
        piece[bytes] = '\0';
        RECT place{rect.left + x, rect.top + y, rect.left + x + line.width,
                   rect.top + y + layout.lineHeight};
        DrawTextA(dc, piece, -1, &place, 0);
    }
    if (sizeOut) *sizeOut = {widest, blockHeight};
}

} // namespace skin
