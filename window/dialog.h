// Dialog: top-level windows made from a dialog template (modal or modeless)
// or with CreateWindowExA; adds the window-level events, the dialog events,
// the background, the window state, the icon and the modal result. Its
// operations follow the 97 shared ones in the order of its class table.
#pragma once

#include <optional>

#include "window/handles.h"
#include "window/window.h"

namespace win {

class Menu;

// The class the library registers for its own top-level windows and for the
// hidden owners that keep a dialog off the taskbar.
constexpr const char* kLibraryClassName = "WTWindow";
// The message number the shell sends to a dialog about its tray icon.
constexpr UINT kTrayCallbackMessage = 0x3019;

// Registers the class "WTWindow" (a second registration fails quietly).
void registerLibraryClass();

class Dialog : public Window {
  public:
    Dialog() = default;

    // --- replaced shared operations ---------------------------------------------
    Window* clone() override;
    LRESULT onDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Paints the background with paintBackground over the client rectangle
    // and reports it erased.
    LRESULT onEraseBackground(HWND window, HDC dc) override;
    // Drags the window by its client area while that flag is on.
    void onLeftButtonDown(HWND window, LPARAM lParam) override;
    LRESULT onDestroy(HWND window) override;

    // --- the dialog's operations, in table order ----------------------------------
    virtual void paintBackground(HDC dc, const RECT* rect);
    virtual void reserved98(WPARAM);
    virtual LRESULT onWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void resetDialogFields(HWND window);
    virtual HWND createTopLevel(HWND parent, const char* caption, DWORD style, DWORD exStyle, int x,
                                int y, int width, int height, const char* className);
    virtual COLORREF backgroundColor(std::optional<COLORREF> color = {},
                                     std::optional<bool> redraw = {});
    // Without a picture: the picture held. With one (null counts): the new
    // brush.
    virtual HGDIOBJ backgroundPicture(std::optional<HBITMAP> picture = {}, int mode = 0,
                                      std::optional<bool> redraw = {});
    virtual int windowState(std::optional<int> state = {});
    virtual LRESULT icon(std::optional<HICON> icon = {}, std::optional<int> size = {});
    // A new menu object for the window's menu bar (its handle null when the
    // window has none), owned by the caller. Both live with the menu class.
    virtual Menu* menuBar();
    // SetMenu with the object's handle; omitted (or null) takes the bar away.
    virtual bool setMenuBar(std::optional<Menu*> menu = {});
    virtual bool redrawMenuBar();
    // The tray icon. Texts are cut to their field, never inside a two-byte
    // character. Without a record (no add yet) the others answer false.
    virtual bool addTrayIcon(HICON icon, std::optional<const char*> tip = {});
    virtual bool setTrayTip(const char* tip);
    virtual bool setTrayIcon(HICON icon);
    virtual bool showBalloon(const char* text, std::optional<const char*> title = {},
                             std::optional<int> iconKind = {}, std::optional<int> timeout = {});
    virtual bool removeTrayIcon();
    virtual bool captionStaysActive(std::optional<bool> on = {});
    virtual bool dragByClientArea(std::optional<bool> on = {});
    // Hotkey ids count up over the whole process and never come back; 0 when
    // the combination could not be registered.
    virtual int registerHotkey(UINT modifiers, UINT virtualKey);
    virtual bool unregisterHotkey(int id);
    virtual Handler setMenuCommandHandler(Handler handler);
    virtual Handler setDestroyHandler(Handler handler);
    virtual Handler setMoveHandler(Handler handler);
    virtual Handler setSizeHandler(Handler handler);
    virtual Handler setActivateHandler(Handler handler);
    virtual Handler setDeactivateHandler(Handler handler);
    virtual Handler setFirstActivateHandler(Handler handler);
    virtual Handler setShowHandler(Handler handler);
    virtual Handler setHideHandler(Handler handler);
    virtual Handler setTrayHandler(Handler handler);
    virtual Handler setHotkeyHandler(Handler handler);
    // templateName: a resource id (MAKEINTRESOURCEA) or a name. A class name
    // other than "" and "#32770" is registered as a copy of the system
    // dialog class, for templates that name their own class.
    virtual bool showModeless(std::optional<HWND> parent, const char* templateName,
                              Handler initHandler, const char* className,
                              std::optional<bool> showInTaskbar = {});
    virtual INT_PTR showModal(std::optional<HWND> parent, const char* templateName,
                              Handler initHandler, const char* className,
                              std::optional<bool> showInTaskbar = {});
    virtual INT_PTR createFromTemplate(HWND parent, const char* templateName, Handler initHandler,
                                       bool modal, const char* className);
    virtual bool attach(HWND window);
    virtual void setModalResult(INT_PTR value);
    // Dialog-item accessors. An out argument is a pointer that may be null.
    virtual HWND getItemHandle(int id);
    virtual int getItemInt(int id, BOOL* translated = nullptr, std::optional<bool> isSigned = {});
    virtual bool setItemInt(int id, int value);
    virtual char* getItemText(int id, int maxLength);
    virtual bool setItemText(int id, const char* text);
    virtual LRESULT sendItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void getBaseUnits(int* horizontal = nullptr, int* vertical = nullptr);
    virtual Handler setCloseHandler(Handler handler);
    // A context menu asked for on the dialog (a right click, Shift+F10, the
    // menu key): handler(x, y, window), the point on the screen (-1, -1 from
    // the keyboard) and the window it was asked in. An answer other than 0
    // takes the request; 0 leaves it to the default (on the caption, the
    // system menu).
    virtual Handler setContextMenuHandler(Handler handler);

  protected:
    // The dialog procedure given to every dialog creation.
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    // The only places that give back the background brush and picture.
    void holdBackgroundBrush(HBRUSH brush);
    void holdBackgroundPicture(HBITMAP picture);
    // The shell restarted: the icon is added again, as it is now.
    void restoreTrayIcon();
    // Takes the icon from the shell, frees the record and the icon.
    void releaseTray();

    // --- window fields, in order (each one word) -------------------------------
    Brush backgroundBrush_;
    std::uintptr_t backgroundColor_ = 0;
    Bitmap backgroundPicture_;
    std::uintptr_t pictureMode_ = 0;
    void* trayRecord_ = nullptr; // a NOTIFYICONDATAA, from the first addTrayIcon
    Icon trayIcon_;
    // Registered by addTrayIcon; 0 again after removeTrayIcon, so that a
    // removed icon stays removed when the shell restarts.
    std::uintptr_t taskbarCreatedMessage_ = 0;
    Handler destroy_ = nullptr;
    Handler move_ = nullptr;
    Handler size_ = nullptr;
    Handler activate_ = nullptr;
    Handler deactivate_ = nullptr;
    Handler firstActivate_ = nullptr;
    Handler show_ = nullptr;
    Handler hide_ = nullptr;
    Handler tray_ = nullptr;
    Handler menuCommand_ = nullptr;
    std::uintptr_t captionStaysActive_ = 0;
    std::uintptr_t dragByClientArea_ = 0;
    std::uintptr_t activatedOnce_ = 0;
    Handler hotkey_ = nullptr;

    // --- dialog fields, in order ---------------------------------------------------
    std::intptr_t modalResult_ = 0;
    std::uintptr_t modal_ = 0;
    Handler init_ = nullptr;
    Handler close_ = nullptr;
    Handler contextMenu_ = nullptr;
};
static_assert(sizeof(Dialog) == sizeof(Window) + 26 * sizeof(void*),
              "a dialog: the base object, 21 window fields and 5 dialog fields");

} // namespace win
