// The dialog's own client background: a colour, a tiled picture, a picture
// at its own size in the top-left corner, or a picture stretched over it all.
#include "window/dialog.h"

namespace win {

namespace {

SIZE pictureSize(HBITMAP picture) {
    BITMAP info{};
    if (!GetObjectA(picture, sizeof info, &info)) return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

} // namespace

void Dialog::holdBackgroundBrush(HBRUSH brush) {
    backgroundBrush_.reset(brush);
}

void Dialog::holdBackgroundPicture(HBITMAP picture) {
    backgroundPicture_.reset(picture);
}

LRESULT Dialog::onEraseBackground(HWND window, HDC dc) {
    RECT client{};
    GetClientRect(window, &client);
    paintBackground(dc, &client);
    return 1;
}

void Dialog::paintBackground(HDC dc, const RECT* rect) {
    if (!rect || pictureMode_ > 2) return;
    // Without a brush nothing is painted (a null brush would read as a
    // system colour index).
    if (backgroundBrush_) FillRect(dc, rect, backgroundBrush_.get());
    if (pictureMode_ == 0 || !backgroundPicture_) return;
    MemoryDc source(CreateCompatibleDC(dc));
    if (!source) return;
    Selection selected(source.get(), backgroundPicture_.get());
    SIZE picture = pictureSize(backgroundPicture_.get());
    int width = rect->right - rect->left;
    int height = rect->bottom - rect->top;
    if (pictureMode_ == 1) {
        // Once, at its own size, cut to the rectangle.
        BitBlt(dc, rect->left, rect->top, picture.cx < width ? picture.cx : width,
               picture.cy < height ? picture.cy : height, source.get(), 0, 0, SRCCOPY);
    } else {
        StretchBlt(dc, rect->left, rect->top, width, height, source.get(), 0, 0, picture.cx,
                   picture.cy, SRCCOPY);
    }
}

COLORREF Dialog::backgroundColor(std::optional<COLORREF> color, std::optional<bool> redraw) {
    if (color) {
        backgroundColor_ = *color;
        holdBackgroundBrush(CreateSolidBrush(*color));
        redrawUnlessRefused(redraw);
    }
    return static_cast<COLORREF>(backgroundColor_);
}

HGDIOBJ Dialog::backgroundPicture(std::optional<HBITMAP> picture, int mode,
                                  std::optional<bool> redraw) {
    if (!picture) return backgroundPicture_.get();
    holdBackgroundPicture(*picture);
    pictureMode_ = static_cast<std::uintptr_t>(mode);
    HBRUSH brush = nullptr;
    if (mode != 0)
        brush = CreateSolidBrush(static_cast<COLORREF>(backgroundColor_));
    else if (*picture)
        brush = CreatePatternBrush(*picture);
    holdBackgroundBrush(brush);
    redrawUnlessRefused(redraw);
    return brush;
}

} // namespace win
