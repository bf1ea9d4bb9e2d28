// Child controls: Control (colours shared by all three), Button, EditBox and
// Label. Each is a window object bound to a Win32 "Button", "Edit" or "Static"
// window, either an item of a dialog template or a window it creates. The
// parent's window procedure forwards the control's notifications and colour
// requests to the object, which ends them in the application's handlers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "window/window.h"

namespace win {

// The counter that numbers controls created without an explicit id. Start-up
// sets it to 500; each automatic id is the counter after incrementing it.
void setAutomaticControlId(std::int32_t value);
std::int32_t automaticControlId();
std::int32_t nextAutomaticControlId();

// Background colour value that asks for a transparent background.
constexpr std::int32_t kTransparent = -1;

class Control : public Window {
  public:
    // --- shared operations replaced by the controls ---------------------
    // Unbinds the window; without one, gives back the brush, images, cursor
    // and font the control holds.
    void release() override;
    Window* clone() override;
    LRESULT onDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    LRESULT onColorRequest(HWND control, HDC dc) override;
    LRESULT onEraseBackground(HWND window, HDC dc) override;
    void onLeftButtonDown(HWND window, LPARAM lParam) override;
    LRESULT onDestroy(HWND window) override;

    // --- operations of Control, after the 97 shared ones ---------------
    virtual HWND createControlWindow(HWND parent, DWORD exStyle, const char* className,
                                     const char* caption, DWORD style, int x, int y, int width,
                                     int height, int id);
    virtual COLORREF textColor(std::optional<COLORREF> color = {}, std::optional<bool> redraw = {});
    virtual std::int32_t backColor(std::optional<std::int32_t> color = {},
                                   std::optional<bool> redraw = {});
    virtual void releaseResources();

  protected:
    // The steps the three classes share. bindItem: binds to a dialog item
    // (refused when already bound or the item is missing). withBackColor:
    // once a binding or creation succeeded, the class's background colour
    // default with redraw; passes the outcome through. attachTo: binds to an
    // existing window. windowText: the window text when no text is given,
    // otherwise sets it and gives the empty text.
    bool bindItem(HWND dialog, int id, std::optional<bool> useDefaultFont);
    bool withBackColor(bool bound, std::int32_t color);
    bool attachTo(HWND window);
    char* windowText(std::optional<const char*> text);

    COLORREF textColor_ = 0;
    std::int32_t backColor_ = 0;
    Brush backBrush_;
};
static_assert(sizeof(Control) == 23 * sizeof(void*) + 8,
              "a control: the window object, then text colour, background colour and brush");

class Button : public Control {
  public:
    Window* clone() override;
    LRESULT onCommand(HWND parent, HWND control, int code, int id) override;
    void releaseResources() override;

    virtual bool create(HWND parent, std::optional<const char*> caption = {},
                        std::optional<int> id = {}, DWORD styleBits = 0, int x = 0, int y = 0,
                        std::optional<int> width = {}, std::optional<int> height = {},
                        DWORD exStyle = 0);
    virtual bool bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont = {});
    virtual bool attachHandle(HWND window);
    virtual char* caption(std::optional<const char*> text = {});
    virtual void click();
    virtual bool setImage(HANDLE image, int kind);
    virtual HANDLE getImage(int kind);
    virtual Handler setClickHandler(Handler handler);

  protected:
    Handler click_ = nullptr;
    Bitmap bitmap_;
    Icon icon_;
};
static_assert(sizeof(Button) == 26 * sizeof(void*) + 8,
              "a button: the control, then click handler, bitmap and icon");

class EditBox : public Control {
  public:
    Window* clone() override;
    LRESULT onCommand(HWND parent, HWND control, int code, int id) override;

    virtual bool create(HWND parent, const char* text, std::optional<DWORD> styleBits = {},
                        int x = 0, int y = 0, std::optional<int> width = {},
                        std::optional<int> height = {}, std::optional<DWORD> exStyle = {});
    virtual bool bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont = {});
    virtual bool attachHandle(HWND window);
    virtual char* content(std::optional<const char*> text = {});
    virtual void select(int start, std::optional<int> end = {});
    // Either out argument may be null.
    virtual void getSelection(int* start, int* end);
    virtual void append(const char* text);
    virtual void replaceSelection(const char* text);
    virtual LRESULT textLimit(std::optional<int> limit = {});
    virtual char* passwordChar();
    virtual void setPasswordChar(const char* text);
    virtual bool setReadOnly(std::optional<bool> readOnly = {});
    virtual RectRecord* getFormatRect();
    // Null restores the default format rectangle.
    virtual void setFormatRect(const RectRecord* rect);
    virtual Handler setChangeHandler(Handler handler);

  protected:
    Handler change_ = nullptr;
};
static_assert(sizeof(EditBox) == 24 * sizeof(void*) + 8,
              "an edit box: the control, then the change handler");

class Label : public Control {
  public:
    Window* clone() override;

    virtual bool create(HWND parent, std::optional<const char*> caption = {},
                        std::optional<DWORD> styleBits = {}, int x = 0, int y = 0,
                        std::optional<int> width = {}, std::optional<int> height = {},
                        DWORD exStyle = 0);
    virtual bool bindDialogItem(HWND dialog, int id, std::optional<bool> useDefaultFont = {});
    virtual bool attachHandle(HWND window);
    virtual char* caption(std::optional<const char*> text = {});
};
static_assert(sizeof(Label) == sizeof(Control), "a label adds no field");

} // namespace win
