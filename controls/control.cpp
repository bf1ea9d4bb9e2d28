#include "controls/control.h"

#include "runtime/values.h"

namespace win {

namespace {

std::int32_t gAutomaticControlId;

HMENU idAsMenu(int id) {
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

// A dialog item and a created control get the same colour defaults: edit
// boxes white, labels the face colour of dialogs, buttons none.
constexpr std::int32_t kWhite = RGB(255, 255, 255);
std::int32_t faceColor() {
    return static_cast<std::int32_t>(GetSysColor(COLOR_BTNFACE));
}

} // namespace

void setAutomaticControlId(std::int32_t value) {
    gAutomaticControlId = value;
}
std::int32_t automaticControlId() {
    return gAutomaticControlId;
}
std::int32_t nextAutomaticControlId() {
    return ++gAutomaticControlId;
}

// --- Control ---------------------------------------------------------------

void Control::release() {
    if (handle_) {
        Window::onWindowDestroyed(handle_);
        return;
    }
    // Never bound, or unbound already: the brush and images set without a
    // window go now, or never; the base gives back cursor and font.
    releaseResources();
    backBrush_.reset();
    Window::release();
}

Window* Control::clone() {
    return cloneAs(this);
}

LRESULT Control::onDialogMessage(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT Control::onColorRequest(HWND control, HDC dc) {
    if (backColor_ == kTransparent) {
        // Paint the parent's pixels under the control as its background,
        // then let the control draw its text over them.
        SetTextColor(dc, textColor_);
        SetBkMode(dc, TRANSPARENT);
        WindowDc parent = WindowDc::client(GetParent(control));
        RECT r = rectInParentOf(control);
        BitBlt(dc, 0, 0, r.right - r.left, r.bottom - r.top, parent.get(), r.left, r.top, SRCCOPY);
        return reinterpret_cast<LRESULT>(backBrush_.get());
    }
    if (backBrush_) {
        SetTextColor(dc, textColor_);
        SetBkColor(dc, static_cast<COLORREF>(backColor_));
        return reinterpret_cast<LRESULT>(backBrush_.get());
    }
    return 0;
}

LRESULT Control::onEraseBackground(HWND, HDC) {
    return 0;
}

void Control::onLeftButtonDown(HWND, LPARAM) {}

LRESULT Control::onDestroy(HWND) {
    if (!handle_) return 0;
    releaseResources();
    backBrush_.reset();
    textColor_ = 0;
    backColor_ = 0;
    return 0;
}

HWND Control::createControlWindow(HWND parent, DWORD exStyle, const char* className,
                                  const char* caption, DWORD style, int x, int y, int width,
                                  int height, int id) {
    return createWindow(parent, exStyle, className, caption, style, x, y, width, height,
                        idAsMenu(id), nullptr);
}

COLORREF Control::textColor(std::optional<COLORREF> color, std::optional<bool> redraw) {
    if (!color) return textColor_;
    textColor_ = *color;
    redrawUnlessRefused(redraw);
    return 0;
}

std::int32_t Control::backColor(std::optional<std::int32_t> color, std::optional<bool> redraw) {
    if (!color) return backColor_;
    backColor_ = *color;
    if (backColor_ == kTransparent) {
        addExStyle(WS_EX_TRANSPARENT);
        backBrush_.reset(static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    } else {
        removeExStyle(WS_EX_TRANSPARENT);
        backBrush_.reset(CreateSolidBrush(static_cast<COLORREF>(backColor_)));
    }
    redrawUnlessRefused(redraw);
    return 0;
}

void Control::releaseResources() {}

bool Control::bindItem(HWND dialog, int id, std::optional<bool> useDefaultFont) {
    if (handle_) return false;
    return attachDialogItem(dialog, id, useDefaultFont.value_or(true)) != nullptr;
}

bool Control::withBackColor(bool bound, std::int32_t color) {
    if (bound) backColor(color, true);
    return bound;
}

bool Control::attachTo(HWND window) {
    return attachWindow(window) != nullptr;
}

char* Control::windowText(std::optional<const char*> text) {
    if (!text) return getText();
    SetWindowTextA(handle_, *text);
    return nullptr;
}

// --- Button ----------------------------------------------------------------

Window* Button::clone() {
    return cloneAs(this);
}

LRESULT Button::onCommand(HWND, HWND, int code, int) {
    if (code == BN_CLICKED && click_) callHandler(click_);
    return 0;
}

void Button::releaseResources() {
    bitmap_.reset();
    icon_.reset();
    click_ = nullptr;
}

bool Button::create(HWND parent, std::optional<const char*> caption, std::optional<int> id,
                    DWORD styleBits, int x, int y, std::optional<int> width,
                    std::optional<int> height, DWORD exStyle) {
    // The counter advances even when the caller names the id.
    int automatic = nextAutomaticControlId();
    return createControlWindow(parent, exStyle, "Button", caption.value_or("按钮"),
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | styleBits, x, y,
                               width.value_or(80), height.value_or(32),
                               id.value_or(automatic)) != nullptr;
}

bool Button::bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont) {
    return bindItem(dialog, id, useDefaultFont);
}

bool Button::attachHandle(HWND window) {
    return attachTo(window);
}

char* Button::caption(std::optional<const char*> text) {
    return windowText(text);
}

void Button::click() {
    SendMessageA(handle_, BM_CLICK, 0, 0);
}

bool Button::setImage(HANDLE image, int kind) {
    SetWindowLongA(handle_, GWL_STYLE,
                   GetWindowLongA(handle_, GWL_STYLE) | (kind == IMAGE_ICON ? BS_ICON : BS_BITMAP));
    LRESULT previous = SendMessageA(handle_, BM_SETIMAGE, static_cast<WPARAM>(kind),
                                    reinterpret_cast<LPARAM>(image));
    // The old image goes only once the button no longer shows it, and never
    // when the same image is set again.
    if (kind == IMAGE_ICON)
        icon_.reset(static_cast<HICON>(image));
    else
        bitmap_.reset(static_cast<HBITMAP>(image));
    return previous != 0;
}

HANDLE Button::getImage(int kind) {
    return reinterpret_cast<HANDLE>(
        SendMessageA(handle_, BM_GETIMAGE, static_cast<WPARAM>(kind), 0));
}

Handler Button::setClickHandler(Handler handler) {
    return click_ = handler;
}

// --- EditBox ---------------------------------------------------------------

Window* EditBox::clone() {
    return cloneAs(this);
}

LRESULT EditBox::onCommand(HWND, HWND, int code, int) {
    if (code == EN_CHANGE && change_) callHandler(change_);
    return 0;
}

bool EditBox::create(HWND parent, const char* text, std::optional<DWORD> styleBits, int x, int y,
                     std::optional<int> width, std::optional<int> height,
                     std::optional<DWORD> exStyle) {
    HWND window = createControlWindow(
        parent, exStyle.value_or(WS_EX_CLIENTEDGE), "Edit", text,
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | styleBits.value_or(ES_AUTOHSCROLL), x, y,
        width.value_or(80), height.value_or(20), nextAutomaticControlId());
    return withBackColor(window != nullptr, kWhite);
}

bool EditBox::bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont) {
    return withBackColor(bindItem(dialog, id, useDefaultFont), kWhite);
}

bool EditBox::attachHandle(HWND window) {
    return attachTo(window);
}

char* EditBox::content(std::optional<const char*> text) {
    return windowText(text);
}

void EditBox::select(int start, std::optional<int> end) {
    SendMessageA(handle_, EM_SETSEL, static_cast<WPARAM>(start),
                 static_cast<LPARAM>(end.value_or(-1)));
}

void EditBox::getSelection(int* start, int* end) {
    auto both = static_cast<std::int32_t>(SendMessageA(handle_, EM_GETSEL, 0, 0));
    if (start) *start = both & 0xFFFF;
    if (end) *end = both >> 16;
}

void EditBox::append(const char* text) {
    SendMessageA(handle_, EM_SETSEL, static_cast<WPARAM>(-2), -1);
    SendMessageA(handle_, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(rt::orEmpty(text)));
}

void EditBox::replaceSelection(const char* text) {
    SendMessageA(handle_, EM_REPLACESEL, 1, reinterpret_cast<LPARAM>(rt::orEmpty(text)));
}

LRESULT EditBox::textLimit(std::optional<int> limit) {
    if (limit) return SendMessageA(handle_, EM_SETLIMITTEXT, static_cast<WPARAM>(*limit), 0);
    return SendMessageA(handle_, EM_GETLIMITTEXT, 0, 0);
}

char* EditBox::passwordChar() {
    char c = static_cast<char>(SendMessageA(handle_, EM_GETPASSWORDCHAR, 0, 0));
    return rt::newText(&c, c ? 1 : 0);
}

void EditBox::setPasswordChar(const char* text) {
    auto code = static_cast<unsigned char>(rt::orEmpty(text)[0]);
    SendMessageA(handle_, EM_SETPASSWORDCHAR, code, 0);
    invalidate(true);
}

bool EditBox::setReadOnly(std::optional<bool> readOnly) {
    return SendMessageA(handle_, EM_SETREADONLY, readOnly.value_or(true) ? 1 : 0, 0) != 0;
}

RectRecord* EditBox::getFormatRect() {
    RECT r{};
    SendMessageA(handle_, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
    return newRectRecord(r);
}

void EditBox::setFormatRect(const RectRecord* rect) {
    // No rectangle gives the control back its default format rectangle.
    RECT r{};
    if (rect) r = {rect->left, rect->top, rect->right, rect->bottom};
    SendMessageA(handle_, EM_SETRECT, 0, rect ? reinterpret_cast<LPARAM>(&r) : 0);
}

Handler EditBox::setChangeHandler(Handler handler) {
    return change_ = handler;
}

// --- Label -----------------------------------------------------------------

Window* Label::clone() {
    return cloneAs(this);
}

bool Label::create(HWND parent, std::optional<const char*> caption, std::optional<DWORD> styleBits,
                   int x, int y, std::optional<int> width, std::optional<int> height,
                   DWORD exStyle) {
    HWND window =
        createControlWindow(parent, exStyle, "Static", caption.value_or("标签"),
                            WS_CHILD | WS_VISIBLE | styleBits.value_or(SS_CENTERIMAGE), x, y,
                            width.value_or(80), height.value_or(24), nextAutomaticControlId());
    return withBackColor(window != nullptr, faceColor());
}

bool Label::bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont) {
    return withBackColor(bindItem(dialog, id, useDefaultFont), faceColor());
}

bool Label::attachHandle(HWND window) {
    return attachTo(window);
}

char* Label::caption(std::optional<const char*> text) {
    char* got = windowText(text);
    if (text && backColor_ == kTransparent && handle_) {
        // Through a transparent background the old text would stay visible:
        // have the parent repaint what lies under the label.
        HWND parent = GetParent(handle_);
        RECT r = rectInParentOf(handle_);
        InvalidateRect(parent, &r, TRUE);
        UpdateWindow(parent);
    }
    return got;
}

} // namespace win
