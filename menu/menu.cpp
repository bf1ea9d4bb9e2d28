// Menu: thin wrappers over the Win32 menu functions, and the ownership of
// the background brushes.
#include "menu/menu.h"

#include <cstring>
#include <new>

#include "runtime/memory.h"
#include "runtime/values.h"
#include "window/window.h"

namespace win {

namespace {

UINT positionFlag(std::optional<bool> byPosition) {
    return byPosition.value_or(false) ? MF_BYPOSITION : MF_BYCOMMAND;
}

const char* menuText(const char* text) {
    return rt::orEmpty(text);
}

HMENU handleOf(Menu* menu) {
    return menu ? menu->getHandle() : nullptr;
}

UINT_PTR asItem(HANDLE handle) {
    return reinterpret_cast<UINT_PTR>(handle);
}

} // namespace

Menu* newMenuObject(HMENU handle) {
    Menu* menu = new (rt::allocate(sizeof(Menu))) Menu();
    menu->attachHandle(handle);
    return menu;
}

// --- helpers ---------------------------------------------------------------------

bool Menu::holdBackground(Brush brush, bool toSubMenus) {
    // No brush could be made: the menu takes the null brush, which gives it
    // the default background back, and the answer is still a refusal.
    const bool made = static_cast<bool>(brush);
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND | (toSubMenus ? MIM_APPLYTOSUBMENUS : 0);
    info.hbrBack = brush.get();
    if (!SetMenuInfo(handle_, &info)) return false; // the new brush goes, the old one stays
    if (toSubMenus)
        subMenuBrush_.reset(); // they paint with the new brush now
    else if (brushInSubMenus_)
        subMenuBrush_ = std::move(backgroundBrush_); // they still paint with it
    backgroundBrush_ = std::move(brush);
    brushInSubMenus_ = toSubMenus ? 1 : 0;
    return made;
}

bool Menu::setItemInfo(UINT item, std::optional<bool> byPosition, MENUITEMINFOA& info) {
    info.cbSize = sizeof info;
    return SetMenuItemInfoA(handle_, item, byPosition.value_or(false), &info) != 0;
}

bool Menu::getItemInfo(UINT item, std::optional<bool> byPosition, UINT mask, MENUITEMINFOA& info) {
    info = MENUITEMINFOA{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return GetMenuItemInfoA(handle_, item, byPosition.value_or(false), &info) != 0;
}

// --- the operations, in table order ------------------------------------------------

void Menu::release() {}

Menu* Menu::clone() {
    return newMenuObject(handle_);
}

bool Menu::createMenuBar() {
    if (handle_) return false;
    handle_ = CreateMenu();
    return handle_ != nullptr;
}

bool Menu::createPopup() {
    if (handle_) return false;
    handle_ = CreatePopupMenu();
    return handle_ != nullptr;
}

bool Menu::takeSystemMenu(HWND window) {
    handle_ = GetSystemMenu(window, FALSE);
    return handle_ != nullptr;
}

bool Menu::loadFromResource(const char* name) {
    if (handle_) return false;
    handle_ = LoadMenuA(moduleInstance(), name);
    return handle_ != nullptr;
}

void Menu::destroy() {
    if (handle_) DestroyMenu(std::exchange(handle_, nullptr));
    // The menus that painted with them are gone.
    backgroundBrush_.reset();
    subMenuBrush_.reset();
    brushInSubMenus_ = 0;
}

HMENU Menu::resetSystemMenu(HWND window) {
    return GetSystemMenu(window, TRUE);
}

HMENU Menu::getHandle() {
    return handle_;
}

bool Menu::attachHandle(HMENU menu) {
    if (handle_) return false;
    handle_ = menu;
    return handle_ != nullptr;
}

bool Menu::appendSubMenu(Menu* subMenu, const char* text) {
    return AppendMenuA(handle_, MF_POPUP | MF_BYPOSITION, asItem(handleOf(subMenu)),
                       menuText(text)) != 0;
}

bool Menu::insertSubMenu(Menu* subMenu, const char* text, std::optional<UINT> position) {
    UINT at = position ? *position : static_cast<UINT>(GetMenuItemCount(handle_));
    return InsertMenuA(handle_, at, MF_POPUP | MF_BYPOSITION, asItem(handleOf(subMenu)),
                       menuText(text)) != 0;
}

bool Menu::setAsWindowMenu(HWND window) {
    BOOL set = SetMenu(window, handle_);
    DrawMenuBar(window);
    return set != 0;
}

bool Menu::setBackColor(COLORREF color, std::optional<bool> toSubMenus) {
    return holdBackground(Brush(CreateSolidBrush(color)), toSubMenus.value_or(true));
}

bool Menu::setBackBitmap(HBITMAP bitmap, std::optional<bool> toSubMenus) {
    Bitmap taken(bitmap); // the pattern brush keeps its own copy
    return holdBackground(Brush(CreatePatternBrush(bitmap)), toSubMenus.value_or(true));
}

Menu* Menu::getSubMenu(int position) {
    return newMenuObject(GetSubMenu(handle_, position));
}

int Menu::getItemId(int position) {
    return static_cast<int>(GetMenuItemID(handle_, position));
}

bool Menu::appendItem(const char* text, UINT_PTR id) {
    return AppendMenuA(handle_, MF_STRING, id, menuText(text)) != 0;
}

bool Menu::appendSeparator() {
    return AppendMenuA(handle_, MF_SEPARATOR, 0, nullptr) != 0;
}

bool Menu::appendBitmap(HBITMAP bitmap, UINT_PTR id) {
    return AppendMenuA(handle_, MF_BITMAP, id, reinterpret_cast<const char*>(bitmap)) != 0;
}

bool Menu::insertItem(const char* text, UINT position, UINT_PTR id) {
    return InsertMenuA(handle_, position, MF_BYPOSITION | MF_STRING, id, menuText(text)) != 0;
}

bool Menu::insertSeparator(UINT position) {
    return InsertMenuA(handle_, position, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr) != 0;
}

bool Menu::insertBitmap(HBITMAP bitmap, UINT position, UINT_PTR id) {
    return InsertMenuA(handle_, position, MF_BYPOSITION | MF_BITMAP, id,
                       reinterpret_cast<const char*>(bitmap)) != 0;
}

bool Menu::checkRadioItem(UINT check, UINT first, UINT last) {
    return CheckMenuRadioItem(handle_, first, last, check, MF_BYPOSITION) != 0;
}

int Menu::trackPopup(int x, int y, HWND owner, std::optional<UINT> flags) {
    SetForegroundWindow(owner);
    return TrackPopupMenu(handle_, flags.value_or(0), x, y, 0, owner, nullptr);
}

char* Menu::getItemText(UINT item, std::optional<bool> byPosition) {
    const UINT flag = positionFlag(byPosition);
    int length = GetMenuStringA(handle_, item, nullptr, 0, flag);
    const auto size = static_cast<std::uint32_t>(length > 0 ? length : 0) + 1;
    rt::TextValue buffer(rt::blankText(size));
    char* bytes = const_cast<char*>(buffer.get());
    // A call that fails writes nothing: the buffer must already be empty.
    bytes[0] = '\0';
    GetMenuStringA(handle_, item, bytes, static_cast<int>(size), flag);
    bytes[size - 1] = '\0';
    return rt::copyText(bytes);
}

UINT Menu::getItemType(UINT item, std::optional<bool> byPosition) {
    MENUITEMINFOA info;
    getItemInfo(item, byPosition, MIIM_FTYPE, info);
    return info.fType;
}

RectRecord* Menu::getItemRect(HWND window, UINT position) {
    RECT rect{};
    if (!GetMenuItemRect(window, handle_, position, &rect)) rect = RECT{};
    return newRectRecord(rect);
}

ULONG_PTR Menu::getItemData(UINT item, std::optional<bool> byPosition) {
    MENUITEMINFOA info;
    getItemInfo(item, byPosition, MIIM_DATA, info);
    return info.dwItemData;
}

int Menu::getItemCount() {
    return GetMenuItemCount(handle_);
}

int Menu::getItemState(UINT item, std::optional<bool> byPosition) {
    return static_cast<int>(GetMenuState(handle_, item, positionFlag(byPosition)));
}

UINT Menu::getMaxHeight() {
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_MAXHEIGHT;
    GetMenuInfo(handle_, &info);
    return info.cyMax;
}

int Menu::getDefaultItem(std::optional<UINT> flags, std::optional<bool> byPosition) {
    return static_cast<int>(
        GetMenuDefaultItem(handle_, byPosition.value_or(false), flags.value_or(0)));
}

int Menu::itemFromPoint(HWND window, int x, int y) {
    return MenuItemFromPoint(window, handle_, POINT{x, y});
}

bool Menu::removeItem(UINT item, std::optional<bool> byPosition) {
    return RemoveMenu(handle_, item, positionFlag(byPosition)) != 0;
}

int Menu::checkItem(UINT item, bool checked, std::optional<bool> byPosition) {
    return static_cast<int>(CheckMenuItem(
        handle_, item, (checked ? MF_CHECKED : MF_UNCHECKED) | positionFlag(byPosition)));
}

bool Menu::isItemChecked(UINT item, std::optional<bool> byPosition) {
    UINT state = GetMenuState(handle_, item, positionFlag(byPosition));
    // A missing item answers -1, every bit set: not a check mark.
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

bool Menu::setItemId(UINT item, UINT id, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_ID;
    info.wID = id;
    return setItemInfo(item, byPosition, info);
}

bool Menu::setItemText(UINT item, const char* text, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_STRING;
    // Only read by the call.
    info.dwTypeData = const_cast<char*>(menuText(text));
    return setItemInfo(item, byPosition, info);
}

bool Menu::setItemType(UINT item, UINT type, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_FTYPE;
    info.fType = type;
    return setItemInfo(item, byPosition, info);
}

bool Menu::setItemData(UINT item, ULONG_PTR data, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_DATA;
    info.dwItemData = data;
    return setItemInfo(item, byPosition, info);
}

bool Menu::setItemBitmap(UINT item, HBITMAP bitmap, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = bitmap;
    return setItemInfo(item, byPosition, info);
}

bool Menu::setCheckBitmaps(UINT item, HBITMAP unchecked, HBITMAP checked,
                           std::optional<bool> byPosition) {
    return SetMenuItemBitmaps(handle_, item, positionFlag(byPosition), unchecked, checked) != 0;
}

bool Menu::setItemState(UINT item, UINT state, std::optional<bool> byPosition) {
    MENUITEMINFOA info{};
    info.fMask = MIIM_STATE;
    info.fState = state;
    return setItemInfo(item, byPosition, info);
}

bool Menu::setDefaultItem(UINT item, std::optional<bool> byPosition) {
    return SetMenuDefaultItem(handle_, item, byPosition.value_or(false) ? TRUE : FALSE) != 0;
}

} // namespace win
