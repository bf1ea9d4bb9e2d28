// The ways a file reaches the tool besides its Open dialog: dropped on the
// dialog, or named on the command line ("Open with", a file dropped on the
// program's icon, a shortcut with a path). Each is imported as a file chosen
// in the Open dialog is.
#pragma once

#include <windows.h>

#include <cstdint>

namespace app {

// The dialog takes dropped files; a file named on the command line is
// imported once the dialog is up. Called by the dialog's initialisation.
void acceptFilesFor(HWND dialog);

// The file-drop handler: the first of the names ("\r\n" between them) is
// imported; a folder, or a drop while the tool works or has one of its own
// dialogs or boxes up, changes nothing.
std::intptr_t filesDropped(const char* names);

// The path the arguments name (the text after the program name): within
// double quotes, or the whole text without the blanks around it; made full
// against the working folder. A fresh text, empty when there is none.
char* pathFromArguments(const char* arguments);

// Test seam, on when the tool starts with TEXTSPLIT_DROP_SEAM in its
// environment: a message-only window of the class kDropSeamClass takes a
// WM_COPYDATA of kind kDropSeamData (the point in the dialog's client
// coordinates, then the names each with its zero, then one more zero) and
// makes it a real WM_DROPFILES of those names, posted as the shell posts it
// to the window at that point that takes files.
constexpr const char* kDropSeamClass = "TextsplitDropSeam";
constexpr ULONG_PTR kDropSeamData = 0x54534450; // "TSDP"
struct DropSeamPoint {
    LONG x, y;
};

} // namespace app
