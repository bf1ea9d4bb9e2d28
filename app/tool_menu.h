// The tool's menu of the ways to split: a pop-up on a right click (or
// Shift+F10, the menu key) anywhere on the dialog, and the same items as the
// sub-menu "分割方式" of the dialog's system menu. The four modes carry a
// radio mark, the options a check mark, in both menus alike; the count
// box's label says how the mode reads the number. The choices last until
// the tool ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "app/split_options.h"

namespace app {

// The choices in force.
const SplitOptions& splitOptions();

// Builds both menus for the dialog and hands it the context-menu and
// menu-command handlers. Called by the dialog's initialisation.
void setUpToolMenus(HWND dialog);
// Destroys the pop-up and frees the menu objects (the system menu went with
// its window). Called at exit.
void releaseToolMenus();

// While work runs the menus do not open: the pop-up is not shown and the
// system menu's "分割方式" is greyed.
void toolMenusAvailable(bool available);

// The handlers: a context menu asked for at the point on the screen (-1, -1
// from the keyboard); a command of either menu.
std::intptr_t toolContextMenu(std::intptr_t x, std::intptr_t y, HWND from);
std::intptr_t toolMenuCommand(std::intptr_t id);

// The count box's label in the mode: "欲分割数：" in the design's own.
const char* countLabel(SplitMode mode);

} // namespace app
