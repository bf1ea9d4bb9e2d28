// The menu bar of a Dialog. Defined beside the menu class, which the window
// library does not include: a dialog hands its bar out as a menu object.
#include "menu/menu.h"
#include "window/dialog.h"

namespace win {

Menu* Dialog::menuBar() {
    return newMenuObject(GetMenu(handle_));
}

bool Dialog::setMenuBar(std::optional<Menu*> menu) {
    HMENU bar = menu && *menu ? (*menu)->getHandle() : nullptr;
    return SetMenu(handle_, bar) != 0;
}

} // namespace win
