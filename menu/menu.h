// Menu: one Win32 menu handle (a menu bar, a pop-up, a window's system menu,
// a menu from the resources or a sub-menu of any of these) and the brush
// that paints its background. The virtual functions are the class table,
// declared in the table's order. Objects live in zero-filled runtime heap
// blocks: make them with newMenuObject(), free them with rt::free() (release
// does nothing). The handle is not tied to the object: it lives until some
// object holding it calls destroy, or its window destroys it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "window/handles.h"

namespace win {

struct RectRecord;

#if defined(__i386__)
static_assert(sizeof(MENUITEMINFOA) == 48, "a menu item record with its bitmap field");
static_assert(sizeof(MENUINFO) == 28, "a menu information record");
#endif

class Menu {
  public:
    Menu() = default;

    // Items are identifiers, or positions from 0 where byPosition is true
    // (omitted counts as false). Results named logical come as bool.
    virtual void release();
    // The same handle, without the brush: the brush stays the original's.
    virtual Menu* clone();
    // These three and attachHandle refuse (false) while a handle is held.
    virtual bool createMenuBar();
    virtual bool createPopup();
    // Replaces any handle held.
    virtual bool takeSystemMenu(HWND window);
    // A resource id (MAKEINTRESOURCEA) or a name.
    virtual bool loadFromResource(const char* name);
    // Destroys the menu (and its sub-menus) and every brush the object holds.
    virtual void destroy();
    virtual HMENU resetSystemMenu(HWND window);
    virtual HMENU getHandle();
    virtual bool attachHandle(HMENU menu);
    virtual bool appendSubMenu(Menu* subMenu, const char* text);
    // At the end when the position is omitted.
    virtual bool insertSubMenu(Menu* subMenu, const char* text, std::optional<UINT> position = {});
    virtual bool setAsWindowMenu(HWND window);
    // The background, for this menu and (unless false is given) its
    // sub-menus. A brush the sub-menus may still paint with stays until
    // destroy; a refused change deletes only the new brush. When no brush
    // can be made, the menus named get the default background and the
    // answer is false.
    virtual bool setBackColor(COLORREF color, std::optional<bool> toSubMenus = {});
    // Takes the bitmap over: it is deleted once the pattern brush is made.
    virtual bool setBackBitmap(HBITMAP bitmap, std::optional<bool> toSubMenus = {});
    // A new object for the sub-menu at the position; its handle is null
    // when there is none there.
    virtual Menu* getSubMenu(int position);
    virtual int getItemId(int position);
    virtual bool appendItem(const char* text, UINT_PTR id);
    virtual bool appendSeparator();
    virtual bool appendBitmap(HBITMAP bitmap, UINT_PTR id);
    virtual bool insertItem(const char* text, UINT position, UINT_PTR id);
    virtual bool insertSeparator(UINT position);
    virtual bool insertBitmap(HBITMAP bitmap, UINT position, UINT_PTR id);
    virtual bool checkRadioItem(UINT check, UINT first, UINT last);
    // Brings the owner to the foreground first, so that the menu closes
    // when the user clicks elsewhere. With TPM_RETURNCMD: the command chosen.
    virtual int trackPopup(int x, int y, HWND owner, std::optional<UINT> flags = {});
    // A new text; the empty text for an item without text or a missing one.
    virtual char* getItemText(UINT item, std::optional<bool> byPosition = {});
    virtual UINT getItemType(UINT item, std::optional<bool> byPosition = {});
    // A new rectangle record in screen coordinates, zero when the call fails.
    virtual RectRecord* getItemRect(HWND window, UINT position);
    virtual ULONG_PTR getItemData(UINT item, std::optional<bool> byPosition = {});
    virtual int getItemCount();
    // -1 for a missing item.
    virtual int getItemState(UINT item, std::optional<bool> byPosition = {});
    virtual UINT getMaxHeight();
    virtual int getDefaultItem(std::optional<UINT> flags = {}, std::optional<bool> byPosition = {});
    // The point in screen coordinates; -1 when no item is there.
    virtual int itemFromPoint(HWND window, int x, int y);
    // A sub-menu is detached, not destroyed.
    virtual bool removeItem(UINT item, std::optional<bool> byPosition = {});
    // The previous check state, -1 for a missing item.
    virtual int checkItem(UINT item, bool checked, std::optional<bool> byPosition = {});
    // False for a missing item.
    virtual bool isItemChecked(UINT item, std::optional<bool> byPosition = {});
    virtual bool setItemId(UINT item, UINT id, std::optional<bool> byPosition = {});
    virtual bool setItemText(UINT item, const char* text, std::optional<bool> byPosition = {});
    virtual bool setItemType(UINT item, UINT type, std::optional<bool> byPosition = {});
    virtual bool setItemData(UINT item, ULONG_PTR data, std::optional<bool> byPosition = {});
    virtual bool setItemBitmap(UINT item, HBITMAP bitmap, std::optional<bool> byPosition = {});
    virtual bool setCheckBitmaps(UINT item, HBITMAP unchecked, HBITMAP checked,
                                 std::optional<bool> byPosition = {});
    virtual bool setItemState(UINT item, UINT state, std::optional<bool> byPosition = {});
    virtual bool setDefaultItem(UINT item, std::optional<bool> byPosition = {});

  protected:
    // The one place a background brush is put in: refused, it is deleted
    // and the menu keeps painting with the brush it had. A null brush puts
    // the default background back.
    bool holdBackground(Brush brush, bool toSubMenus);
    // Sets only the fields named in mask.
    bool setItemInfo(UINT item, std::optional<bool> byPosition, MENUITEMINFOA& info);
    // Zeros, with cbSize and fMask; false when the item does not exist.
    bool getItemInfo(UINT item, std::optional<bool> byPosition, UINT mask, MENUITEMINFOA& info);

    HMENU handle_ = nullptr;
    // The brush the menu paints its background with.
    Brush backgroundBrush_;
    // A brush given to the sub-menus earlier that they may still paint with
    // (never the one above), and whether the one above went to them too.
    Brush subMenuBrush_;
    std::uintptr_t brushInSubMenus_ = 0;
};
static_assert(sizeof(Menu) == 5 * sizeof(void*),
              "a menu: the class table, the handle, the brush, the sub-menus' brush and flag");

// A menu object in a zero-filled runtime heap block, holding the handle.
Menu* newMenuObject(HMENU handle = nullptr);

} // namespace win
